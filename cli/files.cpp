// Settings files by name, and standard input and output for "-".
#include "cli/files.hpp"

#include <istream>
#include <ostream>

#include "cli/readers.hpp"
#include "config/settings_file.hpp"
#include "link/host_system.hpp"
#include "link/text_file.hpp"

namespace zrt::cli {

namespace {

const char* Reason(link::FileError why) {
    switch (why) {
        case link::FileError::CannotOpen:
            return "cannot be opened for reading";
        case link::FileError::NotRegular:
            return "not a regular file (a settings file is a file, or - for standard input)";
        case link::FileError::TooLarge:
            return "too large (more than 64 KiB; a settings file is under 1 KiB)";
        default:
            return "cannot be read";
    }
}

}  // namespace

std::optional<std::string> ReadTextFile(const std::string& name, std::istream& standardInput,
                                        std::string& error) {
    link::FileError why = link::FileError::None;
    const auto readInput = [&standardInput](char* buffer,
                                            std::size_t size) -> std::optional<std::size_t> {
        standardInput.read(buffer, static_cast<std::streamsize>(size));
        return standardInput.bad()
                   ? std::nullopt
                   : std::optional(static_cast<std::size_t>(standardInput.gcount()));
    };
    const std::optional<std::string> text =
        name == "-" ? link::ReadLimited(readInput, why) : link::ReadTextFile(name, why);
    if (!text) {
        error = name + ": " + Reason(why);
    }
    return text;
}

std::optional<config::ConfigState> ReadSettingsFile(const std::string& name,
                                                    std::istream& standardInput, std::string& text,
                                                    std::string& error) {
    const std::optional<std::string> read = ReadTextFile(name, standardInput, error);
    if (!read) {
        return std::nullopt;
    }
    text = *read;
    config::SettingsError problem;
    std::optional<config::ConfigState> settings = config::SettingsFromJson(text, problem);
    if (!settings) {
        error = name + ": " + SettingsErrorText(problem);
    }
    return settings;
}

std::string CannotWriteText(const std::string& name, int why) {
    return config::PrintableText(name) + ": cannot be written (" +
           link::SystemErrorText(why, "en") + ")";
}

bool WriteTextFile(const std::string& name, const std::string& text, std::ostream& standardOutput,
                   std::string& error) {
    if (name == "-") {
        standardOutput << text << std::flush;
        return static_cast<bool>(standardOutput);
    }
    int why = 0;
    if (!link::WriteTextFile(name, text, why)) {
        error = CannotWriteText(name, why);
        return false;
    }
    return true;
}

}  // namespace zrt::cli
