// CVorel_Src_V2Dlg: the update prompt, the program's main window. It shows the tip page of
// the install kind and the new-version page, offers update-now (and not-now for a normal
// update), guards the start of the update against a running client, and runs the progress
// dialog while it hides itself.
#pragma once

#include <wx/icon.h>

#include <string>

#include "ui/PictureDialog.h"
#include "ui/PngButton.h"
#include "ui/WebBrowser2.h"

namespace ui {

class CVorel_Src_V2Dlg : public CPictureDialog {
  public:
    enum {
        IDC_BUTTON_UPDATENOW = 1,
        IDC_BUTTON_NOTNOW = 1000,
        IDC_BROWSER_TIPS = 1007,
        IDC_BROWSER_NEWS = 1008,
        IDC_BUTTON_CLOSE = 1012,
        IDM_ABOUTBOX = 16,
    };

    CVorel_Src_V2Dlg();

    // Navigates the upper view to the tip page of the install kind and the lower one to the
    // new-version page, both without cache or history.
    void LoadTipPages();
    // Places the buttons for the install kind (the not-now button only for a normal update).
    void LayoutButtons();

    // The addresses LoadTipPages navigates to (GBK).
    std::string TipsPageUrl() const;
    std::string NewsPageUrl() const;

    // Asks the client to close, and when it no longer runs, runs the update in the progress
    // dialog and ends with OK.
    void OnUpdateNow();
    // Ends with cancel; during a forced update only after the user confirmed it, and then
    // the client is asked to close as well.
    void OnCloseButton();
    // Ends with cancel.
    void OnNotNow();
    // Cancels a navigation of the upper view to the online-service link and opens the
    // signed service address in the default browser instead.
    void OnBeforeNavigateTips(const wxString& url, bool& cancel);

    CWebBrowser2 m_browserTips;
    CWebBrowser2 m_browserNews;
    CVRNPngButton m_btnUpdateNow;
    CVRNPngButton m_btnNotNow;
    CVRNPngButton m_btnClose;
    std::string m_strOcxVersion;  // the component beside the program; empty when unreadable

  private:
    void OnShow(wxShowEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnAbout(wxCommandEvent& event);

    wxIcon m_hIcon;
};

// Where the two views sit: the template's dialog units scaled to the window and aligned to
// the background picture's panel.
inline const wxRect kTipsViewRect(17, 60, 566, 40);
inline const wxRect kNewsViewRect(17, 112, 566, 216);

}  // namespace ui
