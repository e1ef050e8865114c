// CAboutDlg: the program's name and version, with an OK button.
#pragma once

#include <wx/dialog.h>

namespace ui {

class CAboutDlg : public wxDialog {
  public:
    explicit CAboutDlg(wxWindow* parent);
};

}  // namespace ui
