// TWorkWin: the progress window of the firmware upload. It has no handlers and no operations of its
// own; the upload sets what it shows.
#pragma once

#include "ui/controls.hpp"

namespace zrt::ui {

class TWorkWin {
  public:
    // `controls`: the window built from WorkWinLayout(), hidden.
    explicit TWorkWin(ControlSet& controls);

    Control& Form;  // the window itself: shown, repainted and hidden by the upload
    ProgressBar& ProgrBar;
    Control& WorkLbl;
};

}  // namespace zrt::ui
