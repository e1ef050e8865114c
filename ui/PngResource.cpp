#include "ui/PngResource.h"

#include <optional>
#include <span>

#include "res/Resources.h"

namespace ui {

bool LoadPngResource(platform::CImage* image, std::uint16_t id) {
    if (image == nullptr) return false;
    image->Destroy();
    std::optional<std::span<const std::uint8_t>> bytes = res::FindResource("PNG", id);
    if (!bytes) return false;
    platform::DecodePng(*bytes, *image);
    return true;
}

void PremultiplyAlpha(platform::CImage* image) {
    if (image != nullptr) image->Premultiply();
}

ButtonPicture LoadButtonPicture(std::uint16_t id, std::string_view type) {
    ButtonPicture result;
    std::optional<std::span<const std::uint8_t>> bytes = res::FindResource(type, id);
    if (!bytes) return result;
    result.found = true;
    if (!platform::DecodePng(*bytes, result.picture)) return result;
    if (type == "PNG" && result.picture.GetBPP() == 32) {
        PremultiplyAlpha(&result.picture);
        result.premultiplied = true;
    }
    return result;
}

}  // namespace ui
