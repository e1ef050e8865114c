// CWebBrowser2: an embedded HTML view (wxWebView on WebKitGTK) that loads pages without
// cache or history and reports every navigation before it happens, so that its host can
// cancel it.
#pragma once

#include <wx/gdicmn.h>
#include <wx/webview.h>

#include <functional>
#include <string_view>

namespace ui {

class CWebBrowser2 {
  public:
    // Navigation flags of Navigate (they add up).
    enum : long { navNoHistory = 2, navNoReadFromCache = 4, navNoWriteToCache = 8 };

    // Receives the target address of a navigation that is about to happen (UTF-8) and sets
    // cancel to keep the view from going there.
    using BeforeNavigate = std::function<void(const wxString& url, bool& cancel)>;

    // Makes the view as a child of parent at rect, showing nothing yet.
    bool Create(wxWindow* parent, wxWindowID id, const wxRect& rect);

    // Loads the page at url (GBK). With navNoReadFromCache and navNoWriteToCache the page
    // neither comes from nor goes into a cache; with navNoHistory it enters no history.
    void Navigate(std::string_view urlGbk, long flags);

    // Reports every navigation of the view (its own loads and followed links) to handler.
    void SetBeforeNavigate(BeforeNavigate handler);

    wxWebView* View() const { return m_view; }

  private:
    void OnNavigating(wxWebViewEvent& event);

    wxWebView* m_view = nullptr;  // owned by its parent window
    BeforeNavigate m_beforeNavigate;
};

}  // namespace ui
