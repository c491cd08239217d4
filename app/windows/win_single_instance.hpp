// One window per user on Windows: a second start of zrt-vivoraz.exe brings the running window to
// the front (restored when minimised) and ends. The running program holds a small named shared
// memory of the user's session, named after the user, that carries its main window's handle.
#pragma once

#include <windows.h>

#include <string>

namespace zrt::app {

class WinSingleInstance {
  public:
    // Claims the name for this program, or finds that another program holds it.
    explicit WinSingleInstance(const std::wstring& name = DefaultName());
    ~WinSingleInstance();
    WinSingleInstance(const WinSingleInstance&) = delete;
    WinSingleInstance& operator=(const WinSingleInstance&) = delete;

    // True when another program already runs for this user; its window has been asked to come
    // to the front (waiting a few seconds for a window that it is still making).
    bool HandOverToRunning();
    // From now on a later start brings `window` to the front.
    void Listen(HWND window);

    // "Local\ZrT_VivoRaz.window.<user name>": one for each user of a session.
    static std::wstring DefaultName();

  private:
    HANDLE mapping_ = nullptr;
    HWND* shared_ = nullptr;  // the running program's window; null until it has one
    bool first_ = false;
};

}  // namespace zrt::app
