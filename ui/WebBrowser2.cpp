#include "ui/WebBrowser2.h"

#include <webkit2/webkit2.h>

#include "platform/GbkText.h"

namespace ui {

bool CWebBrowser2::Create(wxWindow* parent, wxWindowID id, const wxRect& rect) {
    m_view = wxWebView::New(parent, id, wxWebViewDefaultURLStr, rect.GetPosition(), rect.GetSize(),
                            wxWebViewBackendWebKit);
    if (m_view == nullptr) return false;
    m_view->Bind(wxEVT_WEBVIEW_NAVIGATING, &CWebBrowser2::OnNavigating, this);
    return true;
}

void CWebBrowser2::Navigate(std::string_view urlGbk, long flags) {
    if (m_view == nullptr) return;
    if (flags & (navNoReadFromCache | navNoWriteToCache)) {
        // The web context caches nothing at all: every page comes from the server.
        auto* native = static_cast<WebKitWebView*>(m_view->GetNativeBackend());
        webkit_web_context_set_cache_model(webkit_web_view_get_context(native),
                                           WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    }
    if (flags & navNoHistory) m_view->EnableHistory(false);
    m_view->LoadURL(wxString::FromUTF8(platform::GbkToUtf8(urlGbk)));
}

void CWebBrowser2::SetBeforeNavigate(BeforeNavigate handler) {
    m_beforeNavigate = std::move(handler);
}

void CWebBrowser2::OnNavigating(wxWebViewEvent& event) {
    if (!m_beforeNavigate) return;
    bool cancel = false;
    m_beforeNavigate(event.GetURL(), cancel);
    if (cancel) event.Veto();
}

}  // namespace ui
