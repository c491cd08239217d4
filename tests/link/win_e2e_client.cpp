// The Windows half of the end-to-end test: a program that drives the reader link over the real
// Windows backend, run under wine inside the umockdev bed by win_e2e_test.cpp, which checks what
// reached the virtual reader. One command per run, its result on standard output:
//   search        "41", "51" or "none": the product of the reader the search picked
//   commands      "ok" after "M", "c", "C" of E2E_RECORD, "Z" of a one-block upload and its "Y"
//   poll          "ready" after a search and an "M", then "M" every 10 ms until one fails: its code
//   hammer N      N "M" transactions: "bad=<replies that failed a check> other=<other failures>"
//   bench N       N searches of both lists: "us=<microseconds per search>"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "link/find_reader.hpp"
#include "link/platform_factory.hpp"
#include "tests/link/win_e2e_data.hpp"

namespace {

using namespace zrt::link;

struct Search {
    explicit Search(HidPlatform& platform)
        : hidVP41(platform),
          hidVP51(platform),
          reader41(platform, PRODUCT_ID_41),
          reader51(platform, PRODUCT_ID_51) {}
    bool Find() {
        return FindReader({hidVP41, hidVP51, reader41, reader51, current},
                          [](const ZrHIDErr& error) {
                              std::printf("message %d\n", static_cast<int>(error.code));
                          });
    }
    HidVPTab hidVP41;
    HidVPTab hidVP51;
    ZrHID reader41;
    ZrHID reader51;
    ZrHID* current = nullptr;
};

int Run(const std::string& command, long count) {
    const auto platform = MakeSystemPlatform();
    Search search(*platform);
    if (command == "bench") {
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < count; ++i) {
            search.Find();
        }
        const std::chrono::duration<double, std::micro> spent =
            std::chrono::steady_clock::now() - start;
        std::printf("us=%.0f\n", spent.count() / static_cast<double>(count));
        return 0;
    }
    if (!search.Find()) {
        std::printf("none\n");
        return 0;
    }
    ZrHID& reader = *search.current;
    if (command == "search") {
        std::printf("%02X\n", reader.productId);
        return 0;
    }
    try {
        if (command == "commands") {
            reader.ReadInfo();
            std::array<std::uint8_t, CONFIG_RECORD_SIZE> record{};
            reader.ReadConfig(record);
            reader.WriteConfig(zrt::e2e::RECORD);
            reader.UpgradeBegin(zrt::e2e::Header().data());
            reader.UpgradeBlock(0, zrt::e2e::Block().data());
            std::printf("ok\n");
            return 0;
        }
        if (command == "poll") {
            reader.ReadInfo();
            std::printf("ready\n");
            std::fflush(stdout);
            for (;;) {
                std::this_thread::sleep_for(std::chrono::milliseconds{10});
                reader.ReadInfo();
            }
        }
        if (command == "hammer") {
            long bad = 0;
            long other = 0;
            for (long i = 0; i < count; ++i) {
                try {
                    reader.ReadInfo();
                } catch (const ZrHIDErr& error) {
                    ++(error.code == ERR_BAD_REPLY ? bad : other);
                }
            }
            std::printf("bad=%ld other=%ld\n", bad, other);
            return 0;
        }
    } catch (const ZrHIDErr& error) {
        std::printf("%d\n", error.code);
        return 0;
    }
    std::printf("unknown command\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: %s search|commands|poll|hammer N|bench N\n", argv[0]);
        return 2;
    }
    const long count = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 1;
    const int code = Run(argv[1], count);
    std::fflush(stdout);
    return code;
}
