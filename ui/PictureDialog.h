// What both dialogs share: no caption or border, a window rounded at its corners, a PNG
// picture as background that the image buttons blend over, and moving the window by
// dragging any point of its background.
#pragma once

#include <wx/dialog.h>

#include <cstdint>
#include <functional>

#include "platform/Image.h"
#include "ui/PictureSurface.h"

namespace ui {

class CPictureDialog : public wxDialog, public IBackdrop {
  public:
    // A dialog without parent of the given client size, showing PNG resource pictureId
    // (premultiplied once) stretched over its client area.
    CPictureDialog(const wxString& title, wxSize size, std::uint16_t pictureId);

    void DrawBackdrop(platform::CImage& target, wxPoint origin) const override;

    // Ends the modal run with code, unless it has already been asked to end.
    void EndDialogOnce(int code);

    // Hides the dialog, or shows it again, without ending its modal run (hiding a modal
    // dialog the ordinary way ends it with cancel).
    void ShowKeepingModalRun(bool show);

    // Makes sure the dialog's keys keep working after controls were hidden: when no shown
    // control of the dialog has the keyboard, the keyboard holder takes it.
    void KeepKeyboard();

  protected:
    // What Enter and Escape do; the key is taken before any control sees it (an empty action
    // takes it and does nothing).
    void SetDialogKeys(std::function<void()> onEnter, std::function<void()> onEscape);

    // Clips the window to a rectangle whose corners are 5 x 5 ellipses.
    void ApplyRoundedShape();

    platform::CImage m_imgBackground;

  private:
    void OnPaint(wxPaintEvent& event);
    void OnShow(wxShowEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnMouseMove(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnCharHook(wxKeyEvent& event);

    std::function<void()> m_onEnter, m_onEscape;

    // The toolkit hands keys only to a focused child window; when no button is shown, this
    // one-pixel child, under the cut-off top-left corner, holds the keyboard for the dialog.
    wxWindow m_keyboardHolder;
    bool m_bDragging = false;
    wxPoint m_dragOffset;  // pointer position within the window when the drag began
};

}  // namespace ui
