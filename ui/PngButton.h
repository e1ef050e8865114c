// CVRNPngButton: the push-button of both dialogs, drawn from PNG pictures. It shows the
// normal, hover or pressed frame of its picture strip blended over its parent's surface,
// follows the pointer (capturing the mouse while the pointer is over it) and tells its
// parent of a click as a wxEVT_BUTTON with its own id. It draws no focus rectangle and
// leaves the cursor alone.
#pragma once

#include <wx/control.h>

#include "ui/PngButtonFace.h"

namespace ui {

class CVRNPngButton : public wxControl, public CPngButtonFace {
  public:
    CVRNPngButton() = default;
    CVRNPngButton(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                  const wxSize& size = wxDefaultSize, const wxString& caption = wxString());
    // Lets the mouse go when the button still holds it (the dialog may close under the pointer).
    ~CVRNPngButton() override;
    // Makes the window (for two-step creation).
    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, const wxString& caption = wxString());

    // Enables or disables the button and repaints it; a disabled button takes no input.
    bool Enable(bool enable = true) override;
    // The system's pressed state: the left button (or the space bar) is down on the button
    // while the pointer is over it.
    bool IsSelected() const { return m_bSelected; }

  private:
    void OnPaint(wxPaintEvent& event);
    void OnMouseMove(wxMouseEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnKeyUp(wxKeyEvent& event);

    // The ordinary push-button behaviour that follows each mouse handler.
    void TrackMouseMove(bool inside);
    void TrackLeftDown();
    void TrackLeftUp(bool inside);
    void StopTracking();

    // Repaints the part of the parent under the button, and so the button over it.
    void InvalidateParentArea();
    void SendClick();
    bool Inside(const wxPoint& point) const;

    bool m_bSelected = false;
    bool m_bTracking = false;  // the left button went down on the button, not yet up
};

}  // namespace ui
