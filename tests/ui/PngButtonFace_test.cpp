#include "ui/PngButtonFace.h"

#include <gtest/gtest.h>

#include "ui/PngResource.h"

namespace {

using platform::Bgra;
using platform::CImage;

// A button face whose pointer flags the test sets.
class CTestFace : public ui::CPngButtonFace {
  public:
    void SetFlags(bool hovering, bool pressed) {
        m_bHovering = hovering;
        m_bPressed = pressed;
    }
};

CImage Premultiplied(uint16_t id) {
    CImage image;
    EXPECT_TRUE(ui::LoadPngResource(&image, id));
    ui::PremultiplyAlpha(&image);
    return image;
}

CImage Surface(int width, int height, platform::COLORREF colour) {
    CImage surface;
    EXPECT_TRUE(surface.Create(width, height, 32, false));
    surface.FillRect(0, 0, width, height, colour);
    return surface;
}

// True when frame equals columns x0 .. x0 + frame width - 1 of strip.
bool IsColumnsOf(const CImage* frame, const CImage& strip, int x0) {
    if (frame == nullptr) return false;
    for (int y = 0; y < frame->GetHeight(); ++y)
        for (int x = 0; x < frame->GetWidth(); ++x)
            if (frame->GetPixel(x, y) != strip.GetPixel(x0 + x, y)) return false;
    return true;
}

TEST(PngButtonFace, StripOf369PixelsGivesThreeFramesOf123) {
    CTestFace face;
    face.SetStripImage(135, "PNG");
    const CImage strip = Premultiplied(135);
    const CImage* normal = face.PictureFor(false, false);
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(normal->GetWidth(), 123);
    EXPECT_EQ(normal->GetHeight(), 32);
    EXPECT_TRUE(normal->HasAlpha());
    EXPECT_TRUE(IsColumnsOf(normal, strip, 0)) << "normal is the premultiplied first frame";
    face.SetFlags(true, false);
    EXPECT_TRUE(IsColumnsOf(face.PictureFor(false, false), strip, 123)) << "hover";
    EXPECT_TRUE(IsColumnsOf(face.PictureFor(false, true), strip, 246)) << "pressed";
}

TEST(PngButtonFace, StripOf370PixelsNeverShowsItsLastColumn) {
    CImage strip;
    ASSERT_TRUE(strip.Create(370, 1, 32, true));
    for (int x = 0; x < 370; ++x)
        strip.SetPixel(x, 0,
                       {static_cast<uint8_t>(x % 256), static_cast<uint8_t>(x / 256), 0, 255});
    CTestFace face;
    face.SetFrames(strip, 3, true);
    const CImage* frames[] = {face.PictureFor(false, false), nullptr, face.PictureFor(false, true)};
    face.SetFlags(true, false);
    frames[1] = face.PictureFor(false, false);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(frames[i], nullptr);
        EXPECT_EQ(frames[i]->GetWidth(), 123);
        EXPECT_TRUE(IsColumnsOf(frames[i], strip, 123 * i)) << i;
    }
    EXPECT_EQ(frames[2]->GetPixel(122, 0), strip.GetPixel(368, 0)) << "column 369 is left over";
}

TEST(PngButtonFace, SingleImageIsEveryPicture) {
    CTestFace face;
    face.SetSingleImage(137, "PNG");
    const CImage glyph = Premultiplied(137);
    face.SetFlags(true, false);
    EXPECT_TRUE(IsColumnsOf(face.PictureFor(false, false), glyph, 0));
    EXPECT_TRUE(IsColumnsOf(face.PictureFor(false, true), glyph, 0));
    face.SetFlags(false, false);
    EXPECT_TRUE(IsColumnsOf(face.PictureFor(false, false), glyph, 0));
    EXPECT_EQ(face.PictureFor(false, false)->GetWidth(), 18);
}

TEST(PngButtonFace, StateTablePicksThePicture) {
    CTestFace face;
    face.SetStripImage(135, "PNG");
    face.SetFlags(false, false);
    const CImage* normal = face.PictureFor(false, false);
    const CImage* pressed = face.PictureFor(false, true);
    face.SetFlags(true, false);
    const CImage* hover = face.PictureFor(false, false);
    ASSERT_TRUE(normal && hover && pressed);
    ASSERT_TRUE(normal != hover && hover != pressed && normal != pressed);
    struct Case {
        bool disabled, selected, hovering, pressedFlag;
        const CImage* expected;
    } cases[] = {
        {true, true, true, true, nullptr},  // disabled wins, and there is no disabled picture
        {true, false, false, false, nullptr},
        {false, true, false, false, pressed},
        {false, true, true, false, pressed},
        {false, false, false, true, normal},  // pressed flag without hovering
        {false, false, false, false, normal},
        {false, false, true, true, pressed},
        {false, false, true, false, hover},
    };
    for (const Case& c : cases) {
        face.SetFlags(c.hovering, c.pressedFlag);
        EXPECT_EQ(face.PictureFor(c.disabled, c.selected), c.expected)
            << c.disabled << c.selected << c.hovering << c.pressedFlag;
    }
}

TEST(PngButtonFace, MissingOrBrokenPicturesLeaveOrClearTheImages) {
    CTestFace face;
    face.SetStripImage(135, "PNG");
    const CImage* before = face.PictureFor(false, false);
    face.SetStripImage(140, "PNG");
    face.SetSingleImage(135, "GIF");
    EXPECT_EQ(face.PictureFor(false, false), before) << "a missing resource changes nothing";
    face.SetStripImage(101, "STRING");  // exists, but is no picture
    EXPECT_EQ(face.PictureFor(false, false), nullptr);
    EXPECT_EQ(face.PictureFor(false, true), nullptr);
    CImage surface = Surface(4, 4, platform::RGB(1, 2, 3));
    face.DrawPicture(surface, false, false);
    EXPECT_EQ(surface.GetPixel(2, 2), (Bgra{3, 2, 1, 255})) << "no picture drawn";
}

TEST(PngButtonFace, PicturesBlendOverTheSurface) {
    CTestFace face;
    face.SetSingleImage(137, "PNG");
    CImage surface = Surface(18, 18, platform::RGB(200, 100, 50));
    face.DrawPicture(surface, false, false);
    EXPECT_EQ(surface.GetPixel(0, 0), (Bgra{50, 100, 200, 255}))
        << "transparent corner shows the surface";
    EXPECT_EQ(surface.GetPixel(8, 8), (Bgra{0, 0, 0, 255})) << "the cross";
    EXPECT_EQ(surface.GetPixel(4, 12), (Bgra{0, 0, 0, 255}));
}

TEST(PngButtonFace, AnotherResourceTypeIsDrawnOpaque) {
    // The lookup finds "png" as well, but only "PNG" is premultiplied and blended.
    CTestFace face;
    face.SetStripImage(135, "png");
    const CImage* normal = face.PictureFor(false, false);
    ASSERT_NE(normal, nullptr);
    EXPECT_FALSE(normal->HasAlpha());
    CImage surface = Surface(123, 32, platform::RGB(255, 0, 0));
    face.DrawPicture(surface, false, false);
    EXPECT_EQ(surface.GetPixel(0, 0), (Bgra{234, 132, 38, 0}))
        << "the corner's bytes as decoded, not red";
}

TEST(PngButtonFace, NarrowerButtonShowsTheWholeFrameSqueezed) {
    CTestFace face;
    face.SetStripImage(135, "PNG");
    const CImage strip = Premultiplied(135);
    CImage squeezed = Surface(122, 32, platform::RGB(255, 255, 255));
    face.DrawPicture(squeezed, false, false);
    // The last column of the 122-pixel button is the frame's last column, 122, blended.
    CImage expected = Surface(1, 32, platform::RGB(255, 255, 255));
    platform::AlphaBlendStretched(expected, {0, 0, 1, 32}, strip, {122, 0, 1, 32});
    for (int y = 0; y < 32; ++y) EXPECT_EQ(squeezed.GetPixel(121, y), expected.GetPixel(0, y)) << y;
}

TEST(PngButtonFace, CaptionColourAndShiftFollowTheState) {
    CTestFace face;
    struct Case {
        bool disabled, selected, hovering, pressedFlag;
        platform::COLORREF colour;
        bool shifted;
    } cases[] = {
        {true, true, true, true, platform::RGB(100, 100, 100), false},
        {false, true, false, false, platform::RGB(30, 30, 30), true},
        {false, false, true, true, platform::RGB(30, 30, 30), true},
        {false, false, true, false, platform::RGB(30, 30, 30), false},
        {false, false, false, true, platform::RGB(30, 30, 30), false},
    };
    for (const Case& c : cases) {
        face.SetFlags(c.hovering, c.pressedFlag);
        const auto style = face.CaptionFor(c.disabled, c.selected);
        EXPECT_EQ(style.colour, c.colour);
        EXPECT_EQ(style.shifted, c.shifted)
            << c.disabled << c.selected << c.hovering << c.pressedFlag;
    }
}

}  // namespace
