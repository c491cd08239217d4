// Files by UTF-8 name: std::filesystem::path takes the name as UTF-8 and opens it with the
// system's wide calls where there are any.
#include "cli/files.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

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
        file.open(PathOf(name), std::ios::binary);
        if (!file) {
            error = name + ": cannot be opened for reading";
            return std::nullopt;
        }
        in = &file;
    }
    std::ostringstream text;
    text << in->rdbuf();
    if (in->bad()) {
        error = name + ": cannot be read";
        return std::nullopt;
    }
    return text.str();
}

bool WriteTextFile(const std::string& name, const std::string& text, std::ostream& standardOutput,
                   std::string& error) {
    if (name == "-") {
        standardOutput << text << std::flush;
        return static_cast<bool>(standardOutput);
    }
    std::ofstream file(PathOf(name), std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        error = name + ": cannot be written";
        return false;
    }
    return true;
}

}  // namespace zrt::cli
