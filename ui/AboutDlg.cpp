#include "ui/AboutDlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "common/Texts.h"

namespace ui {
namespace {

wxString Utf8(std::string_view text) {
    return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, Utf8(texts::kAboutTitle), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(this, wxID_ANY, Utf8(texts::kAboutText)), 0, wxALL, 16);
    sizer->Add(new wxButton(this, wxID_OK, Utf8(texts::kAboutOk)), 0,
               wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(sizer);
    CentreOnParent();
}

}  // namespace ui
