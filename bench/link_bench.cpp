// Benchmarks of the reader link: the two checksums over a configuration record and a long frame,
// and one short ("M") and one long ("Y") transaction against the in-process virtual reader; the
// short one also through the trace (link/trace_platform.hpp), where every repeat is folded: the
// poll's sign of life must cost next to nothing more traced than untraced.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

#include "link/crc.hpp"
#include "link/hid_vp_tab.hpp"
#include "link/trace.hpp"
#include "link/trace_platform.hpp"
#include "link/zrhid.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace {

using namespace zrt;

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
    }
    return bytes;
}

void BM_Crc16(benchmark::State& state) {
    const auto data = Pattern(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(link::Crc16(data.data(), data.size(), 0xFFFF));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Crc16)->Arg(16)->Arg(575);

void BM_Crc32(benchmark::State& state) {
    const auto data = Pattern(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(link::Crc32(data.data(), data.size(), 0xFFFFFFFFu));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Crc32)->Arg(16)->Arg(575);

// One virtual reader found through a reader list, as the tool finds it; no request log.
struct Bench {
    Bench() {
        reader.SetLogging(false);
        platform.AddReader(reader);
        list.Enumerate(link::VENDOR_ID, link::PRODUCT_ID_51);
        zr.handle = list.Handle(0);
    }
    sim::VirtualReader reader{link::ReaderInfo{151, 4242, 9}, {}};
    sim::VirtualPlatform platform;
    link::HidVPTab list{platform};
    link::ZrHID zr{platform, link::PRODUCT_ID_51};
};

void BM_TransactShortReadInfo(benchmark::State& state) {
    Bench bench;
    for (auto _ : state) {
        bench.zr.ReadInfo();
        benchmark::DoNotOptimize(bench.zr.info);
    }
}
BENCHMARK(BM_TransactShortReadInfo);

void BM_TransactShortReadInfoTraced(benchmark::State& state) {
    sim::VirtualReader reader{link::ReaderInfo{151, 4242, 9}, {}};
    reader.SetLogging(false);
    sim::VirtualPlatform platform;
    platform.AddReader(reader);
    link::Trace trace;
    link::TracePlatform traced(platform, trace);
    link::HidVPTab list{traced};
    list.Enumerate(link::VENDOR_ID, link::PRODUCT_ID_51);
    link::ZrHID zr{traced, link::PRODUCT_ID_51};
    zr.handle = list.Handle(0);
    for (auto _ : state) {
        zr.ReadInfo();
        benchmark::DoNotOptimize(zr.info);
    }
}
BENCHMARK(BM_TransactShortReadInfoTraced);

void BM_TransactLongUpgradeBlock(benchmark::State& state) {
    constexpr std::uint16_t BLOCKS = 1000;  // the virtual reader keeps what it receives
    const std::array<std::uint8_t, 16> header{0, 0, 1, 0, BLOCKS & 0xFF, BLOCKS >> 8};
    const auto block = Pattern(link::UPGRADE_BLOCK_SIZE);
    Bench bench;
    std::uint16_t index = BLOCKS;
    for (auto _ : state) {
        if (index == BLOCKS) {  // one short transaction per thousand long ones
            bench.zr.UpgradeBegin(header.data());
            index = 0;
        }
        bench.zr.UpgradeBlock(index++, block.data());
    }
}
BENCHMARK(BM_TransactLongUpgradeBlock);

}  // namespace

BENCHMARK_MAIN();
