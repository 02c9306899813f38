// The Win32 backend: forms as real windows with dialog keys, MessageBoxW, the common file dialogs.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Forms.h"

namespace ui {

class Win32Window;

class Win32Backend : public Backend {
public:
    Win32Backend();
    ~Win32Backend() override;
    int ShowModal(Form& form) override;
    void ShowModeless(Form& form) override;
    void CloseModeless(Form& form) override;
    int Message(const std::string& text, MsgType type, MsgButtons buttons) override;
    bool FileDialog(bool save, const FileDialogOptions& options, std::string& chosen) override;
    void ShowDocument(const DocumentView& document) override;

private:
    std::map<Form*, std::unique_ptr<Win32Window>> modeless_;
    std::vector<std::unique_ptr<Win32Window>> graveyard_;  // closed, freed at the next call
};

// The thread's message hook (an HHOOK) that gives the modeless windows their dialog keys, which
// the host's message loop does not; null while no modeless window exists.
void* ModelessKeysHook();

// "Text|*.a|Other|*.b" as the common dialogs take it: parts separated and ended by '\0', twice at the end.
std::u16string FilterForDialog(const std::string& filter);
// The caption of a message box of the given type.
std::string MessageCaption(MsgType type);

}  // namespace ui
