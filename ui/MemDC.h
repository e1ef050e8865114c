// CMemDC1: double buffering for one paint. Drawing goes into an off-screen picture of the
// area that needs painting, which is copied to the target in one step at the end, so the
// control does not flicker.
#pragma once

#include <wx/dc.h>
#include <wx/gdicmn.h>

#include "platform/Image.h"

namespace ui {

class CMemDC1 {
  public:
    // Prepares an off-screen picture covering clipBox (in the target's coordinates).
    CMemDC1(wxDC& target, const wxRect& clipBox);
    // Copies the picture to clipBox of the target.
    ~CMemDC1();
    CMemDC1(const CMemDC1&) = delete;
    CMemDC1& operator=(const CMemDC1&) = delete;

    // The off-screen picture; its pixel (0, 0) shows the target's point Origin().
    platform::CImage& Image() { return m_image; }
    wxPoint Origin() const { return m_rect.GetTopLeft(); }

  private:
    wxDC& m_target;
    wxRect m_rect;
    platform::CImage m_image;
};

}  // namespace ui
