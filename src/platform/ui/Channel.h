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

}  // namespace ui
