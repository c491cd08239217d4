// Linux: file names are bytes (UTF-8 as given); a reader's access comes from the udev rule.
#include "link/host_system.hpp"

#include <fcntl.h>
#include <locale.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>

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

std::string SystemDescription() {
    // The distribution's name from os-release, then the kernel's.
    std::string distribution;
    for (const char* name : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream file(name);
        for (std::string line; distribution.empty() && std::getline(file, line);) {
            if (line.starts_with("PRETTY_NAME=")) {
                distribution = line.substr(12);
                if (distribution.size() >= 2 && distribution.front() == '"' &&
                    distribution.back() == '"') {
                    distribution = distribution.substr(1, distribution.size() - 2);
                }
            }
        }
        if (!distribution.empty()) {
            break;
        }
    }
    struct utsname kernel {};
    std::string text = distribution.empty() ? "" : distribution + "; ";
    if (::uname(&kernel) == 0) {
        text += std::string(kernel.sysname) + " " + kernel.release + " " + kernel.machine;
    } else {
        text += "Linux";
    }
    return text;
}

int LocalOffsetMinutes(std::int64_t utcSeconds) {
    const std::time_t moment = static_cast<std::time_t>(utcSeconds);
    std::tm local{};
    if (::localtime_r(&moment, &local) == nullptr) {
        return 0;
    }
    return static_cast<int>(local.tm_gmtoff / 60);
}

std::string LastErrorText() {
    const int number = errno;
    return SystemErrorText(number, "en") + " (errno " + std::to_string(number) + ")";
}

std::FILE* OpenOwnFileForAppending(const std::string& name) {
    const int descriptor =
        ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    if (descriptor < 0) {
        return nullptr;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_uid == ::geteuid() && (status.st_mode & 0077) != 0) {
        ::fchmod(descriptor, 0600);  // an older trace, made with the umask's mode
    }
    std::FILE* file = ::fdopen(descriptor, "ab");
    if (file == nullptr) {
        ::close(descriptor);
    }
    return file;
}

bool MoveFileOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace zrt::link
