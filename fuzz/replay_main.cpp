// The main of a fuzz target built without libFuzzer: runs the target once on every file named on
// the command line and on every file in a folder named there, so that ordinary builds (GCC, the
// sanitizer suite) run the seed corpus as a test.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool RunFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path argument(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(argument, error)) {
            for (const auto& entry : std::filesystem::directory_iterator(argument)) {
                if (entry.is_regular_file()) {
                    if (!RunFile(entry.path())) {
                        return 1;
                    }
                    ++runs;
                }
            }
        } else if (RunFile(argument)) {
            ++runs;
        } else {
            return 1;
        }
    }
    std::printf("%d inputs passed\n", runs);
    return runs > 0 ? 0 : 1;  // an empty corpus proves nothing
}
