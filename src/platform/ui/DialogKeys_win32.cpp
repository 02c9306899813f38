// Dialog keys of the Win32 forms: Tab, Enter and Esc as a dialog box has them, and the thread's
// message hook that gives them to the modeless windows, whatever message loop the host runs.
#include "platform/ui/DialogKeys_win32.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace ui::dialogkeys {

namespace {

bool IsMultiLineEdit(HWND hwnd) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    return lstrcmpiW(cls, L"Edit") == 0 && (GetWindowLongW(hwnd, GWL_STYLE) & ES_MULTILINE);
}

// The keyboard to a control, an edit's text selected, as the dialog manager does it.
void FocusControl(HWND control) {
    if (!control)
        return;
    SetFocus(control);
    if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageW(control, EM_SETSEL, 0, -1);
}

}  // namespace

// Gives a message of a form's window the dialog keys and dispatches it, as IsDialogMessage
// does; beyond it, a multi-line edit keeps Enter but lets Tab move on and Esc cancel, and Enter
// on a focused button presses that button. False for a message of another window.
bool DialogMessage(HWND form, MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.hwnd && (msg.hwnd == form || IsChild(form, msg.hwnd)) &&
        GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
        if (IsMultiLineEdit(msg.hwnd) && msg.wParam == VK_TAB) {
            FocusControl(GetNextDlgTabItem(form, msg.hwnd, GetKeyState(VK_SHIFT) < 0));
            return true;
        }
        if (IsMultiLineEdit(msg.hwnd) && msg.wParam == VK_ESCAPE) {
            SendMessageW(form, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return true;
        }
        if (msg.wParam == VK_RETURN &&
            (SendMessageW(msg.hwnd, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
            SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(msg.hwnd), BN_CLICKED),
                         reinterpret_cast<LPARAM>(msg.hwnd));
            return true;
        }
    }
    return IsDialogMessageW(form, &msg) != FALSE;
}

namespace {

LRESULT CALLBACK ModelessKeysProc(int code, WPARAM wParam, LPARAM lParam);

// The host's message loop knows nothing of our modeless windows and never calls IsDialogMessage
// for them: a message hook on the thread gives them their dialog keys. It is there exactly
// while such a window exists; it goes with the last one, at the latest when the library unloads.
class ModelessKeys {
public:
    constexpr ModelessKeys() = default;
    ~ModelessKeys() { Unhook(); }
    ModelessKeys(const ModelessKeys&) = delete;
    ModelessKeys& operator=(const ModelessKeys&) = delete;

    void Add(HWND form) {
        if (!hook_) {
            hook_ = SetWindowsHookExW(WH_GETMESSAGE, ModelessKeysProc, nullptr, GetCurrentThreadId());
            if (!hook_)
                throw std::runtime_error("Die Tastatur eines Fensters kann nicht eingerichtet werden (Fehler " +
                                         std::to_string(GetLastError()) + ")");
        }
        forms_.push_back(form);
    }
    void Remove(HWND form) {
        forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
        if (forms_.empty())
            Unhook();
    }
    // The modeless window that the window belongs to, if any.
    HWND FormOf(HWND hwnd) const {
        for (HWND form : forms_)
            if (hwnd && (hwnd == form || IsChild(form, hwnd)))
                return form;
        return nullptr;
    }
    HHOOK Hook() const { return hook_; }

private:
    void Unhook() {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }

    HHOOK hook_ = nullptr;
    std::vector<HWND> forms_;
};

// Outlives the backend, whose windows take their part of the hook along when they go.
ModelessKeys g_modelessKeys;

LRESULT CALLBACK ModelessKeysProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        auto* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST)
            if (HWND form = g_modelessKeys.FormOf(msg->hwnd); form && DialogMessage(form, *msg)) {
                // Done here: the host's loop goes on with a message that does nothing.
                msg->message = WM_NULL;
                msg->wParam = 0;
                msg->lParam = 0;
            }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void AddModeless(HWND form) { g_modelessKeys.Add(form); }

void RemoveModeless(HWND form) { g_modelessKeys.Remove(form); }

void* ModelessHook() { return g_modelessKeys.Hook(); }

}  // namespace ui::dialogkeys
