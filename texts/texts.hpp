// The catalogue of every text the program shows a user, below both front ends: each text by its
// key, in every language the program speaks (one column a language: a third language is one more
// Language and one more column in texts/words.cpp), with the wording of what config/, core/ and
// link/ report as data (a settings file's problem, a link error code, a search's notice). The
// window speaks the user's language; the command-line program takes the English column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "config/reader_config.hpp"
#include "config/settings_words.hpp"

namespace zrt::core {
struct Verdict;
}

namespace zrt::texts {

enum class Language { Polish, English };
inline constexpr std::size_t LANGUAGE_COUNT = 2;

// The keys. Placeholders in a text are "{name}" (or, in the status line, printf conversions).
enum class Text {
    // The windows and their controls.
    MainTitle,  // the program's name and version
    WorkTitle,
    WriteButton,
    NumberGroup,
    BeforeGroup,
    CardsGroup,
    AfterGroup,
    FormatGroup,
    SizeGroup,
    FormatHex,
    FormatDec,
    FormatDecBytes,
    SizeCard,
    Size4,
    Size5,
    Size6,
    Size7,
    Size8,
    Reversed,
    EnterAtEnd,
    Mifare,
    Icode,
    Key1Group,
    Key2Group,
    Key3Group,
    Key2GroupAfter,
    SendBox,
    LeftLabel,
    RightLabel,
    CtrlLabel,
    ShiftLabel,
    AltLabel,
    KeyLabel,
    FileMenu,
    LoadItem,
    SaveItem,
    ProvItem,
    ExitItem,
    HelpMenu,
    ReportItem,
    AboutItem,
    // The status line: model number, serial number, firmware version (printf, three ints).
    Connected,
    NotConnected,
    NoAccessStatus,
    // The boxes. {readme}: where the README is installed.
    NoAccess,
    WriteNotStored,
    SettingDiffers,
    LinkProgram,
    LinkHidDriver,
    LinkNotFound,
    LinkBadReply,
    LinkUpgrade,
    LinkInUse,
    LinkUnknown,
    // The upgrade.
    UpgradeQuestion,
    Upgrade41,
    Upgrade51,
    UpgradeFileError,
    UpgradeLabel,
    YesButton,
    NoButton,
    // Settings files; each message is followed by the file's name.
    LoadTitle,
    SaveTitle,
    SettingsFiles,
    AllFiles,
    CannotRead,
    CannotWrite,
    BadSettingsFile,
    FileTooLarge,
    NotARegularFile,
    // The report for support: its save dialog, the box after saving; the box at start when the
    // trace file that ZRT_TRACE names cannot be opened (followed by why).
    ReportTitle,
    ReportFiles,
    ReportSaved,
    ReportSend,
    TraceNotOpened,
    // The provisioning dialog: its caption, what its labels say before the file names and the
    // counts (printf, three ints: written, unchanged, failed), its option and button, the banner
    // while it waits and works, the words of a verdict, the summary box (ProvDone, then the
    // counts), and the dialog that chooses its log.
    ProvCaption,
    ProvFile,
    ProvLog,
    ProvNoLog,
    ProvUpgrade,
    ProvStop,
    ProvCounts,
    ProvWaiting,
    ProvWorking,
    ProvWritten,
    ProvUnchanged,
    ProvFailed,
    ProvSeenBefore,
    ProvDone,
    ProvLogTitle,
    ProvLogFiles,
    // Why a reader failed, as the dialog says it (the English as the command line says it).
    ProvInUse,
    ProvNotOpened,
    ProvPulledReading,
    ProvPulledWriting,
    ProvPulledUploading,
    ProvUploadFailed,
    ProvTestImage,
    ProvNotFoundAgain,
    ProvFirmwareNotTaken,
    ProvSettingsLost,
    // The About box.
    LicenceLine,
    ImagesLine,
    ImageLine,
    TestImageLine,
    ReadmeLine,
    ReportingLine,
    // What is wrong with a settings file or a setting (config::SettingsProblem).
    NotJson,
    NumberOutOfRange,
    NumberOutOfRangeAt,
    NotASettingsFile,
    OtherVersion,
    NotAnObject,
    UnknownField,
    MissingField,
    NotBoolean,
    NotAKey,
    KeyAsNullText,
    NotAKeyList,
    NotAFormat,
    NotASize,
    UnknownKey,
    UnknownModifier,
    ModifierTwice,
    EmptyKeyPart,
    UnknownSetting,
    NotOneOf,
    // The kinds of JSON value (config::ValueType).
    TypeNull,
    TypeBoolean,
    TypeNumber,
    TypeString,
    TypeList,
    TypeObject,
    Count
};
inline constexpr std::size_t TEXT_COUNT = static_cast<std::size_t>(Text::Count);

// The text of a key in a language.
std::string_view Words(Text key, Language language);
// The text with each placeholder "{name}" replaced by its value.
std::string Fill(std::string_view text,
                 std::initializer_list<std::pair<std::string_view, std::string_view>> values);
inline std::string Say(
    Language language, Text key,
    std::initializer_list<std::pair<std::string_view, std::string_view>> values = {}) {
    return Fill(Words(key, language), values);
}
// The key of a Polish text (the window's layout and the firmware's question are written in the
// program's first language, Polish), or none.
std::optional<Text> KeyOf(std::string_view polish);
// A Polish text in `language`; a text the catalogue lacks (a key name, a path) as it is.
std::string Say(Language language, std::string_view polish);

// The message of a link error code (link::ZrHIDErr); every code outside 0..5 has the generic one.
Text LinkErrorKey(std::int32_t code);
// A link error as a part of a sentence ("/dev/hidraw3: the reader is in use by another program"),
// as the command line says it: the message without its capital and full stop.
std::string LinkErrorPhrase(Language language, std::int32_t code);
// Why a provisioning station's reader failed (core::Verdict), in `language`, empty when it did
// not: the reason, then the link error behind it, the versions, and, when `withDifferences`, the
// settings that differ. The window's list and banner, and in English the command line and the log.
std::string VerdictReason(Language language, const core::Verdict& verdict,
                          bool withDifferences = true);
// A setting the reader did not store, in `language`: "number.size: wrote 4, reader has card".
std::string DifferenceText(Language language, const config::SettingDifference& difference);
// The reason as the command line and the provisioning log write it, for scripts: VerdictReason's
// English, a reader that was not opened said as the command line's reader search says it, with
// the system's advice where access is refused (link::OpenErrorReason).
std::string ScriptReason(const core::Verdict& verdict);
// What is wrong with a settings file or a setting, in `language`: "before.2: unknown key 'F13'
// (keys: ...)". Texts from the input (field, value) shown escaped (config::PrintableText).
std::string SettingsErrorText(Language language, const config::SettingsError& error);

// The language's ISO 639-1 code, as the trace's header and the system's texts take it: "pl", "en".
const char* LanguageCode(Language language);

// The language of the window. `variable` reads an environment variable (nullptr or empty: not
// set). ZRT_LANG=pl or en decides first. Then, when `windowsUiLanguage` is given (the primary
// language of Windows' user interface language), Polish for Polish or a neutral one and English
// for any other. Else the first of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES and LANG that
// is set decides: Polish for a Polish locale ("pl", "pl_PL.UTF-8") and for one that says no
// language ("C", "POSIX", "C.UTF-8"), English for every other; nothing set gives Polish.
Language ChooseLanguage(const std::function<const char*(const char*)>& variable,
                        std::optional<std::uint16_t> windowsUiLanguage);
// ChooseLanguage over this process's environment and the user interface language of Windows, which
// the Windows start-up reads (app/windows/); the Linux start-up has none to give.
Language SystemLanguage(std::optional<std::uint16_t> windowsUiLanguage);

}  // namespace zrt::texts
