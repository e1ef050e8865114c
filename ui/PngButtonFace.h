// What an image push-button shows: its normal, hover, pressed and disabled pictures, the
// hover and pressed flags that the mouse sets, and the choice and drawing of the picture
// for a state. It needs no window, so that every picture it draws can be checked off-screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/Image.h"

namespace ui {

class CPngButtonFace {
  public:
    // Loads the picture (id, type), cuts it into three equal frames side by side and keeps
    // them as the normal, hover and pressed pictures. A missing resource changes nothing;
    // a picture that cannot be decoded leaves the button without pictures.
    void SetStripImage(std::uint16_t id, std::string_view type);
    // The same, with the whole picture as each of the three pictures.
    void SetSingleImage(std::uint16_t id, std::string_view type);
    // Cuts a decoded picture into frames (3 for a strip, 1 for a single picture) of
    // width / frames columns (columns left over at the right are never shown) and keeps
    // them as above; premultiplied says that the frames are drawn blended.
    void SetFrames(const platform::CImage& picture, int frames, bool premultiplied);

    // The picture for the state, or nullptr when there is none: disabled first, then
    // selected (pressed picture), then not hovering (normal), then the pressed flag
    // (pressed), else the hover picture.
    const platform::CImage* PictureFor(bool disabled, bool selected) const;
    // Draws that picture stretched over the whole surface: blended over what the surface
    // holds when the picture has alpha, else as an opaque copy. Nothing without a picture.
    void DrawPicture(platform::CImage& surface, bool disabled, bool selected) const;

    // How the caption is drawn in a state: its colour and whether its rectangle's left and
    // top edges move 1 pixel right and down.
    struct CaptionStyle {
        platform::COLORREF colour;
        bool shifted;
    };
    CaptionStyle CaptionFor(bool disabled, bool selected) const;

    // The pointer is over the button.
    bool IsHovering() const { return m_bHovering; }
    // The left button went down on the button and has not come up.
    bool IsPressed() const { return m_bPressed; }

  protected:
    bool m_bHovering = false;
    bool m_bPressed = false;

  private:
    std::unique_ptr<platform::CImage> m_pImageNormal;
    std::unique_ptr<platform::CImage> m_pImageHover;
    std::unique_ptr<platform::CImage> m_pImagePressed;
    std::unique_ptr<platform::CImage> m_pImageDisabled;  // no operation fills it
};

}  // namespace ui
