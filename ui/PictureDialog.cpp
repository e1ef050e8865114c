#include "ui/PictureDialog.h"

#include <wx/dcclient.h>
#include <wx/region.h>

#include "ui/PngResource.h"

namespace ui {
namespace {

constexpr platform::COLORREF kBaseColour = platform::RGB(255, 255, 255);
// Pixels cut off the first and last rows by the 5 x 5 corner ellipses.
constexpr int kCornerInset[] = {2, 1};

}  // namespace

CPictureDialog::CPictureDialog(const wxString& title, wxSize size, std::uint16_t pictureId)
    : wxDialog(nullptr, wxID_ANY, title, wxPoint(0, 0), size, wxBORDER_NONE | wxFRAME_SHAPED),
      m_keyboardHolder(this, wxID_ANY, wxPoint(0, 0), wxSize(1, 1), wxBORDER_NONE | wxWANTS_CHARS) {
    // Without a border the window's size is its client size. (Setting the client size of a
    // hidden top-level window here shrinks it to 1 x 1 once it is shown, when no window
    // manager runs.)
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (LoadPngResource(&m_imgBackground, pictureId) && !m_imgBackground.IsNull())
        PremultiplyAlpha(&m_imgBackground);
    Bind(wxEVT_PAINT, &CPictureDialog::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CPictureDialog::OnLeftDown, this);
    Bind(wxEVT_MOTION, &CPictureDialog::OnMouseMove, this);
    Bind(wxEVT_LEFT_UP, &CPictureDialog::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CPictureDialog::OnCaptureLost, this);
    Bind(wxEVT_SHOW, &CPictureDialog::OnShow, this);
    Bind(wxEVT_CHAR_HOOK, &CPictureDialog::OnCharHook, this);
}

void CPictureDialog::SetDialogKeys(std::function<void()> onEnter, std::function<void()> onEscape) {
    m_onEnter = std::move(onEnter);
    m_onEscape = std::move(onEscape);
}

void CPictureDialog::OnCharHook(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
        case WXK_RETURN:
        case WXK_NUMPAD_ENTER:
            if (m_onEnter) m_onEnter();
            return;
        case WXK_ESCAPE:
            if (m_onEscape) m_onEscape();
            return;
        default:
            event.Skip();
    }
}

void CPictureDialog::ShowKeepingModalRun(bool show) {
    wxTopLevelWindow::Show(show);
}

void CPictureDialog::KeepKeyboard() {
    const wxWindow* focus = FindFocus();
    if (focus != nullptr && focus != this && focus->GetParent() == this && focus->IsShown()) return;
    m_keyboardHolder.SetFocus();
}

void CPictureDialog::OnShow(wxShowEvent& event) {
    event.Skip();
    if (event.IsShown()) KeepKeyboard();
}

void CPictureDialog::DrawBackdrop(platform::CImage& target, wxPoint origin) const {
    DrawBackgroundPicture(m_imgBackground, GetClientSize(), kBaseColour, target, origin);
}

void CPictureDialog::EndDialogOnce(int code) {
    if (IsModal()) EndModal(code);
}

void CPictureDialog::ApplyRoundedShape() {
    const wxSize size = GetClientSize();
    wxRegion region(0, 0, size.x, size.y);
    const int rows = static_cast<int>(std::size(kCornerInset));
    for (int row = 0; row < rows; ++row) {
        const int inset = kCornerInset[row];
        for (int y : {row, size.y - 1 - row}) {
            region.Subtract(wxRect(0, y, inset, 1));
            region.Subtract(wxRect(size.x - inset, y, inset, 1));
        }
    }
    SetShape(region);
}

void CPictureDialog::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize size = GetClientSize();
    platform::CImage surface;
    if (!surface.Create(size.x, size.y, 32, false)) return;
    DrawBackdrop(surface, wxPoint(0, 0));
    dc.DrawBitmap(ToBitmap(surface), 0, 0);
}

void CPictureDialog::OnLeftDown(wxMouseEvent& event) {
    m_bDragging = true;
    m_dragOffset = event.GetPosition();
    if (!HasCapture()) CaptureMouse();
}

void CPictureDialog::OnMouseMove(wxMouseEvent& event) {
    if (!m_bDragging || !event.LeftIsDown()) return;
    Move(ClientToScreen(event.GetPosition()) - m_dragOffset);
}

void CPictureDialog::OnLeftUp(wxMouseEvent&) {
    m_bDragging = false;
    if (HasCapture()) ReleaseMouse();
}

void CPictureDialog::OnCaptureLost(wxMouseCaptureLostEvent&) {
    m_bDragging = false;
}

}  // namespace ui
