// CGradientProgressCtrl: the thin progress bar of the progress dialog. It paints itself
// through CMemDC1 with bands of one blue up to the position and the background colour
// beyond, optionally with a centred percentage text.
#pragma once

#include <wx/control.h>

#include "ui/GradientBar.h"

namespace ui {

class CGradientProgressCtrl : public wxControl, public CGradientBar {
  public:
    CGradientProgressCtrl() = default;
    CGradientProgressCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                          const wxSize& size = wxDefaultSize);
    // Makes the window (for two-step creation).
    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize);

    // Stores the bounds, sets the position to 0 and repaints.
    void SetRange(int lower, int upper);
    // Stores the position and repaints; the HTTP engine moves the bar through it.
    void SetPos(int pos);

  private:
    void OnPaint(wxPaintEvent& event);
    wxSize DoGetBestClientSize() const override { return wxSize(500, 6); }
    bool AcceptsFocus() const override { return false; }
};

}  // namespace ui
