#include "ui/ProgressControls.h"

#include <wx/app.h>
#include <wx/evtloop.h>

#include "platform/GbkText.h"

namespace ui {

bool CBarProgressControl::Exists() const {
    return !m_bar.IsBeingDeleted();
}

void CBarProgressControl::SetPos(int position) {
    m_bar.SetPos(position);
    m_bar.Update();  // paint now: the transfer holds the thread until its next chunk
}

bool CLabelProgressControl::Exists() const {
    return !m_label.IsBeingDeleted();
}

void CLabelProgressControl::SetText(std::string_view text) {
    const wxString label = wxString::FromUTF8(platform::GbkToUtf8(text));
    if (m_label.GetLabel() == label) return;
    m_label.SetLabel(label);
    m_label.Update();
}

bool CToolkitMessagePump::HasWaitingMessage() {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    return loop != nullptr && loop->Pending();
}

bool CToolkitMessagePump::PumpMessage() {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (loop == nullptr) return true;
    const bool goOn = loop->Dispatch();
    if (wxTheApp != nullptr) wxTheApp->ProcessPendingEvents();
    return goOn;
}

}  // namespace ui
