// Tests of the upgrade procedure against a recording listener and a virtual reader: which image a
// reader is offered and why not, the question, the bytes of every upload command on the wire, the
// events in step with the wire, the closing wait, and every way it stops early.
#include "firmware/upgrade.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "firmware_test_images.hpp"
#include "link/reader_fixture.hpp"
#include "tests/firmware/upgrade_recorder.hpp"

namespace zrt::firmware {
namespace {

using link::test::ReaderFixture;
using sim::Fault;
using sim::FaultKind;
using testing::BlockByte;
using testing::CodeBytesAt;
using testing::TestCatalogue;
using testing::UpgradeEvent;
using testing::UpgradeRecorder;
using enum OfferVerdict;

constexpr std::uint16_t IMAGE_VERSION = 0x0105;

class Upgrade : public ReaderFixture {
  protected:
    // The reader reports `model` and `firmware`, as a load has just read them.
    void Reader(std::uint16_t model, std::uint16_t firmware, std::uint16_t serial = 0x2A) {
        reader.info = zr.info = link::ReaderInfo{model, serial, firmware};
    }
    void Run() { OfferUpgrade(zr, listener, catalogue.View()); }
    std::int32_t RunForError() {
        return ErrorCode([&] { Run(); });
    }
    std::string Commands() const {
        std::string letters;
        for (const sim::Request& request : reader.Log()) {
            letters += static_cast<char>(request.command);
        }
        return letters;
    }

    // The events of a Yes to model 141's image (18 blocks) up to the "sent" event of `lastSent`
    // blocks (-1: before "Z" was taken).
    static std::vector<UpgradeEvent> UploadEvents(int lastSent) {
        std::vector<UpgradeEvent> events = {{"asked", 0, 0, 0, Question("Upgrade ZR-T41")}};
        if (lastSent >= 0) {
            events.push_back({"started", 18, 0, 1, ""});
        }
        for (int i = 0; i <= lastSent; ++i) {
            events.push_back({"sent", i, 18, 1u + static_cast<std::size_t>(i), ""});
        }
        return events;
    }
    static std::string Question(const std::string& title) {
        return title + "|" + std::string(UPGRADE_QUESTION);
    }

    TestCatalogue catalogue{IMAGE_VERSION};
    UpgradeRecorder listener{&reader};
};

// From "Z" to "z" the reader is held: another program trying it at any step of the upload finds it
// taken; after "z" it is free again.
TEST_F(Upgrade, TheReaderIsHeldFromZToz) {
    Reader(151, IMAGE_VERSION - 1);
    const link::HidHandle other = platform.Open(platform.PathOf(0));
    int tries = 0;
    listener.onEvent = [&](const UpgradeEvent& event) {
        if (event.what == "sent") {
            EXPECT_EQ(platform.Lock(other, std::chrono::milliseconds{0}), link::LockResult::Busy);
            ++tries;
        }
    };
    Run();
    EXPECT_EQ(tries, 20);  // 19 blocks
    EXPECT_EQ(Commands().front(), 'Z');
    EXPECT_EQ(Commands().back(), 'z');
    EXPECT_EQ(platform.LockHolder(0), link::INVALID_HID_HANDLE);
    platform.Close(other);
}

struct OfferCase {
    std::uint16_t model;
    std::uint16_t imageVersion;
    std::uint16_t readerFirmware;
    OfferVerdict verdict;  // where test images are not allowed
    const char* title;     // of the model's row; nullptr: none
    bool testImage = false;
};

class Offer : public Upgrade, public ::testing::WithParamInterface<OfferCase> {};

// The verdict where test images are not allowed and where they are (a test image is then offered
// like any other), and the question: asked exactly when this build offers the image, under its
// row's title; nothing is sent without a Yes.
TEST_P(Offer, OnlyAStrictlyNewerImageOfTheReadersModelThatMayBeUploadedIsOffered) {
    const OfferCase c = GetParam();
    TestCatalogue images(c.imageVersion);
    if (c.testImage) {
        std::ranges::copy(TEST_IMAGE_MARK, images.Image(c.model).begin() + 8);
    }
    Reader(c.model, c.readerFirmware);
    for (const bool allowed : {false, true}) {
        const UpgradeOffer offer = OfferFor(zr.info, images.View(), allowed);
        const bool nowAllowed = allowed && c.verdict == TestImageNotAllowed;
        EXPECT_EQ(offer.verdict, nowAllowed ? Offered : c.verdict) << allowed;
        EXPECT_EQ(std::string(offer.row ? offer.row->title : "-"), c.title ? c.title : "-");
    }

    listener.answer = false;
    OfferUpgrade(zr, listener, images.View());
    const bool offered =
        c.verdict == Offered || (c.verdict == TestImageNotAllowed && TestImagesAllowed());
    const std::vector<UpgradeEvent> asked = {{"asked", 0, 0, 0, Question(c.title ? c.title : "")}};
    EXPECT_EQ(listener.events, offered ? asked : std::vector<UpgradeEvent>{});
    EXPECT_TRUE(reader.Log().empty()) << "nothing is sent without a Yes";
}

constexpr const char* T41 = "Upgrade ZR-T41";
constexpr const char* T51 = "Upgrade ZR-T51";

INSTANTIATE_TEST_SUITE_P(
    Versions, Offer,
    ::testing::Values(OfferCase{141, 7, 7, NotNewer, T41}, OfferCase{141, 7, 8, NotNewer, T41},
                      OfferCase{141, 7, 6, Offered, T41}, OfferCase{151, 7, 6, Offered, T51},
                      OfferCase{1175, 7, 6, Offered, T51}, OfferCase{1175, 7, 7, NotNewer, T51},
                      OfferCase{142, 7, 0, NoImage, nullptr}, OfferCase{0, 7, 0, NoImage, nullptr},
                      // 16-bit unsigned: 0x8000 is newer than 0x7FFF, 0xFFFF older than nothing
                      OfferCase{151, 0x8000, 0x7FFF, Offered, T51},
                      OfferCase{151, 0x7FFF, 0x8000, NotNewer, T51},
                      OfferCase{151, 0xFFFF, 0xFFFF, NotNewer, T51},
                      // a test image: newer, and as new as the reader's firmware
                      OfferCase{151, 7, 6, TestImageNotAllowed, T51, true},
                      OfferCase{151, 7, 7, NotNewer, T51, true}));

TEST_F(Upgrade, EighteenBlocksGoOutAsZThenYZeroToSeventeenThenYThenZ) {
    Reader(141, IMAGE_VERSION - 1, 0x0140);
    Run();

    ASSERT_EQ(Commands(), "Z" + std::string(18, 'Y') + "yz");
    const std::vector<std::uint8_t>& image = catalogue.Image(141);
    const auto& log = reader.Log();
    EXPECT_EQ(log[0].data, std::vector<std::uint8_t>(image.begin(), image.begin() + 16));
    for (std::size_t i = 0; i < 18; ++i) {
        const sim::Request& block = log[1 + i];
        ASSERT_EQ(block.report.size(), link::LONG_REPORT_SIZE) << "block " << i;
        ASSERT_EQ(block.data.size(), 522u);
        EXPECT_EQ(block.data[0], i) << "index, low byte first";
        EXPECT_EQ(block.data[1], 0);
        for (std::size_t j = 0; j < 520; ++j) {
            ASSERT_EQ(block.data[2 + j], BlockByte(i, j)) << "block " << i << " byte " << j;
        }
    }
    const auto code = CodeBytesAt(520);  // low byte 0x40: group 1, code 0
    EXPECT_EQ(log[19].data, std::vector<std::uint8_t>(code.begin(), code.end()));
    EXPECT_TRUE(log[20].data.empty());
    EXPECT_TRUE(reader.UploadState().finished);
    EXPECT_EQ(reader.info.firmware, IMAGE_VERSION);
}

TEST_F(Upgrade, TheEventsFollowTheWireThenTheWaitTakesNinetyStepsOf100Ms) {
    Reader(141, IMAGE_VERSION - 1);
    Run();

    // Before block i, and after the last block before the code; the closing wait after "z".
    std::vector<UpgradeEvent> expected = UploadEvents(18);
    expected.push_back({"restarting", 0, 90, 21, ""});
    for (int step = 1; step <= 90; ++step) {
        expected.push_back({"wait", 100, 0, 21, ""});
        expected.push_back({"restarting", step, 90, 21, ""});
    }
    expected.push_back({"finished", 0, 0, 21, ""});

    EXPECT_EQ(listener.events, expected);
}

TEST_F(Upgrade, TheCodeDependsOnlyOnTheSerialsLowByte) {
    std::vector<std::vector<std::uint8_t>> sent;
    for (std::uint16_t serial : {0x0140, 0x7F40, 0x00FF}) {
        reader.ClearLog();
        Reader(1175, IMAGE_VERSION - 1, serial);
        Run();
        ASSERT_EQ(Commands(), "Z" + std::string(20, 'Y') + "yz");
        sent.push_back(reader.Log()[21].data);
    }
    const auto group1 = CodeBytesAt(520);
    const auto last = CodeBytesAt(2064);
    EXPECT_EQ(sent[0], std::vector<std::uint8_t>(group1.begin(), group1.end()));
    EXPECT_EQ(sent[1], sent[0]);
    EXPECT_EQ(sent[2], std::vector<std::uint8_t>(last.begin(), last.end()));
}

TEST_F(Upgrade, AnInconsistentImageIsReportedAndNothingIsSent) {
    for (const auto& [zeroWord, blocks] : {std::pair{1, 19}, std::pair{0, 18}, std::pair{0, 20}}) {
        listener.events.clear();
        std::vector<std::uint8_t>& image = catalogue.Image(151);
        image[6] = static_cast<std::uint8_t>(zeroWord);
        image[4] = static_cast<std::uint8_t>(blocks);
        Reader(151, IMAGE_VERSION - 1);
        Run();
        const std::vector<UpgradeEvent> damaged = {{"asked", 0, 0, 0, Question("Upgrade ZR-T51")},
                                                   {"failed", -1, 0, 0, ""}};  // no link error
        EXPECT_EQ(listener.events, damaged) << zeroWord << " " << blocks;
        EXPECT_TRUE(reader.Log().empty());
    }
}

struct StopCase {
    const char* name;
    Fault fault;
    std::size_t sent;  // requests on the wire, the failing one included
    std::int32_t code;
    int lastSent;  // the last "sent" event's count; -1: the upload never started
};

class Stop : public Upgrade, public ::testing::WithParamInterface<StopCase> {};

TEST_P(Stop, ALinkErrorEndsTheUploadAtTheFailingCommand) {
    const StopCase& c = GetParam();
    reader.AddFault(c.fault);
    Reader(141, IMAGE_VERSION - 1);

    EXPECT_EQ(RunForError(), c.code);

    const std::string all = "Z" + std::string(18, 'Y') + "yz";
    EXPECT_EQ(Commands(), all.substr(0, c.sent)) << "nothing after the failing command";
    std::vector<UpgradeEvent> expected = UploadEvents(c.lastSent);
    expected.push_back({"failed", c.code, 0, c.sent, ""});
    EXPECT_EQ(listener.events, expected) << "no event after the failure";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Stop,
    ::testing::Values(
        StopCase{"BeginRefused", Fault(FaultKind::Ack).On('Z'), 1, link::ERR_UPGRADE, -1},
        StopCase{"BeginUnanswered", Fault(FaultKind::NoReply).On('Z'), 1, link::ERR_HID_DRIVER, -1},
        StopCase{"Block0Refused", Fault(FaultKind::Ack).On('Y').AtBlock(0), 2, link::ERR_UPGRADE,
                 0},
        StopCase{"Block5Refused", Fault(FaultKind::Ack).On('Y').AtBlock(5), 7, link::ERR_UPGRADE,
                 5},
        StopCase{"Block5BadReply", Fault(FaultKind::FlipCrcBit).On('Y').AtBlock(5), 7,
                 link::ERR_BAD_REPLY, 5},
        StopCase{"Block17Refused", Fault(FaultKind::Ack).On('Y').AtBlock(17), 19, link::ERR_UPGRADE,
                 17},
        StopCase{"CodeRefused", Fault(FaultKind::Ack).On('y'), 20, link::ERR_UPGRADE, 18},
        StopCase{"EndRefused", Fault(FaultKind::Ack).On('z'), 21, link::ERR_UPGRADE, 18}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zrt::firmware
