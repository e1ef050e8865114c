// Window messages dispatched between the chunks of a transfer, so that a dialog keeps
// repainting and reacting while the transfer runs on its thread.
#pragma once

// The calling thread's window messages, as the engine sees them. The user interface
// implements it and registers it; without one there are no windows and nothing to pump.
class IMessagePump {
  public:
    virtual ~IMessagePump() = default;
    // True when a message waits for the calling thread; it is not taken.
    virtual bool HasWaitingMessage() = 0;
    // Takes one waiting message and dispatches it; false when that message asked to quit.
    virtual bool PumpMessage() = 0;
    // Asks the thread's message loop to quit again (a quit taken here is not lost).
    virtual void PostQuitMessage() = 0;
};

// Registers the pump of the user interface (null: none). It must outlive its registration.
void SetMessagePump(IMessagePump* pump);

// Dispatches the waiting messages of the calling thread. false when a quit message was
// taken (it is posted again); true once no message waits, and always true without a pump.
bool PumpMessages();
