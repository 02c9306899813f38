// The line protocol between the scripted backend and whoever answers it (a test, the stand-in).
#pragma once

#include <functional>
#include <string>

namespace ui {

// Takes an event text (a form's state, a message box, a file dialog, a refusal) and returns
// the answer: an action on the form or the button of a message box.
using Responder = std::function<std::string(const std::string& event)>;

// An in-process responder (unit tests). Without one, the responder that the host process
// offers as the C function fxSimUiEvent is asked; without that, every dialog is cancelled.
void SetResponder(Responder responder);

// Asks the responder; empty when nobody answers.
std::string AskResponder(const std::string& event);

// Finds the host process's C responder; nullptr when it has none.
using CResponder = const char* (*)(const char* event);
CResponder FindHostResponder();

// The plug-in side of modeless windows: a function the host process may call with requests
// about them (see ScriptedBackend::Pump). OfferPump hands it to the host process's C function
// fxSimUiSetPump; false when the host has none.
using CPump = const char* (*)(const char* request);
bool OfferPump(CPump pump);
using CPumpReceiver = void (*)(CPump pump);
CPumpReceiver FindHostPumpReceiver();

}  // namespace ui
