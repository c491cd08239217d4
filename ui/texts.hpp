// The window's own Polish texts that no other part of the program keeps: captions, menu items, the
// upgrade's label and box, the file dialogs, the messages of the settings files and the About box.
// ui/words.hpp gives each its English.
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

// The About box: the program's name and version (MAIN_CAPTION), then these; {licence} and {readme}
// are where those documents are installed, {model} a model's name ("Zr-T51"), {word} its model word
// and {version} the firmware version of its image.
inline constexpr const char* LICENCE_LINE = "Licencja: MIT (zob. {licence}).";
inline constexpr const char* IMAGES_LINE = "Obrazy oprogramowania czytników:";
inline constexpr const char* IMAGE_LINE = "{model} ({word}): wersja {version}";
inline constexpr const char* TEST_IMAGE_LINE = "{model} ({word}): obraz testowy, nie ładowany";
inline constexpr const char* README_LINE = "Opis programu: {readme}";
inline constexpr const char* REPORTING_LINE =
    "Jak zgłosić problem: opisuje to README (po angielsku) w rozdziale „Reporting a problem”.";

}  // namespace zrt::ui
