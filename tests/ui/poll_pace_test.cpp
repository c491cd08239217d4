// The poll's searches while no reader is open: only after the platform signalled a change to its
// HID interfaces, at the latest every minute, on every tick after a search that found a reader it
// could not load, every second after one that met a reader it could not open (no signal comes
// when another program lets it go), and on every tick where the system refused its signals; a
// reader plugged in is loaded by the first tick after it. The clock is the test's own.
#include <optional>

#include "window_fixture.hpp"

namespace zrt::ui::test {
namespace {

struct PaceCase {
    const char* name;
    // What happens, in order: 't' a tick 100 ms after the one before, 'w' the safety interval
    // but 200 ms passes, 'f' a foreign device is plugged in, 'r' reader51 is plugged in, 'u' it is
    // unplugged, 'h' another program holds its lock, 'l' that program lets go, 'x' another program
    // takes it for itself (this one cannot open it), 'X' that program lets go, 'n' the system
    // refuses its change signals.
    std::string steps;
    // For each tick: 'S' it searched, '.' it did not.
    std::string searched;
    bool connectedAtEnd;
};

class PollPace : public Behaviour, public ::testing::WithParamInterface<PaceCase> {
  protected:
    std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
};

TEST_P(PollPace, SearchesOnlyWhenOneIsDue) {
    readers.Pace.SetClock([this] { return now; });
    ShowActive();
    Activate();  // searches, finds nothing
    ASSERT_EQ(readers.CurrentReader, nullptr);
    std::optional<sim::VirtualPlatform::InterfaceId> reader;
    link::HidHandle other = link::INVALID_HID_HANDLE;
    std::string searched;
    for (const char step : GetParam().steps) {
        switch (step) {
            case 't': {
                now += std::chrono::milliseconds(100);
                const int before = platform.ListCalls();
                Tick();
                searched += platform.ListCalls() > before ? 'S' : '.';
                break;
            }
            case 'w':
                now += core::SearchPace::SAFETY_INTERVAL - std::chrono::milliseconds(200);
                break;
            case 'f':
                platform.AddForeign({0x046D, 0xC077});
                break;
            case 'r':
                if (reader) {
                    platform.Plug(*reader);
                } else {
                    reader = platform.AddReader(reader51);
                }
                break;
            case 'u':
                platform.Unplug(*reader);
                break;
            case 'h':
                other = platform.Open(platform.PathOf(*reader));
                ASSERT_EQ(platform.Lock(other, std::chrono::milliseconds{0}),
                          link::LockResult::Locked);
                break;
            case 'l':
                platform.Close(other);
                break;
            case 'x':
            case 'X':
                platform.SetOpenable(*reader, step == 'X');
                break;
            case 'n':
                platform.Changes()->WatchRefused();
                break;
        }
    }
    EXPECT_EQ(searched, GetParam().searched);
    EXPECT_EQ(readers.IsOpen(), GetParam().connectedAtEnd);
    EXPECT_TRUE(boxes.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, PollPace,
    ::testing::Values(PaceCase{"NothingChanges", "tttt", "....", false},
                      PaceCase{"SafetyNetEveryInterval", "twttwtt", ".S.S.", false},
                      PaceCase{"AForeignDevicePluggedIn", "tftt", ".S.", false},
                      PaceCase{"AReaderPluggedInIsLoadedByTheFirstTick", "trtt", ".S.", true},
                      PaceCase{"AReaderHeldElsewhereIsSearchedEveryTick", "rhtttltt", "SSSS.",
                               true},
                      PaceCase{"AReaderUnpluggedIsSearchedForAtOnce", "rttuttt", "S..S.", false},
                      PaceCase{"AReaderHeldExclusivelyIsSearchedForEverySecondUntilLetGo",
                               "rxttttttttttttXtttttttttt",
                               "S.........S.........S.", true},
                      PaceCase{"AReaderHeldExclusivelyAndUnpluggedIsNoLongerSearchedFor",
                               "rxtttttttttttutttttttttttt", "S.........SS...........", false},
                      PaceCase{"WithoutTheSystemsSignalsEveryTickSearches", "nttttrt", "SSSSS",
                               true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zrt::ui::test
