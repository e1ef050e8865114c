#include "net/MessagePump.h"

namespace {

IMessagePump* g_pMessagePump = nullptr;

}  // namespace

void SetMessagePump(IMessagePump* pump) {
    g_pMessagePump = pump;
}

bool PumpMessages() {
    IMessagePump* pump = g_pMessagePump;
    if (pump == nullptr) return true;
    while (pump->HasWaitingMessage()) {
        if (!pump->PumpMessage()) {
            pump->PostQuitMessage();
            return false;
        }
    }
    return true;
}
