#include "plugin/Guard.h"

#include "platform/os/Cursor.h"
#include "platform/ui/Dialogs.h"

void ShowHookError(const char* text) noexcept {
    try {
        os::SetCursor(os::CursorShape::Default);
        ui::MessageDlg(text && *text ? text : "Unbekannter Fehler im Transaktionsmodul.", ui::MsgType::Error);
    } catch (...) {
    }
}
