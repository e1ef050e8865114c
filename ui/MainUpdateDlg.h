// CMainUpdateDlg: the progress dialog in which the update runs. It shows a picture
// background with a thin progress bar, a status line and a percentage label in one of four
// display stages, starts the update sequence from a one-shot timer, and at the end offers
// to start the client or to open the maker's manual-download page.
#pragma once

#include <wx/font.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include "net/TransferProgress.h"
#include "ui/GradientProgressCtrl.h"
#include "ui/PictureDialog.h"
#include "ui/PngButton.h"
#include "ui/ProgressControls.h"
#include "ui/UpdateSequence.h"

namespace ui {

class CMainUpdateDlg : public CPictureDialog, public IUpdateView {
  public:
    enum {
        IDC_PROGRESS = 1005,
        IDC_STATIC_STATUS = 1006,
        IDC_BUTTON_TRYNOW = 1009,
        IDC_BUTTON_MANUAL = 1010,
        IDC_BUTTON_CLOSE = 1012,
        IDC_STATIC_PERCENT = 1013,
        IDT_START_UPDATE = 13000,
    };

    CMainUpdateDlg();
    ~CMainUpdateDlg() override;

    // Sets the controls for a display stage (positions, texts, what is shown).
    void ShowStage(DisplayStage stage) override;
    void ShowProgressBar() override;
    void EndWithCancel() override { EndDialogOnce(wxID_CANCEL); }

    // Starts the client beside the program and ends with OK.
    void OnTryNow();
    // Opens the maker's manual-download page and ends with cancel.
    void OnManualDownload();
    // Stops a running transfer and ends with cancel.
    void OnCloseButton();

    // The working folder of the run (empty until the download starts).
    const std::string& WorkDir() const { return m_sequence.WorkDir(); }

    CGradientProgressCtrl m_progress;
    wxStaticText m_staticStatus;
    wxStaticText m_staticPercent;
    CVRNPngButton m_btnTryNow;
    CVRNPngButton m_btnManual;
    CVRNPngButton m_btnClose;

  private:
    void OnShow(wxShowEvent& event);
    void OnTimer(wxTimerEvent& event);
    // Moves a control and repaints what it covered and covers.
    static void Place(wxWindow& control, int x, int y, int width, int height);
    static void SetText(wxStaticText& label, std::string_view utf8);

    wxFont m_font;
    wxTimer m_timer;
    TransferProgress m_transfer;
    CBarProgressControl m_barControl{m_progress};
    CLabelProgressControl m_labelControl{m_staticPercent};
    CScopedMessagePump m_pump;
    CUpdateSequence m_sequence{*this, m_transfer};
};

// The face of the dialog's texts: "微软雅黑" where the system has it, else a CJK font it has.
wxString DialogFontFace();

// The address of the maker's manual-download page.
std::string ManualDownloadUrl();

}  // namespace ui
