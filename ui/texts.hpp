// The window's own Polish texts that no other part of the program keeps: captions, menu items, the
// upgrade's label and box, the file dialogs, the messages of the settings files, the About box and
// the provisioning dialog. ui/words.hpp gives each its English.
#pragma once

#include <string>

#include "firmware/firmware_image.hpp"

namespace zrt::ui {

// The program's name and version; the main window's title adds the note of a build that uploads
// test images (MainCaption()).
inline constexpr const char* MAIN_CAPTION = "ZrT_VivoRaz 1.9";
inline std::string MainCaption() {
    return MAIN_CAPTION + std::string(firmware::TestImagesNote());
}
inline constexpr const char* WORK_CAPTION = "ZrT_VivoRaz";
inline constexpr const char* WRITE_CAPTION = "Zapis konfiguracji";

// Shown when the record read back after a write holds other settings than the one written.
inline constexpr const char* WRITE_NOT_STORED_TEXT = "Czytnik nie zapisał konfiguracji.";

// The upgrade: the progress window's label during the upload, and the box of an image that failed
// the consistency test.
inline constexpr const char* UPGRADE_LABEL = "Ładowanie nowej wersji oprogramowania";
inline constexpr const char* UPGRADE_FILE_ERROR = "Błąd pliku upgrade.";

// The menu bar.
inline constexpr const char* FILE_MENU = "Plik";
inline constexpr const char* LOAD_ITEM = "Wczytaj ustawienia…";
inline constexpr const char* SAVE_ITEM = "Zapisz ustawienia…";
inline constexpr const char* PROV_ITEM = "Programowanie seryjne…";
inline constexpr const char* EXIT_ITEM = "Zakończ";
inline constexpr const char* HELP_MENU = "Pomoc";
inline constexpr const char* ABOUT_ITEM = "O programie";

// The buttons of a question where the toolkit does not name them in the system's language.
inline constexpr const char* YES_BUTTON = "Tak";
inline constexpr const char* NO_BUTTON = "Nie";

// Settings files: the dialogs' titles and filters, and the messages (each followed by the file's
// name on a line of its own, and for a bad file what is wrong with which field, for a file refused
// unread why).
inline constexpr const char* LOAD_TITLE = "Wczytaj ustawienia";
inline constexpr const char* SAVE_TITLE = "Zapisz ustawienia";
inline constexpr const char* SETTINGS_FILES = "Pliki ustawień (*.json)";
inline constexpr const char* ALL_FILES = "Wszystkie pliki (*.*)";
inline constexpr const char* CANNOT_READ = "Nie można odczytać pliku:";
inline constexpr const char* CANNOT_WRITE = "Nie można zapisać pliku:";
inline constexpr const char* BAD_SETTINGS_FILE = "Plik ustawień jest błędny:";
inline constexpr const char* FILE_TOO_LARGE =
    "Plik jest za duży: ma ponad 64 KiB, a plik ustawień ma mniej niż 1 KiB.";
inline constexpr const char* NOT_A_REGULAR_FILE =
    "To nie jest zwykły plik (lecz np. potok lub urządzenie).";

// The report for support: the item of the "Pomoc" menu, its save dialog, the box after saving;
// and the box at start when the trace file that ZRT_TRACE names cannot be opened (followed by
// why).
inline constexpr const char* REPORT_ITEM = "Zapisz raport o problemie…";
inline constexpr const char* REPORT_TITLE = "Zapisz raport o problemie";
inline constexpr const char* REPORT_FILES = "Raporty (*.txt)";
inline constexpr const char* REPORT_SAVED = "Raport zapisano w pliku:";
inline constexpr const char* REPORT_SEND =
    "Prześlij ten plik wraz z opisem problemu (zob. README, rozdział „Reporting a problem”).";
inline constexpr const char* TRACE_NOT_OPENED =
    "Nie można otworzyć pliku śladu (ZRT_TRACE); ślad jest zbierany tylko w pamięci:";

// The About box: the program's name and version (MAIN_CAPTION), then these.
inline constexpr const char* LICENCE_LINE = "Licencja: MIT (zob. plik LICENSE).";
inline constexpr const char* IMAGES_LINE = "Obrazy oprogramowania czytników:";
inline constexpr const char* IMAGE_VERSION_WORD = "wersja";
inline constexpr const char* REPORTING_LINE =
    "Zgłaszanie problemów: zob. README, rozdział „Reporting a problem”.";

// The provisioning dialog: its caption, what its labels say before the file names and the
// counts (a printf format of the three counts: written, unchanged, failed), its option and button,
// the banner while it waits and works, the words of a verdict, and the dialog that chooses its
// log. The summary box says PROV_DONE, then the counts.
inline constexpr const char* PROV_CAPTION = "Programowanie seryjne";
inline constexpr const char* PROV_FILE = "Plik ustawień:";
inline constexpr const char* PROV_LOG = "Dziennik:";
inline constexpr const char* PROV_NO_LOG = "(brak)";
inline constexpr const char* PROV_UPGRADE = "Aktualizuj też oprogramowanie czytników";
inline constexpr const char* PROV_STOP = "Zatrzymaj";
inline constexpr const char* PROV_COUNTS = "Zapisane: %d    Bez zmian: %d    Błędy: %d";
inline constexpr const char* PROV_WAITING = "Podłącz czytnik";
inline constexpr const char* PROV_WORKING = "Programowanie czytnika…";
inline constexpr const char* PROV_WRITTEN = "zapisany";
inline constexpr const char* PROV_UNCHANGED = "bez zmian";
inline constexpr const char* PROV_FAILED = "BŁĄD";
inline constexpr const char* PROV_SEEN_BEFORE = "numer widziany wcześniej";
inline constexpr const char* PROV_DONE = "Programowanie zakończone.";
inline constexpr const char* PROV_LOG_TITLE = "Dziennik programowania (anuluj: bez dziennika)";
inline constexpr const char* PROV_LOG_FILES = "Pliki CSV (*.csv)";
// Why a reader failed, as the dialog says it (English: core::ReasonWords).
inline constexpr const char* PROV_IN_USE = "czytnik zajęty przez inny program";
inline constexpr const char* PROV_NOT_OPENED = "nie można otworzyć czytnika";
inline constexpr const char* PROV_PULLED_READING = "wyjęty podczas odczytu ustawień";
inline constexpr const char* PROV_PULLED_WRITING = "wyjęty podczas zapisu";
inline constexpr const char* PROV_PULLED_UPLOADING = "wyjęty podczas ładowania oprogramowania";
inline constexpr const char* PROV_UPLOAD_FAILED = "błąd ładowania oprogramowania";
inline constexpr const char* PROV_TEST_IMAGE =
    "wbudowany obraz oprogramowania jest testowy; nie wysłano go";
inline constexpr const char* PROV_NOT_FOUND_AGAIN =
    "nie odnaleziono czytnika po ładowaniu oprogramowania";
inline constexpr const char* PROV_FIRMWARE_NOT_TAKEN = "czytnik nie przyjął nowego oprogramowania";
inline constexpr const char* PROV_SETTINGS_LOST =
    "po ładowaniu oprogramowania czytnik nie ma już ustawień";

}  // namespace zrt::ui
