#include "platform/ui/Channel.h"

namespace ui {

namespace {
Responder& Slot() {
    static Responder slot;
    return slot;
}
}  // namespace

void SetResponder(Responder responder) { Slot() = std::move(responder); }

std::string AskResponder(const std::string& event) {
    if (Slot())
        return Slot()(event);
    static CResponder host = FindHostResponder();
    if (host) {
        const char* answer = host(event.c_str());
        return answer ? std::string(answer) : std::string();
    }
    return std::string();
}

bool OfferPump(CPump pump) {
    static CPumpReceiver receiver = FindHostPumpReceiver();
    if (!receiver)
        return false;
    receiver(pump);
    return true;
}

}  // namespace ui
