#include "ui/MemDC.h"

#include "ui/PictureSurface.h"

namespace ui {

CMemDC1::CMemDC1(wxDC& target, const wxRect& clipBox) : m_target(target), m_rect(clipBox) {
    m_image.Create(clipBox.GetWidth(), clipBox.GetHeight(), 32, false);
}

CMemDC1::~CMemDC1() {
    if (!m_image.IsNull()) m_target.DrawBitmap(ToBitmap(m_image), m_rect.GetTopLeft());
}

}  // namespace ui
