// TMainWin: the logic of the main window, free of any toolkit. It reaches its controls by their
// names through a ControlSet that a toolkit built from MainWinLayout(), receives their events by
// handler name, and keeps the five key-entry rows, the two reader objects, the current reader and
// the status text.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "config/reader_config.hpp"
#include "link/hid_platform.hpp"
#include "link/hid_vp_tab.hpp"
#include "link/zrhid.hpp"
#include "ui/controls.hpp"
#include "ui/key_entry_row.hpp"

namespace zrt::ui {

class TWorkWin;

class TMainWin : public EventSink {
  public:
    // `controls`: the window built from MainWinLayout(), in its initial states. `hidVP41` and
    // `hidVP51`: the program's reader lists for product identifiers 65 and 81; the window borrows
    // their handles and never closes one. `dialogs` and `waiter`: the message boxes and the waits.
    TMainWin(ControlSet& controls, link::HidPlatform& platform, link::HidVPTab& hidVP41,
             link::HidVPTab& hidVP51, Dialogs& dialogs, Waiter& waiter);
    ~TMainWin() override;
    TMainWin(const TMainWin&) = delete;
    TMainWin& operator=(const TMainWin&) = delete;

    // The progress window, created after the main window.
    void AttachWorkWin(TWorkWin& workWin) { WorkWin = &workWin; }

    // Event handlers, by the names the layout gives them.
    void FormActivate(Component& sender);
    void TimerTimer(Component& sender);
    void WrBtnClick(Component& sender);
    void S0ChkBxClick(Component& sender);
    void DecGrpClick(Component& sender);
    void SizeGrpClick(Component& sender);
    void InvChkBxClick(Component& sender);
    void EnterChkBxClick(Component& sender);
    void S1ChkBx_01Click(Component& sender);
    void S1ChkBx_02Click(Component& sender);
    void S1ChkBx_04Click(Component& sender);
    void S1ChkBx_10Click(Component& sender);
    void S1ChkBx_20Click(Component& sender);
    void S1ChkBx_40Click(Component& sender);
    void S1CbChange(Component& sender);

    // Dispatches an event to the handler of that name; an unknown name is a program fault.
    void OnEvent(std::string_view handler, Component& sender) override;
    // Whether the window has a handler of that name.
    static bool HasHandler(std::string_view handler);

    // Record to controls (load) and controls to record (write).
    void ShowConfiguration(const config::ReaderConfig& record);
    config::ReaderConfig BuildConfiguration() const;

    // The controls.
    Control& Form;  // the window itself
    Control& RdLbl;
    Control& RapWin;
    Control& WrBtn;
    Control& NrGroup;
    Control& BegGrp;
    ProgressBar& WrProgressBar;
    Control& KartTypeGrp;
    Control& GroupBox2;
    ui::Timer& Timer;
    ItemList& DecGrp;
    ItemList& SizeGrp;
    CheckBox& InvChkBx;
    CheckBox& MifareChkBx;
    CheckBox& IcodeChkBx;
    CheckBox& EnterChkBx;
    Control& GroupBox1;
    Control& S1Grp;
    Control& S2Grp;
    Control& S3Grp;
    Control& S4Grp;

    // Rows S0..S4: S0 to S2 before the card number, S3 and S4 after it.
    std::array<KeyEntryRow, config::ROW_COUNT> KeyRows;
    link::ZrHID Reader41;
    link::ZrHID Reader51;
    link::ZrHID* CurrentReader;  // &Reader41, &Reader51 or none
    std::string StatusText;      // the connected reader's status, shown by RdLbl

    // What the window works with besides its controls.
    link::HidVPTab& HidVP41;
    link::HidVPTab& HidVP51;
    Dialogs& Boxes;
    Waiter& Waits;
    TWorkWin* WorkWin = nullptr;

  private:
    void FocusRapWin() { RapWin.SetFocus(); }
};

}  // namespace zrt::ui
