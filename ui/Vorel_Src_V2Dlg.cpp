#include "ui/Vorel_Src_V2Dlg.h"

#include <wx/image.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include "common/Folders.h"
#include "common/Texts.h"
#include "platform/GbkText.h"
#include "platform/Image.h"
#include "platform/TopLevelWindows.h"
#include "res/Resources.h"
#include "service/OnlineServiceLink.h"
#include "ui/AboutDlg.h"
#include "ui/CheckClientRunning.h"
#include "ui/MainUpdateDlg.h"
#include "update/ComponentVersion.h"
#include "update/InstallDecision.h"
#include "update/XMLFileInfo.h"

namespace ui {
namespace {

const wxSize kDialogSize(600, 408);
constexpr long kNavigateFlags = CWebBrowser2::navNoHistory | CWebBrowser2::navNoReadFromCache |
                                CWebBrowser2::navNoWriteToCache;  // 14
constexpr int kCloseWaitMs = 800;

wxString Utf8(std::string_view text) {
    return wxString::FromUTF8(text.data(), text.size());
}

// The program icon from its PNG resource, with its alpha.
wxIcon ProgramIcon() {
    const auto bytes = res::FindResource("ICON", res::kProgramIcon);
    if (!bytes) return wxIcon();
    platform::CImage picture;
    if (!platform::DecodePng(*bytes, picture) || picture.IsNull()) return wxIcon();
    wxImage image(picture.GetWidth(), picture.GetHeight(), false);
    image.SetAlpha();
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x) {
            const platform::Bgra p = picture.GetPixel(x, y);
            image.SetRGB(x, y, p.r, p.g, p.b);
            image.SetAlpha(x, y, picture.HasAlpha() ? p.a : 255);
        }
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    return icon;
}

void AskClientToClose() {
    if (platform::WindowId window =
            platform::FindTopLevelWindow(texts::Gbk(texts::kClientMainWindowTitle)))
        platform::PostCloseRequest(window);
}

}  // namespace

CVorel_Src_V2Dlg::CVorel_Src_V2Dlg()
    : CPictureDialog(Utf8(texts::kPromptTitle), kDialogSize, res::kPromptBackground),
      m_btnUpdateNow(this, IDC_BUTTON_UPDATENOW, wxPoint(200, 348), wxSize(122, 32)),
      m_btnNotNow(this, IDC_BUTTON_NOTNOW, wxPoint(358, 358), wxSize(53, 12)),
      m_btnClose(this, IDC_BUTTON_CLOSE, wxPoint(570, 10), wxSize(18, 18)) {
    CentreOnScreen();
    ApplyRoundedShape();
    m_hIcon = ProgramIcon();
    if (m_hIcon.IsOk()) SetIcon(m_hIcon);
    m_browserTips.Create(this, IDC_BROWSER_TIPS, kTipsViewRect);
    m_browserNews.Create(this, IDC_BROWSER_NEWS, kNewsViewRect);
    m_browserTips.SetBeforeNavigate(
        [this](const wxString& url, bool& cancel) { OnBeforeNavigateTips(url, cancel); });
    Bind(wxEVT_SHOW, &CVorel_Src_V2Dlg::OnShow, this);
    SetDialogKeys([this] { OnUpdateNow(); }, [this] { OnCloseButton(); });
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnUpdateNow(); }, IDC_BUTTON_UPDATENOW);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnNotNow(); }, IDC_BUTTON_NOTNOW);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnCloseButton(); }, IDC_BUTTON_CLOSE);
    Bind(wxEVT_CONTEXT_MENU, &CVorel_Src_V2Dlg::OnContextMenu, this);
    Bind(wxEVT_MENU, &CVorel_Src_V2Dlg::OnAbout, this, IDM_ABOUTBOX);
    LoadTipPages();
}

std::string CVorel_Src_V2Dlg::TipsPageUrl() const {
    const std::string& tips = g_xmlFileInfo.TipsURL;
    if (g_nForceInstall == 1) return tips + "ForceInstallVersionTips.htm";
    if (g_nSpecifyInstall == 1)
        return tips + m_strOcxVersion + "_" + "SpecifyInstallVersionTips.htm";
    if (g_nAdvanceInstall == 1) return tips + "AdvanceInstallVersionTips.htm";
    return tips + "NormalInstallVersionTips.htm";
}

std::string CVorel_Src_V2Dlg::NewsPageUrl() const {
    return g_xmlFileInfo.TipsURL + "NewVersionInfo.htm";
}

void CVorel_Src_V2Dlg::LoadTipPages() {
    m_strOcxVersion = GetOCXVersion(GetModuleDir() + "HalvoraMain.ocx");
    m_browserTips.Navigate(TipsPageUrl(), kNavigateFlags);
    m_browserNews.Navigate(NewsPageUrl(), kNavigateFlags);
}

void CVorel_Src_V2Dlg::LayoutButtons() {
    const bool special = g_nForceInstall == 1 || g_nSpecifyInstall == 1 || g_nAdvanceInstall == 1;
    m_btnUpdateNow.SetStripImage(res::kUpdateNowButton, "PNG");
    if (special) {
        m_btnUpdateNow.SetSize(239, 348, 122, 32);
        m_btnNotNow.Hide();
    } else {
        m_btnUpdateNow.SetSize(200, 348, 122, 32);
        m_btnNotNow.SetStripImage(res::kNotNowButton, "PNG");
        m_btnNotNow.SetSize(358, 358, 53, 12);
        m_btnNotNow.Show();
    }
    m_btnClose.SetSingleImage(res::kCloseGlyph, "PNG");
    m_btnClose.SetSize(570, 10, 18, 18);
    Refresh();
}

void CVorel_Src_V2Dlg::OnShow(wxShowEvent& event) {
    event.Skip();
    LayoutButtons();
}

void CVorel_Src_V2Dlg::OnContextMenu(wxContextMenuEvent&) {
    // Without a caption there is no system menu; its About item lives here.
    wxMenu menu;
    menu.Append(IDM_ABOUTBOX, Utf8(texts::kAboutMenuItem));
    PopupMenu(&menu);
}

void CVorel_Src_V2Dlg::OnAbout(wxCommandEvent&) {
    CAboutDlg about(this);
    about.ShowModal();
}

void CVorel_Src_V2Dlg::OnUpdateNow() {
    AskClientToClose();
    wxMilliSleep(kCloseWaitMs);
    platform::CSharedSection marker;
    if (!CheckClientRunning(marker)) return;
    marker.Close();

    ShowKeepingModalRun(false);
    {
        CMainUpdateDlg progress;
        progress.ShowModal();
    }
    ShowKeepingModalRun(true);
    EndDialogOnce(wxID_OK);
}

void CVorel_Src_V2Dlg::OnCloseButton() {
    if (g_nForceInstall == 1) {
        wxMessageDialog confirm(this, Utf8(texts::kConfirmCloseForced), Utf8(texts::kPromptTitle),
                                wxYES_NO | wxNO_DEFAULT);
        if (confirm.ShowModal() != wxID_YES) return;
        AskClientToClose();
    }
    EndDialogOnce(wxID_CANCEL);
}

void CVorel_Src_V2Dlg::OnNotNow() {
    EndDialogOnce(wxID_CANCEL);
}

void CVorel_Src_V2Dlg::OnBeforeNavigateTips(const wxString& url, bool& cancel) {
    const std::string urlGbk = platform::Utf8ToGbk(url.utf8_string());
    if (!IsOnlineServiceLink(urlGbk)) return;
    cancel = true;
    OpenOnlineService();
}

}  // namespace ui
