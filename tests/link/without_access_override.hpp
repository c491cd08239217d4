// WithoutAccessOverride: a test running as root refused what a user would be refused.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zrt::link::test {

// Lowers the file-access override of a process running as root for as long as it lives, so that
// a node of mode 000 is refused as it is to a user.
class WithoutAccessOverride {
  public:
    WithoutAccessOverride() {
        if (::syscall(SYS_capget, &header_, saved_) == 0) {
            __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
            lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
            lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
        }
    }
    ~WithoutAccessOverride() {
        if (lowered_) {
            ::syscall(SYS_capset, &header_, saved_);
        }
    }

  private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool lowered_ = false;
};

}  // namespace zrt::link::test
