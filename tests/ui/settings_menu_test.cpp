// The window's menu with a virtual reader, on the plain control set: the settings file saved from
// the window is the document the command-line program's export writes for the same reader, a file
// loaded shows in the controls and reaches the reader only through the write, a bad file is said
// with its field and changes nothing, the commands work only while a reader is connected, a file
// dropped on the window loads, the About box and the English window, and the report for support
// saved from the "Pomoc" menu with what the user did before it.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "cli/cli.hpp"
#include "config/settings_file.hpp"
#include "tests/ui/window_words.hpp"
#include "window_fixture.hpp"

namespace zrt::ui::test {
namespace {

// The file dialogs answer with the file a test sets (none: cancelled) and note their titles;
// `meanwhile` runs while a dialog is open, as the poll's timer does during a modal dialog.
class FakeFileDialogs : public FileDialogs {
  public:
    std::optional<std::string> ChooseFileToOpen(const FileChoice& c) override { return Answer(c); }
    std::optional<std::string> ChooseFileToSave(const FileChoice& c) override { return Answer(c); }
    std::optional<std::string> Answer(const FileChoice& choice) {
        titles.push_back(choice.title);
        if (meanwhile) {
            meanwhile();
        }
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> titles;
    std::function<void()> meanwhile;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A settings file: the plain settings with the text `from` replaced by `to`.
std::string Document(const std::string& from = "", const std::string& to = "") {
    std::string document =
        R"({"format": "zrt-vivoraz-config", "version": 1, "number": )"
        R"({"format": "hex", "size": "card", "reversed": false}, "enter": true, )"
        R"("cards": {"mifare": false, "icode": false}, )"
        R"("before": [null, null, null], "after": [null, null]})";
    return from.empty() ? document : document.replace(document.find(from), from.size(), to);
}

class SettingsFiles : public Behaviour {
  protected:
    void SetUp() override {
        readerId = platform.AddReader(reader51);
        ShowActive();
        Connect();
        win.AttachFileDialogs(files);
        Activate();
        ASSERT_TRUE(readers.IsOpen());
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "-" + test->name();
        std::replace(name.begin(), name.end(), '/', '-');
        folder = std::filesystem::temp_directory_path() / ("zrt-settings-" + name);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string File(const std::string& name) { return (folder / name).string(); }

    // zrt-vivoraz-cli --path PATH export FILE, on the same readers.
    void CliExport(const std::string& file) {
        std::istringstream in;
        std::ostringstream out, err;
        ASSERT_EQ(cli::RunCommandLine({"--path", platform.PathOf(readerId), "export", file},
                                      platform, in, out, err),
                  0)
            << err.str();
    }
    void Choose(const char* menu, const std::string& file) {
        files.answer = file;
        mainForm.ChooseMenu(menu);
    }
    void Load(const std::string& file) { Choose("LoadMnu", file); }

    sim::VirtualPlatform::InterfaceId readerId = 0;
    FakeFileDialogs files;
    std::filesystem::path folder;
};

class RoundTrip : public SettingsFiles, public ::testing::WithParamInterface<std::string> {};

// The reader holds the settings; the window loaded them. Its file is the command line's export,
// and that file loaded into changed controls and written gives the reader the same settings.
TEST_P(RoundTrip, SavedFileIsTheExportAndLoadsBackIntoTheReader) {
    config::SettingsError error;
    const auto parsed = config::SettingsFromJson(GetParam(), error);
    ASSERT_TRUE(parsed) << error.field;
    const config::ConfigState settings = *parsed;
    reader51.record = config::RecordFromState(settings);
    Activate();
    Choose("SaveMnu", File("window.json"));
    CliExport(File("cli.json"));
    EXPECT_EQ(ReadFile(File("window.json")), ReadFile(File("cli.json")));
    EXPECT_TRUE(boxes.messages.empty());

    reader51.record = {};
    Activate();  // the controls now show another record
    ASSERT_NE(win.BuildSettings(), config::StateFromRecord(config::RecordFromState(settings)));
    const std::string wire = Wire(reader51);
    Load(File("cli.json"));
    EXPECT_EQ(Wire(reader51), wire) << "loading sends nothing";
    EXPECT_EQ(Focused(), C("RapWin"));
    for (int row = 0; row < 5; ++row) {
        const std::string digit = std::to_string(row);
        EXPECT_EQ(Enabled("S" + digit + "Cb"), Checked("S" + digit + "ChkBx")) << row;
    }
    Write();
    EXPECT_EQ(config::StateFromRecord(reader51.record),
              config::StateFromRecord(config::RecordFromState(settings)));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RoundTrip,
    ::testing::Values(
        Document(),
        R"({"format": "zrt-vivoraz-config", "version": 1, "number": {"format": "dec", "size": 4, )"
        R"("reversed": true}, "enter": false, "cards": {"mifare": true, "icode": true}, )"
        R"("before": ["LShift+A", null, "TAB"], "after": [null, "LCtrl+RAlt+F12"]})",
        R"({"format": "zrt-vivoraz-config", "version": 1, "number": {"format": "dec-bytes", )"
        R"("size": 8, "reversed": false}, "enter": true, "cards": {"mifare": false, "icode": true}, )"
        R"("before": [null, "RShift+0", null], "after": ["F1", null]})"));

struct BadFile {
    std::string document;
    std::string said;  // after the file's name: what is wrong, in Polish
};

class BadFiles : public SettingsFiles, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFiles, AreSaidWithTheirFieldAndChangeNothing) {
    WriteFile(File("bad.json"), GetParam().document);
    const config::ConfigState before = win.BuildSettings();
    const std::string wire = Wire(reader51);
    Load(File("bad.json"));
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0],
              "Plik ustawień jest błędny:\n" + File("bad.json") + "\n\n" + GetParam().said);
    EXPECT_EQ(win.BuildSettings(), before);
    EXPECT_EQ(Wire(reader51), wire);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadFiles,
    ::testing::Values(
        BadFile{Document(R"("size": "card")", R"("size": 9)"),
                "number.size: ma być \"card\" lub liczbą bajtów od 4 do 8"},
        BadFile{Document(R"([null, null, null])", R"([null, "LShift+Q+", null])"),
                "before.2: nieznany modyfikator 'Q' (modyfikatory: LCtrl, LShift, LAlt, RCtrl, "
                "RShift, RAlt)"},
        BadFile{Document(R"("enter": true)", R"("enter": "yes")"),
                "enter: ma być true lub false (jest: tekst)"},
        BadFile{Document(R"("version": 1)", R"("version": 2)"),
                "version: ma być 1 (ten program nie czyta innych wersji)"},
        BadFile{"{\"format\": ", "to nie jest dokument JSON (bajt 12)"},
        // JSON, but of something else.
        BadFile{R"({"name": "zrt"})",
                "to nie jest plik ustawień ZrT_VivoRaz (brak \"format\": \"zrt-vivoraz-config\")"},
        // What the file holds is shown escaped: control characters and DEL.
        BadFile{Document(R"("enter": true)", "\"enter\": true, \"a\\u0001\x7F\\u001b\": 1"),
                "a\\x01\\x7F\\x1B: nieznane pole"},
        BadFile{
            Document(R"([null, null, null])", "[null, \"LShift+\x7F\", null]"),
            "before.2: nieznany klawisz '\\x7F' (klawisze: *, TAB, A do Z, 0 do 9, F1 do F12)"}));

TEST_F(SettingsFiles, AFileThatCannotBeReadIsSaid) {
    const config::ConfigState before = win.BuildSettings();
    Load(File("missing.json"));
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0], "Nie można odczytać pliku:\n" + File("missing.json"));
    EXPECT_EQ(win.BuildSettings(), before);
    const std::string unwritable = (folder / "no-folder" / "x.json").string();
    Choose("SaveMnu", unwritable);
    // The system's reason follows the name (link's test checks its words).
    const std::string head = "Nie można zapisać pliku:\n" + unwritable + "\n\n";
    EXPECT_EQ(boxes.messages.back().rfind(head, 0), 0u) << boxes.messages.back();
    EXPECT_GT(boxes.messages.back().size(), head.size() + 1) << boxes.messages.back();
}

// The reader is pulled out while the load dialog is open, and the poll finds it gone meanwhile:
// the file chosen then is not loaded into the greyed controls.
TEST_F(SettingsFiles, LoadAndSaveOnlyWhileAReaderIsConnected) {
    EXPECT_TRUE(mainForm.Get<MenuCommand>("LoadMnu").Enabled());
    EXPECT_TRUE(mainForm.Get<MenuCommand>("SaveMnu").Enabled());
    WriteFile(File("good.json"), Document(R"("hex", "size": "card", "reversed": false)",
                                          R"("dec", "size": 6, "reversed": true)"));
    config::ConfigState before;
    files.meanwhile = [&] {
        platform.Unplug(readerId);
        Tick();
        before = win.BuildSettings();
    };
    Load(File("good.json"));
    files.meanwhile = nullptr;
    EXPECT_EQ(win.BuildSettings(), before);
    EXPECT_FALSE(mainForm.Get<MenuCommand>("LoadMnu").Enabled());
    EXPECT_FALSE(mainForm.Get<MenuCommand>("SaveMnu").Enabled());
    win.FileDropped(File("good.json"));  // ignored without a reader
    win.LoadMnuClick(win.LoadMnu);
    EXPECT_EQ(files.titles.size(), 1u) << "no dialog without a reader";
    EXPECT_EQ(win.BuildSettings(), before);

    platform.Plug(readerId);
    Tick();
    EXPECT_TRUE(mainForm.Get<MenuCommand>("LoadMnu").Enabled());
    win.FileDropped(File("good.json"));
    EXPECT_EQ(List("SizeGrp").ItemIndex(), 3);
    EXPECT_TRUE(Checked("InvChkBx"));
    EXPECT_TRUE(boxes.messages.empty());
}

// The About box names the program, its images with their versions (a test image as such, never as
// "version 0") and the installed documents where the start-up says they are.
TEST_F(SettingsFiles, AboutNamesTheProgramItsImagesAndItsDocuments) {
    const std::string mark(firmware::TEST_IMAGE_MARK);
    std::copy(mark.begin(), mark.end(),
              images.Image(151).begin() + firmware::TEST_IMAGE_MARK_OFFSET);
    win.AttachDocuments({"/usr/share/doc/zrt-vivoraz/README.md.gz", "C:\\ZrT\\LICENSE.txt"});
    mainForm.ChooseMenu("AboutMnu");
    ASSERT_EQ(boxes.messages.size(), 1u);
    const std::string& about = boxes.messages[0];
    EXPECT_EQ(about.rfind("ZrT_VivoRaz 1.9\nLicencja: MIT (zob. C:\\ZrT\\LICENSE.txt).\n", 0), 0u)
        << about;
    EXPECT_NE(about.find("Zr-T41 (141): wersja 12"), std::string::npos) << about;
    EXPECT_NE(about.find("Zr-T51 (151): obraz testowy, nie ładowany"), std::string::npos) << about;
    EXPECT_NE(about.find("Zr-T51 (1175): wersja 12"), std::string::npos) << about;
    EXPECT_NE(about.find("Opis programu: /usr/share/doc/zrt-vivoraz/README.md.gz\n"),
              std::string::npos)
        << about;
    mainForm.ChooseMenu("ExitMnu");
    EXPECT_TRUE(mainForm.Window().closed);
}

// The report goes where the dialog says, with the reader (or none) and the trace's lines of what
// the user did; the box says where it went, or that it could not be written. Cancelled: nothing.
TEST_F(SettingsFiles, TheReportIsSavedWhereChosenWithTheReaderAndWhatTheUserDid) {
    mainForm.Click("WrBtn");
    Choose("ReportMnu", File("report.txt"));
    EXPECT_EQ(files.titles.back(), "Zapisz raport o problemie");
    ASSERT_FALSE(boxes.messages.empty());
    EXPECT_EQ(boxes.messages.back(), "Raport zapisano w pliku:\n" + File("report.txt") +
                                         "\n\nPrześlij ten plik wraz z opisem problemu (zob. "
                                         "README, rozdział „Reporting a problem”).");
    const std::string report = ReadFile(File("report.txt"));
    for (const std::string& part :
         {"\n== HID interfaces ==\n" + platform.PathOf(readerId) +
              "  13ab:0051  reader 13ab:0051, can be opened\n",
          std::string("\n== Current reader ==\nmodel     Zr-T51 (model word 151"),
          std::string("\nserial    42\n"), std::string("\n== Firmware images carried ==\n"),
          std::string(" window: WrBtnClick\n"), std::string(" write: "),
          std::string(" window: ReportMnuClick\n"), " report: " + File("report.txt") + "\n"}) {
        EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
    }
    EXPECT_LT(report.find(" window: WrBtnClick"), report.find(" window: ReportMnuClick"));

    const std::size_t shown = boxes.messages.size();
    files.answer = std::nullopt;
    mainForm.ChooseMenu("ReportMnu");
    EXPECT_EQ(boxes.messages.size(), shown);
    Choose("ReportMnu", File("no/such/folder/report.txt"));
    EXPECT_EQ(boxes.messages.back().rfind(
                  "Nie można zapisać pliku:\n" + File("no/such/folder/report.txt") + "\n\n", 0),
              0u)
        << "and why";

    platform.Unplug(readerId);
    Tick();
    Choose("ReportMnu", File("none.txt"));
    EXPECT_NE(ReadFile(File("none.txt")).find("\n== Current reader ==\nnone\n"), std::string::npos);
}

// A trace file that cannot be opened is said once, after the first activation has loaded the
// reader (a box before it would take that activation away).
TEST_F(SettingsFiles, ATraceFileThatCannotBeOpenedIsSaidOnceAfterTheFirstLoad) {
    plain::PlainForm form{desktop, MainWinLayout()};
    TMainWin second{form, readers, boxes, waits};
    const std::size_t shown = boxes.messages.size();
    second.ShowTraceNotOpened("t.txt: why");
    EXPECT_EQ(boxes.messages.size(), shown);
    second.FormActivate(second.Form);
    EXPECT_NE(
        dynamic_cast<plain::PlainControl&>(form.Get<Control>("RdLbl")).Caption().find("00042"),
        std::string::npos);
    ASSERT_EQ(boxes.messages.size(), shown + 1);
    EXPECT_EQ(boxes.messages.back(),
              "Nie można otworzyć pliku śladu (ZRT_TRACE); ślad jest zbierany tylko w pamięci:\n"
              "t.txt: why");
    second.FormActivate(second.Form);
    EXPECT_EQ(boxes.messages.size(), shown + 1);
}

// The same window in English: its status, its boxes and its dialogs, also what the layers below
// report (a settings file's problem, a link error, a reader refused), and no Polish in any box.
TEST_F(SettingsFiles, TheEnglishWindowSpeaksEnglish) {
    plain::PlainForm englishForm{desktop, MainWinLayout(Language::English)};
    TMainWin english{englishForm, readers, boxes, waits, Language::English};
    english.AttachFileDialogs(files);
    english.AttachDocuments({"/usr/share/doc/zrt-vivoraz/README.md.gz", "LICENSE"});
    const auto status = [&] {
        return dynamic_cast<plain::PlainControl&>(englishForm.Get<Control>("RdLbl")).Caption();
    };
    english.FormActivate(english.Form);
    EXPECT_EQ(status(), "Zr-T51 reader, serial 00042, firmware 12");
    WriteFile(File("bad.json"), Document(R"("enter": true)", R"("enter": 1)"));
    files.answer = File("bad.json");
    english.LoadMnuClick(english.LoadMnu);
    EXPECT_EQ(files.titles.back(), "Open settings");
    ASSERT_FALSE(boxes.messages.empty());
    EXPECT_EQ(boxes.messages.back(), "Invalid settings file:\n" + File("bad.json") +
                                         "\n\nenter: must be true or false, not a number");
    english.AboutMnuClick(english.AboutMnu);
    EXPECT_NE(boxes.messages.back().find("Zr-T41 (141): version 12"), std::string::npos);
    EXPECT_NE(boxes.messages.back().find("Reporting a problem: see the README"), std::string::npos);

    // The reader held by another program: the load fails as in use.
    const link::HidHandle other = platform.Open(platform.PathOf(readerId));
    ASSERT_EQ(platform.Lock(other, std::chrono::milliseconds{0}), link::LockResult::Locked);
    readers.Reader51.lockWait = std::chrono::milliseconds{100};
    english.FormActivate(english.Form);
    EXPECT_EQ(boxes.messages.back(), "The reader is in use by another program.");
    platform.Close(other);

    platform.Unplug(readerId);
    english.TimerTimer(english.Timer);
    EXPECT_EQ(status(), "       No reader connected");
    // A reader this user may not open.
    sim::VirtualPlatform::Options denied;
    denied.openable = false;
    denied.refusal = link::OpenError::NoAccess;
    platform.AddReader(reader41, denied);
    english.FormActivate(english.Form);
    EXPECT_EQ(boxes.messages.back(),
              "No access to the reader. Install the zrt-vivoraz package or its udev rule (see "
              "/usr/share/doc/zrt-vivoraz/README.md.gz), then unplug the reader and plug it in "
              "again.");
    EXPECT_EQ(status(), "No access to the reader");
    for (const std::string& box : boxes.messages) {
        EXPECT_EQ(Foreign(box, Language::English), "");
    }
}

}  // namespace
}  // namespace zrt::ui::test
