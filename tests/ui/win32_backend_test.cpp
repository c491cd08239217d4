// Tests of the Win32 backend (under wine on Linux): every control of both windows built from the
// layout with its window class, place, caption, initial state and place in the tab chain; clicks,
// changes, ticks and the window's activation reaching their handlers; the progress bar kept
// painted through a blocking wait; the layout made anew on a change of resolution; a label
// whose text changes showing on the screen what a fresh one shows; the text box's caret resting
// after a quiet spell; the arrivals and removals of HID interfaces reaching the window's watch;
// and no tick while the timer is off. What the window then does is the toolkit-free suite's.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/ui/window_words.hpp"
#include "ui/form_rules.hpp"
#include "ui/layout.hpp"
#include "ui/win32/win_dialogs.hpp"
#include "ui/win32/win_form.hpp"

namespace zrt::ui::win32 {
namespace {

class Recorder : public EventSink {
  public:
    void OnEvent(std::string_view handler, Component& sender) override {
        events.push_back(std::string(handler) + ":" + sender.Name());
    }
    std::vector<std::string> events;
};

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

const wchar_t* ExpectedClass(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
            return L"Static";
        case ControlKind::ComboBox:
            return L"ComboBox";
        case ControlKind::Memo:
            return L"Edit";
        case ControlKind::ProgressBar:
            return L"msctls_progress32";
        default:
            return L"Button";  // push buttons, group boxes, radio groups, check boxes
    }
}

// The control's own enabled flag and those of the boxes around it.
bool EnabledWithParents(const WindowLayout& layout, const ControlLayout& control) {
    for (const ControlLayout* c = &control; c != nullptr; c = layout.Find(c->parent)) {
        if (!c->enabled) {
            return false;
        }
    }
    return true;
}

// The identifier of the main window's timer, as its WM_TIMER carries it.
WPARAM TimerId() {
    const std::vector<ControlLayout>& controls = MainWinLayout().controls;
    const auto timer = std::find_if(controls.begin(), controls.end(),
                                    [](const ControlLayout& c) { return c.name == "Timer"; });
    return static_cast<WPARAM>(CONTROL_ID_BASE + (timer - controls.begin()));
}

const GUID HID_CLASS{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// A HID interface's arrival or removal, as the system announces it.
DEV_BROADCAST_DEVICEINTERFACE_W HidInterfaceChange() {
    DEV_BROADCAST_DEVICEINTERFACE_W device{};
    device.dbcc_size = sizeof(device);
    device.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    device.dbcc_classguid = HID_CLASS;
    return device;
}

struct Built {
    const WindowLayout* layout;
    Language language;
};

class WinBackend : public ::testing::TestWithParam<Built> {};

// Every control of the layout in its place and state, and every text the window shows (its
// controls' and its menus', read back) is in the window's language.
TEST_P(WinBackend, BuildsEveryControlOfTheLayout) {
    const WindowLayout& layout = *GetParam().layout;
    const Language language = GetParam().language;
    WinForm form(layout, false);
    ASSERT_EQ(form.Dpi(), 96) << "the layout's pixels are compared as they are";
    for (const ControlLayout& c : layout.controls) {
        if (c.kind == ControlKind::Timer) {
            continue;
        }
        const HWND window = form.Handle(c.name);
        ASSERT_NE(window, nullptr) << c.name;
        EXPECT_EQ(ClassOf(window), ExpectedClass(c.kind)) << c.name;
        RECT box;
        GetWindowRect(window, &box);
        const HWND parent = c.parent == layout.name ? form.Window() : form.Handle(c.parent);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&box), 2);
        EXPECT_EQ(box.left, c.bounds.left) << c.name;
        EXPECT_EQ(box.top, c.bounds.top) << c.name;
        if (!c.autoSize) {
            EXPECT_EQ(box.right - box.left, c.bounds.width) << c.name;
            // A drop-down list's closed height is the system's, from its font.
            if (c.kind != ControlKind::ComboBox) {
                EXPECT_EQ(box.bottom - box.top, c.bounds.height) << c.name;
            }
        }
        if (!c.caption.empty()) {
            wchar_t text[256] = {};
            GetWindowTextW(window, text, 256);
            EXPECT_EQ(Utf8(text), c.caption) << c.name;
            EXPECT_EQ(test::Foreign(Utf8(text), language), "") << c.name;
        }
        EXPECT_EQ(IsWindowEnabled(window) != FALSE, EnabledWithParents(layout, c)) << c.name;
        EXPECT_EQ((GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0, c.visible) << c.name;
        if (c.kind == ControlKind::CheckBox) {
            EXPECT_EQ(SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED, c.checked) << c.name;
        }
        if (c.kind == ControlKind::ComboBox) {
            EXPECT_EQ(SendMessageW(window, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(c.items.size()))
                << c.name;
        }
        if (c.kind == ControlKind::ProgressBar) {
            EXPECT_EQ(SendMessageW(window, PBM_GETRANGE, FALSE, 0), c.maximum) << c.name;
        }
    }
    std::vector<std::string> chain;
    for (const ControlLayout* c : TabChain(layout)) {
        chain.push_back(c->name);
    }
    EXPECT_EQ(form.TabChain(), chain);
    // The menus, read back from the menu bar.
    const HMENU bar = GetMenu(form.Window());
    for (int i = 0; bar != nullptr && i < GetMenuItemCount(bar); ++i) {
        wchar_t text[128] = {};
        GetMenuStringW(bar, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        EXPECT_EQ(test::Foreign(Utf8(text), language), "");
        EXPECT_TRUE(test::Own(Utf8(text), language)) << Utf8(text);
        const HMENU popup = GetSubMenu(bar, i);
        for (int k = 0; popup != nullptr && k < GetMenuItemCount(popup); ++k) {
            GetMenuStringW(popup, static_cast<UINT>(k), text, 128, MF_BYPOSITION);
            EXPECT_EQ(test::Foreign(Utf8(text), language), "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WinBackend,
    ::testing::Values(Built{&MainWinLayout(), Language::Polish},
                      Built{&WorkWinLayout(), Language::Polish},
                      Built{&MainWinLayout(Language::English), Language::English},
                      Built{&WorkWinLayout(Language::English), Language::English}),
    [](const auto& info) {
        return info.param.layout->name +
               (info.param.language == Language::English ? "English" : "Polish");
    });

TEST(WinBackendEvents, ClicksChangesTicksAndTheActivationReachTheirHandlers) {
    const WindowLayout& layout = MainWinLayout();
    WinForm form(layout, false);
    Recorder sink;
    form.SetEventSink(&sink);

    form.Get<ui::Timer>("Timer").SetEnabled(false);  // only the tick sent below
    form.Show();
    Pump();
    ASSERT_EQ(sink.events, std::vector<std::string>{"FormActivate:MainWin"});

    sink.events.clear();
    form.Get<Control>("WrBtn").SetEnabled(true);
    SendMessageW(form.Handle("WrBtn"), BM_CLICK, 0, 0);
    const HWND list = form.Handle("S1Cb");
    form.Get<Control>("S1Cb").SetEnabled(true);
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    form.Get<ui::Timer>("Timer").SetEnabled(true);
    SendMessageW(form.Window(), WM_TIMER, TimerId(), 0);
    form.Get<ui::Timer>("Timer").SetEnabled(false);
    Pump();
    EXPECT_EQ(sink.events, (std::vector<std::string>{"WrBtnClick:WrBtn", "S1CbChange:S1Cb",
                                                     "TimerTimer:Timer"}));
}

// The menu bar: "Plik" and "Pomoc" with their commands and no mnemonic, the bar's height added to
// the outer size with the client area as the layout has it; a command chosen reaches its handler,
// a disabled one is greyed, and the keyboard's way into the menu (SC_KEYMENU: Alt, F10, Alt with a
// letter) and Alt+F4 do nothing.
TEST(WinBackendMenu, WorksWithTheMouseOnlyAndAddsItsHeight) {
    const WindowLayout& layout = MainWinLayout();
    WinForm form(layout, false);
    ASSERT_EQ(form.Dpi(), 96) << "the layout's pixels are compared as they are";
    Recorder sink;
    form.SetEventSink(&sink);
    form.Get<ui::Timer>("Timer").SetEnabled(false);
    const HMENU bar = GetMenu(form.Window());
    ASSERT_NE(bar, nullptr);
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        texts.push_back(Utf8(text));
        const HMENU popup = GetSubMenu(bar, i);
        for (int j = 0; j < GetMenuItemCount(popup); ++j) {
            GetMenuStringW(popup, static_cast<UINT>(j), text, 64, MF_BYPOSITION);
            texts.push_back(GetMenuItemID(popup, j) == 0 ? "-" : Utf8(text));
        }
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Plik", "Wczytaj ustawienia…", "Zapisz ustawienia…",
                                               "Programowanie seryjne…", "-", "Zakończ", "Pomoc",
                                               "Zapisz raport o problemie…", "O programie"}));

    RECT outer{};
    GetWindowRect(form.Window(), &outer);
    EXPECT_EQ(outer.bottom - outer.top, layout.outerHeight + GetSystemMetrics(SM_CYMENU));

    form.Get<MenuCommand>("SaveMnu").SetEnabled(true);
    form.Show();
    Pump();
    sink.events.clear();
    SetFocus(form.Handle("RapWin"));
    for (const LPARAM key : {LPARAM{0}, LPARAM{'f'}, LPARAM{' '}}) {
        SendMessageW(form.Window(), WM_SYSCOMMAND, SC_KEYMENU, key);
    }
    MSG altF4{form.Handle("RapWin"), WM_SYSKEYDOWN, VK_F4, 0x20000000, 0, {}};
    EXPECT_TRUE(WinForm::PreTranslate(altF4));
    Pump();
    EXPECT_TRUE(IsWindow(form.Window()));
    EXPECT_EQ(GetFocus(), form.Handle("RapWin"));
    EXPECT_TRUE(sink.events.empty());

    EXPECT_FALSE(form.Get<MenuCommand>("LoadMnu").Enabled());
    EXPECT_TRUE(form.Get<MenuCommand>("SaveMnu").Enabled());
    SendMessageW(form.Window(), WM_COMMAND, MAKEWPARAM(MENU_ID_BASE + 1, 0), 0);  // "Zapisz"
    SendMessageW(form.Window(), WM_COMMAND, MAKEWPARAM(MENU_ID_BASE + 4, 0), 0);  // the report
    SendMessageW(form.Window(), WM_COMMAND, MAKEWPARAM(MENU_ID_BASE + 5, 0), 0);  // "O programie"
    EXPECT_EQ(sink.events,
              (std::vector<std::string>{"SaveMnuClick:SaveMnu", "ReportMnuClick:ReportMnu",
                                        "AboutMnuClick:AboutMnu"}));
}

// The window registers for the HID interface class, and only an arrival or a removal of a device
// interface reaches the watch, and brings the timer's next tick forward; the volumes the system
// announces to every window do not. (Sent
// here; that wine delivers the test bed's plugs to a registered window is shown by
// bench/device_change_probe.cpp and the plug-in figures of bench/idle.sh.)
TEST(WinBackendDeviceChanges, ArrivalsAndRemovalsOfInterfacesReachTheWatch) {
    WinForm form(MainWinLayout(), false);
    int changes = 0;
    ASSERT_TRUE(form.WatchDeviceInterfaces(HID_CLASS, [&changes] { ++changes; }));
    const DEV_BROADCAST_DEVICEINTERFACE_W device = HidInterfaceChange();
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    struct Case {
        WPARAM event;
        const void* data;
        int counted;
    };
    for (const Case& c :
         {Case{DBT_DEVICEARRIVAL, &device, 1}, Case{DBT_DEVICEREMOVECOMPLETE, &device, 1},
          Case{DBT_DEVICEQUERYREMOVE, &device, 0}, Case{DBT_DEVICEARRIVAL, &volume, 0},
          Case{DBT_DEVNODES_CHANGED, nullptr, 0}}) {
        changes = 0;
        form.Get<Timer>("Timer").SetEnabled(true);  // its next tick 100 ms away
        SendMessageW(form.Window(), WM_DEVICECHANGE, c.event, reinterpret_cast<LPARAM>(c.data));
        EXPECT_EQ(changes, c.counted) << c.event;
        MSG tick;
        EXPECT_EQ(PeekMessageW(&tick, form.Window(), WM_TIMER, WM_TIMER, PM_REMOVE) != FALSE,
                  c.counted == 1)
            << c.event << ": the tick is not brought forward with the change";
    }
}

// No tick while the timer is off, whatever is queued: the tick that a device arrival brought
// forward, the timer stopped before the loop came to it (as the upgrade's question stops it), and
// a tick sent to the stopped timer never reach the handler.
TEST(WinBackendDeviceChanges, NoTickRunsWhileTheTimerIsOff) {
    WinForm form(MainWinLayout(), false);
    Recorder sink;
    form.SetEventSink(&sink);
    ASSERT_TRUE(form.WatchDeviceInterfaces(HID_CLASS, [] {}));
    const DEV_BROADCAST_DEVICEINTERFACE_W device = HidInterfaceChange();
    ui::Timer& timer = form.Get<ui::Timer>("Timer");
    timer.SetEnabled(true);
    SendMessageW(form.Window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                 reinterpret_cast<LPARAM>(&device));
    timer.SetEnabled(false);
    SendMessageW(form.Window(), WM_TIMER, TimerId(), 0);
    Pump();
    EXPECT_TRUE(sink.events.empty());
}

// A blocking wait handles no input but keeps the bar painted: no part of it is left to paint.
TEST(WinBackendWaits, TheProgressBarIsPaintedDuringABlockingWait) {
    WinForm work(WorkWinLayout(), false);
    work.Show();
    Pump();
    ProgressBar& bar = work.Get<ProgressBar>("ProgrBar");
    bar.SetMax(100);
    bar.SetPosition(37);
    InvalidateRect(work.Handle("ProgrBar"), nullptr, TRUE);  // as when the window system exposes it
    WinWaiter waiter;
    waiter.Wait(30, &bar);
    EXPECT_EQ(SendMessageW(work.Handle("ProgrBar"), PBM_GETPOS, 0, 0), 37);
    EXPECT_FALSE(GetUpdateRect(work.Handle("ProgrBar"), nullptr, FALSE))
        << "the bar still waits for its paint";
}

// The rectangle of a control in its parent's client area.
RECT PlaceOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int FontHeight(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return -font.lfHeight;
}

struct DpiCase {
    int dpi;
    RECT suggested;
    RECT memo;  // RapWin: 720, 24, 425 x 481 at 96 dpi
    int memoFont;
    int labelFont;  // RdLbl's own 19-pixel font
};

// WM_DPICHANGED as the system sends it when the window moves to a monitor of another resolution
// (the 1600 x 900 test screen holds the window at these): the window takes the suggested
// rectangle, and controls and fonts follow the new resolution; back at 96 dpi all is as before.
TEST(WinDpiChange, LaysTheWindowOutAnewInTheSuggestedRectangle) {
    WinForm form(MainWinLayout(), false);
    form.Show();
    Pump();
    const HWND memo = form.Handle("RapWin");
    const RECT wide{40, 30, 1540, 860};
    for (DpiCase t : {DpiCase{120, wide, {900, 30, 900 + 531, 30 + 601}, 16, 24},
                      DpiCase{72, wide, {540, 18, 540 + 319, 18 + 361}, 10, 14},
                      DpiCase{96, {100, 100, 1278, 722}, {720, 24, 720 + 425, 24 + 481}, 13, 19}}) {
        SendMessageW(form.Window(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(t.dpi, t.dpi),
                     reinterpret_cast<LPARAM>(&t.suggested));
        RECT window{};
        GetWindowRect(form.Window(), &window);
        EXPECT_TRUE(EqualRect(&window, &t.suggested)) << t.dpi;
        const RECT place = PlaceOf(memo);
        EXPECT_TRUE(EqualRect(&place, &t.memo)) << t.dpi << ": " << place.left << "," << place.top
                                                << " " << place.right << "," << place.bottom;
        EXPECT_EQ(FontHeight(memo), t.memoFont) << t.dpi;
        EXPECT_EQ(FontHeight(form.Handle("RdLbl")), t.labelFont) << t.dpi;
    }
}

// The pixels of a window as the screen shows them (not as the window would paint itself now).
std::vector<std::uint32_t> ScreenPixels(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) *
                                      static_cast<std::size_t>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The status line after an unplug and a plug shows, on the screen, the pixels of a fresh window's
// status line with the same text: the text grown from the shorter one is drawn whole.
TEST(WinBackendRepaint, AStatusLineChangedTwiceLooksLikeAFreshOne) {
    const std::string connected = "Czytnik Zr-T51, Nr: 04242 (soft: 12)";
    const auto shown = [&](const std::vector<std::string>& texts) {
        WinForm form(MainWinLayout(), false);
        form.Show();
        Pump();
        for (const std::string& text : texts) {
            form.Get<Control>("RdLbl").SetCaption(text);
            Pump();
            Sleep(50);
        }
        Pump();
        return ScreenPixels(form.Handle("RdLbl"));
    };
    const auto replugged = shown({connected, "Czytnik nie podłączony", connected});
    const auto fresh = shown({connected});
    EXPECT_EQ(replugged.size(), fresh.size());
    EXPECT_TRUE(replugged == fresh) << "the label's pixels differ from a fresh window's";
    EXPECT_NE(std::count(fresh.begin(), fresh.end(), fresh.front()),
              static_cast<std::ptrdiff_t>(fresh.size()))
        << "no text on the screen: its pixels were not read";
}

// The messages of the program's loop for `milliseconds`, input passing WinForm::PreTranslate.
void RunLoop(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!WinForm::PreTranslate(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        Sleep(5);
    }
}

// What the empty text box shows over 8 blink times, a look every half blink: the number of its
// pixels unlike its middle one (its edge, and the caret when drawn).
std::vector<std::ptrdiff_t> CaretLooks(HWND box, UINT blink) {
    std::vector<std::ptrdiff_t> looks;
    for (int i = 0; i < 16; ++i) {
        RunLoop(blink / 2);
        const auto pixels = ScreenPixels(box);
        const std::uint32_t background = pixels[pixels.size() / 2];
        looks.push_back(std::count_if(pixels.begin(), pixels.end(),
                                      [&](std::uint32_t p) { return p != background; }));
    }
    return looks;
}

// The caret rests after the quiet spell the program ships with, 10 s, unless told otherwise.
TEST(WinBackendCaret, RestsAfterTenSecondsByDefault) {
    const HWND box = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(CaretRest(box).RestAfter(), 10'000u);
    DestroyWindow(box);
}

// The focused text box's caret blinks until the quiet spell is over, then stands still and shown;
// a key to the window makes it blink again.
TEST(WinBackendCaret, RestsShownAfterAQuietSpellAndBlinksAgainOnAKey) {
    const UINT desktopBlink = GetCaretBlinkTime();
    constexpr UINT blink = 100;
    SetCaretBlinkTime(blink);
    {
        WinForm form(MainWinLayout(), false);
        form.Show();
        const HWND box = form.Handle("RapWin");
        SetFocus(box);
        form.SetCaretRest(2500);
        const auto blinking = CaretLooks(box, blink);
        const auto [off, on] = std::minmax_element(blinking.begin(), blinking.end());
        ASSERT_LT(*off, *on) << "the caret did not blink before its rest";
        RunLoop(2000);
        const auto resting = CaretLooks(box, blink);
        EXPECT_EQ(std::count(resting.begin(), resting.end(), *on), 16) << "not shown and still";
        PostMessageW(box, WM_KEYDOWN, VK_SHIFT, 1);
        const auto woken = CaretLooks(box, blink);
        EXPECT_EQ(*std::min_element(woken.begin(), woken.end()), *off);
        EXPECT_EQ(*std::max_element(woken.begin(), woken.end()), *on);
    }
    SetCaretBlinkTime(desktopBlink);
}

}  // namespace
}  // namespace zrt::ui::win32
