#include "res/Resources.h"

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>

#include "common/Texts.h"
#include "platform/Image.h"
#include "ui/PngResource.h"

namespace {

using platform::Bgra;
using platform::CImage;

struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
};

uint32_t BigEndian32(std::span<const uint8_t> bytes, size_t at) {
    return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
           (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

// The header of a PNG file as stored in the program.
std::optional<PngHeader> HeaderOf(std::string_view type, uint16_t id) {
    std::optional<std::span<const uint8_t>> bytes = res::FindResource(type, id);
    if (!bytes || bytes->size() < 33) return std::nullopt;
    return PngHeader{BigEndian32(*bytes, 16), BigEndian32(*bytes, 20), (*bytes)[24], (*bytes)[25]};
}

CImage Decoded(uint16_t id) {
    CImage image;
    EXPECT_TRUE(ui::LoadPngResource(&image, id));
    EXPECT_FALSE(image.IsNull()) << id;
    return image;
}

Bgra Opaque(uint8_t r, uint8_t g, uint8_t b) {
    return {b, g, r, 255};
}

// Average brightness of the fully opaque pixels of one frame of a strip.
double FrameBrightness(const CImage& strip, int frame, int frameWidth) {
    double sum = 0;
    int count = 0;
    for (int y = 0; y < strip.GetHeight(); ++y)
        for (int x = frame * frameWidth; x < (frame + 1) * frameWidth; ++x) {
            const Bgra p = strip.GetPixel(x, y);
            if (p.a != 255) continue;
            sum += 0.299 * p.r + 0.587 * p.g + 0.114 * p.b;
            ++count;
        }
    return count ? sum / count : -1;
}

TEST(Resources, PicturesHaveTheirSizesAsEightBitRgba) {
    struct Case {
        const char* type;
        uint16_t id;
        uint32_t width;
        uint32_t height;
    } cases[] = {
        {"PNG", 133, 500, 340}, {"PNG", 134, 600, 407}, {"PNG", 135, 369, 32},
        {"PNG", 136, 159, 12},  {"PNG", 137, 18, 18},   {"PNG", 138, 327, 30},
        {"PNG", 139, 327, 30},  {"ICON", 5, 32, 32},
    };
    for (const Case& c : cases) {
        std::optional<PngHeader> header = HeaderOf(c.type, c.id);
        ASSERT_TRUE(header) << c.type << " " << c.id;
        EXPECT_EQ(header->width, c.width) << c.id;
        EXPECT_EQ(header->height, c.height) << c.id;
        EXPECT_EQ(header->bitDepth, 8) << c.id;
        EXPECT_EQ(header->colourType, 6) << c.id << " is not RGBA";
    }
}

TEST(Resources, BackgroundsShowTheirGradientsAndPanel) {
    const CImage progress = Decoded(133);
    EXPECT_EQ(progress.GetPixel(499, 0), Opaque(226, 234, 246));
    EXPECT_EQ(progress.GetPixel(499, 229), Opaque(240, 245, 253));
    EXPECT_EQ(progress.GetPixel(499, 230), Opaque(255, 255, 255));
    EXPECT_EQ(progress.GetPixel(0, 339), Opaque(255, 255, 255));

    const CImage prompt = Decoded(134);
    EXPECT_EQ(prompt.GetPixel(599, 0), Opaque(226, 234, 246));
    EXPECT_EQ(prompt.GetPixel(599, 105), Opaque(241, 245, 251));
    for (auto [x, y] :
         {std::pair{16, 111}, {583, 111}, {16, 328}, {583, 328}, {300, 111}, {16, 200}, {300, 328}})
        EXPECT_EQ(prompt.GetPixel(x, y), Opaque(230, 234, 239)) << "border at " << x << "," << y;
    EXPECT_EQ(prompt.GetPixel(300, 200), Opaque(255, 255, 255)) << "panel";
    EXPECT_EQ(prompt.GetPixel(17, 112), Opaque(255, 255, 255)) << "panel just inside the border";
    EXPECT_NE(prompt.GetPixel(15, 200), Opaque(230, 234, 239)) << "just outside the border";
}

TEST(Resources, CloseGlyphIsABlackCrossOnATransparentSquare) {
    const CImage glyph = Decoded(137);
    for (auto [x, y] :
         {std::pair{0, 0}, {17, 0}, {0, 17}, {17, 17}, {3, 3}, {13, 13}, {8, 4}, {4, 8}})
        EXPECT_EQ(glyph.GetPixel(x, y).a, 0) << x << "," << y;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(glyph.GetPixel(4 + i, 4 + i), Opaque(0, 0, 0)) << i;
        EXPECT_EQ(glyph.GetPixel(12 - i, 4 + i), Opaque(0, 0, 0)) << i;
    }
}

TEST(Resources, StripsHaveALighterHoverAndADarkerPressedFrame) {
    for (auto [id, frameWidth] : {std::pair{135, 123}, {136, 53}, {138, 109}, {139, 109}}) {
        const CImage strip = Decoded(static_cast<uint16_t>(id));
        const double normal = FrameBrightness(strip, 0, frameWidth);
        const double hover = FrameBrightness(strip, 1, frameWidth);
        const double pressed = FrameBrightness(strip, 2, frameWidth);
        EXPECT_GT(normal, 0) << id << " has opaque pixels";
        EXPECT_GT(hover, normal) << id;
        EXPECT_LT(pressed, normal) << id;
    }
}

TEST(Resources, FaceButtonsCarryWhiteWordsOnBlue) {
    for (auto [id, frameWidth] : {std::pair{135, 123}, {138, 109}, {139, 109}}) {
        const CImage strip = Decoded(static_cast<uint16_t>(id));
        const int h = strip.GetHeight();
        for (int frame = 0; frame < 3; ++frame) {
            int white = 0;
            for (int y = 0; y < h; ++y)
                for (int x = frame * frameWidth; x < (frame + 1) * frameWidth; ++x) {
                    const Bgra p = strip.GetPixel(x, y);
                    white += p.a == 255 && p.r > 240 && p.g > 240 && p.b > 240;
                }
            EXPECT_GT(white, 40) << id << " frame " << frame;
            const Bgra face = strip.GetPixel(frame * frameWidth + 4, h / 2);
            EXPECT_EQ(face.a, 255) << id;
            EXPECT_GT(face.b, face.r + 80) << id << " frame " << frame << " is blue";
            EXPECT_EQ(strip.GetPixel(frame * frameWidth, 0).a, 0) << "rounded corner";
        }
    }
}

TEST(Resources, StringTableHoldsTheProgramsTexts) {
    EXPECT_EQ(res::LoadString(101), texts::kAboutMenuItem);
    EXPECT_EQ(res::LoadString(103), texts::kSocketInitFailed);
    EXPECT_EQ(res::LoadString(102), "");
}

TEST(Resources, LookupIsByTypeAndId) {
    EXPECT_TRUE(res::FindResource("PNG", 135));
    EXPECT_TRUE(res::FindResource("png", 135)) << "types match without regard to case";
    EXPECT_FALSE(res::FindResource("PNG", 5)) << "the icon is not a picture resource";
    EXPECT_FALSE(res::FindResource("PNGX", 135));
    EXPECT_FALSE(res::FindResource("PN", 135));
    EXPECT_FALSE(res::FindResource("PNG", 140));
    EXPECT_FALSE(res::FindResource("", 135));
}

TEST(Resources, LoadPngResourceReportsAsTheDialogsExpect) {
    EXPECT_FALSE(ui::LoadPngResource(nullptr, 134));

    CImage image = Decoded(137);
    EXPECT_FALSE(ui::LoadPngResource(&image, 140)) << "no such resource";
    EXPECT_TRUE(image.IsNull()) << "the old picture is freed first";

    ASSERT_TRUE(ui::LoadPngResource(&image, 134));
    EXPECT_EQ(image.GetWidth(), 600);
    EXPECT_EQ(image.GetBPP(), 32);
    EXPECT_TRUE(image.HasAlpha());
    EXPECT_EQ(Decoded(135).GetPixel(0, 0), (Bgra{234, 132, 38, 0}))
        << "not premultiplied by the loader";
}

}  // namespace
