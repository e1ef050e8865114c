#include "ui/GradientBar.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::COLORREF;
using platform::RGB;

constexpr COLORREF kBand = RGB(7, 130, 250);
constexpr COLORREF kIdle = RGB(193, 210, 238);
constexpr COLORREF kDialogBackground = RGB(216, 221, 228);

// The bar as the progress dialog prepares it.
ui::CGradientBar DialogBar(int pos) {
    ui::CGradientBar bar;
    bar.m_bShowText = 0;
    bar.m_nLower = 0;
    bar.m_nUpper = 100;
    bar.m_clrStart = RGB(0, 0, 255);
    bar.m_clrEnd = RGB(255, 0, 0);
    bar.m_clrBkgnd = kDialogBackground;
    bar.m_nPos = pos;
    return bar;
}

platform::CImage Painted(const ui::CGradientBar& bar, int width = 500, int height = 6) {
    platform::CImage surface;
    EXPECT_TRUE(surface.Create(width, height, 32, false));
    bar.Paint(surface, 0, 0, width, height);
    return surface;
}

COLORREF ColourAt(const platform::CImage& image, int x, int y) {
    const platform::Bgra p = image.GetPixel(x, y);
    EXPECT_EQ(p.a, 255) << "unpainted at " << x << "," << y;
    return RGB(p.r, p.g, p.b);
}

// The first column from which on the bar shows colour `from`, checked on every row; -1 when
// the bar does not consist of band colour followed by `from`.
int EdgeOf(const platform::CImage& image, COLORREF from) {
    int edge = -1;
    for (int y = 0; y < image.GetHeight(); ++y) {
        int x = 0;
        while (x < image.GetWidth() && ColourAt(image, x, y) == kBand) ++x;
        const int rowEdge = x;
        while (x < image.GetWidth() && ColourAt(image, x, y) == from) ++x;
        if (x != image.GetWidth() || (edge != -1 && edge != rowEdge)) return -1;
        edge = rowEdge;
    }
    return edge;
}

TEST(GradientBar, HalfWayTheBandThatCrossesTheMiddleIsDrawnWhole) {
    const platform::CImage image = Painted(DialogBar(50));
    EXPECT_EQ(EdgeOf(image, kDialogBackground), 252) << "blue through x = 251, background from 252";
    EXPECT_EQ(DialogBar(50).FilledWidth(500), 250);
    EXPECT_EQ(DialogBar(50).BandCount(), 255);
}

TEST(GradientBar, AtEitherBoundTheWholeBarIsIdle) {
    for (int pos : {0, 100, -3, 101}) {
        ui::CGradientBar bar = DialogBar(pos);
        bar.m_bShowText = 1;
        const platform::CImage image = Painted(bar);
        EXPECT_EQ(EdgeOf(image, kIdle), 0) << pos << ": all idle colour, not the background colour";
        EXPECT_EQ(bar.Text(), "") << pos;
    }
}

TEST(GradientBar, EdgesFollowTheBandWidth) {
    struct Case {
        const char* name;
        COLORREF start, end;
        int pos;
        int edge;
    } cases[] = {
        {"255 bands, almost done", RGB(0, 0, 255), RGB(255, 0, 0), 99, 496},
        {"255 bands, first percent", RGB(0, 0, 255), RGB(255, 0, 0), 1, 7},
        // 10 bands of 50 pixels: filled 250 ends exactly on a band edge, so one more band.
        {"10 bands", RGB(0, 0, 0), RGB(10, 0, 0), 50, 300},
        {"10 bands in green", RGB(0, 20, 0), RGB(0, 10, 0), 50, 300},
        {"3 bands", RGB(9, 9, 9), RGB(6, 7, 8), 50, 333},
        {"1 band covers all", RGB(1, 1, 1), RGB(0, 1, 1), 1, 500},
    };
    for (const Case& c : cases) {
        ui::CGradientBar bar = DialogBar(c.pos);
        bar.m_clrStart = c.start;
        bar.m_clrEnd = c.end;
        EXPECT_EQ(EdgeOf(Painted(bar), kDialogBackground), c.edge) << c.name;
    }
}

TEST(GradientBar, EqualEndColoursShowTheFilledWidthExactly) {
    ui::CGradientBar bar = DialogBar(37);
    bar.m_clrEnd = bar.m_clrStart;
    EXPECT_EQ(bar.BandCount(), 0);
    EXPECT_EQ(EdgeOf(Painted(bar), kDialogBackground), 185);
}

TEST(GradientBar, FilledWidthIgnoresTheLowerBound) {
    ui::CGradientBar bar = DialogBar(10);
    bar.m_nLower = 10;
    EXPECT_EQ(EdgeOf(Painted(bar), kIdle), 0) << "position at the lower bound";
    bar.m_nPos = 11;
    EXPECT_EQ(bar.FilledWidth(500), 55);
    EXPECT_EQ(EdgeOf(Painted(bar), kDialogBackground), 56);
}

TEST(GradientBar, PaintingAPartGivesThatPartOfTheWhole) {
    const ui::CGradientBar bar = DialogBar(50);
    const platform::CImage whole = Painted(bar);
    platform::CImage part;
    ASSERT_TRUE(part.Create(20, 3, 32, false));
    bar.Paint(part, 240, 2, 500, 6);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(part.GetPixel(x, y), whole.GetPixel(240 + x, 2 + y)) << x;
}

TEST(GradientBar, TextShowsThePercentage) {
    struct Case {
        int pos, upper;
        int show;
        const char* prefix;
        std::string text;
    } cases[] = {
        {37, 100, 1, "", "37%"},
        {37, 100, 0, "", ""},
        {1, 3, 1, "", "33%"},
        {2, 3, 1, "", "67%"},
        {512, 1024, 1, "下载 ", "下载 50%"},
    };
    for (const Case& c : cases) {
        ui::CGradientBar bar;
        bar.m_nPos = c.pos;
        bar.m_nUpper = c.upper;
        bar.m_bShowText = c.show;
        bar.m_strPrefix = c.prefix;
        EXPECT_EQ(bar.Text(), c.text) << c.pos << "/" << c.upper;
    }
}

TEST(GradientBar, RangesWithoutPositiveUpperBoundStayDefined) {
    struct Case {
        int lower, pos, upper;
    } cases[] = {{-10, -5, 0}, {-10, -5, -1}, {-2147483647 - 1, -2147483647, -1}, {-100, -50, 100}};
    for (const Case& c : cases) {
        ui::CGradientBar bar;
        bar.m_nLower = c.lower;
        bar.m_nPos = c.pos;
        bar.m_nUpper = c.upper;
        const int filled = bar.FilledWidth(500);
        EXPECT_GE(filled, -1);
        EXPECT_LE(filled, 500);
        const platform::CImage image = Painted(bar);
        EXPECT_NE(EdgeOf(image, bar.m_clrBkgnd), -1) << c.lower << " " << c.pos << " " << c.upper;
        EXPECT_FALSE(bar.Text().empty());
    }
}

}  // namespace
