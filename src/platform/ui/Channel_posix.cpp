#include <dlfcn.h>

#include "platform/ui/Channel.h"

namespace ui {

CResponder FindHostResponder() {
    return reinterpret_cast<CResponder>(dlsym(RTLD_DEFAULT, "fxSimUiEvent"));
}

CPumpReceiver FindHostPumpReceiver() {
    return reinterpret_cast<CPumpReceiver>(dlsym(RTLD_DEFAULT, "fxSimUiSetPump"));
}

}  // namespace ui
