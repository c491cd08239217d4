// The provisioning dialog over the main window, on the plain control set with virtual readers:
// the menu item asks for the settings file and the log, the main window rests (its timer off, its
// reader let go, its activation idle) while the dialog's timer handles one reader a tick, the
// results latest first, a failure marked with the warning sound, the upgrade option, and the stop
// (button or close) with its summary, after which the main window searches and loads again. A
// file or log that cannot be used starts nothing. The reasons in both languages.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <queue>
#include <sstream>

#include "config/settings_file.hpp"
#include "texts/texts.hpp"
#include "ui/provision_win.hpp"
#include "window_fixture.hpp"

namespace zrt::ui::test {
namespace {

// A text of the catalogue in Polish, the language of the dialog under test.
std::string Pl(texts::Text key) {
    return std::string(texts::Words(key, Language::Polish));
}

// Answers the file dialogs in turn from a list (none: cancelled), noting what each asked.
class QueuedFileDialogs : public FileDialogs {
  public:
    std::optional<std::string> ChooseFileToOpen(const FileChoice& c) override { return Next(c); }
    std::optional<std::string> ChooseFileToSave(const FileChoice& c) override { return Next(c); }
    std::optional<std::string> Next(const FileChoice& choice) {
        asked.push_back(choice);
        if (answers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = answers.front();
        answers.pop();
        return answer;
    }
    std::queue<std::optional<std::string>> answers;
    std::vector<FileChoice> asked;
};

class Provisioning : public Behaviour {
  protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("zrt-prov-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // The settings of the template: every reader holding RECORD differs.
        std::ofstream(Path("fleet.json"))
            << config::SettingsToJson(config::StateFromRecord(config::RECORD_TEMPLATE));
        win.AttachFileDialogs(files);
        win.AttachProvWin(prov);
        provForm.SetEventSink(&prov);
        ShowActive();
        Connect();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Path(const std::string& name) const { return (folder / name).string(); }
    void Open(std::optional<std::string> settings, std::optional<std::string> log) {
        files.answers.push(std::move(settings));
        files.answers.push(std::move(log));
        mainForm.ChooseMenu("ProvMnu");
    }
    void Tick() { prov.ProvTimerTimer(prov.ProvTimer); }
    const std::vector<ListLine>& Lines() {
        return dynamic_cast<plain::PlainLineList&>(prov.ResultLst).Lines();
    }
    std::string ProvCaption(const std::string& name) {
        if (auto* banner = dynamic_cast<plain::PlainBanner*>(provForm.Find(name))) {
            return banner->Caption();
        }
        return Caption(provForm, name);
    }

    std::filesystem::path folder;
    QueuedFileDialogs files;
    FakeDialogs provBoxes;
    plain::PlainForm provForm{desktop, ProvWinLayout()};
    TProvWin prov{provForm, platform, provBoxes, waits};
};

TEST_F(Provisioning, RunsWhileTheMainWindowRestsAndResumesWithASearchWhenStopped) {
    platform.AddReader(reader51);
    Activate();
    ASSERT_TRUE(readers.IsOpen());
    Open(Path("fleet.json"), Path("fleet.csv"));

    ASSERT_EQ(files.asked.size(), 2u);
    EXPECT_EQ(files.asked[0].title, Pl(texts::Text::LoadTitle));
    EXPECT_EQ(files.asked[1].title, Pl(texts::Text::ProvLogTitle));
    EXPECT_TRUE(files.asked[1].appended) << "the log is appended to: no question";
    EXPECT_TRUE(provForm.Window().Visible());
    EXPECT_EQ(ProvCaption("FileLbl"), "Plik ustawień: " + Path("fleet.json"));
    EXPECT_EQ(ProvCaption("LogLbl"), "Dziennik: " + Path("fleet.csv"));
    EXPECT_EQ(provForm.FocusControl(), &prov.ResultLst) << "where a reader's keys change nothing";
    EXPECT_TRUE(prov.ProvTimer.Enabled());
    EXPECT_FALSE(win.Timer.Enabled());
    EXPECT_FALSE(readers.IsOpen());
    EXPECT_FALSE(win.ProvMnu.Enabled());
    Activate();  // the main window's activation: it talks to no reader now
    EXPECT_EQ(Wire(reader51), "Mc");

    Tick();
    EXPECT_EQ(Wire(reader51), "McMcCc");
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_NE(Lines()[0].text.find("  00042  zapisany  "), std::string::npos) << Lines()[0].text;
    EXPECT_FALSE(Lines()[0].marked);
    EXPECT_EQ(ProvCaption("StateBnr"), "00042: zapisany");
    EXPECT_FALSE(prov.StateBnr.Marked());
    Tick();
    EXPECT_EQ(Lines().size(), 1u) << "a reader that stays attached is handled once";

    // A reader pulled out in its write: marked, in the banner too, with the warning sound.
    const auto pulled = platform.AddReader(reader41);
    platform.PullOutOn(pulled, link::CMD_WRITE_CONFIG);
    Tick();
    ASSERT_EQ(Lines().size(), 2u);
    EXPECT_NE(Lines()[0].text.find("  00007  BŁĄD: wyjęty podczas zapisu  "), std::string::npos)
        << Lines()[0].text;
    EXPECT_TRUE(Lines()[0].marked);
    EXPECT_EQ(ProvCaption("StateBnr"), "00007: BŁĄD – wyjęty podczas zapisu");
    EXPECT_TRUE(prov.StateBnr.Marked());
    EXPECT_EQ(provBoxes.sounds, 1);
    EXPECT_EQ(ProvCaption("CountLbl"), "Zapisane: 1    Bez zmian: 0    Błędy: 1");

    provForm.Click("StopBtn");
    EXPECT_EQ(provBoxes.messages,
              std::vector<std::string>{
                  "Programowanie zakończone.\nZapisane: 1    Bez zmian: 0    Błędy: 1"});
    EXPECT_FALSE(provForm.Window().Visible());
    EXPECT_TRUE(win.Timer.Enabled());
    EXPECT_TRUE(win.ProvMnu.Enabled());
    EXPECT_TRUE(readers.IsOpen()) << "searched and loaded again";
    EXPECT_EQ(Wire(reader51), "McMcCcMc");
    EXPECT_EQ(platform.OpenHandleCount(), 1u) << "the station let go of its readers";

    std::ifstream log(Path("fleet.csv"));
    std::stringstream read;
    read << log.rdbuf();
    const std::string rows = read.str();
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 3) << rows;
}

// With the option the upload follows the write, its progress in the banner and its waits keeping
// the banner painted; closing the dialog ends the run as the button does.
TEST_F(Provisioning, UpgradesWhenAskedAndEndsWhenClosed) {
    reader51.info.firmware = IMAGE_VERSION - 1;
    platform.AddReader(reader51);
    Open(Path("fleet.json"), std::nullopt);
    EXPECT_EQ(ProvCaption("LogLbl"), "Dziennik: (brak)");
    provForm.Click("UpgChkBx");
    EXPECT_EQ(provForm.FocusControl(), &prov.ResultLst);
    const int repaints = dynamic_cast<plain::PlainBanner&>(prov.StateBnr).Repaints();
    Tick();
    const std::string blocks(images.Row(151).image.BlockCount(), 'Y');
    EXPECT_EQ(Wire(reader51), "McCcZ" + blocks + "yzMc");
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_NE(Lines()[0].text.find("zapisany  (11 → 12)"), std::string::npos) << Lines()[0].text;
    EXPECT_GT(dynamic_cast<plain::PlainBanner&>(prov.StateBnr).Repaints(),
              repaints + static_cast<int>(blocks.size()));
    ASSERT_FALSE(waits.steps.empty());
    EXPECT_EQ(waits.steps.back().painted, &prov.StateBnr);

    provForm.CloseByUser();
    EXPECT_FALSE(provForm.Window().Visible());
    EXPECT_EQ(provBoxes.messages.size(), 1u);
    EXPECT_TRUE(readers.IsOpen());
    EXPECT_TRUE(boxes.questions.empty()) << "its firmware is as new as the image now";
}

struct Refusal {
    const char* name;
    std::optional<std::string> settings;  // a file's name in the test's folder
    std::optional<std::string> log;
    std::optional<texts::Text> box;  // the main window's box begins so; none: no box
};

class NothingStarts : public Provisioning, public ::testing::WithParamInterface<Refusal> {};

TEST_P(NothingStarts, WhenTheFileOrTheLogCannotBeUsed) {
    std::ofstream(Path("bad.json")) << R"({"format": "zrt-vivoraz-config"})";
    platform.AddReader(reader51);
    Activate();
    const auto path = [this](const std::optional<std::string>& name) {
        return name ? std::optional(Path(*name)) : std::nullopt;
    };
    Open(path(GetParam().settings), path(GetParam().log));
    EXPECT_FALSE(provForm.Window().Visible());
    EXPECT_FALSE(prov.Running());
    EXPECT_TRUE(win.Timer.Enabled());
    EXPECT_TRUE(readers.IsOpen());
    EXPECT_EQ(Wire(reader51), "Mc");
    if (!GetParam().box) {
        EXPECT_TRUE(boxes.messages.empty());
    } else {
        ASSERT_EQ(boxes.messages.size(), 1u);
        EXPECT_EQ(boxes.messages[0].rfind(Pl(*GetParam().box), 0), 0u) << boxes.messages[0];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Provisioning, NothingStarts,
    ::testing::Values(Refusal{"NoFileChosen", std::nullopt, std::nullopt, std::nullopt},
                      Refusal{"ABadFile", "bad.json", "log.csv", texts::Text::BadSettingsFile},
                      Refusal{"AMissingFile", "none.json", "log.csv", texts::Text::CannotRead},
                      Refusal{"ALogInAMissingFolder", "fleet.json", "no-such-folder/log.csv",
                              texts::Text::CannotWrite}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Provisioning, SaysTheReasonsInTheWindowsLanguage) {
    plain::PlainForm englishForm{desktop, ProvWinLayout(Language::English)};
    TProvWin english{englishForm, platform, provBoxes, waits, Language::English};
    core::Verdict verdict;
    verdict.serial = 42;
    verdict.reason = core::Reason::UploadFailed;
    verdict.linkError = link::ERR_UPGRADE;
    EXPECT_EQ(prov.ReasonText(verdict), "błąd ładowania oprogramowania: błąd podczas upgrade");
    EXPECT_EQ(english.ReasonText(verdict),
              "the firmware upload failed: the reader refused an upgrade step");
    EXPECT_EQ(english.BannerText(verdict),
              "00042: FAILED – the firmware upload failed: the reader refused an upgrade step");
    verdict.reason = core::Reason::NotOpened;
    verdict.openError = link::OpenError::NoAccess;
    EXPECT_EQ(prov.ReasonText(verdict), "brak dostępu do czytnika");
    EXPECT_EQ(english.ReasonText(verdict), "no access to the reader");
    verdict.reason = core::Reason::FirmwareNotTaken;
    verdict.firmwareAfter = 11;
    verdict.imageVersion = 12;
    EXPECT_EQ(english.ReasonText(verdict), "the reader did not take the new firmware: 11 ≠ 12");
    // The settings that differ after a write go to the list, not to the banner.
    verdict.reason = core::Reason::NotStored;
    verdict.differences = {{"number.reversed", "true", "false"}, {"enter", "true", "false"}};
    EXPECT_EQ(
        prov.ReasonText(verdict),
        "czytnik nie zapisał konfiguracji"
        ": number.reversed: zapisano true, czytnik ma false; enter: zapisano true, czytnik ma "
        "false");
    EXPECT_EQ(english.ReasonText(verdict),
              "the reader did not store the settings: number.reversed: wrote true, reader has "
              "false; enter: wrote true, reader has false");
    EXPECT_EQ(prov.BannerText(verdict), "00042: BŁĄD – czytnik nie zapisał konfiguracji");
}

}  // namespace
}  // namespace zrt::ui::test
