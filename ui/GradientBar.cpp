#include "ui/GradientBar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace ui {
namespace {

// Fills the bar's rectangle [left, right) x [top, bottom) on a surface placed at origin.
void Fill(platform::CImage& surface, int originX, int originY, int left, int top, int right,
          int bottom, platform::COLORREF colour) {
    surface.FillRect(left - originX, top - originY, right - originX, bottom - originY, colour);
}

}  // namespace

int CGradientBar::FilledWidth(int width) const {
    const float filled =
        static_cast<float>(m_nPos) / static_cast<float>(m_nUpper) * static_cast<float>(width);
    // Only a range with negative or zero bounds can put it outside the bar; keeping it there
    // leaves the bands as they would be and the conversion defined.
    return static_cast<int>(std::clamp(filled, -1.0f, static_cast<float>(width)));
}

int CGradientBar::BandCount() const {
    using platform::GetBValue, platform::GetGValue, platform::GetRValue;
    return std::max({std::abs(GetRValue(m_clrStart) - GetRValue(m_clrEnd)),
                     std::abs(GetGValue(m_clrStart) - GetGValue(m_clrEnd)),
                     std::abs(GetBValue(m_clrStart) - GetBValue(m_clrEnd))});
}

void CGradientBar::Paint(platform::CImage& surface, int originX, int originY, int width,
                         int height) const {
    if (!InRange()) {
        Fill(surface, originX, originY, 0, 0, width, height, kIdleColour);
        return;
    }
    const int filled = FilledWidth(width);
    const int bands = BandCount();
    if (bands == 0) {
        // Equal end colours give no bands: the filled width alone shows the progress.
        Fill(surface, originX, originY, 0, 0, filled, height, kBandColour);
        Fill(surface, originX, originY, std::max(filled, 0), 0, width, height, m_clrBkgnd);
        return;
    }
    const float bandWidth = static_cast<float>(width) / static_cast<float>(bands);
    for (int i = 0; i < bands; ++i) {
        const int left = static_cast<int>(static_cast<float>(i) * bandWidth);
        const int right = static_cast<int>(static_cast<float>(i + 1) * bandWidth);
        Fill(surface, originX, originY, left, 0, right, height + 1, kBandColour);
        if (right > filled) {
            Fill(surface, originX, originY, right, 0, width, height, m_clrBkgnd);
            break;
        }
    }
}

std::string CGradientBar::Text() const {
    if (!m_bShowText || !InRange()) return {};
    const float percent = static_cast<float>(m_nPos) * 100.0f / static_cast<float>(m_nUpper);
    char text[64];
    std::snprintf(text, sizeof text, "%.0f%%", static_cast<double>(percent));
    return m_strPrefix + text;
}

}  // namespace ui
