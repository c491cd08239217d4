// TMainWin: construction, the handler table, the row handlers and the configuration mappings over
// the controls. The reader work of FormActivate, TimerTimer and WrBtnClick comes with the polling.
#include "ui/wmain.hpp"

#include <stdexcept>
#include <utility>

#include "ui/layout.hpp"

namespace zrt::ui {

namespace {

using Handler = void (TMainWin::*)(Component&);

constexpr std::pair<std::string_view, Handler> HANDLERS[] = {
    {"FormActivate", &TMainWin::FormActivate},
    {"TimerTimer", &TMainWin::TimerTimer},
    {"WrBtnClick", &TMainWin::WrBtnClick},
    {"S0ChkBxClick", &TMainWin::S0ChkBxClick},
    {"DecGrpClick", &TMainWin::DecGrpClick},
    {"SizeGrpClick", &TMainWin::SizeGrpClick},
    {"InvChkBxClick", &TMainWin::InvChkBxClick},
    {"EnterChkBxClick", &TMainWin::EnterChkBxClick},
    {"S1ChkBx_01Click", &TMainWin::S1ChkBx_01Click},
    {"S1ChkBx_02Click", &TMainWin::S1ChkBx_02Click},
    {"S1ChkBx_04Click", &TMainWin::S1ChkBx_04Click},
    {"S1ChkBx_10Click", &TMainWin::S1ChkBx_10Click},
    {"S1ChkBx_20Click", &TMainWin::S1ChkBx_20Click},
    {"S1ChkBx_40Click", &TMainWin::S1ChkBx_40Click},
    {"S1CbChange", &TMainWin::S1CbChange},
};

Handler FindHandler(std::string_view name) {
    for (const auto& [handlerName, handler] : HANDLERS) {
        if (handlerName == name) {
            return handler;
        }
    }
    return nullptr;
}

}  // namespace

TMainWin::TMainWin(ControlSet& controls, link::HidPlatform& platform, link::HidVPTab& hidVP41,
                   link::HidVPTab& hidVP51, Dialogs& dialogs, Waiter& waiter)
    : Form(controls.Get<Control>(MainWinLayout().name)),
      RdLbl(controls.Get<Control>("RdLbl")),
      RapWin(controls.Get<Control>("RapWin")),
      WrBtn(controls.Get<Control>("WrBtn")),
      NrGroup(controls.Get<Control>("NrGroup")),
      BegGrp(controls.Get<Control>("BegGrp")),
      WrProgressBar(controls.Get<ProgressBar>("WrProgressBar")),
      KartTypeGrp(controls.Get<Control>("KartTypeGrp")),
      GroupBox2(controls.Get<Control>("GroupBox2")),
      Timer(controls.Get<ui::Timer>("Timer")),
      DecGrp(controls.Get<ItemList>("DecGrp")),
      SizeGrp(controls.Get<ItemList>("SizeGrp")),
      InvChkBx(controls.Get<CheckBox>("InvChkBx")),
      MifareChkBx(controls.Get<CheckBox>("MifareChkBx")),
      IcodeChkBx(controls.Get<CheckBox>("IcodeChkBx")),
      EnterChkBx(controls.Get<CheckBox>("EnterChkBx")),
      GroupBox1(controls.Get<Control>("GroupBox1")),
      S1Grp(controls.Get<Control>("S1Grp")),
      S2Grp(controls.Get<Control>("S2Grp")),
      S3Grp(controls.Get<Control>("S3Grp")),
      S4Grp(controls.Get<Control>("S4Grp")),
      KeyRows{},  // refer to no control until bound below
      Reader41(platform, link::PRODUCT_ID_41),
      Reader51(platform, link::PRODUCT_ID_51),
      CurrentReader(nullptr),
      StatusText(),
      HidVP41(hidVP41),
      HidVP51(hidVP51),
      Boxes(dialogs),
      Waits(waiter) {
    for (int row = 0; row < config::ROW_COUNT; ++row) {
        KeyRows[static_cast<std::size_t>(row)] = KeyEntryRow::Bind(controls, row);
    }
}

// The reader handles belong to the reader lists; nothing is closed here.
TMainWin::~TMainWin() = default;

void TMainWin::OnEvent(std::string_view handler, Component& sender) {
    const Handler h = FindHandler(handler);
    if (h == nullptr) {
        throw std::logic_error("TMainWin has no handler " + std::string(handler));
    }
    (this->*h)(sender);
}

bool TMainWin::HasHandler(std::string_view handler) {
    return FindHandler(handler) != nullptr;
}

// Activation: searching for a reader and loading it come with the polling.
void TMainWin::FormActivate(Component& /*sender*/) {}

// The 100 ms tick: the liveness check and the search come with the polling.
void TMainWin::TimerTimer(Component& /*sender*/) {}

// The write comes with the polling.
void TMainWin::WrBtnClick(Component& /*sender*/) {}

void TMainWin::S0ChkBxClick(Component& sender) {
    for (const KeyEntryRow& row : KeyRows) {
        if (row.SendBox() == &sender) {
            EnableKeyControls(row, row.SendBox()->Checked());
        }
    }
    FocusRapWin();
}

void TMainWin::DecGrpClick(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::SizeGrpClick(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::InvChkBxClick(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::EnterChkBxClick(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_01Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_02Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_04Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_10Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_20Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_40Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1CbChange(Component& /*sender*/) {
    FocusRapWin();
}

void TMainWin::ShowConfiguration(const config::ReaderConfig& record) {
    const config::ConfigState state = config::StateFromRecord(record);
    EnterChkBx.SetChecked(state.enterAtEnd);
    DecGrp.SetItemIndex(state.formatIndex);
    SizeGrp.SetItemIndex(state.sizeIndex);
    InvChkBx.SetChecked(state.reversed);
    ShowKeyRow(KeyRows[0], state.rows[0]);
    MifareChkBx.SetChecked(state.mifare);
    IcodeChkBx.SetChecked(state.icode);
    for (std::size_t row = 1; row < KeyRows.size(); ++row) {
        ShowKeyRow(KeyRows[row], state.rows[row]);
    }
}

config::ReaderConfig TMainWin::BuildConfiguration() const {
    config::ConfigState state;
    state.enterAtEnd = EnterChkBx.Checked();
    state.formatIndex = DecGrp.ItemIndex();
    state.sizeIndex = SizeGrp.ItemIndex();
    state.reversed = InvChkBx.Checked();
    state.mifare = MifareChkBx.Checked();
    state.icode = IcodeChkBx.Checked();
    for (std::size_t row = 0; row < KeyRows.size(); ++row) {
        state.rows[row] = ReadKeyRow(KeyRows[row]);
    }
    return config::RecordFromState(state);
}

}  // namespace zrt::ui
