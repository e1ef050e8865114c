#include "platform/Image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using platform::Bgra;
using platform::CImage;
using platform::ImageRect;

// A picture whose every pixel is pixel.
CImage Filled(int width, int height, Bgra pixel, bool alpha = true) {
    CImage image;
    EXPECT_TRUE(image.Create(width, height, alpha ? 32 : 24, alpha));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.SetPixel(x, y, pixel);
    return image;
}

// A one-row picture whose pixel x has blue = x, so that a drawing shows which columns it took.
CImage NumberedColumns(int width, bool alpha = true) {
    CImage image;
    EXPECT_TRUE(image.Create(width, 1, 32, alpha));
    for (int x = 0; x < width; ++x) image.SetPixel(x, 0, {static_cast<uint8_t>(x), 0, 0, 255});
    return image;
}

std::vector<int> BlueOfRow(const CImage& image, int y) {
    std::vector<int> blue;
    for (int x = 0; x < image.GetWidth(); ++x) blue.push_back(image.GetPixel(x, y).b);
    return blue;
}

std::vector<uint8_t> Encoded(const CImage& image) {
    std::vector<uint8_t> png;
    EXPECT_TRUE(platform::EncodePng(image, png));
    return png;
}

void Put32BigEndian(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// A PNG whose header claims width x height, with a valid header checksum.
std::vector<uint8_t> WithClaimedSize(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
    Put32BigEndian(png, 16, width);
    Put32BigEndian(png, 20, height);
    Put32BigEndian(png, 29, static_cast<uint32_t>(crc32(0, png.data() + 12, 17)));
    return png;
}

std::string Describe(Bgra p) {
    return "(" + std::to_string(p.b) + "," + std::to_string(p.g) + "," + std::to_string(p.r) + "," +
           std::to_string(p.a) + ")";
}

TEST(Image, PremultiplyTruncatesEachColourChannel) {
    struct Case {
        Bgra before;
        Bgra after;
    } cases[] = {
        {{255, 255, 255, 255}, {255, 255, 255, 255}},
        {{255, 255, 255, 0}, {0, 0, 0, 0}},
        {{255, 128, 1, 128},
         {128, 64, 0, 128}},  // 255*128/255=128, 128*128/255=64.25, 1*128/255=0.5
        {{200, 100, 50, 254}, {199, 99, 49, 254}},  // 199.2, 99.6, 49.8: truncated, not rounded
        {{10, 20, 30, 1}, {0, 0, 0, 1}},
        {{254, 3, 127, 2}, {1, 0, 0, 2}},
    };
    for (const Case& c : cases) {
        CImage image = Filled(2, 1, c.before);
        image.Premultiply();
        EXPECT_EQ(image.GetPixel(1, 0), c.after) << Describe(c.before);
    }
}

TEST(Image, PremultiplyLeavesAPictureWithoutAlphaAlone) {
    CImage image = Filled(1, 1, {200, 100, 50, 7}, false);
    image.Premultiply();
    EXPECT_EQ(image.GetPixel(0, 0), (Bgra{200, 100, 50, 7}));
}

TEST(Image, CreateRefusesSizesAndDepthsOutOfRange) {
    CImage image;
    EXPECT_FALSE(image.Create(0, 5, 32, true));
    EXPECT_FALSE(image.Create(5, -1, 32, true));
    EXPECT_FALSE(image.Create(CImage::kMaxSide + 1, 1, 32, true));
    EXPECT_FALSE(image.Create(CImage::kMaxSide, CImage::kMaxSide, 32, true)) << "too many pixels";
    EXPECT_FALSE(image.Create(4, 4, 8, false));
    EXPECT_TRUE(image.IsNull());
    ASSERT_TRUE(image.Create(3, 2, 24, false));
    EXPECT_EQ(image.GetPixel(2, 1), (Bgra{0, 0, 0, 0})) << "a new picture is all zero";
}

TEST(Image, PngRoundTripKeepsPixelsAndDepth) {
    CImage rgba = Filled(3, 2, {10, 20, 30, 40});
    rgba.SetPixel(2, 1, {1, 2, 3, 0});
    CImage decoded;
    ASSERT_TRUE(platform::DecodePng(Encoded(rgba), decoded));
    EXPECT_EQ(decoded.GetBPP(), 32);
    EXPECT_TRUE(decoded.HasAlpha());
    EXPECT_EQ(decoded.GetPixel(0, 0), (Bgra{10, 20, 30, 40})) << "not premultiplied on the way";
    EXPECT_EQ(decoded.GetPixel(2, 1), (Bgra{1, 2, 3, 0}));

    CImage rgb = Filled(2, 2, {9, 8, 7, 255}, false);
    ASSERT_TRUE(platform::DecodePng(Encoded(rgb), decoded));
    EXPECT_EQ(decoded.GetBPP(), 24);
    EXPECT_FALSE(decoded.HasAlpha());
    EXPECT_EQ(decoded.GetPixel(1, 1), (Bgra{9, 8, 7, 255}));
}

TEST(Image, BadPngBytesGiveAnEmptyImage) {
    const std::vector<uint8_t> good = Encoded(Filled(4, 4, {1, 2, 3, 4}));
    std::vector<uint8_t> flipped = good;
    flipped[good.size() - 20] ^= 0xFF;  // inside the compressed data
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"not a PNG", std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0}},
        {"signature only", std::vector<uint8_t>(good.begin(), good.begin() + 8)},
        {"cut in the data", std::vector<uint8_t>(good.begin(), good.end() - 30)},
        {"damaged data", flipped},
        {"20000 x 20000", WithClaimedSize(good, 20000, 20000)},
        {"16384 x 16384", WithClaimedSize(good, 16384, 16384)},
        {"claims more rows than it holds", WithClaimedSize(good, 4, 4000)},
    };
    for (const Case& c : cases) {
        CImage image = Filled(1, 1, {5, 5, 5, 5});
        EXPECT_FALSE(platform::DecodePng(c.bytes, image)) << c.name;
        EXPECT_TRUE(image.IsNull()) << c.name;
    }
}

TEST(Image, CopyRegionCutsColumnsExactly) {
    CImage strip = NumberedColumns(10);
    CImage part;
    ASSERT_TRUE(platform::CopyRegion(strip, {3, 0, 4, 1}, false, part));
    EXPECT_EQ(BlueOfRow(part, 0), (std::vector<int>{3, 4, 5, 6}));
    EXPECT_FALSE(part.HasAlpha());
    EXPECT_EQ(part.GetBPP(), 32);
    for (ImageRect outside : {ImageRect{7, 0, 4, 1}, ImageRect{-1, 0, 2, 1}, ImageRect{0, 0, 0, 1},
                              ImageRect{0, 1, 2, 1}, ImageRect{2147483647, 0, 2, 1}}) {
        EXPECT_FALSE(platform::CopyRegion(strip, outside, true, part))
            << outside.x << "," << outside.width;
        EXPECT_TRUE(part.IsNull());
    }
}

TEST(Image, BlendingPutsAPremultipliedSourceOverTheTarget) {
    struct Case {
        const char* name;
        Bgra source;
        Bgra target;
        Bgra result;
    } cases[] = {
        {"opaque source replaces", {10, 20, 30, 255}, {200, 200, 200, 255}, {10, 20, 30, 255}},
        {"transparent source keeps", {0, 0, 0, 0}, {200, 100, 50, 255}, {200, 100, 50, 255}},
        // 100 + 200*127/255 (99.6 -> 100); alpha 128 + 255*127/255 = 255
        {"half", {100, 50, 0, 128}, {200, 200, 200, 255}, {200, 150, 100, 255}},
        // 0 + 255*191/255 = 191; 64 + 10*191/255 (7.49 -> 7); alpha 64 + 0
        {"quarter over transparent", {0, 64, 64, 64}, {255, 10, 0, 0}, {191, 71, 64, 64}},
        // A source that was never premultiplied cannot push a channel past 255.
        {"too bright source saturates",
         {250, 250, 250, 10},
         {255, 255, 255, 255},
         {255, 255, 255, 255}},
    };
    for (const Case& c : cases) {
        CImage target = Filled(1, 1, c.target);
        CImage source = Filled(1, 1, c.source);
        platform::AlphaBlendStretched(target, {0, 0, 1, 1}, source, {0, 0, 1, 1});
        EXPECT_EQ(target.GetPixel(0, 0), c.result)
            << c.name << ": " << Describe(target.GetPixel(0, 0));
    }
}

TEST(Image, StretchingTakesTheSourcePixelUnderEachCentre) {
    struct Case {
        const char* name;
        int sourceWidth;
        int targetWidth;
        std::vector<int> columns;
    } cases[] = {
        {"same size", 4, 4, {0, 1, 2, 3}},
        {"doubled", 2, 4, {0, 0, 1, 1}},
        {"halved", 4, 2, {1, 3}},
        {"five to three", 5, 3, {0, 2, 4}},
    };
    for (const Case& c : cases) {
        CImage target = Filled(c.targetWidth, 1, {0, 0, 0, 0});
        platform::StretchCopy(target, {0, 0, c.targetWidth, 1}, NumberedColumns(c.sourceWidth),
                              {0, 0, c.sourceWidth, 1});
        EXPECT_EQ(BlueOfRow(target, 0), c.columns) << c.name;
    }
}

TEST(Image, SqueezingOneColumnDropsOneFromTheMiddle) {
    CImage target = Filled(122, 1, {0, 0, 0, 0});
    platform::AlphaBlendStretched(target, {0, 0, 122, 1}, NumberedColumns(123), {0, 0, 123, 1});
    std::vector<int> blue = BlueOfRow(target, 0);
    EXPECT_EQ(blue.front(), 0);
    EXPECT_EQ(blue.back(), 122) << "both edge columns stay";
    int skipped = 0;
    for (size_t x = 1; x < blue.size(); ++x) {
        EXPECT_GE(blue[x] - blue[x - 1], 1);
        skipped += blue[x] - blue[x - 1] - 1;
    }
    EXPECT_EQ(skipped, 1);
}

TEST(Image, DrawingOutsideEitherPictureIsLeftOut) {
    CImage target = Filled(4, 1, {7, 7, 7, 7});
    // Half of the target rectangle lies left of the picture; the rest shows source columns 2..3.
    platform::StretchCopy(target, {-2, 0, 4, 1}, NumberedColumns(4), {0, 0, 4, 1});
    EXPECT_EQ(BlueOfRow(target, 0), (std::vector<int>{2, 3, 7, 7}));
    // A source rectangle reaching past the source: those target pixels stay.
    target = Filled(4, 1, {7, 7, 7, 7});
    platform::StretchCopy(target, {0, 0, 4, 1}, NumberedColumns(2), {0, 0, 4, 1});
    EXPECT_EQ(BlueOfRow(target, 0), (std::vector<int>{0, 1, 7, 7}));
    // Empty rectangles and empty pictures draw nothing.
    target = Filled(4, 1, {7, 7, 7, 7});
    platform::StretchCopy(target, {0, 0, 0, 1}, NumberedColumns(2), {0, 0, 2, 1});
    platform::AlphaBlendStretched(target, {0, 0, 4, 1}, CImage(), {0, 0, 2, 1});
    platform::AlphaBlendStretched(target, {5, 0, 4, 1}, NumberedColumns(2), {0, 0, 2, 1});
    EXPECT_EQ(BlueOfRow(target, 0), (std::vector<int>{7, 7, 7, 7}));
}

TEST(Image, OpaqueCopyIgnoresAlpha) {
    CImage target = Filled(2, 2, {200, 200, 200, 255});
    CImage source = Filled(1, 1, {10, 20, 30, 0}, false);
    platform::StretchCopy(target, {0, 0, 2, 2}, source, {0, 0, 1, 1});
    EXPECT_EQ(target.GetPixel(1, 1), (Bgra{10, 20, 30, 0}));
}

TEST(Image, FillRectStaysInsideThePicture) {
    CImage image = Filled(3, 2, {0, 0, 0, 0});
    image.FillRect(-5, 1, 2, 99, platform::RGB(1, 2, 3));
    EXPECT_EQ(image.GetPixel(0, 1), (Bgra{3, 2, 1, 255}));
    EXPECT_EQ(image.GetPixel(1, 1), (Bgra{3, 2, 1, 255}));
    EXPECT_EQ(image.GetPixel(2, 1), (Bgra{0, 0, 0, 0}));
    EXPECT_EQ(image.GetPixel(0, 0), (Bgra{0, 0, 0, 0}));
}

}  // namespace
