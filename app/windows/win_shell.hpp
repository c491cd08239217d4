// The Win32 shell: the run of the windows (main, progress, provisioning dialog) and the message
// loop over the reader lists, with the main window registered for the system's notifications of
// HID interfaces. app/windows/win_main.cpp puts it together over the system's HID support.
#pragma once

#include <windows.h>

#include <string>

#include "app/reader_lists.hpp"
#include "app/windows/win_single_instance.hpp"
#include "link/hid_platform.hpp"
#include "texts/texts.hpp"
#include "ui/win32/win_form.hpp"

namespace zrt::app {

// Creates the main window over the reader lists, then the hidden progress window and provisioning
// dialog, lets a later start bring the main window to the front, shows it and runs the message
// loop until it is closed. The main window is registered through `registration` for the arrivals and removals of
// HID interfaces, which it passes to the platform's changes so that the poll searches only after
// one; where the system refuses the registration the poll searches on every tick. An error of the
// general kind that escapes a message is shown in a box and the loop goes on.
// A `traceError` (the trace file named could not be opened) is said in a box once the window shows.
// Every box, question and file chosen is noted in the program's trace.
void RunWindows(link::HidPlatform& platform, ReaderLists& lists, WinSingleInstance& instance,
                const std::string& traceError = {},
                ui::win32::DeviceRegistration registration = &::RegisterDeviceNotificationW);

// The language of the user's interface, which the windows speak.
ui::Language WindowLanguage();

// Shows the message of an error that no window caught, in a box over the active window.
void ShowError(const char* message);

}  // namespace zrt::app
