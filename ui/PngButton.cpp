#include "ui/PngButton.h"

#include <wx/dcclient.h>

#include "ui/PictureSurface.h"

namespace ui {

CVRNPngButton::CVRNPngButton(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                             const wxSize& size, const wxString& caption) {
    Create(parent, id, pos, size, caption);
}

CVRNPngButton::~CVRNPngButton() {
    if (HasCapture()) ReleaseMouse();
}

bool CVRNPngButton::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                           const wxString& caption) {
    // The picture is blended over the parent's surface, never over an erased background.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (!wxControl::Create(parent, id, pos, size, wxBORDER_NONE)) return false;
    SetLabel(caption);
    Bind(wxEVT_PAINT, &CVRNPngButton::OnPaint, this);
    Bind(wxEVT_MOTION, &CVRNPngButton::OnMouseMove, this);
    Bind(wxEVT_LEFT_DOWN, &CVRNPngButton::OnLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &CVRNPngButton::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &CVRNPngButton::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CVRNPngButton::OnCaptureLost, this);
    Bind(wxEVT_KEY_DOWN, &CVRNPngButton::OnKeyDown, this);
    Bind(wxEVT_KEY_UP, &CVRNPngButton::OnKeyUp, this);
    return true;
}

bool CVRNPngButton::Enable(bool enable) {
    if (!enable) {
        if (HasCapture()) ReleaseMouse();
        StopTracking();
        m_bHovering = m_bPressed = false;
    }
    const bool changed = wxControl::Enable(enable);
    Refresh(false);
    return changed;
}

void CVRNPngButton::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize size = GetClientSize();
    platform::CImage surface;
    if (!surface.Create(size.GetWidth(), size.GetHeight(), 32, false)) return;
    const bool disabled = !IsEnabled();
    if (const IBackdrop* backdrop = dynamic_cast<const IBackdrop*>(GetParent())) {
        backdrop->DrawBackdrop(surface, GetPosition());
    } else {
        const wxColour colour = GetParent()->GetBackgroundColour();
        surface.FillRect(0, 0, size.GetWidth(), size.GetHeight(),
                         platform::RGB(colour.Red(), colour.Green(), colour.Blue()));
    }
    DrawPicture(surface, disabled, m_bSelected);
    dc.DrawBitmap(ToBitmap(surface), 0, 0);

    const wxString caption = GetLabel();
    if (caption.find_first_not_of(' ') == wxString::npos) return;
    const CaptionStyle style = CaptionFor(disabled, m_bSelected);
    wxRect rect(size);
    if (style.shifted) {
        rect.x += 1;
        rect.y += 1;
        rect.width -= 1;
        rect.height -= 1;
    }
    dc.SetFont(GetFont());
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.SetTextForeground(wxColour(platform::GetRValue(style.colour),
                                  platform::GetGValue(style.colour),
                                  platform::GetBValue(style.colour)));
    const wxSize extent = dc.GetTextExtent(caption);
    dc.DrawText(caption, rect.x + (rect.width - extent.GetWidth()) / 2,
                rect.y + (rect.height - extent.GetHeight()) / 2);
}

void CVRNPngButton::OnMouseMove(wxMouseEvent& event) {
    const bool inside = Inside(event.GetPosition());
    if (inside) {
        if (!event.LeftIsDown()) m_bPressed = false;
        if (!HasCapture()) CaptureMouse();
        if (!m_bHovering) {
            m_bHovering = true;
            SetFocus();
            Refresh(false);
            InvalidateParentArea();
        }
    } else {
        // Letting the capture go also ends the press the button was tracking.
        if (HasCapture()) ReleaseMouse();
        StopTracking();
        m_bHovering = false;
        Refresh(false);
        InvalidateParentArea();
    }
    TrackMouseMove(inside);
}

void CVRNPngButton::OnLeftDown(wxMouseEvent&) {
    InvalidateParentArea();
    m_bPressed = true;
    TrackLeftDown();
}

void CVRNPngButton::OnLeftUp(wxMouseEvent& event) {
    if (m_bPressed) {
        Refresh(false);
        InvalidateParentArea();
        m_bPressed = false;
    }
    m_bHovering = false;
    TrackLeftUp(Inside(event.GetPosition()));
}

void CVRNPngButton::OnCaptureLost(wxMouseCaptureLostEvent&) {
    StopTracking();
    m_bHovering = false;
    Refresh(false);
}

void CVRNPngButton::OnKeyDown(wxKeyEvent& event) {
    if (event.GetKeyCode() != WXK_SPACE) {
        event.Skip();
        return;
    }
    if (!m_bTracking && !m_bSelected) {
        m_bSelected = true;
        Refresh(false);
    }
}

void CVRNPngButton::OnKeyUp(wxKeyEvent& event) {
    if (event.GetKeyCode() != WXK_SPACE) {
        event.Skip();
        return;
    }
    if (!m_bTracking && m_bSelected) {
        m_bSelected = false;
        Refresh(false);
        SendClick();
    }
}

void CVRNPngButton::TrackMouseMove(bool inside) {
    if (m_bTracking && inside != m_bSelected) {
        m_bSelected = inside;
        Refresh(false);
    }
}

void CVRNPngButton::TrackLeftDown() {
    SetFocus();
    if (!HasCapture()) CaptureMouse();
    m_bTracking = true;
    m_bSelected = true;
    Refresh(false);
}

void CVRNPngButton::TrackLeftUp(bool inside) {
    if (!m_bTracking) return;
    const bool click = m_bSelected && inside;
    StopTracking();
    if (HasCapture()) ReleaseMouse();
    Refresh(false);
    if (click) SendClick();
}

void CVRNPngButton::StopTracking() {
    m_bTracking = false;
    m_bSelected = false;
}

void CVRNPngButton::InvalidateParentArea() {
    if (wxWindow* parent = GetParent()) parent->RefreshRect(GetRect(), true);
}

void CVRNPngButton::SendClick() {
    wxCommandEvent click(wxEVT_BUTTON, GetId());
    click.SetEventObject(this);
    ProcessWindowEvent(click);
}

bool CVRNPngButton::Inside(const wxPoint& point) const {
    return wxRect(GetClientSize()).Contains(point);
}

}  // namespace ui
