// The catalogue of the window's words and the choice of the language. The Polish column takes the
// texts from where the rest of the program keeps them (the status texts, the link errors, the
// upgrade's texts, the settings' captions) wherever they are kept; so does the English column for
// the provisioning's words that the command line says too.
#include "ui/words.hpp"

#include <cstdlib>
#include <string>

#include "config/settings_words.hpp"
#include "core/provision.hpp"
#include "core/reader_status.hpp"
#include "firmware/upgrade.hpp"
#include "link/link_error.hpp"
#include "link/open_readers.hpp"
#include "ui/texts.hpp"

namespace zrt::ui {

namespace {

std::vector<Words> BuildCatalogue() {
    using config::FORMAT_CHOICES;
    using config::SIZE_CHOICES;
    auto s = [](std::string_view text) { return std::string(text); };
    return {
        // The windows and their menus.
        {MainCaption(), MainCaption()},
        {WORK_CAPTION, WORK_CAPTION},
        {WRITE_CAPTION, "Write configuration"},
        {" Numer karty ", " Card number "},
        {" Znaki przed numerem karty ", " Keys before the card number "},
        {" Czytane karty ", " Cards read "},
        {" Znaki po numerze karty ", " Keys after the card number "},
        {" Format  ", " Format  "},
        {" Rozmiar ", " Size "},
        {s(FORMAT_CHOICES[0].caption), s(FORMAT_CHOICES[0].caption)},
        {s(FORMAT_CHOICES[1].caption), "Dec (number)"},
        {s(FORMAT_CHOICES[2].caption), "Dec (each byte)"},
        {s(SIZE_CHOICES[0].caption), "By the card"},
        {s(SIZE_CHOICES[1].caption), "4 bytes"},
        {s(SIZE_CHOICES[2].caption), "5 bytes"},
        {s(SIZE_CHOICES[3].caption), "6 bytes"},
        {s(SIZE_CHOICES[4].caption), "7 bytes"},
        {s(SIZE_CHOICES[5].caption), "8 bytes"},
        {s(config::REVERSED_CAPTION), "Reversed number"},
        {s(config::ENTER_CAPTION), "Enter at the end"},
        {s(config::MIFARE_CAPTION), s(config::MIFARE_CAPTION)},
        {s(config::ICODE_CAPTION), s(config::ICODE_CAPTION)},
        {" Znak 1 ", " Key 1 "},
        {" Znak 2 ", " Key 2 "},
        {" Znak 3 ", " Key 3 "},
        {" Znak 2", " Key 2"},
        {"Wysłać", "Send"},
        {"Lewy", "Left"},
        {"Prawy", "Right"},
        {"Ctrl", "Ctrl"},
        {"Shift", "Shift"},
        {"Alt", "Alt"},
        {"Klawisz", "Key"},
        {FILE_MENU, "File"},
        {LOAD_ITEM, "Load settings…"},
        {SAVE_ITEM, "Save settings…"},
        {PROV_ITEM, "Program many readers…"},
        {EXIT_ITEM, "Exit"},
        {HELP_MENU, "Help"},
        {ABOUT_ITEM, "About"},
        // The status label.
        {core::CONNECTED_FORMAT, "Reader Zr-T%d, No.: %05d (firmware: %02d)"},
        {core::NOT_CONNECTED_TEXT, "       Reader not connected"},
        {core::NO_ACCESS_STATUS_TEXT, "No access to the reader"},
        // The boxes.
        {core::NO_ACCESS_TEXT,
         "No access to the reader. Install the zrt-vivoraz package or the udev rule (README), "
         "then plug the reader in again."},
        {WRITE_NOT_STORED_TEXT, "The reader did not store the configuration."},
        {link::ErrorText(link::ERR_PROGRAM), "Error in the program's code."},
        {link::ErrorText(link::ERR_HID_DRIVER), "Error from the HID driver."},
        {link::ErrorText(link::ERR_NOT_FOUND),
         "Command sent to a ZrHID that was not searched for."},
        {link::ErrorText(link::ERR_BAD_REPLY), "Error in the data received."},
        {link::ErrorText(link::ERR_UPGRADE), "Error during the upgrade."},
        {link::ErrorText(link::ERR_IN_USE), "The reader is in use by another program."},
        {link::ErrorText(-1), "ZrHID - error without a suitable description."},
        {s(firmware::UPGRADE_QUESTION),
         "    The reader contains outdated software.\n"
         "    Some configuration settings will not be\n"
         "    carried out correctly.\n"
         "\n"
         "    Upgrade the reader's software?"},
        {UPGRADE_FILE_ERROR, "Upgrade file error."},
        {UPGRADE_LABEL, "Loading the new software version"},
        {"Upgrade ZR-T41", "Upgrade ZR-T41"},
        {"Upgrade ZR-T51", "Upgrade ZR-T51"},
        {YES_BUTTON, "Yes"},
        {NO_BUTTON, "No"},
        // Settings files.
        {LOAD_TITLE, "Load settings"},
        {SAVE_TITLE, "Save settings"},
        {SETTINGS_FILES, "Settings files (*.json)"},
        {ALL_FILES, "All files (*.*)"},
        {CANNOT_READ, "Cannot read the file:"},
        {CANNOT_WRITE, "Cannot write the file:"},
        {BAD_SETTINGS_FILE, "The settings file is not valid:"},
        {FILE_TOO_LARGE,
         "The file is too large: over 64 KiB, where a settings file is under 1 KiB."},
        {NOT_A_REGULAR_FILE, "This is not a regular file (but a pipe or a device, for instance)."},
        // The report for support, and the trace file.
        {REPORT_ITEM, "Save a problem report…"},
        {REPORT_TITLE, "Save a problem report"},
        {REPORT_FILES, "Reports (*.txt)"},
        {REPORT_SAVED, "The report was saved to the file:"},
        {REPORT_SEND,
         "Send this file with a description of the problem (see the README, section “Reporting a "
         "problem”)."},
        {TRACE_NOT_OPENED,
         "The trace file (ZRT_TRACE) cannot be opened; the trace is kept in memory only:"},
        // About.
        {LICENCE_LINE, "Licence: MIT (see the file LICENSE)."},
        {IMAGES_LINE, "Firmware images carried:"},
        {IMAGE_VERSION_WORD, "version"},
        {REPORTING_LINE, "Reporting a problem: see the README, section “Reporting a problem”."},
        // The provisioning dialog.
        {PROV_CAPTION, "Program many readers"},
        {PROV_FILE, "Settings file:"},
        {PROV_LOG, "Log:"},
        {PROV_NO_LOG, "(none)"},
        {PROV_UPGRADE, "Upgrade the readers' firmware too"},
        {PROV_STOP, "Stop"},
        {PROV_COUNTS, "Written: %d    Unchanged: %d    Failed: %d"},
        {PROV_WAITING, "Plug in a reader"},
        {PROV_WORKING, "Programming the reader…"},
        {PROV_WRITTEN, core::ResultWord(core::Result::Written)},
        {PROV_UNCHANGED, core::ResultWord(core::Result::Unchanged)},
        {PROV_FAILED, "FAILED"},
        {PROV_SEEN_BEFORE, "number seen before"},
        {PROV_DONE, "Programming ended."},
        {PROV_LOG_TITLE, "Programming log (cancel: no log)"},
        {PROV_LOG_FILES, "CSV files (*.csv)"},
        {PROV_IN_USE, link::OpenErrorReason(link::OpenError::InUse)},
        {PROV_NOT_OPENED, core::ReasonWords(core::Reason::NotOpened)},
        {PROV_PULLED_READING, core::ReasonWords(core::Reason::PulledOutReading)},
        {PROV_PULLED_WRITING, core::ReasonWords(core::Reason::PulledOutWriting)},
        {PROV_PULLED_UPLOADING, core::ReasonWords(core::Reason::PulledOutUploading)},
        {PROV_UPLOAD_FAILED, core::ReasonWords(core::Reason::UploadFailed)},
        {PROV_TEST_IMAGE, core::ReasonWords(core::Reason::TestImage)},
        {PROV_NOT_FOUND_AGAIN, core::ReasonWords(core::Reason::NotFoundAgain)},
        {PROV_FIRMWARE_NOT_TAKEN, core::ReasonWords(core::Reason::FirmwareNotTaken)},
        {PROV_SETTINGS_LOST, core::ReasonWords(core::Reason::SettingsLost)},
    };
}

// The language a locale name stands for; none when it says no language.
std::optional<Language> LocaleLanguage(std::string_view locale) {
    if (locale == "C" || locale == "POSIX" || locale.starts_with("C.")) {
        return std::nullopt;
    }
    const bool polish =
        locale.starts_with("pl") && (locale.size() == 2 || locale[2] == '_' || locale[2] == '.' ||
                                     locale[2] == '@' || locale[2] == '-');
    return polish ? Language::Polish : Language::English;
}

}  // namespace

const std::vector<Words>& Catalogue() {
    static const std::vector<Words> catalogue = BuildCatalogue();
    return catalogue;
}

std::optional<std::string_view> EnglishOf(std::string_view polish) {
    for (const Words& words : Catalogue()) {
        if (words.polish == polish) {
            return words.english;
        }
    }
    return std::nullopt;
}

std::string Say(Language language, std::string_view polish) {
    if (language == Language::English) {
        if (const auto english = EnglishOf(polish)) {
            return std::string(*english);
        }
    }
    return std::string(polish);
}

Language ChooseLanguage(const std::function<const char*(const char*)>& variable,
                        std::optional<std::uint16_t> windowsUiLanguage) {
    auto read = [&](const char* name) {
        const char* value = variable(name);
        return std::string_view(value != nullptr ? value : "");
    };
    const std::string_view forced = read("ZRT_LANG");
    if (forced == "pl") {
        return Language::Polish;
    }
    if (forced == "en") {
        return Language::English;
    }
    if (windowsUiLanguage) {
        constexpr std::uint16_t NEUTRAL = 0x00;
        constexpr std::uint16_t POLISH = 0x15;
        return *windowsUiLanguage == POLISH || *windowsUiLanguage == NEUTRAL ? Language::Polish
                                                                             : Language::English;
    }
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string_view value = read(name);
        if (std::string_view(name) == "LANGUAGE") {
            value = value.substr(0, value.find(':'));  // a list; its first entry is preferred
        }
        if (!value.empty()) {
            return LocaleLanguage(value).value_or(Language::Polish);
        }
    }
    return Language::Polish;
}

Language SystemLanguage(std::optional<std::uint16_t> windowsUiLanguage) {
    return ChooseLanguage([](const char* name) { return std::getenv(name); }, windowsUiLanguage);
}

}  // namespace zrt::ui
