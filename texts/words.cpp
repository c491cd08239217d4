// The catalogue's one table (a row a key, a column a language: Polish, the program's first
// language, exactly as the original program words it; English), the wording of the problems that
// config/ and link/ report, and the choice of the window's language.
#include "texts/texts.hpp"

#include <array>
#include <cctype>
#include <cstdlib>

#include "config/settings_file.hpp"
#include "core/provision.hpp"
#include "firmware/upgrade.hpp"
#include "link/link_error.hpp"
#include "link/open_readers.hpp"

namespace zrt::texts {

namespace {

struct Row {
    Text key;
    std::array<std::string_view, LANGUAGE_COUNT> words;  // by Language
};

constexpr Row ROWS[] = {
    // The windows and their controls.
    {Text::MainTitle, {"ZrT_VivoRaz 1.9", "ZrT_VivoRaz 1.9"}},
    {Text::WorkTitle, {"ZrT_VivoRaz", "ZrT_VivoRaz"}},
    {Text::WriteButton, {"Zapis konfiguracji", "Write settings"}},
    {Text::NumberGroup, {" Numer karty ", " Card number "}},
    {Text::BeforeGroup, {" Znaki przed numerem karty ", " Keys before the number "}},
    {Text::CardsGroup, {" Czytane karty ", " Cards read "}},
    {Text::AfterGroup, {" Znaki po numerze karty ", " Keys after the number "}},
    {Text::FormatGroup, {" Format  ", " Format "}},
    {Text::SizeGroup, {" Rozmiar ", " Length "}},
    {Text::FormatHex, {"Hex", "Hex"}},
    {Text::FormatDec, {"Dec (cały numer)", "Decimal"}},
    {Text::FormatDecBytes, {"Dec (każdy bajt)", "Decimal by byte"}},
    {Text::SizeCard, {"Według karty", "As on the card"}},
    {Text::Size4, {"4 bajty", "4 bytes"}},
    {Text::Size5, {"5 bajtów", "5 bytes"}},
    {Text::Size6, {"6 bajtów", "6 bytes"}},
    {Text::Size7, {"7 bajtów", "7 bytes"}},
    {Text::Size8, {"8 bajtów", "8 bytes"}},
    {Text::Reversed, {"Odwrócony numer", "Reversed number"}},
    {Text::EnterAtEnd, {"Enter na końcu", "Enter at the end"}},
    {Text::Mifare, {"Mifare", "Mifare"}},
    {Text::Icode, {"iCode", "iCode"}},
    {Text::Key1Group, {" Znak 1 ", " Key 1 "}},
    {Text::Key2Group, {" Znak 2 ", " Key 2 "}},
    {Text::Key3Group, {" Znak 3 ", " Key 3 "}},
    {Text::Key2GroupAfter, {" Znak 2", " Key 2"}},
    {Text::SendBox, {"Wysłać", "Send"}},
    {Text::LeftLabel, {"Lewy", "Left"}},
    {Text::RightLabel, {"Prawy", "Right"}},
    {Text::CtrlLabel, {"Ctrl", "Ctrl"}},
    {Text::ShiftLabel, {"Shift", "Shift"}},
    {Text::AltLabel, {"Alt", "Alt"}},
    {Text::KeyLabel, {"Klawisz", "Key"}},
    {Text::FileMenu, {"Plik", "File"}},
    {Text::LoadItem, {"Wczytaj ustawienia…", "Open settings…"}},
    {Text::SaveItem, {"Zapisz ustawienia…", "Save settings…"}},
    {Text::ProvItem, {"Programowanie seryjne…", "Program many readers…"}},
    {Text::ExitItem, {"Zakończ", "Exit"}},
    {Text::HelpMenu, {"Pomoc", "Help"}},
    {Text::ReportItem, {"Zapisz raport o problemie…", "Save a problem report…"}},
    {Text::AboutItem, {"O programie", "About"}},
    // The status line.
    {Text::Connected,
     {"Czytnik Zr-T%d, Nr: %05d (soft: %02d)", "Zr-T%d reader, serial %05d, firmware %02d"}},
    {Text::NotConnected, {"       Czytnik nie podłączony", "       No reader connected"}},
    {Text::NoAccessStatus, {"Brak dostępu do czytnika", "No access to the reader"}},
    // The boxes.
    {Text::NoAccess,
     {"Brak dostępu do czytnika. Zainstaluj pakiet zrt-vivoraz lub regułę udev (zob. {readme}), "
      "a następnie podłącz czytnik ponownie.",
      "No access to the reader. Install the zrt-vivoraz package or its udev rule (see {readme}), "
      "then unplug the reader and plug it in again."}},
    {Text::WriteNotStored,
     {"Czytnik nie zapisał konfiguracji.", "The reader did not store the settings."}},
    {Text::SettingDiffers,
     {"{name}: zapisano {wrote}, czytnik ma {has}", "{name}: wrote {wrote}, reader has {has}"}},
    {Text::LinkProgram, {"Błąd w kodzie programu.", "Internal error in the program."}},
    {Text::LinkHidDriver, {"Błąd z driwera HID.", "The HID driver reported an error."}},
    {Text::LinkNotFound,
     {"Wysłanie rozkazu do nie wyszukanego ZrHID.", "Command sent before a reader was found."}},
    {Text::LinkBadReply, {"Błąd odebranych danych.", "The reader's reply is corrupt."}},
    {Text::LinkUpgrade, {"Błąd podczas upgrade.", "The reader refused an upgrade step."}},
    {Text::LinkInUse,
     {"Czytnik jest używany przez inny program.", "The reader is in use by another program."}},
    {Text::LinkUnknown, {"ZrHID - błąd bez stosownego opisu.", "Unknown reader error."}},
    // The upgrade.
    {Text::UpgradeQuestion,
     {firmware::UPGRADE_QUESTION,
      "    The reader's firmware is out of date.\n"
      "    Some settings will not work as set.\n"
      "\n"
      "    Upgrade the firmware now?"}},
    {Text::Upgrade41, {"Upgrade ZR-T41", "Zr-T41 firmware upgrade"}},
    {Text::Upgrade51, {"Upgrade ZR-T51", "Zr-T51 firmware upgrade"}},
    {Text::UpgradeFileError, {"Błąd pliku upgrade.", "The firmware image is damaged."}},
    {Text::UpgradeLabel, {"Ładowanie nowej wersji oprogramowania", "Uploading new firmware"}},
    {Text::YesButton, {"Tak", "Yes"}},
    {Text::NoButton, {"Nie", "No"}},
    // Settings files.
    {Text::LoadTitle, {"Wczytaj ustawienia", "Open settings"}},
    {Text::SaveTitle, {"Zapisz ustawienia", "Save settings"}},
    {Text::SettingsFiles, {"Pliki ustawień (*.json)", "Settings files (*.json)"}},
    {Text::AllFiles, {"Wszystkie pliki (*.*)", "All files (*.*)"}},
    {Text::CannotRead, {"Nie można odczytać pliku:", "Cannot read the file:"}},
    {Text::CannotWrite, {"Nie można zapisać pliku:", "Cannot save the file:"}},
    {Text::BadSettingsFile, {"Plik ustawień jest błędny:", "Invalid settings file:"}},
    {Text::FileTooLarge,
     {"Plik jest za duży: ma ponad 64 KiB, a plik ustawień ma mniej niż 1 KiB.",
      "The file is too large: it is over 64 KiB, and a settings file is under 1 KiB."}},
    {Text::NotARegularFile,
     {"To nie jest zwykły plik (lecz np. potok lub urządzenie).",
      "Not a regular file (a pipe or a device, for example)."}},
    // The report for support, and the trace file.
    {Text::ReportTitle, {"Zapisz raport o problemie", "Save a problem report"}},
    {Text::ReportFiles, {"Raporty (*.txt)", "Reports (*.txt)"}},
    {Text::ReportSaved, {"Raport zapisano w pliku:", "Report saved to:"}},
    {Text::ReportSend,
     {"Prześlij ten plik wraz z opisem problemu (zob. README, rozdział „Reporting a problem”).",
      "Send this file with a description of the problem (see the README, section “Reporting a "
      "problem”)."}},
    {Text::TraceNotOpened,
     {"Nie można otworzyć pliku śladu (ZRT_TRACE); ślad jest zbierany tylko w pamięci:",
      "Cannot open the trace file (ZRT_TRACE); the trace is kept in memory only:"}},
    // The provisioning dialog.
    {Text::ProvCaption, {"Programowanie seryjne", "Program many readers"}},
    {Text::ProvFile, {"Plik ustawień:", "Settings file:"}},
    {Text::ProvLog, {"Dziennik:", "Log:"}},
    {Text::ProvNoLog, {"(brak)", "(none)"}},
    {Text::ProvUpgrade,
     {"Aktualizuj też oprogramowanie czytników", "Upgrade the readers' firmware too"}},
    {Text::ProvStop, {"Zatrzymaj", "Stop"}},
    {Text::ProvCounts,
     {"Zapisane: %d    Bez zmian: %d    Błędy: %d", "Written: %d    Unchanged: %d    Failed: %d"}},
    {Text::ProvWaiting, {"Podłącz czytnik", "Plug in a reader"}},
    {Text::ProvWorking, {"Programowanie czytnika…", "Programming the reader…"}},
    {Text::ProvWritten, {"zapisany", "written"}},
    {Text::ProvUnchanged, {"bez zmian", "unchanged"}},
    {Text::ProvFailed, {"BŁĄD", "FAILED"}},
    {Text::ProvSeenBefore, {"numer widziany wcześniej", "number seen before"}},
    {Text::ProvDone, {"Programowanie zakończone.", "Programming ended."}},
    {Text::ProvLogTitle,
     {"Dziennik programowania (anuluj: bez dziennika)", "Programming log (cancel: no log)"}},
    {Text::ProvLogFiles, {"Pliki CSV (*.csv)", "CSV files (*.csv)"}},
    {Text::ProvInUse, {"czytnik zajęty przez inny program", "in use by another program"}},
    {Text::ProvNotOpened, {"nie można otworzyć czytnika", "cannot be opened"}},
    {Text::ProvPulledReading,
     {"wyjęty podczas odczytu ustawień", "pulled out while its settings were read"}},
    {Text::ProvPulledWriting, {"wyjęty podczas zapisu", "pulled out during the write"}},
    {Text::ProvPulledUploading,
     {"wyjęty podczas ładowania oprogramowania", "pulled out during the firmware upload"}},
    {Text::ProvUploadFailed, {"błąd ładowania oprogramowania", "the firmware upload failed"}},
    {Text::ProvTestImage,
     {"wbudowany obraz oprogramowania jest testowy; nie wysłano go",
      "the built-in firmware image is a test image; not uploaded"}},
    {Text::ProvNotFoundAgain,
     {"nie odnaleziono czytnika po ładowaniu oprogramowania",
      "not found again after the firmware upload"}},
    {Text::ProvFirmwareNotTaken,
     {"czytnik nie przyjął nowego oprogramowania", "the reader did not take the new firmware"}},
    {Text::ProvSettingsLost,
     {"po ładowaniu oprogramowania czytnik nie ma już ustawień",
      "after the firmware upload the reader no longer holds the settings"}},
    // The About box. {licence}, {readme}: where they are installed; {model} "Zr-T51", {word} its
    // model word, {version} the image's firmware version.
    {Text::LicenceLine, {"Licencja: MIT (zob. {licence}).", "Licence: MIT (see {licence})."}},
    {Text::ImagesLine, {"Obrazy oprogramowania czytników:", "Firmware for the readers:"}},
    {Text::ImageLine,
     {"{model} ({word}): wersja {version}", "{model} ({word}): version {version}"}},
    {Text::TestImageLine,
     {"{model} ({word}): obraz testowy, nie ładowany",
      "{model} ({word}): test image, not uploaded"}},
    {Text::ReadmeLine, {"Opis programu: {readme}", "Documentation: {readme}"}},
    {Text::ReportingLine,
     {"Jak zgłosić problem: opisuje to README (po angielsku) w rozdziale „Reporting a problem”.",
      "Reporting a problem: see the README, section “Reporting a problem”."}},
    // A settings file's problems: {field} the field, {value} the text found, {limit} what the
    // value may be, {type} the kind of value found, {offset} a byte offset.
    {Text::NotJson,
     {"to nie jest dokument JSON (bajt {offset})", "not a JSON document (at byte {offset})"}},
    {Text::NumberOutOfRange,
     {"{field}: liczba {value} jest poza zakresem", "{field}: the number {value} is out of range"}},
    {Text::NumberOutOfRangeAt,
     {"liczba poza zakresem w bajcie {offset}", "a number out of range at byte {offset}"}},
    {Text::NotASettingsFile,
     {"to nie jest plik ustawień ZrT_VivoRaz (brak \"format\": \"{limit}\")",
      "not a ZrT_VivoRaz settings file (no \"format\": \"{limit}\")"}},
    {Text::OtherVersion,
     {"{field}: ma być {limit} (ten program nie czyta innych wersji)",
      "{field}: must be {limit} (this program reads no other version)"}},
    {Text::NotAnObject,
     {"{field}: ma być obiektem (jest: {type})", "{field}: must be an object, not {type}"}},
    {Text::UnknownField, {"{field}: nieznane pole", "{field}: unknown field"}},
    {Text::MissingField, {"{field}: brak tego pola", "{field}: missing"}},
    {Text::NotBoolean,
     {"{field}: ma być true lub false (jest: {type})",
      "{field}: must be true or false, not {type}"}},
    {Text::NotAKey,
     {"{field}: ma być null lub klawiszem, np. \"LShift+A\" (jest: {type})",
      "{field}: must be null or a key such as \"LShift+A\", not {type}"}},
    {Text::KeyAsNullText,
     {"{field}: brak klawisza zapisuje się jako null, nie jako tekst \"null\"",
      "{field}: write no key as null, not as the text \"null\""}},
    {Text::NotAKeyList,
     {"{field}: ma być listą o {limit} elementach", "{field}: must be a list of {limit} keys"}},
    {Text::NotAFormat,
     {"{field}: ma być \"hex\", \"dec\" lub \"dec-bytes\"",
      "{field}: must be \"hex\", \"dec\" or \"dec-bytes\""}},
    {Text::NotASize,
     {"{field}: ma być \"card\" lub liczbą bajtów od 4 do 8",
      "{field}: must be \"card\" or a number of bytes from 4 to 8"}},
    {Text::UnknownKey,
     {"{field}: nieznany klawisz '{value}' (klawisze: *, TAB, A do Z, 0 do 9, F1 do F12)",
      "{field}: unknown key '{value}' (keys: *, TAB, A to Z, 0 to 9, F1 to F12)"}},
    {Text::UnknownModifier,
     {"{field}: nieznany modyfikator '{value}' (modyfikatory: LCtrl, LShift, LAlt, RCtrl, RShift, "
      "RAlt)",
      "{field}: unknown modifier '{value}' (modifiers: LCtrl, LShift, LAlt, RCtrl, RShift, RAlt)"}},
    {Text::ModifierTwice,
     {"{field}: modyfikator '{value}' podany dwa razy", "{field}: modifier '{value}' given twice"}},
    {Text::EmptyKeyPart,
     {"{field}: pusta część w '{value}'", "{field}: an empty part in '{value}'"}},
    {Text::UnknownSetting, {"nieznane ustawienie '{field}'", "unknown setting '{field}'"}},
    {Text::NotOneOf,
     {"{field}: '{value}' nie jest żadną z wartości: {limit}",
      "{field}: '{value}' is not one of {limit}"}},
    {Text::TypeNull, {"null", "null"}},
    {Text::TypeBoolean, {"wartość logiczna", "true or false"}},
    {Text::TypeNumber, {"liczba", "a number"}},
    {Text::TypeString, {"tekst", "a string"}},
    {Text::TypeList, {"lista", "a list"}},
    {Text::TypeObject, {"obiekt", "an object"}},
};

// Every key has its row, in the order of the keys, so that a key is its row's index.
constexpr bool RowsInKeyOrder() {
    if (std::size(ROWS) != TEXT_COUNT) {
        return false;
    }
    for (std::size_t i = 0; i < TEXT_COUNT; ++i) {
        if (static_cast<std::size_t>(ROWS[i].key) != i) {
            return false;
        }
    }
    return true;
}
static_assert(RowsInKeyOrder(), "one row a key, in the keys' order");

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

Text ProblemKey(config::SettingsProblem problem) {
    using P = config::SettingsProblem;
    switch (problem) {
        case P::NotJson:
            return Text::NotJson;
        case P::NumberOutOfRange:
            return Text::NumberOutOfRange;
        case P::NumberOutOfRangeAt:
            return Text::NumberOutOfRangeAt;
        case P::NotASettingsFile:
            return Text::NotASettingsFile;
        case P::OtherVersion:
            return Text::OtherVersion;
        case P::NotAnObject:
            return Text::NotAnObject;
        case P::UnknownField:
            return Text::UnknownField;
        case P::MissingField:
            return Text::MissingField;
        case P::NotBoolean:
            return Text::NotBoolean;
        case P::NotAKey:
            return Text::NotAKey;
        case P::KeyAsNullText:
            return Text::KeyAsNullText;
        case P::NotAKeyList:
            return Text::NotAKeyList;
        case P::NotAFormat:
            return Text::NotAFormat;
        case P::NotASize:
            return Text::NotASize;
        case P::UnknownKey:
            return Text::UnknownKey;
        case P::UnknownModifier:
            return Text::UnknownModifier;
        case P::ModifierTwice:
            return Text::ModifierTwice;
        case P::EmptyKeyPart:
            return Text::EmptyKeyPart;
        case P::UnknownSetting:
            return Text::UnknownSetting;
        case P::NotOneOf:
            return Text::NotOneOf;
    }
    return Text::NotJson;
}

Text TypeKey(config::ValueType type) {
    switch (type) {
        case config::ValueType::Null:
            return Text::TypeNull;
        case config::ValueType::Boolean:
            return Text::TypeBoolean;
        case config::ValueType::Number:
            return Text::TypeNumber;
        case config::ValueType::String:
            return Text::TypeString;
        case config::ValueType::List:
            return Text::TypeList;
        case config::ValueType::Object:
            return Text::TypeObject;
    }
    return Text::TypeNull;
}

}  // namespace

std::string_view Words(Text key, Language language) {
    return ROWS[static_cast<std::size_t>(key)].words[static_cast<std::size_t>(language)];
}

std::string Fill(std::string_view text,
                 std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    std::string filled(text);
    for (const auto& [name, value] : values) {
        const std::string placeholder = "{" + std::string(name) + "}";
        for (std::size_t at = filled.find(placeholder); at != std::string::npos;
             at = filled.find(placeholder, at + value.size())) {
            filled.replace(at, placeholder.size(), value);
        }
    }
    return filled;
}

std::optional<Text> KeyOf(std::string_view polish) {
    for (const Row& row : ROWS) {
        if (row.words[static_cast<std::size_t>(Language::Polish)] == polish) {
            return row.key;
        }
    }
    return std::nullopt;
}

std::string Say(Language language, std::string_view polish) {
    const std::optional<Text> key = KeyOf(polish);
    return key ? std::string(Words(*key, language)) : std::string(polish);
}

Text LinkErrorKey(std::int32_t code) {
    switch (code) {
        case link::ERR_PROGRAM:
            return Text::LinkProgram;
        case link::ERR_HID_DRIVER:
            return Text::LinkHidDriver;
        case link::ERR_NOT_FOUND:
            return Text::LinkNotFound;
        case link::ERR_BAD_REPLY:
            return Text::LinkBadReply;
        case link::ERR_UPGRADE:
            return Text::LinkUpgrade;
        case link::ERR_IN_USE:
            return Text::LinkInUse;
        default:
            return Text::LinkUnknown;
    }
}

namespace {

// A message as a part of a sentence: without its full stop, its first letter small unless the
// word is a name in capitals ("HID").
std::string Phrase(std::string_view message) {
    std::string text(message);
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        !std::isupper(static_cast<unsigned char>(text[1]))) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    return text;
}

}  // namespace

std::string LinkErrorPhrase(Language language, std::int32_t code) {
    return Phrase(Words(LinkErrorKey(code), language));
}

// Every reason is a phrase that follows "failed: " (a message of the window's as such a phrase):
// a reader that cannot be opened said as the status line says it when no access is the cause, a
// link error alone by its own message; the settings that differ follow the reason after a colon.
std::string VerdictReason(Language language, const core::Verdict& verdict, bool withDifferences) {
    using R = core::Reason;
    const auto say = [language](Text key) { return Phrase(Words(key, language)); };
    std::string text;
    switch (verdict.reason) {
        case R::None:
            return text;
        case R::NotOpened:
            return say(verdict.openError == link::OpenError::NoAccess ? Text::NoAccessStatus
                       : verdict.openError == link::OpenError::InUse  ? Text::ProvInUse
                                                                      : Text::ProvNotOpened);
        case R::LinkError:
            return LinkErrorPhrase(language, verdict.linkError);
        case R::PulledOutReading:
            return say(Text::ProvPulledReading);
        case R::PulledOutWriting:
            return say(Text::ProvPulledWriting);
        case R::PulledOutUploading:
            return say(Text::ProvPulledUploading);
        case R::UploadFailed:
            return say(Text::ProvUploadFailed) + ": " +
                   LinkErrorPhrase(language, verdict.linkError);
        case R::DamagedImage:
            return say(Text::UpgradeFileError);
        case R::TestImage:
            return say(Text::ProvTestImage);
        case R::NotFoundAgain:
            return say(Text::ProvNotFoundAgain);
        case R::FirmwareNotTaken:
            return say(Text::ProvFirmwareNotTaken) + ": " +
                   std::to_string(verdict.firmwareAfter.value_or(0)) + " ≠ " +
                   std::to_string(verdict.imageVersion);
        case R::NotStored:
            text = say(Text::WriteNotStored);
            break;
        case R::SettingsLost:
            text = say(Text::ProvSettingsLost);
            break;
    }
    if (withDifferences && !verdict.differences.empty()) {
        text += ":";
        for (std::size_t i = 0; i < verdict.differences.size(); ++i) {
            text += (i == 0 ? " " : "; ") + DifferenceText(language, verdict.differences[i]);
        }
    }
    return text;
}

std::string DifferenceText(Language language, const config::SettingDifference& difference) {
    return Say(language, Text::SettingDiffers,
               {{"name", config::PrintableText(difference.name)},
                {"wrote", config::PrintableText(difference.wrote)},
                {"has", config::PrintableText(difference.has)}});
}

std::string ScriptReason(const core::Verdict& verdict) {
    if (verdict.reason == core::Reason::NotOpened) {
        return link::OpenErrorReason(verdict.openError);
    }
    return VerdictReason(Language::English, verdict);
}

std::string SettingsErrorText(Language language, const config::SettingsError& error) {
    const std::string field = config::PrintableText(error.field.empty() ? "document" : error.field);
    const std::string value = config::PrintableText(error.value);
    const std::string limit = config::PrintableText(error.limit);
    const std::string offset = std::to_string(error.offset);
    return Say(language, ProblemKey(error.problem),
               {{"field", field},
                {"value", value},
                {"limit", limit},
                {"type", Words(TypeKey(error.type), language)},
                {"offset", offset}});
}

const char* LanguageCode(Language language) {
    return language == Language::Polish ? "pl" : "en";
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

}  // namespace zrt::texts
