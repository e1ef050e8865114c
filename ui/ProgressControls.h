// The progress dialog's bar and percentage label as the HTTP engine moves them, and the
// toolkit's event dispatch as the engine pumps it between the chunks of a transfer.
#pragma once

#include <wx/stattext.h>

#include "net/MessagePump.h"
#include "net/TransferProgress.h"
#include "ui/GradientProgressCtrl.h"

namespace ui {

// The gradient bar as a progress control: positions go to SetPos and show at once.
class CBarProgressControl : public IProgressControl {
  public:
    explicit CBarProgressControl(CGradientProgressCtrl& bar) : m_bar(bar) {}
    bool Exists() const override;
    void SetPos(int position) override;
    void SetText(std::string_view) override {}

  private:
    CGradientProgressCtrl& m_bar;
};

// A static text as a progress control: texts replace its label.
class CLabelProgressControl : public IProgressControl {
  public:
    explicit CLabelProgressControl(wxStaticText& label) : m_label(label) {}
    bool Exists() const override;
    void SetPos(int) override {}
    void SetText(std::string_view text) override;

  private:
    wxStaticText& m_label;
};

// Dispatches the toolkit's waiting events one at a time, from inside a running handler.
class CToolkitMessagePump : public IMessagePump {
  public:
    bool HasWaitingMessage() override;
    bool PumpMessage() override;
    // The toolkit has no quit message to post again: a dialog asked to end stays asked.
    void PostQuitMessage() override {}
};

// Registers a pump with the engine for the object's lifetime.
class CScopedMessagePump {
  public:
    CScopedMessagePump() { SetMessagePump(&m_pump); }
    ~CScopedMessagePump() { SetMessagePump(nullptr); }
    CScopedMessagePump(const CScopedMessagePump&) = delete;
    CScopedMessagePump& operator=(const CScopedMessagePump&) = delete;

  private:
    CToolkitMessagePump m_pump;
};

}  // namespace ui
