// Forms of the form model as Win32 windows: one child window per control, the model's state
// copied into the windows after every handler and read back from them before it.
#include "platform/ui/Win32Forms.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <tuple>
#include <type_traits>
#include <vector>

#include "platform/ui/Cp1252.h"
#include "platform/ui/DialogKeys_win32.h"

namespace ui {

namespace {

constexpr wchar_t kFormClass[] = L"VE1TransActionForm";
constexpr int kFirstId = 100;  // above IDOK and IDCANCEL

std::wstring W(const std::string& text) {
    const std::u16string wide = Cp1252ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

std::string A(const std::wstring& text) { return Utf16ToCp1252(std::u16string(text.begin(), text.end())); }

std::wstring WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void SetTextIfChanged(HWND hwnd, const std::wstring& text) {
    if (WindowText(hwnd) != text)
        SetWindowTextW(hwnd, text.c_str());
}

// The module this code lives in (the plug-in, or a test program).
HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// The host's window that is active in this process, as owner of dialogs and message boxes.
HWND OwnerWindow() {
    if (HWND active = GetActiveWindow())
        return active;
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (foreground)
        GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
}

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The owner is disabled while a modal form is up and enabled again before the form goes.
class OwnerDisabled {
public:
    explicit OwnerDisabled(HWND owner) : owner_(owner && IsWindowEnabled(owner) ? owner : nullptr) {
        if (owner_)
            EnableWindow(owner_, FALSE);
    }
    ~OwnerDisabled() {
        if (owner_)
            EnableWindow(owner_, TRUE);
    }
    OwnerDisabled(const OwnerDisabled&) = delete;
    OwnerDisabled& operator=(const OwnerDisabled&) = delete;

private:
    HWND owner_;
};

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The window class of the forms, registered while a backend lives.
class FormClass {
public:
    FormClass() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = FormProc;
        wc.hInstance = ThisModule();
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFormClass;
        registered_ = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    ~FormClass() {
        if (registered_)
            UnregisterClassW(kFormClass, ThisModule());
    }
    FormClass(const FormClass&) = delete;
    FormClass& operator=(const FormClass&) = delete;

private:
    bool registered_ = false;
};

}  // namespace

// One shown form: its top-level window and a child window per control (a radio group has a
// frame and one button per item).
class Win32Window {
public:
    Win32Window(Form& form, HWND owner, bool modal);
    ~Win32Window() { Destroy(); }
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Called with WM_NCCREATE, so that the window's creation messages reach Handle too.
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    // Called with WM_NCDESTROY: the window went (also when its owner took it along).
    void Detach();
    void Destroy();
    void Refresh();
    void Pull();
    void FocusFirst();
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    struct Child {
        Control* control;
        HWND hwnd;
        int item;        // radio group button: its item; else -1
        HWND spin;       // spin edit: the up-down control beside the edit
        std::vector<std::string> shownItems;
        unsigned serial = 0;  // image: the picture drawn last
    };

    HFONT FontFor(const Font& font);
    HWND CreateChild(const wchar_t* cls, const std::wstring& text, DWORD style, DWORD exStyle,
                     int left, int top, int width, int height, int id, const Font& font);
    void CreateControl(Control& c);
    void BuildRadioButtons(RadioGroup& group);
    Child* ChildById(int id);
    void Run(const Handler& handler);
    void Click(Button& button);
    void Place(HWND owner);
    void DrawImage(const DRAWITEMSTRUCT& item);

    Form& form_;
    bool modal_;
    HWND hwnd_ = nullptr;
    int nextId_ = kFirstId;
    std::map<int, Child> children_;
    std::map<std::tuple<std::string, int, int, bool>, FontHandle> fonts_;
    std::map<int, int> timers_;  // timer id -> running interval (0: stopped)
    bool refreshing_ = false;
    HWND focus_ = nullptr;  // the control that had the keyboard when the window was left
};

namespace {

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* window = static_cast<Win32Window*>(create->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        if (window)
            window->Attach(hwnd);
    }
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        // However the window goes, its keys' hook goes with it.
        dialogkeys::RemoveModeless(hwnd);
        if (window && window->hwnd() == hwnd)
            window->Detach();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    if (window && window->hwnd() == hwnd)
        return window->Handle(msg, wParam, lParam);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Every form has the close box; a dialog border never has minimise and maximise boxes, the
// other borders have them unless only the close box is asked for. No WS_CLIPCHILDREN: group
// boxes do not paint their inside, the form's background must show through.
DWORD FormStyle(const Form& form, DWORD& exStyle) {
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    exStyle = WS_EX_CONTROLPARENT | (form.StayOnTop ? WS_EX_TOPMOST : 0);
    const DWORD boxes = form.Icons == BorderIcons::SystemMenu ? WS_MINIMIZEBOX | WS_MAXIMIZEBOX : 0;
    switch (form.Border) {
    case BorderStyle::Dialog:
        exStyle |= WS_EX_DLGMODALFRAME;
        break;
    case BorderStyle::Single:
        style |= WS_BORDER | boxes;
        break;
    case BorderStyle::Sizeable:
        style |= WS_THICKFRAME | boxes;
        break;
    case BorderStyle::ToolWindow:
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    return style;
}

// The control made before this one, timers left out.
const Control* Previous(const Form& form, const Control& c) {
    const Control* before = nullptr;
    for (const auto& other : form.Controls()) {
        if (other.get() == &c)
            break;
        if (other->Kind() != ControlKind::Timer)
            before = other.get();
    }
    return before;
}

// For the arrow keys every control is a group of its own, but radio buttons of one frame made
// one after the other are one group, in which the arrows move and check.
bool StartsGroup(const Form& form, const Control& c) {
    const Control* before = Previous(form, c);
    return c.Kind() != ControlKind::RadioButton || !before || before->Kind() != ControlKind::RadioButton ||
           before->Parent != c.Parent;
}

// Tab enters a frame's radio buttons once: at the checked one, else at the first.
bool IsRadioTabStop(const Form& form, const RadioButton& button) {
    if (button.Checked)
        return true;
    const RadioButton* first = nullptr;
    for (const auto& c : form.Controls())
        if (auto* other = dynamic_cast<const RadioButton*>(c.get()); other && other->Parent == button.Parent) {
            if (other->Checked)
                return false;
            if (!first)
                first = other;
        }
    return first == &button;
}

void SetStyleBit(HWND hwnd, DWORD bit, bool on) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    const DWORD wanted = on ? (style | bit) : (style & ~bit);
    if (wanted != style)
        SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(wanted));
}

}  // namespace

Win32Window::Win32Window(Form& form, HWND owner, bool modal) : form_(form), modal_(modal) {
    DWORD exStyle = 0;
    const DWORD style = FormStyle(form, exStyle);
    RECT r{0, 0, form.ClientWidth, form.ClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    HWND created = CreateWindowExW(exStyle, kFormClass, W(form.Caption).c_str(), style, CW_USEDEFAULT,
                                   CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, owner, nullptr, ThisModule(),
                                   this);
    const DWORD error = GetLastError();
    if (!created) {
        hwnd_ = nullptr;
        throw std::runtime_error("Das Fenster " + form.ClassName() + " kann nicht erzeugt werden (Fehler " +
                                 std::to_string(error) + ")");
    }
    hwnd_ = created;
    try {
        if (!modal)
            dialogkeys::AddModeless(hwnd_);
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(form.FormFont)), FALSE);
        for (const auto& c : form.Controls())
            CreateControl(*c);
        Place(owner);
        Refresh();
    } catch (...) {
        Destroy();  // no destructor runs for a half-built window
        throw;
    }
}

void Win32Window::Destroy() {
    if (!hwnd_)
        return;
    for (const auto& [id, interval] : timers_)
        if (interval)
            KillTimer(hwnd_, static_cast<UINT_PTR>(id));
    timers_.clear();
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    dialogkeys::RemoveModeless(hwnd);  // also where the window cannot be destroyed from here
    DestroyWindow(hwnd);
    Detach();
}

void Win32Window::Detach() {
    hwnd_ = nullptr;
    focus_ = nullptr;
    children_.clear();
    timers_.clear();
}

HFONT Win32Window::FontFor(const Font& font) {
    auto key = std::make_tuple(font.name, font.size, font.height, font.bold);
    auto it = fonts_.find(key);
    if (it != fonts_.end())
        return it->second.get();
    HDC screen = GetDC(nullptr);
    const int height = font.height ? -font.height : -MulDiv(font.size, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    HFONT handle = CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, W(font.name).c_str());
    return fonts_.emplace(key, FontHandle(handle)).first->second.get();
}

HWND Win32Window::CreateChild(const wchar_t* cls, const std::wstring& text, DWORD style, DWORD exStyle,
                              int left, int top, int width, int height, int id, const Font& font) {
    HWND child = CreateWindowExW(exStyle, cls, text.c_str(), WS_CHILD | style, left, top, width, height, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
    if (!child)
        throw std::runtime_error("Ein Element des Fensters " + form_.ClassName() + " kann nicht erzeugt werden");
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(font)), FALSE);
    return child;
}

void Win32Window::CreateControl(Control& c) {
    const int id = nextId_++;
    const std::wstring text = W(c.Caption);
    HWND h = nullptr;
    HWND spin = nullptr;
    switch (c.Kind()) {
    case ControlKind::Label: {
        const TextAlign align = static_cast<Label&>(c).Alignment;
        h = CreateChild(L"STATIC", text, align == TextAlign::Right ? SS_RIGHT : align == TextAlign::Center ? SS_CENTER : SS_LEFT,
                        0, c.Left, c.Top, c.Width, c.Height, id, c.ControlFont);
        break;
    }
    case ControlKind::Button: {
        auto& b = static_cast<Button&>(c);
        h = CreateChild(L"BUTTON", text, WS_TABSTOP | (b.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, c.Left,
                        c.Top, c.Width, c.Height, id, c.ControlFont);
        break;
    }
    case ControlKind::Edit: {
        auto& e = static_cast<Edit&>(c);
        DWORD style = WS_TABSTOP | ES_AUTOHSCROLL;
        if (e.Password)
            style |= ES_PASSWORD;
        if (e.ReadOnly)
            style |= ES_READONLY;
        h = CreateChild(L"EDIT", text, style, WS_EX_CLIENTEDGE, c.Left, c.Top, c.Width, c.Height, id, c.ControlFont);
        // '*' for every character, also where the host's visual styles would draw a dot.
        if (e.Password)
            SendMessageW(h, EM_SETPASSWORDCHAR, L'*', 0);
        break;
    }
    case ControlKind::Memo: {
        auto& m = static_cast<Memo&>(c);
        DWORD style = WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
        if (m.ReadOnly)
            style |= ES_READONLY;
        h = CreateChild(L"EDIT", W(m.Text()), style, WS_EX_CLIENTEDGE, c.Left, c.Top, c.Width, c.Height,
                        id, c.ControlFont);
        break;
    }
    case ControlKind::CheckBox:
        h = CreateChild(L"BUTTON", text, WS_TABSTOP | BS_AUTOCHECKBOX, 0, c.Left, c.Top, c.Width, c.Height, id,
                        c.ControlFont);
        break;
    case ControlKind::RadioButton:
        h = CreateChild(L"BUTTON", text, WS_TABSTOP | BS_AUTORADIOBUTTON, 0, c.Left, c.Top, c.Width, c.Height, id,
                        c.ControlFont);
        break;
    case ControlKind::GroupBox:
    case ControlKind::RadioGroup:
        h = CreateChild(L"BUTTON", text, BS_GROUPBOX, 0, c.Left, c.Top, c.Width, c.Height, id, c.ControlFont);
        break;
    case ControlKind::ListBox:
        h = CreateChild(L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                        WS_EX_CLIENTEDGE, c.Left, c.Top, c.Width, c.Height, id, c.ControlFont);
        break;
    case ControlKind::SpinEdit:
        h = CreateChild(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, c.Left, c.Top, c.Width,
                        c.Height, id, c.ControlFont);
        spin = CreateChild(UPDOWN_CLASSW, L"", UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                           0, 0, 0, 0, 0, nextId_++, c.ControlFont);
        SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(h), 0);
        if (const int limit = static_cast<SpinEdit&>(c).MaxLength; limit > 0)
            SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
        break;
    case ControlKind::DatePicker:
        h = CreateChild(DATETIMEPICK_CLASSW, L"", WS_TABSTOP | DTS_SHORTDATEFORMAT, 0, c.Left, c.Top, c.Width,
                        c.Height, id, c.ControlFont);
        break;
    case ControlKind::Image:
        // Drawn by the form (WM_DRAWITEM) from the pixels the model holds.
        h = CreateChild(L"STATIC", L"", SS_OWNERDRAW, 0, c.Left, c.Top, c.Width, c.Height, id, c.ControlFont);
        break;
    case ControlKind::Timer:
        timers_[id] = 0;
        break;
    }
    if (h && StartsGroup(form_, c))
        SetStyleBit(h, WS_GROUP, true);
    children_[id] = Child{&c, h, -1, spin, {}, 0};
    if (auto* group = dynamic_cast<RadioGroup*>(&c))
        BuildRadioButtons(*group);
}

// The buttons of a radio group, one column, spread over its height as the VCL does.
void Win32Window::BuildRadioButtons(RadioGroup& group) {
    for (auto it = children_.begin(); it != children_.end();) {
        if (it->second.control == &group && it->second.item >= 0) {
            DestroyWindow(it->second.hwnd);
            it = children_.erase(it);
        } else {
            ++it;
        }
    }
    const int count = group.Count();
    if (count == 0)
        return;
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, FontFor(group.ControlFont));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    const int topMargin = metrics.tmHeight + 1;
    const int buttonHeight = (group.Height - topMargin - 5) / count;
    for (int i = 0; i < count; ++i) {
        const int id = nextId_++;
        HWND h = CreateChild(L"BUTTON", W(group.Item(i)), WS_TABSTOP | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0),
                             0, group.Left + 8, group.Top + topMargin + i * buttonHeight, group.Width - 16,
                             buttonHeight, id, group.ControlFont);
        children_[id] = Child{&group, h, i, nullptr, {}, 0};
    }
}

// Centred on the owner or on the screen's work area.
void Win32Window::Place(HWND owner) {
    RECT window{};
    GetWindowRect(hwnd_, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    RECT area{};
    if (form_.Placement == Position::OwnerCenter && owner)
        GetWindowRect(owner, &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(hwnd_, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The keyboard starts at the first control that takes it, as in a dialog.
void Win32Window::FocusFirst() {
    for (const auto& [id, child] : children_) {
        HWND h = child.hwnd;
        if (h && (GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(h) && IsWindowEnabled(h)) {
            if (child.item >= 0 && SendMessageW(h, BM_GETCHECK, 0, 0) != BST_CHECKED)
                continue;
            SetFocus(h);
            return;
        }
    }
}

Win32Window::Child* Win32Window::ChildById(int id) {
    auto it = children_.find(id);
    return it == children_.end() ? nullptr : &it->second;
}

void Win32Window::Refresh() {
    if (!hwnd_)
        return;
    refreshing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{refreshing_};

    SetTextIfChanged(hwnd_, W(form_.Caption));
    for (auto& c : form_.Controls())
        if (auto* group = dynamic_cast<RadioGroup*>(c.get())) {
            int buttons = 0;
            for (const auto& [id, child] : children_)
                if (child.control == group && child.item >= 0)
                    ++buttons;
            if (buttons != group->Count())
                BuildRadioButtons(*group);
        }
    for (auto& [id, child] : children_) {
        Control& c = *child.control;
        if (c.Kind() == ControlKind::Timer) {
            auto& t = static_cast<Timer&>(c);
            const int wanted = t.Enabled && t.Interval > 0 ? t.Interval : 0;
            if (timers_[id] != wanted) {
                if (timers_[id])
                    KillTimer(hwnd_, static_cast<UINT_PTR>(id));
                if (wanted)
                    SetTimer(hwnd_, static_cast<UINT_PTR>(id), static_cast<UINT>(wanted), nullptr);
                timers_[id] = wanted;
            }
            continue;
        }
        HWND h = child.hwnd;
        if (!h)
            continue;
        if ((IsWindowEnabled(h) != FALSE) != c.Enabled)
            EnableWindow(h, c.Enabled ? TRUE : FALSE);
        const bool visible = (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0;
        if (visible != c.Visible)
            ShowWindow(h, c.Visible ? SW_SHOWNA : SW_HIDE);
        if (child.spin && (GetWindowLongW(child.spin, GWL_STYLE) & WS_VISIBLE) != (c.Visible ? WS_VISIBLE : 0u))
            ShowWindow(child.spin, c.Visible ? SW_SHOWNA : SW_HIDE);
        if (child.item >= 0) {
            auto& group = static_cast<RadioGroup&>(c);
            SendMessageW(h, BM_SETCHECK, group.ItemIndex == child.item ? BST_CHECKED : BST_UNCHECKED, 0);
            SetStyleBit(h, WS_TABSTOP, group.ItemIndex == child.item || (group.ItemIndex < 0 && child.item == 0));
            SetTextIfChanged(h, W(group.Item(child.item)));
            continue;
        }
        switch (c.Kind()) {
        case ControlKind::Label:
        case ControlKind::Button:
        case ControlKind::Edit:
        case ControlKind::GroupBox:
        case ControlKind::RadioGroup:
            SetTextIfChanged(h, W(c.Caption));
            break;
        case ControlKind::CheckBox:
            SetTextIfChanged(h, W(c.Caption));
            SendMessageW(h, BM_SETCHECK, static_cast<CheckBox&>(c).Checked ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case ControlKind::RadioButton:
            SetTextIfChanged(h, W(c.Caption));
            SendMessageW(h, BM_SETCHECK, static_cast<RadioButton&>(c).Checked ? BST_CHECKED : BST_UNCHECKED, 0);
            SetStyleBit(h, WS_TABSTOP, IsRadioTabStop(form_, static_cast<RadioButton&>(c)));
            break;
        case ControlKind::Memo:
            // Only a change of the lines is written: the user's line break at the end stays.
            if (Memo::LinesOf(A(WindowText(h))) != static_cast<Memo&>(c).Lines)
                SetWindowTextW(h, W(static_cast<Memo&>(c).Text()).c_str());
            break;
        case ControlKind::ListBox: {
            auto& list = static_cast<ListBox&>(c);
            if (child.shownItems != list.Items()) {
                SendMessageW(h, LB_RESETCONTENT, 0, 0);
                for (const auto& item : list.Items())
                    SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(item).c_str()));
                child.shownItems = list.Items();
            }
            if (static_cast<int>(SendMessageW(h, LB_GETCURSEL, 0, 0)) != list.ItemIndex)
                SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex), 0);
            break;
        }
        case ControlKind::SpinEdit: {
            auto& se = static_cast<SpinEdit&>(c);
            if (se.MaxValue != se.MinValue)
                SendMessageW(child.spin, UDM_SETRANGE32, static_cast<WPARAM>(se.MinValue), se.MaxValue);
            SetTextIfChanged(h, W(se.Caption));
            break;
        }
        case ControlKind::DatePicker: {
            auto& d = static_cast<DatePicker&>(c);
            SYSTEMTIME st{};
            st.wYear = static_cast<WORD>(d.Year);
            st.wMonth = static_cast<WORD>(d.Month);
            st.wDay = static_cast<WORD>(d.Day);
            SendMessageW(h, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
            break;
        }
        case ControlKind::Image:
            if (child.serial != static_cast<Image&>(c).Serial) {
                child.serial = static_cast<Image&>(c).Serial;
                InvalidateRect(h, nullptr, TRUE);
            }
            break;
        case ControlKind::Timer:
            break;
        }
    }
}

namespace {

// A picture centred in the rectangle, the dialog colour around it.
void DrawCentred(HDC dc, const RECT& r, const Bitmap& b) {
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (b.Empty())
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = b.width;
    info.bmiHeader.biHeight = -b.height;  // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const int x = r.left + (r.right - r.left - b.width) / 2;
    const int y = r.top + (r.bottom - r.top - b.height) / 2;
    StretchDIBits(dc, x, y, b.width, b.height, 0, 0, b.width, b.height, b.pixels.data(), &info, DIB_RGB_COLORS,
                  SRCCOPY);
}

}  // namespace

void Win32Window::DrawImage(const DRAWITEMSTRUCT& item) {
    Child* child = ChildById(static_cast<int>(item.CtlID));
    if (child && child->control->Kind() == ControlKind::Image)
        DrawCentred(item.hDC, item.rcItem, static_cast<const Image&>(*child->control).Shown);
}

void Win32Window::Pull() {
    if (!hwnd_)
        return;
    for (auto& [id, child] : children_) {
        Control& c = *child.control;
        HWND h = child.hwnd;
        if (!h)
            continue;
        if (child.item >= 0) {
            if (SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED)
                static_cast<RadioGroup&>(c).ItemIndex = child.item;
            continue;
        }
        switch (c.Kind()) {
        case ControlKind::Edit:
            c.Caption = A(WindowText(h));
            break;
        case ControlKind::Memo:
            static_cast<Memo&>(c).SetText(A(WindowText(h)));
            break;
        case ControlKind::CheckBox:
            static_cast<CheckBox&>(c).Checked = SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
            break;
        case ControlKind::RadioButton:
            static_cast<RadioButton&>(c).Checked = SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
            break;
        case ControlKind::ListBox: {
            const LRESULT sel = SendMessageW(h, LB_GETCURSEL, 0, 0);
            static_cast<ListBox&>(c).ItemIndex = sel == LB_ERR ? -1 : static_cast<int>(sel);
            break;
        }
        case ControlKind::SpinEdit:
            c.Caption = A(WindowText(h));
            break;
        case ControlKind::DatePicker: {
            auto& d = static_cast<DatePicker&>(c);
            SYSTEMTIME st{};
            if (SendMessageW(h, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) == GDT_VALID) {
                d.Year = st.wYear;
                d.Month = st.wMonth;
                d.Day = st.wDay;
            }
            break;
        }
        default:
            break;
        }
    }
}

// A handler of the form class runs on the model; the windows follow it afterwards.
// Handlers of a modeless form run inside the host's message loop: an error is shown there.
void Win32Window::Run(const Handler& handler) {
    if (modal_) {
        if (handler)
            handler();
    } else {
        RunHandler(handler);
    }
    Refresh();
}

void Win32Window::Click(Button& button) {
    if (!button.Enabled || !button.Visible)
        return;
    Pull();
    if (button.ModalResult != mrNone)
        form_.ModalResult = button.ModalResult;
    Run(button.OnClick);
}

LRESULT Win32Window::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDOK || id == IDCANCEL) {
            for (auto& [cid, child] : children_)
                if (auto* b = dynamic_cast<Button*>(child.control))
                    if ((id == IDOK && b->Default) || (id == IDCANCEL && b->Cancel)) {
                        Click(*b);
                        return 0;
                    }
            // Esc without a cancel button closes a modal form; a modeless one stays.
            if (id == IDCANCEL && modal_)
                form_.ModalResult = mrCancel;
            return 0;
        }
        Child* child = ChildById(id);
        if (!child || refreshing_)
            return 0;
        Control& c = *child->control;
        if (child->item >= 0 && code == BN_CLICKED) {
            static_cast<RadioGroup&>(c).ItemIndex = child->item;
            Run(c.OnClick);
        } else if (auto* b = dynamic_cast<Button*>(&c); b && code == BN_CLICKED) {
            Click(*b);
        } else if ((c.Kind() == ControlKind::CheckBox || c.Kind() == ControlKind::RadioButton) &&
                   code == BN_CLICKED) {
            Pull();
            Run(c.OnClick);
        } else if (c.Kind() == ControlKind::ListBox && code == LBN_SELCHANGE) {
            Pull();
            Run(c.OnClick);
        } else if ((c.Kind() == ControlKind::Edit || c.Kind() == ControlKind::Memo ||
                    c.Kind() == ControlKind::SpinEdit) && code == EN_CHANGE) {
            Pull();
            Run(c.OnChange);
        }
        return 0;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        Child* child = ChildById(static_cast<int>(header->idFrom));
        if (child && !refreshing_ && header->code == DTN_DATETIMECHANGE) {
            Pull();
            Run(child->control->OnChange);
        }
        return 0;
    }
    case WM_TIMER: {
        Child* child = ChildById(static_cast<int>(wParam));
        if (child && child->control->Kind() == ControlKind::Timer) {
            Pull();
            Run(static_cast<Timer*>(child->control)->OnTimer);
        }
        return 0;
    }
    case WM_DRAWITEM:
        DrawImage(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case DM_GETDEFID:
        for (auto& [id, child] : children_)
            if (auto* b = dynamic_cast<Button*>(child.control); b && b->Default)
                return MAKELRESULT(id, DC_HASDEFID);
        return 0;
    case WM_ACTIVATE:
        // As a dialog box: the keyboard goes back to the control that had it when the user left
        // the window (for the map, say), else to the first one.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus))
                focus_ = focus;
            return 0;
        }
        if (HIWORD(wParam))  // minimised
            return DefWindowProcW(hwnd_, msg, wParam, lParam);
        if (focus_ && IsChild(hwnd_, focus_) && IsWindowVisible(focus_) && IsWindowEnabled(focus_))
            SetFocus(focus_);
        else
            FocusFirst();
        return 0;
    case WM_CLOSE:
        // Closing the window counts as Cancel; a modeless form is hidden and told it closed.
        if (modal_)
            form_.ModalResult = mrCancel;
        else
            RunHandler([this] { form_.Close(); });
        return 0;
    default:
        return DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
}

Win32Backend::Win32Backend() {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);
}

Win32Backend::~Win32Backend() = default;

void* ModelessKeysHook() { return dialogkeys::ModelessHook(); }

namespace {
FormClass& TheFormClass() {
    static FormClass registered;
    return registered;
}
}  // namespace

int Win32Backend::ShowModal(Form& form) {
    graveyard_.clear();
    TheFormClass();
    HWND owner = OwnerWindow();
    form.ModalResult = mrNone;
    Win32Window window(form, owner, true);
    OwnerDisabled disabled(owner);
    ShowWindow(window.hwnd(), SW_SHOW);
    SetForegroundWindow(window.hwnd());
    window.FocusFirst();
    MSG msg;
    while (form.ModalResult == mrNone) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));
            form.ModalResult = mrCancel;
            break;
        }
        if (!dialogkeys::DialogMessage(window.hwnd(), msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    window.Pull();
    return form.ModalResult;
}

void Win32Backend::ShowModeless(Form& form) {
    graveyard_.clear();
    TheFormClass();
    auto window = std::make_unique<Win32Window>(form, OwnerWindow(), false);
    ShowWindow(window->hwnd(), SW_SHOW);
    modeless_[&form] = std::move(window);
}

void Win32Backend::CloseModeless(Form& form) {
    auto it = modeless_.find(&form);
    if (it == modeless_.end())
        return;
    // The window may be closing from its own message handler: destroyed now, freed later.
    it->second->Pull();
    it->second->Destroy();
    graveyard_.push_back(std::move(it->second));
    modeless_.erase(it);
}

std::string MessageCaption(MsgType type) {
    switch (type) {
    case MsgType::Warning: return "Warnung";
    case MsgType::Error: return "Fehler";
    case MsgType::Information: return "Information";
    case MsgType::Confirmation: return "Bestätigen";
    case MsgType::Plain: return "VE1TransAction";
    }
    return "VE1TransAction";
}

int Win32Backend::Message(const std::string& text, MsgType type, MsgButtons buttons) {
    UINT flags = buttons == MsgButtons::YesNo ? MB_YESNO : MB_OK;
    switch (type) {
    case MsgType::Warning: flags |= MB_ICONWARNING; break;
    case MsgType::Error: flags |= MB_ICONERROR; break;
    case MsgType::Information: flags |= MB_ICONINFORMATION; break;
    case MsgType::Confirmation: flags |= MB_ICONQUESTION; break;
    case MsgType::Plain: break;
    }
    HWND owner = OwnerWindow();
    if (!owner)
        flags |= MB_TASKMODAL;
    const int answer = MessageBoxW(owner, W(text).c_str(), W(MessageCaption(type)).c_str(), flags);
    if (answer == IDYES)
        return mrYes;
    if (answer == IDNO)
        return mrNo;
    return buttons == MsgButtons::YesNo ? mrNo : mrOk;
}

std::u16string FilterForDialog(const std::string& filter) {
    std::u16string out = Cp1252ToUtf16(filter);
    for (char16_t& c : out)
        if (c == u'|')
            c = u'\0';
    out.push_back(u'\0');
    out.push_back(u'\0');
    return out;
}

namespace {

// The picture open dialog: a template of our own beside the standard controls (stc32) holds
// the preview, which a hook fills whenever another file is chosen in the list.
constexpr WORD kStc32 = 0x045f;
constexpr WORD kPreviewId = 0x04a0;

std::vector<WORD> PreviewTemplate() {
    std::vector<WORD> t;
    auto dword = [&](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    auto item = [&](DWORD style, short x, short y, short cx, short cy, WORD id) {
        if (t.size() % 2)
            t.push_back(0);  // items start on a DWORD boundary
        dword(WS_CHILD | style);
        dword(0);
        for (short v : {x, y, cx, cy})
            t.push_back(static_cast<WORD>(v));
        t.push_back(id);
        t.push_back(0xFFFF);  // the class by its atom: static
        t.push_back(0x0082);
        t.push_back(0);  // no title
        t.push_back(0);  // no creation data
    };
    dword(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK | DS_CONTROL);
    dword(0);
    t.push_back(2);  // items
    for (short v : {0, 0, 330, 150})
        t.push_back(static_cast<WORD>(v));
    t.push_back(0);  // no menu
    t.push_back(0);  // the standard class
    t.push_back(0);  // no title
    item(SS_LEFT, 0, 0, 220, 150, kStc32);
    item(WS_VISIBLE | SS_OWNERDRAW, 226, 14, 100, 100, kPreviewId);
    return t;
}

struct PreviewState {
    HWND picture = nullptr;
    std::string path;
    Bitmap shown;
};

void UpdatePreview(HWND hook, PreviewState& state) {
    std::vector<wchar_t> path(32768, L'\0');
    const LRESULT n = SendMessageW(GetParent(hook), CDM_GETFILEPATH, static_cast<WPARAM>(path.size()),
                                   reinterpret_cast<LPARAM>(path.data()));
    const std::string file = n > 0 ? A(path.data()) : std::string();
    if (file == state.path || !state.picture)
        return;
    state.path = file;
    state.shown = Bitmap{};
    RECT r{};
    GetClientRect(state.picture, &r);
    try {
        if (!file.empty() && GetFileAttributesW(path.data()) != INVALID_FILE_ATTRIBUTES &&
            !(GetFileAttributesW(path.data()) & FILE_ATTRIBUTE_DIRECTORY)) {
            const JpegFile jpeg(file);
            int w = 0, h = 0;
            FitInto(jpeg.Width(), jpeg.Height(), r.right - 4, r.bottom - 4, w, h);
            state.shown = jpeg.Decode(w, h);
        }
    } catch (const std::exception&) {
        // No picture for a file that is none.
    }
    InvalidateRect(state.picture, nullptr, TRUE);
}

UINT_PTR CALLBACK PreviewHook(HWND hook, UINT msg, WPARAM, LPARAM lParam) {
    auto* state = reinterpret_cast<PreviewState*>(GetWindowLongPtrW(hook, GWLP_USERDATA));
    switch (msg) {
    case WM_INITDIALOG: {
        state = reinterpret_cast<PreviewState*>(reinterpret_cast<const OPENFILENAMEW*>(lParam)->lCustData);
        SetWindowLongPtrW(hook, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        state->picture = GetDlgItem(hook, kPreviewId);
        return 0;
    }
    case WM_NOTIFY: {
        const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
        if (state && (code == CDN_INITDONE || code == CDN_SELCHANGE || code == CDN_FOLDERCHANGE))
            UpdatePreview(hook, *state);
        return 0;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!state || item->CtlID != kPreviewId)
            return 0;
        RECT r = item->rcItem;
        DrawCentred(item->hDC, r, state->shown);
        DrawEdge(item->hDC, &r, EDGE_SUNKEN, BF_RECT);
        return TRUE;
    }
    default:
        return 0;
    }
}

// The template in memory that stays put while the dialog is up.
class GlobalBlock {
public:
    explicit GlobalBlock(const std::vector<WORD>& words)
        : h_(GlobalAlloc(GMEM_FIXED, words.size() * sizeof(WORD))) {
        if (h_)
            std::copy(words.begin(), words.end(), static_cast<WORD*>(static_cast<void*>(h_)));
    }
    ~GlobalBlock() {
        if (h_)
            GlobalFree(h_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    HGLOBAL get() const { return h_; }

private:
    HGLOBAL h_;
};

}  // namespace

bool Win32Backend::FileDialog(bool save, const FileDialogOptions& options, std::string& chosen) {
    const std::u16string filter16 = FilterForDialog(options.filter);
    const std::wstring filter(filter16.begin(), filter16.end());
    const std::wstring title = W(options.title), dir = W(options.initialDir);
    std::wstring ext = W(options.defaultExt);
    if (!ext.empty() && ext[0] == L'.')
        ext.erase(0, 1);
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring proposed = W(options.fileName);
    std::copy(proposed.begin(), proposed.begin() + static_cast<std::ptrdiff_t>(std::min(proposed.size(), file.size() - 1)),
              file.begin());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = OwnerWindow();
    ofn.lpstrFilter = options.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_PATHMUSTEXIST;
    if (!save)
        ofn.Flags |= OFN_FILEMUSTEXIST;
    PreviewState preview;
    const GlobalBlock previewTemplate(PreviewTemplate());
    if (!save && options.picturePreview && previewTemplate.get()) {
        ofn.Flags |= OFN_ENABLEHOOK | OFN_ENABLETEMPLATEHANDLE;
        ofn.hInstance = static_cast<HINSTANCE>(previewTemplate.get());
        ofn.lpfnHook = PreviewHook;
        ofn.lCustData = reinterpret_cast<LPARAM>(&preview);
    }
    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok)
        return false;
    chosen = A(file.data());
    return true;
}

void Win32Backend::ShowDocument(const DocumentView& document) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    const std::string dir = n > 0 && n <= MAX_PATH ? A(std::wstring(temp, n)) : document.headlessDir;
    // A viewer may still hold the file of an earlier preview: then the next free name is taken.
    const size_t dot = document.fileName.rfind('.');
    const std::string stem = document.fileName.substr(0, dot), ext = dot == std::string::npos ? "" : document.fileName.substr(dot);
    std::string path;
    for (int i = 1;; ++i) {
        path = dir + (i == 1 ? document.fileName : stem + " (" + std::to_string(i) + ")" + ext);
        try {
            document.write(path);
            break;
        } catch (const std::exception&) {
            if (i == 9)
                throw;
        }
    }
    const HINSTANCE started = ShellExecuteW(OwnerWindow(), L"open", W(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32)
        throw std::runtime_error("Für die Datei " + path + " ist kein Anzeigeprogramm eingerichtet.");
}

}  // namespace ui
