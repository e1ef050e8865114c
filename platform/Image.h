// Pictures in memory: 32-bit blue-green-red-alpha pixels with an alpha flag, read from and
// written to PNG, premultiplied, cut, and drawn onto one another stretched, either blended
// (source over destination with a premultiplied source) or as an opaque copy. All of it is
// done here, in exact integer arithmetic, so that what reaches the screen can be checked
// pixel by pixel without a display.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace platform {

// A colour as red, green and blue bytes (0x00BBGGRR).
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t GetGValue(COLORREF c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t GetBValue(COLORREF c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}

// One pixel, in the byte order of the image's memory.
struct Bgra {
    std::uint8_t b = 0;
    std::uint8_t g = 0;
    std::uint8_t r = 0;
    std::uint8_t a = 0;
    bool operator==(const Bgra&) const = default;
};

// The opaque pixel of a colour.
constexpr Bgra OpaquePixel(COLORREF c) {
    return {GetBValue(c), GetGValue(c), GetRValue(c), 255};
}

// A rectangle of pixels: left and top edge, width and height.
struct ImageRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A picture of width x height pixels, 4 bytes each (blue, green, red, alpha), rows top down.
// Its bit depth is 32, or 24 for a picture that came without alpha (its alpha bytes are
// then 255 and mean nothing). The alpha flag says whether drawing blends it per pixel.
class CImage {
  public:
    // Largest width or height, and largest number of pixels, that an image may have.
    static constexpr int kMaxSide = 16384;
    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 25;

    // Replaces the picture by a new one whose bytes are all zero (fully transparent black);
    // false, leaving the image empty, for a size out of range or a depth other than 24 or 32.
    bool Create(int width, int height, int bitsPerPixel, bool hasAlpha);
    // Frees the picture; the image is empty afterwards.
    void Destroy();

    // True when the image holds no picture.
    bool IsNull() const { return m_nWidth == 0; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    int GetBPP() const { return m_nBitsPerPixel; }
    bool HasAlpha() const { return m_bHasAlpha; }
    void SetHasAlpha(bool hasAlpha) { m_bHasAlpha = hasAlpha; }

    // The pixel at (x, y), which must lie inside the picture.
    Bgra GetPixel(int x, int y) const;
    void SetPixel(int x, int y, Bgra pixel);
    // The bytes of row y (4 per pixel).
    std::uint8_t* Row(int y) { return m_bytes.data() + RowOffset(y); }
    const std::uint8_t* Row(int y) const { return m_bytes.data() + RowOffset(y); }

    // Fills the pixels from left to right - 1 and top to bottom - 1 that lie inside the
    // picture with the opaque colour.
    void FillRect(int left, int top, int right, int bottom, COLORREF colour);

    // Multiplies blue, green and red of every pixel by its alpha: (channel * alpha) / 255,
    // truncated; alpha stays. Only a 32-bit picture is changed.
    void Premultiply();

  private:
    std::size_t RowOffset(int y) const { return static_cast<std::size_t>(y) * m_nWidth * 4; }

    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBitsPerPixel = 0;
    bool m_bHasAlpha = false;
    std::vector<std::uint8_t> m_bytes;
};

// Decodes a PNG file's bytes into image (not premultiplied). A picture with an alpha channel
// or a transparent colour becomes 32 bits with the alpha flag, any other 24 bits without.
// False, leaving image empty, for bytes that are not a whole, valid PNG picture or one
// larger than CImage allows.
bool DecodePng(std::span<const std::uint8_t> bytes, CImage& image);

// Encodes a picture as an 8-bit PNG: RGBA when it has the alpha flag, RGB otherwise. False
// for an empty image.
bool EncodePng(const CImage& image, std::vector<std::uint8_t>& out);

// The part of source inside rect as a new picture of the same depth with the given alpha
// flag; false (out empty) when rect does not lie wholly inside source or is empty.
bool CopyRegion(const CImage& source, ImageRect rect, bool hasAlpha, CImage& out);

// Draws sourceRect of source stretched onto targetRect of target, blending each pixel of
// the premultiplied source over the target at constant alpha 255:
// result = source + target * (255 - source alpha) / 255, rounded, for colour and alpha
// alike (and at most 255). Each target pixel takes the source pixel under its centre. Parts
// of either rectangle outside their picture are left out.
void AlphaBlendStretched(CImage& target, ImageRect targetRect, const CImage& source,
                         ImageRect sourceRect);

// The same stretch as an opaque copy: every target pixel becomes its source pixel's bytes.
void StretchCopy(CImage& target, ImageRect targetRect, const CImage& source, ImageRect sourceRect);

}  // namespace platform
