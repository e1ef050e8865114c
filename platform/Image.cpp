#include "platform/Image.h"

#include <png.h>

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

// Frees what libpng's simplified reader or writer holds, on every path.
class CPngImage {
  public:
    CPngImage() {
        std::memset(&m_image, 0, sizeof m_image);
        m_image.version = PNG_IMAGE_VERSION;
    }
    ~CPngImage() { png_image_free(&m_image); }
    CPngImage(const CPngImage&) = delete;
    CPngImage& operator=(const CPngImage&) = delete;
    png_image* operator->() { return &m_image; }
    png_image* Get() { return &m_image; }

  private:
    png_image m_image;
};

bool SizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= CImage::kMaxSide && height <= CImage::kMaxSide &&
           width * height <= CImage::kMaxPixels;
}

// A product of two bytes divided by 255, rounded to the nearest integer.
int DivideBy255Rounded(int product) {
    return (product + 127) / 255;
}

std::uint8_t BlendChannel(std::uint8_t source, std::uint8_t target, std::uint8_t sourceAlpha) {
    const int value = source + DivideBy255Rounded(target * (255 - sourceAlpha));
    return static_cast<std::uint8_t>(std::min(value, 255));
}

// Walks the target pixels of a stretch that have a source pixel inside both pictures and
// calls draw(target pixel bytes, source pixel bytes) for each.
template <typename Draw>
void ForEachStretchedPixel(CImage& target, ImageRect targetRect, const CImage& source,
                           ImageRect sourceRect, Draw draw) {
    if (target.IsNull() || source.IsNull() || targetRect.width <= 0 || targetRect.height <= 0 ||
        sourceRect.width <= 0 || sourceRect.height <= 0)
        return;
    // The source column (or row) under the centre of target column (or row) i.
    auto sample = [](int i, int sourceLength, int targetLength) {
        return static_cast<int>((std::int64_t{2} * i + 1) * sourceLength /
                                (std::int64_t{2} * targetLength));
    };
    const int firstRow = std::max(0, -targetRect.y);
    const int lastRow = std::min(targetRect.height, target.GetHeight() - targetRect.y);
    const int firstColumn = std::max(0, -targetRect.x);
    const int lastColumn = std::min(targetRect.width, target.GetWidth() - targetRect.x);
    for (int row = firstRow; row < lastRow; ++row) {
        const int sourceY = sourceRect.y + sample(row, sourceRect.height, targetRect.height);
        if (sourceY < 0 || sourceY >= source.GetHeight()) continue;
        std::uint8_t* targetRow = target.Row(targetRect.y + row);
        const std::uint8_t* sourceRow = source.Row(sourceY);
        for (int column = firstColumn; column < lastColumn; ++column) {
            const int sourceX = sourceRect.x + sample(column, sourceRect.width, targetRect.width);
            if (sourceX < 0 || sourceX >= source.GetWidth()) continue;
            draw(targetRow + std::size_t{4} * (targetRect.x + column),
                 sourceRow + std::size_t{4} * sourceX);
        }
    }
}

}  // namespace

bool CImage::Create(int width, int height, int bitsPerPixel, bool hasAlpha) {
    Destroy();
    if (!SizeAllowed(width, height) || (bitsPerPixel != 24 && bitsPerPixel != 32)) return false;
    m_bytes.assign(static_cast<std::size_t>(width) * height * 4, 0);
    m_nWidth = width;
    m_nHeight = height;
    m_nBitsPerPixel = bitsPerPixel;
    m_bHasAlpha = hasAlpha;
    return true;
}

void CImage::Destroy() {
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_nWidth = m_nHeight = m_nBitsPerPixel = 0;
    m_bHasAlpha = false;
}

Bgra CImage::GetPixel(int x, int y) const {
    const std::uint8_t* p = Row(y) + std::size_t{4} * x;
    return {p[0], p[1], p[2], p[3]};
}

void CImage::SetPixel(int x, int y, Bgra pixel) {
    std::uint8_t* p = Row(y) + std::size_t{4} * x;
    p[0] = pixel.b;
    p[1] = pixel.g;
    p[2] = pixel.r;
    p[3] = pixel.a;
}

void CImage::FillRect(int left, int top, int right, int bottom, COLORREF colour) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_nWidth);
    bottom = std::min(bottom, m_nHeight);
    const Bgra pixel = OpaquePixel(colour);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) SetPixel(x, y, pixel);
}

void CImage::Premultiply() {
    if (m_nBitsPerPixel != 32) return;
    for (std::size_t i = 0; i < m_bytes.size(); i += 4) {
        const int alpha = m_bytes[i + 3];
        for (std::size_t c = 0; c < 3; ++c)
            m_bytes[i + c] = static_cast<std::uint8_t>(m_bytes[i + c] * alpha / 255);
    }
}

bool DecodePng(std::span<const std::uint8_t> bytes, CImage& image) {
    image.Destroy();
    if (bytes.empty()) return false;
    CPngImage png;
    if (!png_image_begin_read_from_memory(png.Get(), bytes.data(), bytes.size())) return false;
    const bool hasAlpha = (png->format & PNG_FORMAT_FLAG_ALPHA) != 0;
    if (!SizeAllowed(png->width, png->height)) return false;
    png->format = PNG_FORMAT_BGRA;
    CImage decoded;
    if (!decoded.Create(static_cast<int>(png->width), static_cast<int>(png->height),
                        hasAlpha ? 32 : 24, hasAlpha))
        return false;
    const png_int_32 stride = static_cast<png_int_32>(png->width * 4);
    if (!png_image_finish_read(png.Get(), nullptr, decoded.Row(0), stride, nullptr)) return false;
    image = std::move(decoded);
    return true;
}

bool EncodePng(const CImage& image, std::vector<std::uint8_t>& out) {
    out.clear();
    if (image.IsNull()) return false;
    const int width = image.GetWidth(), height = image.GetHeight();
    const bool alpha = image.HasAlpha();
    std::vector<std::uint8_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height * (alpha ? 4 : 3));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = image.Row(y);
        for (int x = 0; x < width; ++x, row += 4)
            pixels.insert(pixels.end(), row, row + (alpha ? 4 : 3));
    }
    CPngImage png;
    png->width = static_cast<png_uint_32>(width);
    png->height = static_cast<png_uint_32>(height);
    png->format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(png.Get(), nullptr, &size, 0, pixels.data(), 0, nullptr))
        return false;
    out.resize(size);
    if (!png_image_write_to_memory(png.Get(), out.data(), &size, 0, pixels.data(), 0, nullptr)) {
        out.clear();
        return false;
    }
    out.resize(size);
    return true;
}

bool CopyRegion(const CImage& source, ImageRect rect, bool hasAlpha, CImage& out) {
    out.Destroy();
    if (rect.width <= 0 || rect.height <= 0 || rect.x < 0 || rect.y < 0 ||
        rect.x > source.GetWidth() - rect.width || rect.y > source.GetHeight() - rect.height)
        return false;
    if (!out.Create(rect.width, rect.height, source.GetBPP(), hasAlpha)) return false;
    for (int y = 0; y < rect.height; ++y)
        std::memcpy(out.Row(y), source.Row(rect.y + y) + std::size_t{4} * rect.x,
                    std::size_t{4} * rect.width);
    return true;
}

void AlphaBlendStretched(CImage& target, ImageRect targetRect, const CImage& source,
                         ImageRect sourceRect) {
    ForEachStretchedPixel(target, targetRect, source, sourceRect,
                          [](std::uint8_t* t, const std::uint8_t* s) {
                              const std::uint8_t alpha = s[3];
                              for (int c = 0; c < 4; ++c) t[c] = BlendChannel(s[c], t[c], alpha);
                          });
}

void StretchCopy(CImage& target, ImageRect targetRect, const CImage& source, ImageRect sourceRect) {
    ForEachStretchedPixel(target, targetRect, source, sourceRect,
                          [](std::uint8_t* t, const std::uint8_t* s) { std::memcpy(t, s, 4); });
}

}  // namespace platform
