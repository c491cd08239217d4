// The hidraw backend end to end: virtual readers and foreign HID interfaces presented by the
// umockdev bed as /sys/class/hidraw and /dev/hidrawN, searched, identified and talked to through
// the real backend, the reader lists, FindReader and ZrHID.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/find_reader.hpp"
#include "link/hid_vp_tab.hpp"
#include "link/linux/hidraw_platform.hpp"
#include "link/zrhid.hpp"
#include "sim/umockdev_bed.hpp"
#include "tests/link/without_access_override.hpp"
#include "tests/sim/request_frames.hpp"

namespace zrt::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

sim::VirtualReader MakeReader(std::uint16_t serial, std::uint16_t productId) {
    return sim::VirtualReader({1175, serial, 12}, {0x10, 0x20, 0x30}, productId);
}

// The reader's reply frame to `command` with `data`, as the 63 bytes of report 0x41.
Bytes ReplyFrame(std::uint8_t command, const Bytes& data) {
    return sim::test::Frame(REPORT_ID_SHORT, SHORT_REPORT_SIZE, command | 0x80, data);
}

class HidrawOverUmockdev : public testing::Test {
  protected:
    bool Find() {
        return FindReader({HidVP41, HidVP51, Reader41, Reader51, CurrentReader},
                          [this](const ZrHIDErr& error) { messages.push_back(error.code); });
    }
    std::int32_t CodeOf(void (*command)(ZrHID&)) {
        try {
            command(*CurrentReader);
        } catch (const ZrHIDErr& error) {
            return error.code;
        }
        return -1;
    }

    // Declared first, so destroyed last: the lists close their handles before the bed goes.
    sim::UmockdevBed bed;
    HidrawPlatform platform;  // the real roots, which the preload maps to the bed
    HidVPTab HidVP41{platform};
    HidVPTab HidVP51{platform};
    ZrHID Reader41{platform, PRODUCT_ID_41};
    ZrHID Reader51{platform, PRODUCT_ID_51};
    ZrHID* CurrentReader = nullptr;
    std::vector<std::int32_t> messages;  // the link errors' codes
};

TEST_F(HidrawOverUmockdev, InterfacesAreFoundInNumericOrderAndIdentifiedAsUnsigned) {
    bed.AddReader(10, MakeReader(1010, PRODUCT_ID_41));
    bed.AddReader(2, MakeReader(202, PRODUCT_ID_41));
    bed.AddForeign(3, VENDOR_ID, 0x8001);
    bed.AddForeign(4, 0xFFFF, 0xFFFE);

    std::vector<HidInterface> list;
    ASSERT_TRUE(platform.ListInterfaces(list));
    ASSERT_EQ(list.size(), 4u);
    const std::array<std::pair<const char*, HidIds>, 4> expected{{
        {"/dev/hidraw2", {VENDOR_ID, PRODUCT_ID_41}},
        {"/dev/hidraw3", {VENDOR_ID, 0x8001}},
        {"/dev/hidraw4", {0xFFFF, 0xFFFE}},
        {"/dev/hidraw10", {VENDOR_ID, PRODUCT_ID_41}},
    }};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list[i].path, expected[i].first);
        EXPECT_EQ(list[i].hint, expected[i].second) << list[i].path;
        const HidHandle handle = platform.Open(list[i].path);
        ASSERT_NE(handle, INVALID_HID_HANDLE) << list[i].path;
        HidIds ids;
        EXPECT_TRUE(platform.GetIds(handle, ids));
        EXPECT_EQ(ids, expected[i].second) << list[i].path;
        platform.Close(handle);
    }

    // The list keeps both readers, hidraw2 first.
    ASSERT_EQ(HidVP41.Enumerate(VENDOR_ID, PRODUCT_ID_41), 2u);
    ZrHID reader(platform, PRODUCT_ID_41);
    reader.handle = HidVP41.Handle(0);
    reader.ReadInfo();
    EXPECT_EQ(reader.info.serial, 202);
    reader.handle = HidVP41.Handle(1);
    reader.ReadInfo();
    EXPECT_EQ(reader.info.serial, 1010);
}

TEST_F(HidrawOverUmockdev, ShortAndLongReportsCrossByteForByte) {
    bed.AddReader(5, MakeReader(4242, PRODUCT_ID_51));
    ASSERT_TRUE(Find());
    ASSERT_EQ(CurrentReader, &Reader51);

    // "M" through ZrHID: the 63-byte request as the reader logged it, and the identity it returned.
    Reader51.ReadInfo();
    EXPECT_EQ(Reader51.info.model, 1175);
    EXPECT_EQ(Reader51.info.serial, 4242);
    EXPECT_EQ(Reader51.info.firmware, 12);
    Bytes request(SHORT_REPORT_SIZE, 0);
    const std::uint8_t head[] = {0x41, 0x05, 0x00, 0x4D, 0xA1, 0xF4};
    std::copy(std::begin(head), std::end(head), request.begin());
    std::vector<sim::Request> log = bed.Log(5);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].report, request);
    EXPECT_TRUE(log[0].valid);

    // The same through the platform alone: the reply arrives as the reader built it.
    ASSERT_TRUE(platform.SetFeature(Reader51.handle, request.data(), request.size()));
    Bytes reply(SHORT_REPORT_SIZE, 0xEE);
    reply[0] = REPORT_ID_SHORT;
    ASSERT_TRUE(platform.GetFeature(Reader51.handle, reply.data(), reply.size()));
    EXPECT_EQ(reply, ReplyFrame(CMD_READ_INFO, {0x97, 0x04, 0x92, 0x10, 0x0C, 0x00}));

    // "Y" is the 575-byte report 0x49.
    std::array<std::uint8_t, UPGRADE_HEADER_SIZE> header{};
    header[4] = 1;  // one block
    Reader51.UpgradeBegin(header.data());
    std::array<std::uint8_t, UPGRADE_BLOCK_SIZE> block{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    Reader51.UpgradeBlock(0, block.data());
    Bytes indexAndBlock(2 + block.size(), 0);  // block index 0, then the block
    std::copy(block.begin(), block.end(), indexAndBlock.begin() + 2);
    const Bytes longRequest =
        sim::test::Frame(REPORT_ID_LONG, LONG_REPORT_SIZE, CMD_UPGRADE_BLOCK, indexAndBlock);
    ASSERT_EQ(Bytes(longRequest.begin(), longRequest.begin() + 4), (Bytes{0x49, 0x0F, 0x02, 0x59}));
    log = bed.Log(5);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3].report, longRequest);
    EXPECT_TRUE(log[3].valid);
    bed.WithReader(5, [&](sim::VirtualReader& reader) {
        EXPECT_EQ(reader.UploadState().payload, Bytes(block.begin(), block.end()));
    });
}

enum class Failure { Unplugged, IoError };

class FailingIoctl : public HidrawOverUmockdev, public testing::WithParamInterface<Failure> {};

TEST_P(FailingIoctl, GivesTheDriverErrorThroughZrHID) {
    bed.AddReader(1, MakeReader(77, PRODUCT_ID_41));
    ASSERT_TRUE(Find());
    ASSERT_EQ(CurrentReader, &Reader41);
    switch (GetParam()) {
        case Failure::Unplugged:
            bed.Unplug(1);
            break;
        case Failure::IoError:
            bed.SetFault(1, sim::BedFault::IoError);
            break;
    }
    EXPECT_EQ(CodeOf([](ZrHID& reader) { reader.ReadInfo(); }), ERR_HID_DRIVER);
    EXPECT_EQ(Reader41.info.serial, 0) << "a failed command leaves the identity as it was";
    EXPECT_TRUE(bed.Log(1).empty());

    bed.Plug(1);
    bed.SetFault(1, sim::BedFault::None);
    if (GetParam() == Failure::Unplugged) {
        // A handle from before the unplugging stays dead; a new search finds the reader again.
        EXPECT_EQ(CodeOf([](ZrHID& reader) { reader.ReadInfo(); }), ERR_HID_DRIVER);
        ASSERT_TRUE(Find());
    }
    Reader41.ReadInfo();
    EXPECT_EQ(Reader41.info.serial, 77);
    EXPECT_TRUE(messages.empty());
}

const char* NameOf(Failure failure) {
    switch (failure) {
        case Failure::Unplugged:
            return "Unplugged";
        case Failure::IoError:
            break;
    }
    return "IoError";
}
void PrintTo(Failure failure, std::ostream* out) {
    *out << NameOf(failure);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FailingIoctl, testing::Values(Failure::Unplugged, Failure::IoError),
                         [](const testing::TestParamInfo<Failure>& info) -> std::string {
                             return NameOf(info.param);
                         });

TEST_F(HidrawOverUmockdev, SearchNeverOpensForeignInterfaces) {
    // Near misses: another product, the low byte of the product, another vendor.
    const std::array<HidIds, 4> foreign{
        {{VENDOR_ID, 0x42}, {VENDOR_ID, 0x8041}, {0x13AC, 0x41}, {0x046D, 0xC52B}}};
    for (unsigned i = 0; i < foreign.size(); ++i) {
        bed.AddForeign(i, foreign[i].vendorId, foreign[i].productId);
    }
    EXPECT_FALSE(Find());
    EXPECT_EQ(CurrentReader, nullptr);

    bed.AddReader(9, MakeReader(9, PRODUCT_ID_51));
    ASSERT_TRUE(Find());
    EXPECT_EQ(CurrentReader, &Reader51);
    EXPECT_TRUE(messages.empty());
    for (unsigned i = 0; i < foreign.size(); ++i) {
        EXPECT_EQ(bed.Opens(i), 0u) << "hidraw" << i;
        EXPECT_EQ(bed.Ioctls(i), 0u) << "hidraw" << i;
    }
    // The counters do count: the reader was identified, so its open was seen before that.
    EXPECT_GE(bed.Ioctls(9), 1u);
    EXPECT_GE(bed.Opens(9), 1u);
}

TEST_F(HidrawOverUmockdev, ProductIdentifier65IsPreferredAndThen81IsNotSearched) {
    bed.AddReader(1, MakeReader(81, PRODUCT_ID_51));
    bed.AddReader(6, MakeReader(65, PRODUCT_ID_41));
    ASSERT_TRUE(Find());
    ASSERT_EQ(CurrentReader, &Reader41);
    EXPECT_EQ(HidVP41.Count(), 1u);
    EXPECT_EQ(HidVP51.Count(), 0u);
    EXPECT_EQ(bed.Ioctls(1), 0u);
    CurrentReader->ReadInfo();
    EXPECT_EQ(CurrentReader->info.serial, 65);
}

// A device that answers a feature read with just its frame, fewer bytes than asked for, is a
// reader like any other; what it did not send reads as zero, never as the request left in the
// buffer.
TEST_F(HidrawOverUmockdev, AShortFeatureReadIsTheReplyWithZeroFill) {
    bed.AddReader(1, MakeReader(77, PRODUCT_ID_41));
    bed.SetFault(1, sim::BedFault::ShortRead);
    ASSERT_TRUE(Find());
    Reader41.ReadInfo();
    EXPECT_EQ(Reader41.info.serial, 77);

    // "C" (here with a record whose CRC-32 is wrong) is acknowledged with one byte: a 7-byte frame.
    // The ten bytes asked for past the data offset are that byte, the CRC-16 and zeros, not the 20
    // record bytes the request carried.
    std::uint8_t request[20];
    std::fill(std::begin(request), std::end(request), std::uint8_t{0xA5});
    std::uint8_t reply[10];
    EXPECT_EQ(Reader41.Transact(CMD_WRITE_CONFIG, request, sizeof request, reply, sizeof reply), 1);
    const Bytes frame = ReplyFrame(CMD_WRITE_CONFIG, {sim::VirtualReader::ACK_BAD_CRC});
    EXPECT_EQ(Bytes(reply, reply + 10), Bytes(frame.begin() + 4, frame.begin() + 14));
}

}  // namespace
}  // namespace zrt::link

namespace zrt::link {
namespace {

// inotify on /dev sees the bed's nodes come and go (the preload maps the watch into the bed): a
// reader plugged in is a change, settles after its settling time, and its unplug is a change.
TEST_F(HidrawOverUmockdev, PlugAndUnplugAreSignalledAsChanges) {
    auto now = std::chrono::steady_clock::time_point(std::chrono::hours(1));
    platform.SetClock([&now] { return now; });
    HidChanges* changes = platform.Changes();
    ASSERT_NE(changes, nullptr);
    EXPECT_FALSE(changes->TakeChanged());

    bed.AddReader(4, MakeReader(4, PRODUCT_ID_41));
    EXPECT_TRUE(changes->TakeChanged());
    EXPECT_TRUE(Find()) << "listed as soon as the change is seen";
    now += HidrawWatch::NODE_SETTLE_TIME;
    changes->TakeChanged();
    EXPECT_FALSE(changes->TakeChanged()) << "settled, nothing new";

    HidVP41.CloseAll();
    bed.Unplug(4);
    EXPECT_TRUE(changes->TakeChanged());
    EXPECT_FALSE(changes->TakeChanged());
}

// With an event loop waiting on the watch's descriptor, a tick's TakeChanged asks the system
// nothing: a plug shows once the descriptor turned readable and Arrived() took the signal in.
TEST_F(HidrawOverUmockdev, AWatchedDescriptorCarriesTheSignals) {
    HidChanges* changes = platform.Changes();
    ASSERT_NE(changes, nullptr);
    ASSERT_GE(changes->Descriptor(), 0);
    changes->Watched();
    bed.AddReader(4, MakeReader(4, PRODUCT_ID_41));
    EXPECT_FALSE(changes->TakeChanged()) << "the system was asked";
    pollfd signals{changes->Descriptor(), POLLIN, 0};
    ASSERT_EQ(::poll(&signals, 1, 1000), 1);
    changes->Arrived();
    EXPECT_TRUE(changes->TakeChanged());
    EXPECT_EQ(::poll(&signals, 1, 0), 0) << "signals left behind";
}

// A reader plugged in as udev does it: its node for root alone, its timestamps touched, and only
// some hundred milliseconds later its user's access. A search in between meets a reader that is
// not ready: no no-access box (TakeNewlyDenied) and no no-access status (MetDenied), but a reader
// to search for again (MetUnopened); it opens once given access. A reader that no rule gives
// access is refused for lack of permission once its settling time is over: the box once, the
// status from then on.
TEST_F(HidrawOverUmockdev, APlugInInUdevsOrderIsNoLackOfAccessUntilItsNodeSettled) {
    auto now = std::chrono::steady_clock::time_point(std::chrono::hours(1));
    platform.SetClock([&now] { return now; });
    HidChanges* changes = platform.Changes();
    ASSERT_NE(changes, nullptr);
    const auto plugIn = [&] {
        bed.PlugForRootAlone(4);
        changes->Arrived();  // the event loop takes the signals at once
    };
    struct Seen {
        bool found, box, status, again;
        bool operator==(const Seen&) const = default;
    };
    const auto searchAsAUser = [this] {
        const test::WithoutAccessOverride asAUser;
        const bool found = Find();
        return Seen{found, HidVP41.TakeNewlyDenied(), HidVP41.MetDenied(), HidVP41.MetUnopened()};
    };
    const Seen notReady{false, false, false, true};
    bed.AddReader(4, MakeReader(4, PRODUCT_ID_41));
    bed.Unplug(4);

    plugIn();
    EXPECT_EQ(searchAsAUser(), notReady);
    now += std::chrono::milliseconds(400);
    EXPECT_EQ(searchAsAUser(), notReady);
    bed.GiveAccess(4);
    EXPECT_EQ(searchAsAUser(), (Seen{true, false, false, false}));

    HidVP41.CloseAll();
    bed.Unplug(4);
    plugIn();  // where no rule gives access
    now += HidrawWatch::NODE_SETTLE_TIME - std::chrono::milliseconds(1);
    EXPECT_EQ(searchAsAUser(), notReady);
    now += std::chrono::milliseconds(1);
    EXPECT_EQ(searchAsAUser(), (Seen{false, true, true, true}));
    EXPECT_EQ(searchAsAUser(), (Seen{false, false, true, true})) << "the box once per plug-in";
}

}  // namespace
}  // namespace zrt::link
