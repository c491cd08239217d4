// SHA-256 (FIPS 180-4) of a byte string, as the provisioning log names the settings file a run
// wrote: 64 lowercase hexadecimal digits, the same as sha256sum prints for the file.
#pragma once

#include <string>
#include <string_view>

namespace zrt::core {

std::string Sha256Hex(std::string_view bytes);

}  // namespace zrt::core
