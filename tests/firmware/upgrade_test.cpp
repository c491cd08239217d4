// Tests of the upgrade procedure against a recording host and a virtual reader: which versions are
// offered, the question, the bytes of every upload command on the wire, the progress window's
// maximum and positions in step with the wire, the closing wait, the poll timer, and every way it
// stops early.
#include "firmware/upgrade.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "firmware_test_images.hpp"
#include "link/reader_fixture.hpp"

namespace zrt::firmware {
namespace {

using link::test::ReaderFixture;
using sim::Fault;
using sim::FaultKind;
using testing::BlockByte;
using testing::CodeBytesAt;
using testing::TestCatalogue;

constexpr std::uint16_t IMAGE_VERSION = 0x0105;

// One call the procedure made on its host, with the number of requests the reader had received by
// then, so that the window's steps can be placed between the commands on the wire.
struct Call {
    std::string what;
    int value = 0;
    std::size_t wire = 0;
    std::string text;
};

class RecordingHost : public UpgradeHost {
  public:
    explicit RecordingHost(const sim::VirtualReader& reader) : reader_(reader) {}

    void SetTimerEnabled(bool enabled) override { Add("timer", enabled ? 1 : 0); }
    bool AskYesNo(std::string_view caption, std::string_view text) override {
        Add("ask", 0, std::string(caption) + "|" + std::string(text));
        return answer;
    }
    void ShowMessage(std::string_view text) override { Add("message", 0, std::string(text)); }
    void ShowProgressWindow() override { Add("show"); }
    void RepaintProgressWindow() override { Add("repaint"); }
    void HideProgressWindow() override { Add("hide"); }
    void SetProgressLabel(std::string_view text) override { Add("label", 0, std::string(text)); }
    void SetProgressMax(int maximum) override { Add("max", maximum); }
    void SetProgressPosition(int position) override {
        Add("pos", position);
        if (onPosition) {
            onPosition();
        }
    }
    void Wait(int milliseconds) override { Add("wait", milliseconds); }

    // The calls named `what`, in order.
    std::vector<Call> Only(const std::string& what) const {
        std::vector<Call> found;
        for (const Call& call : calls) {
            if (call.what == what) {
                found.push_back(call);
            }
        }
        return found;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Call& call : calls) {
            names.push_back(call.what);
        }
        return names;
    }

    bool answer = true;
    std::vector<Call> calls;
    std::function<void()> onPosition;

  private:
    void Add(const std::string& what, int value = 0, std::string text = {}) {
        calls.push_back({what, value, reader_.Log().size(), std::move(text)});
    }
    const sim::VirtualReader& reader_;
};

class Upgrade : public ReaderFixture {
  protected:
    // The reader reports `model` and `firmware`, as a load has just read them.
    void Reader(std::uint16_t model, std::uint16_t firmware, std::uint16_t serial = 0x2A) {
        reader.info = zr.info = link::ReaderInfo{model, serial, firmware};
    }
    void Run() { OfferUpgrade(zr, host, catalogue.View()); }
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

    TestCatalogue catalogue{IMAGE_VERSION};
    RecordingHost host{reader};
};

// From "Z" to "z" the reader is held: another program trying it at any step of the upload finds it
// taken; after "z" it is free again.
TEST_F(Upgrade, TheReaderIsHeldFromZToz) {
    Reader(151, IMAGE_VERSION - 1);
    const link::HidHandle other = platform.Open(platform.PathOf(0));
    int tries = 0;
    host.onPosition = [&] {
        if (Commands().find('z') == std::string::npos) {
            EXPECT_EQ(platform.Lock(other, std::chrono::milliseconds{0}), link::LockResult::Busy);
            ++tries;
        }
    };
    Run();
    EXPECT_GE(tries, 2);
    EXPECT_EQ(Commands().front(), 'Z');
    EXPECT_EQ(Commands().back(), 'z');
    EXPECT_EQ(platform.LockHolder(0), link::INVALID_HID_HANDLE);
    platform.Close(other);
}

struct OfferCase {
    std::uint16_t model;
    std::uint16_t imageVersion;
    std::uint16_t readerFirmware;
    const char* title;  // nullptr: not offered
};

class Offer : public Upgrade, public ::testing::WithParamInterface<OfferCase> {};

TEST_P(Offer, OnlyAStrictlyNewerImageOfTheReadersModelIsOffered) {
    const OfferCase c = GetParam();
    TestCatalogue images(c.imageVersion);
    Reader(c.model, c.readerFirmware);
    host.answer = false;
    OfferUpgrade(zr, host, images.View());

    if (c.title == nullptr) {
        EXPECT_TRUE(host.calls.empty()) << "no question, and the timer is never touched";
    } else {
        EXPECT_EQ(host.Names(), (std::vector<std::string>{"timer", "ask", "timer"}));
        EXPECT_EQ(host.calls[0].value, 0);
        EXPECT_EQ(host.calls[1].text, std::string(c.title) + "|" + std::string(UPGRADE_QUESTION));
        EXPECT_EQ(host.calls[2].value, 1);
    }
    EXPECT_TRUE(reader.Log().empty()) << "nothing is sent without a Yes";
}

INSTANTIATE_TEST_SUITE_P(
    Versions, Offer,
    ::testing::Values(OfferCase{141, 7, 7, nullptr}, OfferCase{141, 7, 8, nullptr},
                      OfferCase{141, 7, 6, "Upgrade ZR-T41"},
                      OfferCase{151, 7, 6, "Upgrade ZR-T51"},
                      OfferCase{1175, 7, 6, "Upgrade ZR-T51"}, OfferCase{1175, 7, 7, nullptr},
                      OfferCase{142, 7, 0, nullptr}, OfferCase{0, 7, 0, nullptr},
                      // 16-bit unsigned: 0x8000 is newer than 0x7FFF, 0xFFFF older than nothing
                      OfferCase{151, 0x8000, 0x7FFF, "Upgrade ZR-T51"},
                      OfferCase{151, 0x7FFF, 0x8000, nullptr},
                      OfferCase{151, 0xFFFF, 0xFFFF, nullptr}));

// An image marked as a test image is offered only by a build made for test images; every other
// build treats it as not newer (nothing asked, nothing sent).
TEST_F(Upgrade, ATestImageIsOfferedOnlyByABuildForTestImages) {
    std::vector<std::uint8_t>& image = catalogue.Image(151);
    std::copy(TEST_IMAGE_MARK.begin(), TEST_IMAGE_MARK.end(), image.begin() + 8);
    Reader(151, IMAGE_VERSION - 1);
    host.answer = false;
    Run();
    EXPECT_EQ(!host.Only("ask").empty(), TestImagesAllowed());
    EXPECT_TRUE(reader.Log().empty());
}

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

TEST_F(Upgrade, TheProgressWindowFollowsTheWireThenWaitsNinetyStepsThenHides) {
    Reader(141, IMAGE_VERSION - 1);
    Run();

    std::vector<Call> expected = {
        {"timer", 0, 0, ""},  {"ask", 0, 0, ""}, {"label", 0, 1, std::string(UPGRADE_LABEL)},
        {"max", 180, 1, ""},  {"pos", 0, 1, ""}, {"show", 0, 1, ""},
        {"repaint", 0, 1, ""}};
    for (int i = 0; i < 18; ++i) {
        expected.push_back({"pos", i, 1u + static_cast<std::size_t>(i), ""});  // before block i
    }
    expected.push_back({"pos", 18, 19, ""});  // after the last block, before the code
    expected.push_back({"max", 100, 21, ""});
    for (int p = 11; p <= 100; ++p) {
        expected.push_back({"wait", 100, 21, ""});
        expected.push_back({"pos", p, 21, ""});
    }
    expected.push_back({"hide", 0, 21, ""});
    expected.push_back({"timer", 1, 21, ""});

    ASSERT_EQ(host.calls.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const Call& got = host.calls[k];
        EXPECT_EQ(got.what, expected[k].what) << "call " << k;
        EXPECT_EQ(got.value, expected[k].value) << "call " << k << " " << got.what;
        EXPECT_EQ(got.wire, expected[k].wire) << "call " << k << " " << got.what;
        if (!expected[k].text.empty()) {
            EXPECT_EQ(got.text, expected[k].text);
        }
    }
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
        host.calls.clear();
        std::vector<std::uint8_t>& image = catalogue.Image(151);
        image[6] = static_cast<std::uint8_t>(zeroWord);
        image[4] = static_cast<std::uint8_t>(blocks);
        Reader(151, IMAGE_VERSION - 1);
        Run();
        EXPECT_EQ(host.Names(), (std::vector<std::string>{"timer", "ask", "message", "timer"}))
            << zeroWord << " " << blocks;
        EXPECT_EQ(host.Only("message").at(0).text, "Błąd pliku upgrade.");
        EXPECT_EQ(host.calls.back().value, 1);
        EXPECT_TRUE(reader.Log().empty());
    }
}

struct StopCase {
    const char* name;
    Fault fault;
    std::size_t sent;  // requests on the wire, the failing one included
    std::int32_t code;
    int lastPosition;  // -1: the progress window was never prepared
};

class Stop : public Upgrade, public ::testing::WithParamInterface<StopCase> {};

TEST_P(Stop, ALinkErrorEndsTheUploadAtTheFailingCommand) {
    const StopCase& c = GetParam();
    reader.AddFault(c.fault);
    Reader(141, IMAGE_VERSION - 1);

    EXPECT_EQ(RunForError(), c.code);

    const std::string all = "Z" + std::string(18, 'Y') + "yz";
    EXPECT_EQ(Commands(), all.substr(0, c.sent)) << "nothing after the failing command";
    EXPECT_TRUE(host.Only("wait").empty());
    EXPECT_TRUE(host.Only("hide").empty());
    const std::vector<Call> timer = host.Only("timer");
    ASSERT_EQ(timer.size(), 1u) << "stopped and left stopped for the caller";
    EXPECT_EQ(timer[0].value, 0);
    if (c.lastPosition < 0) {
        EXPECT_TRUE(host.Only("show").empty());
        EXPECT_TRUE(host.Only("label").empty());
        EXPECT_TRUE(host.Only("pos").empty());
    } else {
        EXPECT_EQ(host.Only("show").size(), 1u);
        EXPECT_EQ(host.Only("pos").back().value, c.lastPosition);
        EXPECT_EQ(host.Only("max").back().value, 180);
    }
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
