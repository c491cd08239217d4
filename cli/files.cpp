// Files by UTF-8 name: std::filesystem::path takes the name as UTF-8 and opens it with the
// system's wide calls where there are any.
#include "cli/files.hpp"

#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>

namespace zrt::cli {

namespace {

std::filesystem::path PathOf(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

}  // namespace

std::optional<std::string> ReadTextFile(const std::string& name, std::istream& standardInput,
                                        std::string& error) {
    std::istream* in = &standardInput;
    std::ifstream file;
    if (name != "-") {
        try {
            file.open(PathOf(name), std::ios::binary);
        } catch (const std::exception&) {
            // A name the system cannot take (not UTF-8 where names are wide): nothing to open.
        }
        if (!file.is_open()) {
            error = name + ": cannot be opened for reading";
            return std::nullopt;
        }
        in = &file;
    }
    // One byte past the limit tells a file that is too large; nothing beyond it is read.
    std::string text(MAX_INPUT_SIZE + 1, '\0');
    in->read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in->bad()) {
        error = name + ": cannot be read";
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(in->gcount());
    if (size > MAX_INPUT_SIZE) {
        error = name + ": too large (more than 64 KiB; a settings file is under 1 KiB)";
        return std::nullopt;
    }
    text.resize(size);
    return text;
}

bool WriteTextFile(const std::string& name, const std::string& text, std::ostream& standardOutput,
                   std::string& error) {
    if (name == "-") {
        standardOutput << text << std::flush;
        return static_cast<bool>(standardOutput);
    }
    std::ofstream file;
    try {
        file.open(PathOf(name), std::ios::binary | std::ios::trunc);
    } catch (const std::exception&) {
        // A name the system cannot take: reported below as not written.
    }
    file << text;
    file.close();
    if (!file) {
        error = name + ": cannot be written";
        return false;
    }
    return true;
}

}  // namespace zrt::cli
