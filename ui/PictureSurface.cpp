#include "ui/PictureSurface.h"

#include <wx/image.h>

namespace ui {

wxBitmap ToBitmap(const platform::CImage& picture) {
    if (picture.IsNull()) return wxBitmap();
    const int width = picture.GetWidth(), height = picture.GetHeight();
    wxImage image(width, height, false);
    unsigned char* rgb = image.GetData();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = picture.Row(y);
        for (int x = 0; x < width; ++x, row += 4, rgb += 3) {
            rgb[0] = row[2];
            rgb[1] = row[1];
            rgb[2] = row[0];
        }
    }
    return wxBitmap(image);
}

void DrawBackgroundPicture(const platform::CImage& picture, wxSize client, platform::COLORREF base,
                           platform::CImage& target, wxPoint origin) {
    target.FillRect(0, 0, target.GetWidth(), target.GetHeight(), base);
    if (picture.IsNull()) return;
    const platform::ImageRect to{-origin.x, -origin.y, client.GetWidth(), client.GetHeight()};
    const platform::ImageRect from{0, 0, picture.GetWidth(), picture.GetHeight()};
    if (picture.HasAlpha())
        platform::AlphaBlendStretched(target, to, picture, from);
    else
        platform::StretchCopy(target, to, picture, from);
}

}  // namespace ui
