// The scripted backend: every form and message is sent, with its whole content, to a responder
// that answers with the user's actions.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/ui/Forms.h"

namespace ui {

// The text of a form's state: caption, size, every control with its contents.
std::string DescribeForm(const Form& form, int sequence);
// Applies one action ("click BtnOK", "select lbTID 0", "set eName text", "check cbX 1",
// "close", "key enter", "key esc"); returns an empty string, or why it was refused.
std::string ApplyAction(Form& form, const std::string& action);

class ScriptedBackend : public Backend {
public:
    int ShowModal(Form& form) override;
    void ShowModeless(Form& form) override;
    void CloseModeless(Form& form) override;
    int Message(const std::string& text, MsgType type, MsgButtons buttons) override;
    bool FileDialog(bool save, const FileDialogOptions& options, std::string& chosen) override;
    void ShowDocument(const DocumentView& document) override;

    // What the host asks about the modeless forms that are open (the stand-in does so between
    // the lines of its script): "describe SEQ" the form's state, "act SEQ ACTION" an action on
    // it (answer: empty, or why it was refused), "idle" lets every running timer fire once.
    std::string Pump(const std::string& request);

private:
    Form* Modeless(int sequence) const;
    int sequence_ = 0;
    std::vector<std::pair<int, Form*>> modeless_;  // open modeless forms by sequence
};

}  // namespace ui
