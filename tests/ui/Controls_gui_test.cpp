// The image button and the progress bar in real windows on the X display (run under Xvfb):
// synthetic pointer moves and clicks through XTest, and what the screen then shows.
#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "support/ScreenCapture.h"
#include "support/TestSupport.h"
#include "ui/GradientProgressCtrl.h"
#include "ui/GuiStartup.h"
#include "ui/PictureSurface.h"
#include "ui/PngButton.h"
#include "ui/PngResource.h"

namespace {

using platform::CImage;
using testing_support::CaptureScreen;
using testing_support::Pump;
using testing_support::PumpUntil;
using testing_support::SameImage;
using testing_support::SaveScreenshot;

constexpr platform::COLORREF kDialogBase = platform::RGB(255, 255, 255);

const bool g_environment = (testing_support::AddGuiEnvironment(), true);

// A dialog with the prompt dialog's background and image buttons at the dialogs' sizes.
class CTestDialog : public wxDialog, public ui::IBackdrop {
  public:
    CTestDialog()
        : wxDialog(nullptr, wxID_ANY, "buttons", wxPoint(0, 0), wxSize(600, 408), wxBORDER_NONE) {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        ui::LoadPngResource(&m_imgBackground, 134);
        ui::PremultiplyAlpha(&m_imgBackground);
        Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
            wxPaintDC dc(this);
            CImage surface;
            surface.Create(GetClientSize().x, GetClientSize().y, 32, false);
            DrawBackdrop(surface, wxPoint(0, 0));
            dc.DrawBitmap(ui::ToBitmap(surface), 0, 0);
        });
        Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) { m_clicks.push_back(event.GetId()); });
    }
    void DrawBackdrop(CImage& target, wxPoint origin) const override {
        ui::DrawBackgroundPicture(m_imgBackground, GetClientSize(), kDialogBase, target, origin);
    }
    ui::CVRNPngButton* AddStrip(int id, wxRect rect, uint16_t picture, bool single = false) {
        auto* button = new ui::CVRNPngButton(this, id, rect.GetPosition(), rect.GetSize());
        if (single)
            button->SetSingleImage(picture, "PNG");
        else
            button->SetStripImage(picture, "PNG");
        return button;
    }

    std::vector<int> m_clicks;

  private:
    CImage m_imgBackground;
};

// One button of the test dialog and how to find it on screen.
struct ButtonLayout {
    const char* name;
    int id;
    wxRect rect;
    uint16_t picture;
    int frames;
};

const ButtonLayout kButtons[] = {
    {"update-now", 1, {200, 348, 122, 32}, 135, 3},
    {"not-now", 1000, {358, 358, 53, 12}, 136, 3},
    {"close", 1012, {570, 10, 18, 18}, 137, 1},
    {"try-now", 1009, {60, 200, 109, 30}, 139, 3},
    {"manual-download", 1010, {200, 200, 109, 30}, 138, 3},
};

class ControlsTest : public testing::Test {
  protected:
    void SetUp() override {
        m_dialog = new CTestDialog;
        for (const ButtonLayout& layout : kButtons)
            m_buttons[layout.id] =
                m_dialog->AddStrip(layout.id, layout.rect, layout.picture, layout.frames == 1);
        m_disabled = m_dialog->AddStrip(2000, {340, 200, 109, 30}, 139);
        m_disabled->Disable();
        m_dialog->Show();
        MoveTo(m_dialog->ClientToScreen(wxPoint(5, 400)));  // on the dialog, away from every button
        ASSERT_TRUE(PumpUntil([&] {
            return m_dialog->IsShownOnScreen() && ShowsFrame(kButtons[0], 0);
        })) << "the dialog never showed its buttons";
    }
    void TearDown() override {
        m_dialog->Destroy();
        Pump(50);
    }

    // What the screen shows in the dialog's client rectangle r.
    CImage Screen(wxRect r) const {
        const wxPoint origin = m_dialog->ClientToScreen(r.GetPosition());
        return CaptureScreen(origin.x, origin.y, r.width, r.height);
    }
    // The dialog's surface under r with frame `frame` of the button's picture blended over
    // it, stretched to r; frame -1 means no picture.
    CImage Expected(const ButtonLayout& layout, int frame) const {
        CImage expected;
        expected.Create(layout.rect.width, layout.rect.height, 32, false);
        m_dialog->DrawBackdrop(expected, layout.rect.GetPosition());
        if (frame < 0) return expected;
        CImage picture;
        ui::LoadPngResource(&picture, layout.picture);
        ui::PremultiplyAlpha(&picture);
        const int w = picture.GetWidth() / layout.frames;
        platform::AlphaBlendStretched(expected, {0, 0, layout.rect.width, layout.rect.height},
                                      picture, {frame * w, 0, w, picture.GetHeight()});
        return expected;
    }
    bool ShowsFrame(const ButtonLayout& layout, int frame) const {
        return SameImage(Screen(layout.rect), Expected(layout, frame));
    }
    // Waits until the screen shows the frame; reports the first differing pixel otherwise.
    testing::AssertionResult WaitForFrame(const ButtonLayout& layout, int frame) const {
        if (PumpUntil([&] { return ShowsFrame(layout, frame); }))
            return testing::AssertionSuccess();
        std::string where;
        SameImage(Screen(layout.rect), Expected(layout, frame), &where);
        return testing::AssertionFailure() << layout.name << " does not show frame " << frame
                                           << " (differs at " << where << ")";
    }
    wxPoint ScreenPoint(const ButtonLayout& layout, int dx, int dy) const {
        return m_dialog->ClientToScreen(layout.rect.GetPosition() + wxSize(dx, dy));
    }
    void MoveTo(wxPoint point) {
        m_sim.MouseMove(point);
        Pump(30);
    }

    wxUIActionSimulator m_sim;
    CTestDialog* m_dialog = nullptr;
    std::map<int, ui::CVRNPngButton*> m_buttons;
    ui::CVRNPngButton* m_disabled = nullptr;
};

TEST_F(ControlsTest, PointerMovesAndClicksShowNormalHoverAndPressedFrames) {
    for (const ButtonLayout& layout : kButtons) {
        SCOPED_TRACE(layout.name);
        const int hover = layout.frames == 3 ? 1 : 0, pressed = layout.frames == 3 ? 2 : 0;
        ui::CVRNPngButton* button = m_buttons[layout.id];
        ASSERT_TRUE(WaitForFrame(layout, 0));
        SaveScreenshot(Screen(layout.rect), layout.name + std::string("-normal"));

        MoveTo(ScreenPoint(layout, layout.rect.width / 2, layout.rect.height / 2));
        EXPECT_TRUE(WaitForFrame(layout, hover));
        EXPECT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == button; }))
            << "the first move inside takes the focus";
        EXPECT_TRUE(button->IsHovering());
        SaveScreenshot(Screen(layout.rect), layout.name + std::string("-hover"));

        m_sim.MouseDown();
        EXPECT_TRUE(WaitForFrame(layout, pressed));
        EXPECT_TRUE(button->IsPressed());
        SaveScreenshot(Screen(layout.rect), layout.name + std::string("-pressed"));

        m_sim.MouseUp();
        EXPECT_TRUE(PumpUntil([&] { return !m_dialog->m_clicks.empty(); }));
        EXPECT_EQ(m_dialog->m_clicks, std::vector<int>{layout.id})
            << "the click reaches the dialog with the button's id";
        m_dialog->m_clicks.clear();
        EXPECT_TRUE(WaitForFrame(layout, 0))
            << "after the click: normal until the pointer moves again";

        MoveTo(ScreenPoint(layout, layout.rect.width / 2 + 1, layout.rect.height / 2));
        EXPECT_TRUE(WaitForFrame(layout, hover));
        MoveTo(ScreenPoint(layout, layout.rect.width + 5, -5));
        EXPECT_TRUE(WaitForFrame(layout, 0));
        EXPECT_FALSE(button->HasCapture()) << "leaving lets the mouse go";
    }
    EXPECT_TRUE(m_dialog->m_clicks.empty());
}

TEST_F(ControlsTest, TheNarrowUpdateButtonShowsItsWholeFrameSqueezed) {
    const ButtonLayout& layout = kButtons[0];
    ASSERT_EQ(layout.rect.width, 122);
    ASSERT_TRUE(WaitForFrame(layout, 0));
    // Cropping the 123-pixel frame instead would lose its right edge, which is transparent
    // there: the rightmost column of the button shows the frame's last column.
    CImage cropped;
    cropped.Create(122, 32, 32, false);
    m_dialog->DrawBackdrop(cropped, layout.rect.GetPosition());
    CImage picture;
    ui::LoadPngResource(&picture, layout.picture);
    ui::PremultiplyAlpha(&picture);
    platform::AlphaBlendStretched(cropped, {0, 0, 122, 32}, picture, {0, 0, 122, 32});
    EXPECT_FALSE(SameImage(Screen(layout.rect), cropped));
}

TEST_F(ControlsTest, ADisabledButtonShowsNoPictureAndTakesNoClick) {
    const ButtonLayout layout{"disabled", 2000, {340, 200, 109, 30}, 139, 3};
    ASSERT_TRUE(WaitForFrame(layout, -1)) << "only the dialog's surface";
    SaveScreenshot(Screen(layout.rect), "disabled");
    MoveTo(ScreenPoint(layout, 50, 15));
    m_sim.MouseClick();
    Pump(150);
    EXPECT_TRUE(m_dialog->m_clicks.empty());
    m_disabled->Enable();
    EXPECT_TRUE(WaitForFrame(layout, 0)) << "enabled again, it shows its normal picture";
}

TEST_F(ControlsTest, ReleasingOutsideTheButtonIsNoClick) {
    const ButtonLayout& layout = kButtons[3];
    MoveTo(ScreenPoint(layout, 20, 15));
    m_sim.MouseDown();
    ASSERT_TRUE(WaitForFrame(layout, 2));
    MoveTo(ScreenPoint(layout, 200, 15));
    EXPECT_TRUE(WaitForFrame(layout, 0));
    m_sim.MouseUp();
    Pump(150);
    EXPECT_TRUE(m_dialog->m_clicks.empty());
    EXPECT_FALSE(m_buttons[layout.id]->IsHovering());
}

TEST_F(ControlsTest, TheSpaceBarClicksTheFocusedButton) {
    const ButtonLayout& layout = kButtons[2];
    MoveTo(ScreenPoint(layout, 9, 9));
    ASSERT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == m_buttons[layout.id]; }));
    m_sim.Char(WXK_SPACE);
    EXPECT_TRUE(PumpUntil([&] { return !m_dialog->m_clicks.empty(); }));
    EXPECT_EQ(m_dialog->m_clicks, std::vector<int>{layout.id});
}

TEST_F(ControlsTest, ACaptionIsDrawnOverThePicture) {
    const ButtonLayout worded{"caption", 3002, {20, 160, 109, 30}, 139, 3};
    m_dialog->AddStrip(worded.id, worded.rect, worded.picture)->SetLabel("OK");
    ASSERT_TRUE(PumpUntil([&] {
        const CImage shown = Screen(worded.rect);
        return !SameImage(shown, Expected(worded, -1)) && !ShowsFrame(worded, 0);
    })) << "the button shows its picture with the caption over it";
}

TEST_F(ControlsTest, TheDialogPicturesForTheDocumentation) {
    const wxRect whole(0, 0, 600, 408);
    ASSERT_TRUE(PumpUntil([&] {
        CImage expected;
        expected.Create(600, 408, 32, false);
        m_dialog->DrawBackdrop(expected, wxPoint(0, 0));
        return !SameImage(Screen(whole), expected);  // the buttons are drawn over the surface
    }));
    SaveScreenshot(Screen(whole), "test-dialog");
}

// The bar in a window: the screen shows exactly the bands of the off-screen painting.
TEST(GradientProgressCtrl, ShowsItsBandsAndText) {
    wxDialog dialog(nullptr, wxID_ANY, "bar", wxPoint(0, 0), wxSize(520, 80), wxBORDER_NONE);
    auto* bar = new ui::CGradientProgressCtrl(&dialog, 1005, wxPoint(10, 10), wxSize(500, 6));
    auto* texted = new ui::CGradientProgressCtrl(&dialog, 1006, wxPoint(10, 30), wxSize(200, 30));
    bar->m_bShowText = 0;
    bar->SetRange(0, 100);
    bar->m_clrStart = platform::RGB(0, 0, 255);
    bar->m_clrEnd = platform::RGB(255, 0, 0);
    bar->m_clrBkgnd = platform::RGB(216, 221, 228);
    bar->SetPos(50);
    texted->SetPos(37);
    dialog.Show();

    auto screenOf = [&](wxWindow* w) {
        const wxPoint p = w->GetScreenPosition();
        return CaptureScreen(p.x, p.y, w->GetSize().x, w->GetSize().y);
    };
    auto painted = [](const ui::CGradientBar& b, int width, int height) {
        CImage image;
        image.Create(width, height, 32, false);
        b.Paint(image, 0, 0, width, height);
        return image;
    };
    EXPECT_TRUE(PumpUntil([&] { return SameImage(screenOf(bar), painted(*bar, 500, 6)); }));
    SaveScreenshot(screenOf(bar), "progress-50");

    bar->SetPos(75);
    EXPECT_TRUE(PumpUntil([&] { return SameImage(screenOf(bar), painted(*bar, 500, 6)); }))
        << "SetPos repaints";

    // "37%" in the text colour over the middle; the bands elsewhere are untouched.
    ASSERT_TRUE(PumpUntil([&] { return !SameImage(screenOf(texted), painted(*texted, 200, 30)); }));
    Pump(100);
    const CImage shown = screenOf(texted), bands = painted(*texted, 200, 30);
    int textPixels = 0, left = 200, right = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 200; ++x) {
            const platform::Bgra p = shown.GetPixel(x, y), q = bands.GetPixel(x, y);
            if (p.r == q.r && p.g == q.g && p.b == q.b) continue;
            ++textPixels;
            left = std::min(left, x);
            right = std::max(right, x);
        }
    EXPECT_GT(textPixels, 20);
    EXPECT_GT(left, 70);
    EXPECT_LT(right, 130);
    EXPECT_LT(std::abs((left + right) / 2 - 100), 4) << "centred";
    SaveScreenshot(shown, "progress-37-text");
    dialog.Hide();
}

}  // namespace
