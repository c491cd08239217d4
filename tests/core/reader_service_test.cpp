// The reader service without a current reader: every use case that needs one raises the link
// error of a reader no search filled, and nothing goes to any reader. The no-access message of a
// search: once, and only when no reader was found.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "core/reader_service.hpp"
#include "link/link_error.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::core {
namespace {

class NoHost : public firmware::UpgradeHost {
  public:
    void SetTimerEnabled(bool) override {}
    bool AskYesNo(std::string_view, std::string_view) override { return true; }
    void ShowMessage(std::string_view) override {}
    void ShowProgressWindow() override {}
    void RepaintProgressWindow() override {}
    void HideProgressWindow() override {}
    void SetProgressLabel(std::string_view) override {}
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    void Wait(int) override {}
};

TEST(ReaderServiceTest, UseCasesWithoutACurrentReaderRaiseNotFoundAndSendNothing) {
    sim::VirtualPlatform platform;
    link::HidVPTab hidVP41{platform};
    link::HidVPTab hidVP51{platform};
    ReaderService readers(platform, hidVP41, hidVP51);
    sim::VirtualReader reader({151, 42, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51);
    platform.AddReader(reader);
    ASSERT_TRUE(readers.FindReader(nullptr));
    readers.Forget();
    NoHost host;

    const std::function<void()> useCases[] = {
        [&] { readers.Info(); },
        [&] { readers.CheckReader(); },
        [&] { readers.Load(); },
        [&] { readers.Write(config::ConfigState{}); },
        [&] { readers.OfferUpgrade(host); },
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
    for (auto [reader, openable] : {std::pair{&reader41, GetParam().open41},
                                    std::pair{&reader51, GetParam().open51}}) {
        sim::VirtualPlatform::Options options;
        options.openable = openable;
        options.refusal = link::OpenError::NoAccess;
        platform.AddReader(*reader, options);
    }
    std::size_t messages = 0;
    EXPECT_EQ(readers.FindReader([&](const std::string&) { ++messages; }), GetParam().found);
    EXPECT_EQ(messages, GetParam().messages);
    EXPECT_EQ(readers.OnlyDenied(), !GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Readers, NoAccessMessage,
                         ::testing::Values(DeniedCase{"BothRefused", false, false, false, 1},
                                           DeniedCase{"OneRefusedOneFound", false, true, true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zrt::core
