// TWorkWin: binds the progress window's two controls by name.
#include "ui/work_win.hpp"

#include "ui/layout.hpp"

namespace zrt::ui {

TWorkWin::TWorkWin(ControlSet& controls)
    : Form(controls.Get<Control>(WorkWinLayout().name)),
      ProgrBar(controls.Get<ProgressBar>("ProgrBar")),
      WorkLbl(controls.Get<Control>("WorkLbl")) {}

}  // namespace zrt::ui
