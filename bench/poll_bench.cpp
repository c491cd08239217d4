// The search that the 100 ms poll runs while no reader is attached (FindReader: reader list 65,
// then 81, both ending empty), over the hidraw backend on a sysfs tree of 64 foreign hidraw
// interfaces made in a temporary folder. The CPU time per search must stay well under a
// millisecond.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "link/find_reader.hpp"
#include "link/hid_vp_tab.hpp"
#include "link/linux/hidraw_platform.hpp"
#include "link/zrhid.hpp"

namespace {

namespace fs = std::filesystem;

constexpr unsigned FOREIGN_INTERFACES = 64;

// /class/hidraw/hidrawN -> device/uevent as the kernel lays it out, and /dev/hidrawN nodes (plain
// files: a correct search never opens them).
class ForeignTree {
  public:
    ForeignTree() {
        // sysfs lives in memory: the tree goes on tmpfs where there is one, so that reading it
        // costs what reading sysfs costs rather than what a disk file system's symlinks cost.
        char pattern[] = "/dev/shm/zrt-bench-poll-XXXXXX";
        char fallback[] = "/tmp/zrt-bench-poll-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) {
            made = mkdtemp(fallback);
        }
        if (made == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        root_ = made;
        fs::create_directories(Sysfs());
        fs::create_directories(Dev());
        for (unsigned n = 0; n < FOREIGN_INTERFACES; ++n) {
            const std::string name = "hidraw" + std::to_string(n);
            const fs::path parent = root_ / "devices" / ("0003:046D:C52B." + std::to_string(n));
            fs::create_directories(parent / "hidraw" / name);
            char uevent[160];
            std::snprintf(uevent, sizeof(uevent),
                          "DRIVER=hid-generic\nHID_ID=0003:0000046D:%08X\nHID_NAME=Keyboard %u\n"
                          "HID_PHYS=usb-0000:00:14.0-%u/input0\nMODALIAS=hid:b0003g0001v0000046D\n",
                          0xC500 + n, n, n);
            std::ofstream(parent / "uevent") << uevent;
            fs::create_directory_symlink("../..", parent / "hidraw" / name / "device");
            fs::create_directory_symlink(parent / "hidraw" / name, Sysfs() / name);
            std::ofstream(Dev() / name);
        }
    }
    ~ForeignTree() { fs::remove_all(root_); }

    fs::path Sysfs() const { return root_ / "class" / "hidraw"; }
    fs::path Dev() const { return root_ / "dev"; }

  private:
    fs::path root_;
};

void BM_PollSearchWithoutReader(benchmark::State& state) {
    ForeignTree tree;
    zrt::link::HidrawPlatform platform(tree.Sysfs().string(), tree.Dev().string());
    zrt::link::HidVPTab HidVP41(platform);
    zrt::link::HidVPTab HidVP51(platform);
    zrt::link::ZrHID Reader41(platform, zrt::link::PRODUCT_ID_41);
    zrt::link::ZrHID Reader51(platform, zrt::link::PRODUCT_ID_51);
    zrt::link::ZrHID* CurrentReader = nullptr;
    unsigned messages = 0;
    const std::function<void(const zrt::link::ZrHIDErr&)> showMessage =
        [&](const zrt::link::ZrHIDErr&) { ++messages; };

    for (auto _ : state) {
        const bool found = zrt::link::FindReader(
            {HidVP41, HidVP51, Reader41, Reader51, CurrentReader}, showMessage);
        benchmark::DoNotOptimize(found);
        if (found || messages != 0) {
            state.SkipWithError("the search found a reader among foreign interfaces");
            break;
        }
    }
}
BENCHMARK(BM_PollSearchWithoutReader)->Unit(benchmark::kMicrosecond);

// One listing alone (each search lists twice).
void BM_ListInterfaces(benchmark::State& state) {
    ForeignTree tree;
    zrt::link::HidrawPlatform platform(tree.Sysfs().string(), tree.Dev().string());
    std::vector<zrt::link::HidInterface> list;
    for (auto _ : state) {
        const bool listed = platform.ListInterfaces(list);
        benchmark::DoNotOptimize(listed);
        if (!listed || list.size() != FOREIGN_INTERFACES || !list.back().hint) {
            state.SkipWithError("the tree was not listed with its hints");
            break;
        }
    }
}
BENCHMARK(BM_ListInterfaces)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
