// What the gradient progress bar shows: its range, position and colours, and the painting
// of the bar into a picture, so that the bands can be checked off-screen.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Image.h"

namespace ui {

class CGradientBar {
  public:
    // Every band of the filled part has this colour, whatever the end colours.
    static constexpr platform::COLORREF kBandColour = platform::RGB(7, 130, 250);
    // The whole bar has this colour while the position is outside the open range.
    static constexpr platform::COLORREF kIdleColour = platform::RGB(193, 210, 238);

    // Paints the bar of width x height pixels into surface, whose pixel (0, 0) shows the
    // bar's point (originX, originY); the parts of the bar outside the surface are left out.
    // Inside lower < position < upper the filled width is covered by whole bands of the
    // band colour and the rest by the background colour; otherwise the whole bar takes the
    // idle colour.
    void Paint(platform::CImage& surface, int originX, int originY, int width, int height) const;
    // The filled width of a bar of width pixels: position / upper * width in single
    // precision, truncated, kept within -1 and width.
    int FilledWidth(int width) const;
    // The number of bands: the largest difference of the end colours' red, green or blue.
    int BandCount() const;
    // The text drawn centred over the bar: the prefix and the percentage ("37%"); empty
    // when the text is off or the position is outside the open range.
    std::string Text() const;

    // The fields, which the owning dialog may set directly.
    std::string m_strPrefix;  // UTF-8, written in front of the percentage
    std::int32_t m_nLower = 0;
    std::int32_t m_nUpper = 100;
    std::int32_t m_nPos = 0;
    platform::COLORREF m_clrStart = platform::RGB(255, 0, 0);
    platform::COLORREF m_clrEnd = platform::RGB(0, 0, 255);
    platform::COLORREF m_clrBkgnd = platform::RGB(193, 210, 238);
    platform::COLORREF m_clrText = platform::RGB(65, 97, 155);
    int m_bShowText = 1;

  private:
    bool InRange() const { return m_nLower < m_nPos && m_nPos < m_nUpper; }
};

}  // namespace ui
