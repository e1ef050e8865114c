#include "ui/MainUpdateDlg.h"

#include <wx/fontenum.h>

#include "common/Folders.h"
#include "common/Texts.h"
#include "net/HttpRequest.h"
#include "platform/ShellOpen.h"

namespace ui {
namespace {

const wxSize kDialogSize(500, 340);
constexpr float kFontPoints = 11.5f;
const wxColour kStatusTextColour(50, 137, 241);
constexpr std::string_view kClientProgram = "HalvoraPortal.exe";

}  // namespace

wxString DialogFontFace() {
    const wxString preferred =
        wxString::FromUTF8(texts::kDialogFontFace.data(), texts::kDialogFontFace.size());
    for (const wxString& face :
         {preferred, wxString("WenQuanYi Micro Hei"), wxString("Noto Sans CJK SC"),
          wxString("Droid Sans Fallback"), wxString("AR PL UMing CN")}) {
        if (wxFontEnumerator::IsValidFacename(face)) return face;
    }
    return wxString();
}

std::string ManualDownloadUrl() {
    return std::string("http://") + VOREL_WEB_HOST + "/kdweb/download.htm";
}

CMainUpdateDlg::CMainUpdateDlg()
    : CPictureDialog(wxString(), kDialogSize, 133),
      m_progress(this, IDC_PROGRESS, wxPoint(0, 230), wxSize(500, 6)),
      m_staticStatus(this, IDC_STATIC_STATUS, wxString(), wxPoint(205, 274), wxSize(103, 20),
                     wxST_NO_AUTORESIZE),
      m_staticPercent(this, IDC_STATIC_PERCENT, wxString(), wxPoint(270, 274), wxSize(33, 20),
                      wxST_NO_AUTORESIZE),
      m_btnTryNow(this, IDC_BUTTON_TRYNOW, wxPoint(193, 285), wxSize(109, 30)),
      m_btnManual(this, IDC_BUTTON_MANUAL, wxPoint(193, 285), wxSize(109, 30)),
      m_btnClose(this, IDC_BUTTON_CLOSE, wxPoint(474, 6), wxSize(18, 18)),
      m_timer(this, IDT_START_UPDATE) {
    CentreOnScreen();
    ApplyRoundedShape();
    for (wxStaticText* label : {&m_staticStatus, &m_staticPercent}) {
        label->SetForegroundColour(kStatusTextColour);
        label->SetBackgroundColour(*wxWHITE);
    }
    Bind(wxEVT_SHOW, &CMainUpdateDlg::OnShow, this);
    Bind(wxEVT_TIMER, &CMainUpdateDlg::OnTimer, this, IDT_START_UPDATE);
    SetDialogKeys([this] { OnTryNow(); }, {});  // Escape never closes this dialog
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnTryNow(); }, IDC_BUTTON_TRYNOW);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnManualDownload(); }, IDC_BUTTON_MANUAL);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnCloseButton(); }, IDC_BUTTON_CLOSE);
}

CMainUpdateDlg::~CMainUpdateDlg() {
    m_timer.Stop();
}

void CMainUpdateDlg::Place(wxWindow& control, int x, int y, int width, int height) {
    control.SetSize(x, y, width, height);
    control.Refresh();
}

void CMainUpdateDlg::SetText(wxStaticText& label, std::string_view utf8) {
    label.SetLabel(wxString::FromUTF8(utf8.data(), utf8.size()));
}

void CMainUpdateDlg::ShowStage(DisplayStage stage) {
    switch (stage) {
        case StageInitial:
            m_progress.m_bShowText = 0;
            m_progress.SetRange(0, 100);
            m_progress.m_clrStart = platform::RGB(0, 0, 255);
            m_progress.m_clrEnd = platform::RGB(255, 0, 0);
            m_progress.m_clrBkgnd = platform::RGB(216, 221, 228);
            m_progress.m_clrText = platform::RGB(65, 97, 155);
            m_progress.Show();
            m_progress.SetPos(0);
            Place(m_progress, 0, 230, 500, 6);
            m_font = wxFont(wxFontInfo(kFontPoints).FaceName(DialogFontFace()));
            m_staticStatus.SetFont(m_font);
            SetText(m_staticStatus, "");
            Place(m_staticStatus, 205, 274, 103, 20);
            m_staticPercent.SetFont(m_font);
            Place(m_staticPercent, 270, 274, 33, 20);
            m_staticPercent.Hide();
            m_btnTryNow.SetStripImage(139, "PNG");
            Place(m_btnTryNow, 193, 285, 109, 30);
            m_btnTryNow.Hide();
            m_btnManual.SetStripImage(138, "PNG");
            Place(m_btnManual, 193, 285, 109, 30);
            m_btnManual.Hide();
            m_btnClose.SetSingleImage(137, "PNG");
            Place(m_btnClose, 474, 6, 18, 18);
            m_btnClose.Hide();
            break;
        case StageUpdating:
            SetText(m_staticStatus, texts::kStatusUpdating);
            Place(m_staticStatus, 200, 274, 137, 20);
            Place(m_staticPercent, 270, 274, 70, 20);
            m_staticPercent.Hide();
            m_staticPercent.Show();
            SetText(m_staticPercent, "1%");
            m_btnClose.Hide();
            break;
        case StageSucceeded:
            m_progress.Hide();
            m_staticStatus.Hide();
            m_staticStatus.Show();
            SetText(m_staticStatus, texts::kStatusSucceeded);
            Place(m_staticStatus, 182, 255, 137, 20);
            m_staticPercent.Hide();
            m_btnTryNow.Show();
            m_btnClose.Show();
            break;
        case StageFailed:
            m_progress.Hide();
            m_staticStatus.Hide();
            m_staticStatus.Show();
            SetText(m_staticStatus, texts::kStatusFailed);
            Place(m_staticStatus, 130, 255, 240, 20);
            m_staticPercent.Hide();
            m_btnManual.Show();
            m_btnClose.Show();
            break;
    }
    KeepKeyboard();
    Update();
}

void CMainUpdateDlg::ShowProgressBar() {
    m_progress.Show();
}

void CMainUpdateDlg::OnShow(wxShowEvent& event) {
    event.Skip();
    if (!event.IsShown()) return;
    ShowStage(StageInitial);
    m_timer.StartOnce(100);
}

void CMainUpdateDlg::OnTimer(wxTimerEvent&) {
    m_timer.Stop();
    m_transfer.progressBar = &m_barControl;
    m_transfer.percentLabel = &m_labelControl;
    try {
        m_sequence.Run();
    } catch (...) {
        ShowStage(StageFailed);  // out of memory somewhere in the update: it failed
    }
}

void CMainUpdateDlg::OnTryNow() {
    platform::ShellOpen(kClientProgram, GetModuleDir());
    EndDialogOnce(wxID_OK);
}

void CMainUpdateDlg::OnManualDownload() {
    platform::ShellOpen(ManualDownloadUrl());
    EndDialogOnce(wxID_CANCEL);
}

void CMainUpdateDlg::OnCloseButton() {
    g_nContinueUpdate = 0;
    EndDialogOnce(wxID_CANCEL);
}

}  // namespace ui
