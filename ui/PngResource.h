// Loading the program's "PNG" pictures into images, and their alpha premultiplication.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Image.h"

namespace ui {

// Frees any picture that image holds and decodes the resource of type "PNG" with that id
// into it, not premultiplied. False when image is null or there is no such resource; true
// otherwise, also when the bytes could not be decoded, so callers test image->IsNull().
bool LoadPngResource(platform::CImage* image, std::uint16_t id);

// Multiplies the colour channels of a 32-bit image by its alpha channel, in place:
// (channel * alpha) / 255, truncated. Nothing for a null pointer or another depth.
void PremultiplyAlpha(platform::CImage* image);

// What a button loader makes of the resource (id, type): the decoded picture, premultiplied
// when type is exactly "PNG" and the picture has 32 bits per pixel. found is false when the
// resource does not exist; picture is empty when it could not be decoded.
struct ButtonPicture {
    bool found = false;
    bool premultiplied = false;
    platform::CImage picture;
};
ButtonPicture LoadButtonPicture(std::uint16_t id, std::string_view type);

}  // namespace ui
