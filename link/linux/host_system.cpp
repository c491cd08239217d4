// Linux: file names are bytes (UTF-8 as given); a reader's access comes from the udev rule.
#include "link/host_system.hpp"

#include <fcntl.h>
#include <locale.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zrt::link {

std::FILE* OpenNamedFile(const std::string& name, const char* mode) {
    return std::fopen(name.c_str(), mode);
}

std::FILE* OpenRegularFile(const std::string& name, FileError& error) {
    // Anything but a regular file is refused before it is opened (opening a device may do
    // something); what took the name's place since is opened without waiting and checked again.
    struct stat status {};
    if (::stat(name.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        error = FileError::NotRegular;
        return nullptr;
    }
    const int descriptor = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        error = FileError::CannotOpen;
        return nullptr;
    }
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        error = FileError::NotRegular;
        return nullptr;
    }
    std::FILE* file = ::fdopen(descriptor, "rb");
    if (file == nullptr) {
        ::close(descriptor);
        error = FileError::CannotOpen;
    }
    return file;
}

int LastSystemError() {
    return errno;
}

// The C library's text in the messages of the language's locale when that locale is installed
// (e.g. pl_PL.UTF-8), else in the C locale's English.
std::string SystemErrorText(int code, std::string_view language) {
    locale_t messages = static_cast<locale_t>(nullptr);
    if (language == "pl") {
        for (const char* name : {"pl_PL.UTF-8", "pl_PL.utf8", "pl_PL"}) {
            messages = ::newlocale(LC_MESSAGES_MASK, name, static_cast<locale_t>(nullptr));
            if (messages != static_cast<locale_t>(nullptr)) {
                break;
            }
        }
    }
    if (messages == static_cast<locale_t>(nullptr)) {
        messages = ::newlocale(LC_MESSAGES_MASK, "C", static_cast<locale_t>(nullptr));
    }
    std::string text = ::strerror_l(code, messages);
    ::freelocale(messages);
    return text;
}

const char* NoAccessAdvice() {
    return "; install the zrt-vivoraz-cli package (its udev rule gives the readers to the user at "
           "the local seat), then unplug the reader and plug it in again";
}

}  // namespace zrt::link
