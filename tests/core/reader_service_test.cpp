// The reader service without a current reader: every use case that needs one raises the link
// error of a reader no search filled, and nothing goes to any reader. The no-access message of a
// search: once, and only when no reader was found.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "core/reader_service.hpp"
#include "link/link_error.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"
#include "tests/firmware/upgrade_recorder.hpp"

namespace zrt::core {
namespace {

TEST(ReaderServiceTest, UseCasesWithoutACurrentReaderRaiseNotFoundAndSendNothing) {
    sim::VirtualPlatform platform;
    link::HidVPTab hidVP41{platform};
    link::HidVPTab hidVP51{platform};
    ReaderService readers(platform, hidVP41, hidVP51);
    sim::VirtualReader reader({151, 42, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51);
    platform.AddReader(reader);
    ASSERT_TRUE(readers.FindReader(nullptr));
    readers.Forget();
    firmware::testing::UpgradeRecorder listener;

    const std::function<void()> useCases[] = {
        [&] { readers.Info(); },
        [&] { readers.CheckReader(); },
        [&] { readers.Load(); },
        [&] { readers.Write(config::ConfigState{}); },
        [&] { readers.OfferUpgrade(listener); },
    };
    for (std::size_t i = 0; i < std::size(useCases); ++i) {
        try {
            useCases[i]();
            ADD_FAILURE() << "use case " << i << " raised nothing";
        } catch (const link::ZrHIDErr& error) {
            EXPECT_EQ(error.code, link::ERR_NOT_FOUND) << "use case " << i;
        }
    }
    EXPECT_TRUE(reader.Log().empty());
    EXPECT_TRUE(listener.events.empty());
}

struct DeniedCase {
    const char* name;
    bool open41;  // the reader of product identifier 65 may be opened
    bool open51;
    bool found;
    std::size_t messages;
};

class NoAccessMessage : public ::testing::TestWithParam<DeniedCase> {};

TEST_P(NoAccessMessage, ComesOnceAndOnlyWhenNoReaderWasFound) {
    sim::VirtualPlatform platform;
    link::HidVPTab hidVP41{platform};
    link::HidVPTab hidVP51{platform};
    ReaderService readers(platform, hidVP41, hidVP51);
    sim::VirtualReader reader41({141, 1, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_41);
    sim::VirtualReader reader51({151, 2, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51);
    for (auto [reader, openable] :
         {std::pair{&reader41, GetParam().open41}, std::pair{&reader51, GetParam().open51}}) {
        sim::VirtualPlatform::Options options;
        options.openable = openable;
        options.refusal = link::OpenError::NoAccess;
        platform.AddReader(*reader, options);
    }
    std::size_t messages = 0;
    EXPECT_EQ(readers.FindReader([&](const SearchNotice& notice) {
        EXPECT_EQ(notice.kind, SearchNotice::Kind::NoAccess);
        ++messages;
    }),
              GetParam().found);
    EXPECT_EQ(messages, GetParam().messages);
    EXPECT_EQ(readers.OnlyDenied(), !GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Readers, NoAccessMessage,
                         ::testing::Values(DeniedCase{"BothRefused", false, false, false, 1},
                                           DeniedCase{"OneRefusedOneFound", false, true, true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// The write holds the reader's lock from "C" to its read-back (one Lock call for both), and its
// verdict is the settings: a reader that keeps its own values in the bytes nobody reads (1 to 3,
// 7) has stored the settings.
TEST(WriteReaderTest, HoldsOneLockAndJudgesTheSettingsNotTheBytes) {
    sim::VirtualPlatform platform;
    sim::VirtualReader reader({1175, 42, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_41);
    platform.AddReader(reader);
    link::ZrHID zrhid(platform, link::PRODUCT_ID_41);
    zrhid.handle = platform.Open(platform.PathOf(0));
    LoadReader(zrhid);
    config::ConfigState settings;
    settings.mifare = true;
    config::ReaderConfig kept = config::RecordFromState(settings);
    kept[1] = 0x11, kept[2] = 0x22, kept[3] = 0x33, kept[7] = 0x44;
    reader.AddFault(sim::Fault(sim::FaultKind::ReplaceData)
                        .On(link::CMD_READ_CONFIG)
                        .WithData(std::vector<std::uint8_t>(kept.begin(), kept.end())));
    reader.ClearLog();
    const std::size_t locksBefore = platform.LockWaits().size();

    const WriteOutcome outcome = WriteReader(zrhid, settings);
    EXPECT_EQ(platform.LockWaits().size() - locksBefore, 1u);
    ASSERT_EQ(reader.Log().size(), 2u);
    EXPECT_EQ(reader.Log()[0].command, link::CMD_WRITE_CONFIG);
    EXPECT_EQ(reader.Log()[1].command, link::CMD_READ_CONFIG);
    EXPECT_EQ(outcome.readBack, kept);
    EXPECT_TRUE(outcome.stored);
    platform.Close(zrhid.handle);
}

}  // namespace
}  // namespace zrt::core
