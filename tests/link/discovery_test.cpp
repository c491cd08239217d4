// Tests of reader discovery: the reader lists (HidVPTab) and the search of the main window
// (FindReader), on a virtual platform with virtual readers and foreign HID interfaces.
#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/find_reader.hpp"
#include "link/hid_vp_tab.hpp"
#include "link/zrhid.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::link {
namespace {

using sim::VirtualPlatform;
using sim::VirtualReader;
using InterfaceId = VirtualPlatform::InterfaceId;

const HidIds KEYBOARD{0x046D, 0xC31C};
const HidIds OTHER_PRODUCT_OF_THE_VENDOR{VENDOR_ID, 0x42};

class Discovery : public ::testing::Test {
  protected:
    // A reader of the given product identifier whose serial number tells it apart.
    VirtualReader& NewReader(std::uint16_t productId, std::uint16_t serial) {
        return readers.emplace_back(ReaderInfo{151, serial, 9}, std::array<std::uint8_t, 16>{},
                                    productId);
    }
    InterfaceId AddReader(std::uint16_t productId, std::uint16_t serial,
                          VirtualPlatform::Options options = {}) {
        return platform.AddReader(NewReader(productId, serial), options);
    }
    bool Find() {
        return FindReader({HidVP41, HidVP51, Reader41, Reader51, CurrentReader},
                          [this](const ZrHIDErr& error) { messages.push_back(error.code); });
    }
    // The serial number of the reader behind a handle, asked over the wire.
    std::uint16_t SerialBehind(HidHandle handle) {
        ZrHID zr(platform, 0);
        zr.handle = handle;
        zr.ReadInfo();
        return zr.info.serial;
    }

    std::deque<VirtualReader> readers;  // stable addresses
    VirtualPlatform platform;
    // Declared in this order, destroyed HidVP51 first, as at program exit.
    HidVPTab HidVP41{platform};
    HidVPTab HidVP51{platform};
    ZrHID Reader41{platform, PRODUCT_ID_41};
    ZrHID Reader51{platform, PRODUCT_ID_51};
    ZrHID* CurrentReader = &Reader51;    // FindReader must reset it
    std::vector<std::int32_t> messages;  // the link errors' codes
};

TEST_F(Discovery, NoReaderSearchesBothListsSilently) {
    platform.AddForeign(KEYBOARD, {.openable = true, .hinted = false});
    EXPECT_FALSE(Find());
    EXPECT_EQ(CurrentReader, nullptr);
    EXPECT_EQ(platform.ListCalls(), 2);
    EXPECT_EQ(platform.OpenCount(0), 2);  // unhinted: opened and identified by each search
    EXPECT_EQ(HidVP41.Count(), 0u);
    EXPECT_EQ(HidVP51.Count(), 0u);
    EXPECT_EQ(platform.OpenHandleCount(), 0u);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Reader41.handle, INVALID_HID_HANDLE);
}

TEST_F(Discovery, TwoReadersOf65AreKeptAndTheFirstIsUsed) {
    platform.AddForeign(KEYBOARD);
    const InterfaceId first = AddReader(PRODUCT_ID_41, 1001);
    const InterfaceId second = AddReader(PRODUCT_ID_41, 1002);
    ASSERT_TRUE(Find());
    EXPECT_EQ(CurrentReader, &Reader41);
    EXPECT_EQ(HidVP41.Count(), 2u);
    EXPECT_EQ(Reader41.handle, HidVP41.Handle(0));
    EXPECT_EQ(platform.InterfaceOf(HidVP41.Handle(0)), first);
    EXPECT_EQ(platform.InterfaceOf(HidVP41.Handle(1)), second);
    EXPECT_EQ(platform.OpenHandleCount(), 2u);
    Reader41.ReadInfo();
    EXPECT_EQ(Reader41.info.serial, 1001);
}

TEST_F(Discovery, ReaderOf65WinsAndTheOtherListIsNotSearched) {
    const InterfaceId of51 = AddReader(PRODUCT_ID_51, 5101);
    AddReader(PRODUCT_ID_41, 4101);
    ASSERT_TRUE(Find());
    EXPECT_EQ(CurrentReader, &Reader41);
    EXPECT_EQ(platform.ListCalls(), 1);
    EXPECT_EQ(platform.OpenCount(of51), 0);
    EXPECT_EQ(HidVP51.Count(), 0u);
    EXPECT_EQ(Reader51.handle, INVALID_HID_HANDLE);
    EXPECT_EQ(SerialBehind(Reader41.handle), 4101);
}

TEST_F(Discovery, ReaderOf81IsFoundWhenNoneOf65) {
    AddReader(PRODUCT_ID_51, 5101);
    Reader51.info = ReaderInfo{1, 2, 3};
    ASSERT_TRUE(Find());
    EXPECT_EQ(Reader51.info.serial, 2);  // only the handle is given; "M" refreshes the rest
    EXPECT_EQ(CurrentReader, &Reader51);
    EXPECT_EQ(Reader51.handle, HidVP51.Handle(0));
    EXPECT_EQ(Reader41.handle, INVALID_HID_HANDLE);
    EXPECT_EQ(SerialBehind(Reader51.handle), 5101);
}

TEST_F(Discovery, MoreThanEightReadersKeepTheFirstEightAndEndTheSearch) {
    std::vector<InterfaceId> ids;
    for (std::uint16_t i = 0; i < 10; ++i) {
        ids.push_back(AddReader(PRODUCT_ID_41, 100 + i, {.openable = true, .hinted = false}));
    }
    const InterfaceId after = platform.AddForeign(KEYBOARD, {.openable = true, .hinted = false});
    EXPECT_EQ(HidVP41.Enumerate(VENDOR_ID, PRODUCT_ID_41), 8u);
    for (std::uint32_t slot = 0; slot < 8; ++slot) {
        EXPECT_EQ(platform.InterfaceOf(HidVP41.Handle(slot)), ids[slot]);
    }
    EXPECT_EQ(platform.OpenCount(ids[8]), 0);
    EXPECT_EQ(platform.OpenCount(ids[9]), 0);
    EXPECT_EQ(platform.OpenCount(after), 0);
    EXPECT_EQ(platform.OpenHandleCount(), 8u);
}

TEST_F(Discovery, OnlyInterfaceIndicesBelow64AreExamined) {
    for (int i = 0; i < 63; ++i) {
        platform.AddForeign(KEYBOARD, {.openable = true, .hinted = false});
    }
    const InterfaceId at63 = AddReader(PRODUCT_ID_51, 63);
    const InterfaceId at64 = AddReader(PRODUCT_ID_51, 64);
    EXPECT_EQ(HidVP51.Enumerate(VENDOR_ID, PRODUCT_ID_51), 1u);
    EXPECT_EQ(platform.InterfaceOf(HidVP51.Handle(0)), at63);
    EXPECT_EQ(platform.OpenCount(at64), 0);

    platform.Unplug(at63);  // now the reader at 64 is the 64th listed, index 63
    EXPECT_EQ(HidVP51.Enumerate(VENDOR_ID, PRODUCT_ID_51), 1u);
    EXPECT_EQ(platform.InterfaceOf(HidVP51.Handle(0)), at64);
}

// An index whose query failed is one of the 64, and nothing is opened for it.
TEST_F(Discovery, AnIndexWhoseQueryFailedStillCounts) {
    const InterfaceId failed =
        platform.AddForeign(KEYBOARD, {.openable = true, .hinted = false, .queryFails = true});
    for (int i = 1; i < 64; ++i) {
        platform.AddForeign(KEYBOARD, {.openable = true, .hinted = false});
    }
    const InterfaceId at64 = AddReader(PRODUCT_ID_51, 64);
    EXPECT_EQ(HidVP51.Enumerate(VENDOR_ID, PRODUCT_ID_51), 0u);
    EXPECT_EQ(platform.OpenCount(at64), 0);
    EXPECT_EQ(platform.OpenCount(failed), 0);
}

TEST_F(Discovery, UnopenableReaderIsSkippedSilently) {
    const InterfaceId held = AddReader(PRODUCT_ID_41, 1, {.openable = false, .hinted = true});
    const InterfaceId free = AddReader(PRODUCT_ID_41, 2);
    ASSERT_TRUE(Find());
    EXPECT_EQ(platform.OpenCount(held), 1);
    EXPECT_EQ(HidVP41.Count(), 1u);
    EXPECT_EQ(platform.InterfaceOf(Reader41.handle), free);
    EXPECT_TRUE(messages.empty());
}

// A reader by its hint that the search could not open, or whose identifiers it could not read once
// open (a device just arrived), may open later: the list says it met one, and holds nothing of
// it. One that the system keeps for itself, or an interface without a hint, is no such reader.
struct UnopenedCase {
    const char* name;
    VirtualPlatform::Options options;
    bool met;
};

class UnopenedReader : public Discovery, public ::testing::WithParamInterface<UnopenedCase> {};

TEST_P(UnopenedReader, IsMetOnlyWhenItMayOpenLater) {
    const InterfaceId reader = AddReader(PRODUCT_ID_41, 1, GetParam().options);
    EXPECT_EQ(HidVP41.Enumerate(VENDOR_ID, PRODUCT_ID_41), 0u);
    EXPECT_EQ(HidVP41.MetUnopened(), GetParam().met);
    EXPECT_EQ(platform.OpenCount(reader), 1);
    EXPECT_EQ(platform.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, UnopenedReader,
    ::testing::Values(
        UnopenedCase{"HeldByAnotherProgram", {.openable = false}, true},
        UnopenedCase{"RefusedForLackOfPermission",
                     {.openable = false, .refusal = OpenError::NoAccess},
                     true},
        UnopenedCase{"NotReady", {.openable = false, .refusal = OpenError::NotReady}, true},
        UnopenedCase{
            "KeptByTheSystem", {.openable = false, .refusal = OpenError::SystemHeld}, false},
        UnopenedCase{"UnidentifiedJustAfterArriving", {.identifiable = false}, true},
        UnopenedCase{"UnidentifiedWithoutAHint", {.hinted = false, .identifiable = false}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Discovery, ForeignInterfacesWithHintsAreNeverOpened) {
    platform.AddForeign(KEYBOARD);
    platform.AddForeign(OTHER_PRODUCT_OF_THE_VENDOR);
    const InterfaceId reader = AddReader(PRODUCT_ID_41, 1);
    platform.AddForeign(KEYBOARD);
    EXPECT_TRUE(Find());
    platform.Unplug(reader);
    EXPECT_FALSE(Find());  // both lists searched
    EXPECT_EQ(platform.ListCalls(), 3);
    EXPECT_EQ(platform.ForeignOpenCount(), 0);
}

TEST_F(Discovery, ForeignInterfacesWithoutHintsAreIdentifiedAndClosed) {
    const InterfaceId keyboard = platform.AddForeign(KEYBOARD, {.openable = true, .hinted = false});
    const InterfaceId sibling =
        platform.AddForeign(OTHER_PRODUCT_OF_THE_VENDOR, {.openable = true, .hinted = false});
    const InterfaceId reader = AddReader(PRODUCT_ID_41, 1, {.openable = true, .hinted = false});
    EXPECT_EQ(HidVP41.Enumerate(VENDOR_ID, PRODUCT_ID_41), 1u);
    EXPECT_EQ(platform.OpenCount(keyboard), 1);
    EXPECT_EQ(platform.OpenCount(sibling), 1);
    EXPECT_EQ(platform.OpenHandleCount(), 1u);
    EXPECT_EQ(platform.InterfaceOf(HidVP41.Handle(0)), reader);
    EXPECT_EQ(platform.ClosedInterfaces(), (std::vector<InterfaceId>{keyboard, sibling}));
}

TEST_F(Discovery, SearchingAgainClosesTheLentHandle) {
    AddReader(PRODUCT_ID_41, 7);
    ASSERT_TRUE(Find());
    const HidHandle lent = Reader41.handle;
    ASSERT_TRUE(Find());
    EXPECT_FALSE(platform.IsOpen(lent));
    EXPECT_NE(Reader41.handle, lent);
    EXPECT_TRUE(platform.IsOpen(Reader41.handle));
    EXPECT_EQ(platform.Closed(), (std::vector<HidHandle>{lent}));

    // Between the close and a new handle, a reader object still holding the old one fails.
    HidVP41.CloseAll();
    EXPECT_THROW(Reader41.ReadInfo(), ZrHIDErr);
    EXPECT_EQ(platform.BadCloses(), 0);
}

TEST_F(Discovery, FailedInterfaceListGivesCountZeroAfterClosingTheOldHandles) {
    AddReader(PRODUCT_ID_51, 1);
    ASSERT_EQ(HidVP51.Enumerate(VENDOR_ID, PRODUCT_ID_51), 1u);
    platform.listFails = true;
    EXPECT_EQ(HidVP51.Enumerate(VENDOR_ID, PRODUCT_ID_51), 0u);
    EXPECT_EQ(HidVP51.Count(), 0u);
    EXPECT_EQ(platform.OpenHandleCount(), 0u);
    EXPECT_FALSE(Find());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Discovery, HandleOutsideTheCountRaisesProgramError) {
    AddReader(PRODUCT_ID_41, 1);
    for (const std::uint32_t index : {0u, 8u, 0xFFFFFFFFu}) {
        try {
            HidVP41.Handle(index);
            ADD_FAILURE() << "no error for index " << index;
        } catch (const ZrHIDErr& error) {
            EXPECT_EQ(error.code, ERR_PROGRAM);
        }
    }
    ASSERT_EQ(HidVP41.Enumerate(VENDOR_ID, PRODUCT_ID_41), 1u);
    EXPECT_NO_THROW(HidVP41.Handle(0));
    EXPECT_THROW(HidVP41.Handle(1), ZrHIDErr);
}

TEST_F(Discovery, UnpluggedReaderStaysInTheListAndFailsItsFirstCommand) {
    const InterfaceId id = AddReader(PRODUCT_ID_41, 1);
    ASSERT_TRUE(Find());
    platform.Unplug(id);
    try {
        Reader41.ReadInfo();
        ADD_FAILURE() << "no error";
    } catch (const ZrHIDErr& error) {
        EXPECT_EQ(error.code, ERR_HID_DRIVER);
    }
    EXPECT_EQ(HidVP41.Count(), 1u);
    EXPECT_FALSE(Find());
    EXPECT_EQ(platform.OpenHandleCount(), 0u);
}

TEST(DiscoveryExit, HandlesOf81AreClosedBefore65WhenTheListsGo) {
    VirtualReader of41(ReaderInfo{141, 1, 1}, {}, PRODUCT_ID_41);
    VirtualReader of51(ReaderInfo{151, 2, 2}, {}, PRODUCT_ID_51);
    VirtualPlatform platform;
    const InterfaceId a41 = platform.AddReader(of41);
    const InterfaceId a51 = platform.AddReader(of51);
    const InterfaceId b51 = platform.AddReader(of51);
    {
        HidVPTab HidVP41(platform);
        HidVPTab HidVP51(platform);
        ZrHID Reader41(platform, PRODUCT_ID_41);
        ZrHID Reader51(platform, PRODUCT_ID_51);
        ZrHID* CurrentReader = nullptr;
        const ReaderSearch search{HidVP41, HidVP51, Reader41, Reader51, CurrentReader};
        const auto noMessage = [](const ZrHIDErr& error) { ADD_FAILURE() << error.code; };

        platform.Unplug(a41);  // only the readers of 81 are there for the first search
        ASSERT_TRUE(FindReader(search, noMessage));
        EXPECT_EQ(CurrentReader, &Reader51);
        platform.Plug(a41);  // now 65 wins; the handles of HidVP51 stay open
        ASSERT_TRUE(FindReader(search, noMessage));
        EXPECT_EQ(CurrentReader, &Reader41);
        EXPECT_EQ(platform.OpenHandleCount(), 3u);
        EXPECT_TRUE(platform.Closed().empty());
    }
    EXPECT_EQ(platform.ClosedInterfaces(), (std::vector<InterfaceId>{a51, b51, a41}));
    EXPECT_EQ(platform.OpenHandleCount(), 0u);
    EXPECT_EQ(platform.BadCloses(), 0);
}

// A platform whose listing raises, to reach FindReader's handling of errors from a search.
class RaisingPlatform : public VirtualPlatform {
  public:
    bool ListInterfaces(std::vector<HidInterface>&) override {
        if (raiseLinkError) {
            throw ZrHIDErr{ERR_HID_DRIVER};
        }
        throw std::runtime_error("not a link error");
    }
    bool raiseLinkError = true;
};

TEST(DiscoveryErrors, LinkErrorIsShownAndOtherErrorsPassThrough) {
    RaisingPlatform platform;
    HidVPTab HidVP41(platform), HidVP51(platform);
    ZrHID Reader41(platform, PRODUCT_ID_41), Reader51(platform, PRODUCT_ID_51);
    ZrHID* CurrentReader = &Reader41;
    std::vector<std::int32_t> messages;  // the link errors' codes
    const ReaderSearch search{HidVP41, HidVP51, Reader41, Reader51, CurrentReader};
    const auto show = [&](const ZrHIDErr& error) { messages.push_back(error.code); };

    EXPECT_FALSE(FindReader(search, show));
    EXPECT_EQ(CurrentReader, nullptr);
    EXPECT_EQ(messages, (std::vector<std::int32_t>{ERR_HID_DRIVER}));

    platform.raiseLinkError = false;
    CurrentReader = &Reader41;
    EXPECT_THROW(FindReader(search, show), std::runtime_error);
    EXPECT_EQ(CurrentReader, nullptr);
    EXPECT_EQ(messages.size(), 1u);
}

// A reader the system names by its hint but refuses to this user is reported once per plug-in;
// a reader held by another program, or someone else's refused device, is not.
TEST_F(Discovery, AReaderRefusedForLackOfPermissionIsReportedOncePerPlugIn) {
    VirtualPlatform::Options denied;
    denied.openable = false;
    denied.refusal = OpenError::NoAccess;
    const InterfaceId reader = AddReader(PRODUCT_ID_41, 1, denied);
    VirtualPlatform::Options inUse;
    inUse.openable = false;
    AddReader(PRODUCT_ID_41, 2, inUse);
    platform.AddForeign({0x046D, 0xC52B}, denied);

    const auto search = [&] {
        HidVP41.Enumerate(VENDOR_ID, PRODUCT_ID_41);
        return HidVP41.TakeNewlyDenied();
    };
    EXPECT_TRUE(search());
    EXPECT_FALSE(search()) << "the same plug-in";
    platform.Unplug(reader);
    EXPECT_FALSE(search());
    platform.Plug(reader);
    EXPECT_TRUE(search()) << "plugged in again";
    EXPECT_EQ(HidVP41.Count(), 0u) << "the lists stay as they were";
}

}  // namespace
}  // namespace zrt::link
