// Putting pictures of the platform image type on screen, and the surface of a window that
// the image buttons on it blend their pictures over.
#pragma once

#include <wx/bitmap.h>
#include <wx/gdicmn.h>

#include "platform/Image.h"

namespace ui {

// The picture as an opaque bitmap (its alpha bytes are ignored, as the screen has none).
wxBitmap ToBitmap(const platform::CImage& picture);

// A window whose own surface custom-drawn children draw over (the dialogs implement it).
class IBackdrop {
  public:
    virtual ~IBackdrop() = default;
    // Draws the part of the window's surface whose top-left corner is the client point
    // origin into target, which covers target.GetWidth() x target.GetHeight() pixels.
    virtual void DrawBackdrop(platform::CImage& target, wxPoint origin) const = 0;
};

// Draws a dialog's surface into target (placed at the client point origin): the base colour,
// then the background picture stretched over the whole client area of size client,
// blended when it has alpha, else copied. An empty picture leaves the base colour.
void DrawBackgroundPicture(const platform::CImage& picture, wxSize client, platform::COLORREF base,
                           platform::CImage& target, wxPoint origin);

}  // namespace ui
