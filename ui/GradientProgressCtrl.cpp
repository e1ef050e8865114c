#include "ui/GradientProgressCtrl.h"

#include <wx/dcclient.h>

#include "ui/MemDC.h"

namespace ui {

CGradientProgressCtrl::CGradientProgressCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                             const wxSize& size) {
    Create(parent, id, pos, size);
}

bool CGradientProgressCtrl::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                   const wxSize& size) {
    // The bar paints every pixel itself, so the background is never erased first.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (!wxControl::Create(parent, id, pos, size, wxBORDER_NONE)) return false;
    Bind(wxEVT_PAINT, &CGradientProgressCtrl::OnPaint, this);
    return true;
}

void CGradientProgressCtrl::SetRange(int lower, int upper) {
    m_nLower = lower;
    m_nUpper = upper;
    m_nPos = 0;
    Refresh(false);
}

void CGradientProgressCtrl::SetPos(int pos) {
    m_nPos = pos;
    Refresh(false);
}

void CGradientProgressCtrl::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize size = GetClientSize();
    const wxRect client(size);
    wxRect box = GetUpdateRegion().GetBox().Intersect(client);
    if (box.IsEmpty()) box = client;
    {
        CMemDC1 memory(dc, box);
        Paint(memory.Image(), box.x, box.y, size.GetWidth(), size.GetHeight());
    }
    // The text goes straight onto the window, over the copied bar, in the window's font.
    const std::string text = Text();
    if (text.empty()) return;
    const wxString label = wxString::FromUTF8(text);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.SetTextForeground(wxColour(platform::GetRValue(m_clrText), platform::GetGValue(m_clrText),
                                  platform::GetBValue(m_clrText)));
    const wxSize extent = dc.GetTextExtent(label);
    dc.DrawText(label, (size.GetWidth() - extent.GetWidth()) / 2,
                (size.GetHeight() - extent.GetHeight()) / 2);
}

}  // namespace ui
