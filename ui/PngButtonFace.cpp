#include "ui/PngButtonFace.h"

#include "ui/PngResource.h"

namespace ui {
namespace {

constexpr platform::COLORREF kCaptionColour = platform::RGB(30, 30, 30);
constexpr platform::COLORREF kDisabledCaptionColour = platform::RGB(100, 100, 100);

}  // namespace

void CPngButtonFace::SetStripImage(std::uint16_t id, std::string_view type) {
    ButtonPicture loaded = LoadButtonPicture(id, type);
    if (loaded.found) SetFrames(loaded.picture, 3, loaded.premultiplied);
}

void CPngButtonFace::SetSingleImage(std::uint16_t id, std::string_view type) {
    ButtonPicture loaded = LoadButtonPicture(id, type);
    if (loaded.found) SetFrames(loaded.picture, 1, loaded.premultiplied);
}

void CPngButtonFace::SetFrames(const platform::CImage& picture, int frames, bool premultiplied) {
    std::unique_ptr<platform::CImage>* slots[] = {&m_pImageNormal, &m_pImageHover,
                                                  &m_pImagePressed};
    const int width = frames > 0 ? picture.GetWidth() / frames : 0;
    for (int i = 0; i < 3; ++i) {
        slots[i]->reset();
        const int x = frames == 1 ? 0 : i * width;
        auto frame = std::make_unique<platform::CImage>();
        if (platform::CopyRegion(picture, {x, 0, width, picture.GetHeight()}, premultiplied,
                                 *frame))
            *slots[i] = std::move(frame);
    }
}

const platform::CImage* CPngButtonFace::PictureFor(bool disabled, bool selected) const {
    if (disabled) return m_pImageDisabled.get();
    if (selected) return m_pImagePressed.get();
    if (!m_bHovering) return m_pImageNormal.get();
    if (m_bPressed) return m_pImagePressed.get();
    return m_pImageHover.get();
}

void CPngButtonFace::DrawPicture(platform::CImage& surface, bool disabled, bool selected) const {
    const platform::CImage* picture = PictureFor(disabled, selected);
    if (picture == nullptr || surface.IsNull()) return;
    const platform::ImageRect target{0, 0, surface.GetWidth(), surface.GetHeight()};
    const platform::ImageRect source{0, 0, picture->GetWidth(), picture->GetHeight()};
    if (picture->HasAlpha())
        platform::AlphaBlendStretched(surface, target, *picture, source);
    else
        platform::StretchCopy(surface, target, *picture, source);
}

CPngButtonFace::CaptionStyle CPngButtonFace::CaptionFor(bool disabled, bool selected) const {
    if (disabled) return {kDisabledCaptionColour, false};
    return {kCaptionColour, selected || (m_bHovering && m_bPressed)};
}

}  // namespace ui
