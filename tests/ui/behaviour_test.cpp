// The main window's behaviour with virtual readers, on the plain control set: the state table
// (activation, tick, write in both states, with loads that fail in "M" and in "c"), the
// presentation of both states and the status texts, the focus after each action, and the write
// with its read-back and its animation. The bytes on the wire come from the virtual readers' logs.
#include "link/crc.hpp"
#include "link/link_error.hpp"
#include "window_fixture.hpp"

namespace zrt::ui::test {
namespace {

// The message box text of a link error in the Polish window.
std::string PolishLinkError(std::int32_t code) {
    return std::string(texts::Words(texts::LinkErrorKey(code), texts::Language::Polish));
}

using sim::Fault;
using sim::FaultKind;

const std::string NOT_CONNECTED = "       Czytnik nie podłączony";

// The setting controls that the presentation enables and disables, besides the row controls.
const std::vector<std::string> STATE_CONTROLS = {"WrBtn",   "DecGrp",    "SizeGrp", "InvChkBx",
                                                 "S0ChkBx", "S1ChkBx",   "S2ChkBx", "S3ChkBx",
                                                 "S4ChkBx", "EnterChkBx"};

class States : public Behaviour {
  protected:
    void SetUp() override { ShowActive(); }

    int Key(int row) { return List("S" + std::to_string(row) + "Cb").ItemIndex(); }
    // Moves the focus somewhere other than RapWin, so that a move back can be seen.
    void FocusElsewhere() {
        Ctl("EnterChkBx").SetEnabled(true);
        Ctl("EnterChkBx").SetFocus();
        ASSERT_EQ(Focused(), C("EnterChkBx"));
    }

    void ExpectConnected() {
        EXPECT_NE(readers.CurrentReader, nullptr);
        for (const std::string& name : STATE_CONTROLS) {
            EXPECT_TRUE(Enabled(name)) << name;
        }
    }
    void ExpectNotConnected() {
        EXPECT_EQ(readers.CurrentReader, nullptr);
        EXPECT_EQ(Status(), NOT_CONNECTED);
        for (const std::string& name : STATE_CONTROLS) {
            EXPECT_FALSE(Enabled(name)) << name;
        }
        for (int row = 0; row < 5; ++row) {
            EXPECT_FALSE(Enabled("S" + std::to_string(row) + "Cb")) << row;
            EXPECT_FALSE(Enabled("Left" + std::to_string(row) + "Lbl")) << row;
        }
        EXPECT_TRUE(Hidden("KartTypeGrp"));
    }
    // The controls show RECORD: Dec (whole number), Enter, Mifare, S0 TAB, S3 F1 + left Shift.
    void ExpectRecordShown() {
        EXPECT_EQ(List("DecGrp").ItemIndex(), 1);
        EXPECT_TRUE(Checked("EnterChkBx"));
        EXPECT_TRUE(Checked("MifareChkBx"));
        EXPECT_FALSE(Checked("IcodeChkBx"));
        EXPECT_TRUE(Checked("S0ChkBx"));
        EXPECT_EQ(Key(0), 1);
        EXPECT_FALSE(Checked("S1ChkBx"));
        EXPECT_TRUE(Checked("S3ChkBx"));
        EXPECT_EQ(Key(3), 38);
        EXPECT_TRUE(Checked("S3ChkBx_02"));
    }
};

// --- Activation -------------------------------------------------------------------------------

TEST_F(States, ActivationWithoutAReaderShowsNotConnectedSilentlyAndLeavesTheFocus) {
    EXPECT_EQ(Focused(), C("RapWin")) << "the first control of the tab order";
    FocusElsewhere();
    Activate();
    ExpectNotConnected();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(platform.ListCalls(), 2) << "both product identifiers searched";
    EXPECT_EQ(Focused(), C("EnterChkBx")) << "no reader found: the focus is not moved";
    EXPECT_EQ(win.StatusText, "") << "the not-connected text does not touch StatusText";
}

// A reader this user may not open is no silent "not connected": the box says what to do, once
// for as long as it stays plugged in, while the window searches on; the status line says so until
// no such reader is left.
TEST_F(States, AReaderRefusedForLackOfPermissionIsSaidOnce) {
    sim::VirtualPlatform::Options denied;
    denied.openable = false;
    denied.refusal = link::OpenError::NoAccess;
    const auto id = platform.AddReader(reader51, denied);
    Activate();
    Tick();
    Tick();
    EXPECT_EQ(readers.CurrentReader, nullptr);
    EXPECT_FALSE(Enabled("WrBtn"));
    EXPECT_EQ(Status(), "Brak dostępu do czytnika");
    EXPECT_EQ(boxes.messages, std::vector<std::string>{
                                  "Brak dostępu do czytnika. Zainstaluj pakiet zrt-vivoraz lub "
                                  "regułę udev (zob. README), a następnie podłącz czytnik "
                                  "ponownie."});
    platform.Unplug(id);
    Tick();
    ExpectNotConnected();
}

TEST_F(States, ActivationWithAReaderLoadsItAndGivesTheFocusToRapWin) {
    platform.AddReader(reader51);
    FocusElsewhere();
    Activate();
    EXPECT_EQ(Wire(reader51), "Mc");
    EXPECT_EQ(readers.CurrentReader, &readers.Reader51);
    EXPECT_EQ(Status(), "Czytnik Zr-T51, Nr: 00042 (soft: 12)");
    ExpectConnected();
    ExpectRecordShown();
    // Rows follow their send boxes: S0 and S3 sent, the others not.
    EXPECT_TRUE(Enabled("S0Cb"));
    EXPECT_FALSE(Enabled("S1Cb"));
    EXPECT_FALSE(Enabled("Key2Lbl"));
    EXPECT_TRUE(Enabled("S3ChkBx_40"));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Focused(), C("RapWin"));
}

struct LoadFault {
    const char* name;
    Fault fault;
    std::string wire;
    std::int32_t code;
};

// A load that fails in "M" or "c" leaves no half-open reader: the not-connected presentation, no
// current reader, and the next tick loads the same reader afresh, without a replug.
class FailedLoad : public States, public ::testing::WithParamInterface<LoadFault> {
  protected:
    // A first reader was loaded; the second one fails once while it is loaded.
    void LoadFirstThenSecond() {
        const auto id = platform.AddReader(first);
        Activate();
        platform.Unplug(id);
        ASSERT_EQ(Status(), "Czytnik Zr-T41, Nr: 00001 (soft: 12)");
        // Edits that the failed load must not overwrite.
        Box("EnterChkBx").SetChecked(false);
        reader51.AddFault(GetParam().fault);
        platform.AddReader(reader51);
    }
    // The tick after the failure loads the reader with its normal replies.
    void ExpectLoadedByTheNextTick() {
        reader51.ClearLog();
        Tick();
        EXPECT_EQ(Wire(reader51), "Mc");
        ExpectConnected();
        ExpectRecordShown();
    }
    sim::VirtualReader first{link::ReaderInfo{141, 1, IMAGE_VERSION}, RECORD, link::PRODUCT_ID_41};
};

TEST_P(FailedLoad, FromActivationShowsTheErrorOnceAndTheNextTickLoads) {
    LoadFirstThenSecond();
    FocusElsewhere();
    win.Timer.SetEnabled(false);
    Activate();

    EXPECT_EQ(Wire(reader51), GetParam().wire);
    ASSERT_EQ(boxes.messages, std::vector<std::string>{PolishLinkError(GetParam().code)});
    EXPECT_TRUE(win.Timer.Enabled()) << "enabled again after the box";
    ExpectNotConnected();
    EXPECT_FALSE(Checked("EnterChkBx")) << "controls as they were";
    EXPECT_EQ(Focused(), C("RapWin"));
    ExpectLoadedByTheNextTick();
    EXPECT_EQ(boxes.messages.size(), 1u);
}

TEST_P(FailedLoad, FromTheTickEnablesTheTimerSilently) {
    LoadFirstThenSecond();
    Tick();  // the first reader is gone: not connected
    ExpectNotConnected();
    FocusElsewhere();
    win.Timer.SetEnabled(false);
    Tick();

    EXPECT_EQ(Wire(reader51), GetParam().wire);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(win.Timer.Enabled());
    ExpectNotConnected();
    EXPECT_EQ(Focused(), C("EnterChkBx")) << "a tick never moves the focus";
    ExpectLoadedByTheNextTick();
    EXPECT_TRUE(boxes.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FailedLoad,
    ::testing::Values(
        LoadFault{"InM", Fault(FaultKind::NoReply).On('M'), "M", link::ERR_HID_DRIVER},
        LoadFault{"DataLessM", Fault(FaultKind::ReplaceData).On('M'), "M", link::ERR_BAD_REPLY},
        LoadFault{"InC", Fault(FaultKind::FlipCrcBit).On('c'), "Mc", link::ERR_BAD_REPLY}),
    [](const ::testing::TestParamInfo<LoadFault>& info) { return std::string(info.param.name); });

// --- The tick ---------------------------------------------------------------------------------

TEST_F(States, AReaderAttachedLaterIsLoadedByTheNextTickWithoutMovingTheFocus) {
    Activate();
    EXPECT_EQ(platform.ListCalls(), 2);
    Tick();
    EXPECT_EQ(platform.ListCalls(), 2) << "nothing changed since the activation's search";

    platform.AddReader(reader51);
    FocusElsewhere();
    Tick();
    EXPECT_EQ(Wire(reader51), "Mc");
    ExpectConnected();
    ExpectRecordShown();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Focused(), C("EnterChkBx"));

    Tick();
    Tick();
    EXPECT_EQ(Wire(reader51), "McMM") << "an open reader is only asked for its identity";
    EXPECT_EQ(platform.ListCalls(), 4);
}

TEST_F(States, UnpluggingTheOpenReaderShowsNotConnectedAtTheNextTickKeepingTheValues) {
    const auto id = platform.AddReader(reader51);
    Activate();
    platform.Unplug(id);
    Tick();
    ExpectNotConnected();
    ExpectRecordShown();
    EXPECT_EQ(win.StatusText, "Czytnik Zr-T51, Nr: 00042 (soft: 12)");
    EXPECT_TRUE(boxes.boxes.empty());

    platform.Plug(id);
    Tick();
    ExpectConnected();
    EXPECT_EQ(Wire(reader51), "McMc");
}

// While another program holds the reader the tick only tries it: nothing sent, nothing changed;
// it neither asks an open reader nor loads one just found, and carries on once it is let go.
TEST_F(States, TheTickLeavesAReaderAnotherProgramHoldsAlone) {
    const auto id = platform.AddReader(reader51);
    Activate();
    const link::HidHandle other = platform.Open(platform.PathOf(id));
    ASSERT_EQ(platform.Lock(other, std::chrono::milliseconds{0}), link::LockResult::Locked);
    Tick();
    EXPECT_EQ(platform.LockWaits().back(), std::chrono::milliseconds{0});
    ExpectConnected();
    EXPECT_EQ(Wire(reader51), "Mc");

    readers.Forget();  // as after an unplug: the next tick searches
    Tick();
    EXPECT_EQ(readers.CurrentReader, nullptr);
    EXPECT_EQ(Wire(reader51), "Mc");
    EXPECT_TRUE(boxes.boxes.empty());

    platform.Unlock(other);
    Tick();
    ExpectConnected();
    EXPECT_EQ(Wire(reader51), "McMc");
    platform.Close(other);
}

// An activation that meets a reader another program keeps: the wait for it keeps the window
// painted, then the load fails as one that found the reader in use.
TEST_F(States, WaitingForAReaderAnotherProgramHoldsKeepsTheWindowPainted) {
    const auto id = platform.AddReader(reader51);
    const link::HidHandle other = platform.Open(platform.PathOf(id));
    ASSERT_EQ(platform.Lock(other, std::chrono::milliseconds{0}), link::LockResult::Locked);
    readers.Reader51.lockWait = std::chrono::milliseconds{100};
    Activate();
    ASSERT_EQ(waits.steps.size(), 5u);
    for (const WaitRecorder::Step& step : waits.steps) {
        EXPECT_EQ(step.painted, &win.Form);
    }
    EXPECT_EQ(boxes.messages, std::vector<std::string>{PolishLinkError(link::ERR_IN_USE)});
    ExpectNotConnected();
    EXPECT_TRUE(Wire(reader51).empty());
    platform.Close(other);
}

// A toolkit may deliver the timer's ticks while the window waits for the reader's lock (Qt's
// painting runs every event but input). Inside the activation's load and inside a write such a
// tick does nothing: another program lets go of the reader at the first wait and a tick comes at
// every one, and the reader receives the load's and the write's commands alone.
TEST_F(States, NoTickRunsWhileTheWindowIsAtWorkWithTheReader) {
    const auto id = platform.AddReader(reader51);
    const link::HidHandle other = platform.Open(platform.PathOf(id));
    const auto holdIt = [&] {
        ASSERT_EQ(platform.Lock(other, std::chrono::milliseconds{0}), link::LockResult::Locked);
    };
    waits.during = [&] {
        platform.Unlock(other);
        Tick();
    };
    holdIt();
    Activate();
    ExpectConnected();
    EXPECT_EQ(Wire(reader51), "Mc");
    holdIt();
    Write();
    EXPECT_EQ(Wire(reader51), "McCc");
    EXPECT_TRUE(boxes.boxes.empty());
    platform.Close(other);
}

TEST_F(States, TheIdentityReadByTheTickIsNotShownUntilTheNextLoad) {
    platform.AddReader(reader51);
    Activate();
    reader51.info.serial = 43;
    Tick();
    EXPECT_EQ(Status(), "Czytnik Zr-T51, Nr: 00042 (soft: 12)");
    Activate();
    EXPECT_EQ(Status(), "Czytnik Zr-T51, Nr: 00043 (soft: 12)");
}

TEST_F(States, AReloadOverwritesEditsThatWereNotWritten) {
    platform.AddReader(reader51);
    Activate();
    Box("EnterChkBx").SetChecked(false);
    List("S0Cb").SetItemIndex(5);
    Box("S1ChkBx").SetChecked(true);
    Activate();
    ExpectRecordShown();
}

// --- Presentation -----------------------------------------------------------------------------

struct StatusCase {
    link::ReaderInfo info;
    std::string text;
    bool cardTypes;
};

void PrintTo(const StatusCase& c, std::ostream* out) {
    *out << c.info.model << "/" << c.info.serial << "/" << c.info.firmware;
}

class StatusLine : public States, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusLine, ShowsModelSerialAndFirmwareAndTheCardTypesOnlyFor1175) {
    reader51.info = GetParam().info;
    platform.AddReader(reader51);
    Activate();
    EXPECT_EQ(Status(), GetParam().text);
    EXPECT_EQ(win.StatusText, GetParam().text);
    EXPECT_EQ(!Hidden("KartTypeGrp"), GetParam().cardTypes);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, StatusLine,
    ::testing::Values(
        StatusCase{{141, 42, 7}, "Czytnik Zr-T41, Nr: 00042 (soft: 07)", false},
        StatusCase{{151, 42, 7}, "Czytnik Zr-T51, Nr: 00042 (soft: 07)", false},
        StatusCase{{1175, 42, 7}, "Czytnik Zr-T51, Nr: 00042 (soft: 07)", true},
        StatusCase{{1174, 0, 0}, "Czytnik Zr-T50, Nr: 00000 (soft: 00)", false},
        StatusCase{{0xFFFF, 0xFFFF, 0xFFFF}, "Czytnik Zr-T23, Nr: 65535 (soft: 65535)", false},
        StatusCase{
            {0x0400 + 141, 123456 % 65536, 100}, "Czytnik Zr-T41, Nr: 57920 (soft: 100)", false}));

// --- Writing ----------------------------------------------------------------------------------

TEST_F(States, AWriteWithoutChangesStillSendsTheRecordAndAnimates) {
    platform.AddReader(reader51);
    Activate();
    reader51.ClearLog();
    FocusElsewhere();
    Write();

    ASSERT_EQ(Wire(reader51), "Cc") << "the record is read back after the write";
    std::vector<std::uint8_t> sent(RECORD.begin(), RECORD.end());
    const std::uint32_t crc = link::Crc32(RECORD.data(), RECORD.size(), 0xFFFFFFFFu);
    for (int shift = 0; shift < 32; shift += 8) {
        sent.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
    EXPECT_EQ(reader51.Log()[0].data, sent);
    EXPECT_TRUE(boxes.boxes.empty());

    // 21 positions, 5 ms after each, then 50 ms; the bar shown throughout, hidden at the end.
    ASSERT_EQ(waits.steps.size(), 22u);
    for (std::size_t k = 0; k < 21; ++k) {
        EXPECT_EQ(waits.steps[k].milliseconds, 5);
        EXPECT_EQ(waits.steps[k].position, static_cast<int>(5 * k));
        EXPECT_TRUE(waits.steps[k].barShown);
        EXPECT_EQ(waits.steps[k].focus, C("RapWin")) << "focus moved before the animation";
    }
    EXPECT_EQ(waits.steps[21].milliseconds, 50);
    EXPECT_EQ(waits.steps[21].position, 100);
    EXPECT_TRUE(Hidden("WrProgressBar"));
}

TEST_F(States, ClickingTheWriteButtonWrites) {
    platform.AddReader(reader51);
    Activate();
    Connect();
    reader51.ClearLog();
    mainForm.Click("WrBtn");
    EXPECT_EQ(Wire(reader51), "Cc");
    EXPECT_EQ(events.log.back(), "WrBtnClick:WrBtn");
    EXPECT_EQ(waits.steps.size(), 22u);
}

TEST_F(States, AWriteSendsWhatTheControlsShow) {
    platform.AddReader(reader51);
    Activate();
    Box("S0ChkBx").SetChecked(false);
    Box("S3ChkBx").SetChecked(false);
    Box("MifareChkBx").SetChecked(false);
    List("DecGrp").SetItemIndex(0);
    Write();
    EXPECT_EQ(reader51.record, (std::array<std::uint8_t, 16>{0x40, 0x80, 0x04, 0x00, 0, 0, 0, 0, 0,
                                                             0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(States, AFailedWriteShowsTheErrorWithoutAnimationOrFocusMove) {
    const auto id = platform.AddReader(reader51);
    Activate();
    platform.Unplug(id);  // unplugged before the tick noticed it
    FocusElsewhere();
    Write();

    EXPECT_EQ(boxes.messages, std::vector<std::string>{"Błąd z driwera HID."});
    EXPECT_TRUE(waits.steps.empty());
    EXPECT_TRUE(Hidden("WrProgressBar"));
    EXPECT_EQ(Focused(), C("EnterChkBx"));
    ExpectConnected();
    EXPECT_EQ(readers.CurrentReader, &readers.Reader51);
}

// A reader that acknowledges "C" but keeps its old record: the read-back shows the record it kept,
// with the message, and no animation confirms what did not happen.
TEST_F(States, AWriteTheReaderDidNotStoreShowsTheStoredRecordAndSaysSo) {
    platform.AddReader(reader51);
    Activate();
    reader51.AddFault(sim::Fault(sim::FaultKind::Ack).On('C').WithValue(0));
    Box("S0ChkBx").SetChecked(false);
    Box("InvChkBx").SetChecked(true);
    win.S0ChkBxClick(*win.KeyRows[0].SendBox());  // S0's key controls greyed, as a click does
    reader51.ClearLog();
    FocusElsewhere();
    Write();

    EXPECT_EQ(Wire(reader51), "Cc");
    EXPECT_EQ(reader51.record, RECORD);
    ExpectRecordShown();
    EXPECT_FALSE(Checked("InvChkBx"));
    EXPECT_TRUE(Enabled("S0Cb")) << "the rows' enabling follows the record shown";
    ExpectConnected();
    EXPECT_EQ(boxes.messages, std::vector<std::string>{"Czytnik nie zapisał konfiguracji."});
    EXPECT_TRUE(waits.steps.empty());
    EXPECT_EQ(Focused(), C("RapWin"));
}

TEST_F(States, AFailedReadBackIsShownLikeAFailedWrite) {
    platform.AddReader(reader51);
    Activate();
    reader51.AddFault(sim::Fault(sim::FaultKind::NoReply).On('c'));
    FocusElsewhere();
    Write();
    EXPECT_EQ(boxes.messages, std::vector<std::string>{"Błąd z driwera HID."});
    EXPECT_TRUE(waits.steps.empty());
    EXPECT_EQ(Focused(), C("EnterChkBx"));
    ExpectConnected();
}

}  // namespace
}  // namespace zrt::ui::test
