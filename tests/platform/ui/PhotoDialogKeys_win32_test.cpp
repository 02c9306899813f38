// The photo dialog's keys on real windows, driven through a message loop like a foreign host's:
// GetMessage, TranslateMessage, DispatchMessage and nothing else. Tab, Shift+Tab, Enter and Esc
// work all the same; keys of the host's own windows pass untouched; the keyboard hook lives
// exactly as long as the window. Needs a desktop with a display.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "host/Plugin.h"
#include "host/Project.h"
#include "photos/FotoHandling.h"
#include "photos/frmEditFoto.h"
#include "platform/ui/Scripted.h"
#include "platform/ui/Win32Forms.h"
#include "support/Session.h"

namespace {

constexpr wchar_t kHostClass[] = L"VE1TestHostWindow";
constexpr wchar_t kCaption[] = L"Objektfoto bearbeiten";

// The keyboard messages the host's own window received, as its window procedure saw them.
std::vector<MSG> g_hostKeys;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_KEYFIRST && msg <= WM_KEYLAST)
        g_hostKeys.push_back(MSG{hwnd, msg, wParam, lParam, 0, {}});
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The texts of the message boxes that came up; each is answered with OK.
std::vector<std::wstring> g_boxes;

BOOL CALLBACK CollectText(HWND child, LPARAM text) {
    wchar_t buffer[512] = {};
    GetWindowTextW(child, buffer, 512);
    wchar_t cls[16] = {};
    GetClassNameW(child, cls, 16);
    if (lstrcmpiW(cls, L"Static") == 0 && buffer[0])
        *reinterpret_cast<std::wstring*>(text) += buffer;
    return TRUE;
}

BOOL CALLBACK AnswerBox(HWND hwnd, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(hwnd)) {
        std::wstring text;
        EnumChildWindows(hwnd, CollectText, reinterpret_cast<LPARAM>(&text));
        g_boxes.push_back(text);
        SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), AnswerBox, 0); }

// The foreign host's loop, run until every message posted so far, and every message those
// caused, went through it (a thread timer comes only when no other message waits). Records
// what GetMessage handed it for the watched window.
std::vector<MSG> HostLoop(HWND watched = nullptr) {
    std::vector<MSG> got;
    const UINT_PTR idle = SetTimer(nullptr, 0, 10, nullptr);
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < 5000 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && !msg.hwnd && msg.wParam == idle)
            break;
        if (watched && msg.hwnd == watched)
            got.push_back(msg);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, idle);
    return got;
}

LPARAM KeyData(UINT vk, bool up) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    return 1 | (scan << 16) | (up ? (LPARAM{1} << 30) | static_cast<LPARAM>(0x80000000u) : 0);
}

// A key pressed and released on the window with the keyboard, as the system queues it.
void Press(UINT vk, bool shift = false) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    HWND to = GetFocus();
    ASSERT_NE(to, nullptr);
    PostMessageW(to, WM_KEYDOWN, vk, KeyData(vk, false));
    HostLoop();
    PostMessageW(to, WM_KEYUP, vk, KeyData(vk, true));
    HostLoop();
    state[VK_SHIFT] = state[VK_LSHIFT] = 0;
    SetKeyboardState(state);
}

void Type(const char* letters) {
    for (const char* c = letters; *c; ++c)
        Press(static_cast<UINT>(*c - 'a' + 'A'));
}

std::wstring Text(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetWindowTextW(hwnd, buffer, 256);
    return buffer;
}

// A host with its map window and a project, the photo dialog on real windows; message boxes
// are answered as they come.
class PhotoHost {
public:
    testsupport::Session session;
    HWND host = nullptr;
    UINT_PTR answering = 0;

    PhotoHost() {
        sim::Project& p = sim::TheProject();
        p.classes[1] = "NSG";
        p.objects[10] = sim::GeoObject{10, "NSG-0001", 1, 0, 0, 0, {}};
        p.ReserveIds(10);
        p.activeObject = 10;
        EXPECT_EQ(sim::ThePlugin().Call("AfterLoadProject", 0, 0, 0), -1);
        ui::SetBackend(std::make_unique<ui::Win32Backend>());
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kHostClass;
        RegisterClassW(&wc);
        host = CreateWindowExW(0, kHostClass, L"Karte", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(host, nullptr);
        HostLoop();
        g_hostKeys.clear();
        g_boxes.clear();
        answering = SetTimer(nullptr, 0, 50, AnswerBoxes);
    }

    ~PhotoHost() {
        KillTimer(nullptr, answering);
        sim::ThePlugin().Call("BeforeCloseProject", 0, 0, 0);
        if (IsWindow(host))
            DestroyWindow(host);
        ui::SetBackend(std::make_unique<ui::ScriptedBackend>());
    }
    PhotoHost(const PhotoHost&) = delete;
    PhotoHost& operator=(const PhotoHost&) = delete;
};

// The photo edit as the host starts it; the dialog's window, or null.
HWND Open() {
    sim::ThePlugin().Call("ProcessFoto", 0, 0, 0);
    HostLoop();
    return FindWindowW(nullptr, kCaption);
}

TFormEditFoto& Form() { return *fvControlForm; }

// The window of a control: the child placed where the control is.
HWND Window(HWND form, const ui::Control& c) {
    for (HWND h = GetWindow(form, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
        if (r.left == c.Left && r.top == c.Top)
            return h;
    }
    return nullptr;
}

// The name of the control with the keyboard.
std::string Focused(HWND form) {
    HWND focus = GetFocus();
    for (const auto& c : Form().Controls())
        if (focus && Window(form, *c) == focus)
            return c->Name();
    return focus == form ? "(Fenster)" : "(anderswo)";
}

// Runs the handler of a button and counts it.
void Count(ui::Button& button, int& count) {
    button.OnClick = [&count, handler = button.OnClick] {
        ++count;
        handler();
    };
}

// Every path that ends the window ends the hook: the OS no longer knows the handle.
void ExpectHookGone(HHOOK hook) {
    EXPECT_EQ(ui::ModelessKeysHook(), nullptr);
    EXPECT_FALSE(UnhookWindowsHookEx(hook));
}

}  // namespace

TEST(PhotoWin32Forms, TabAndShiftTabFollowTheTabOrder) {
    PhotoHost t;
    HWND form = Open();
    ASSERT_NE(form, nullptr);
    // The keyboard starts at the first control that takes it: without coordinates, "erfassen".
    EXPECT_EQ(Focused(form), "BtnGetCoordinate");
    // With coordinates and a direction every control of the order is enabled.
    SendMessageW(Window(form, Form().cbNoCoordinates), BM_CLICK, 0, 0);
    SendMessageW(Window(form, Form().cbBlickrichtungUnbekannt), BM_CLICK, 0, 0);
    HostLoop();
    ASSERT_TRUE(IsWindowEnabled(Window(form, Form().seRWert)));
    ASSERT_TRUE(IsWindowEnabled(Window(form, Form().rbN)));
    SetFocus(Window(form, Form().seRWert));

    const std::vector<std::string> order = {"seHWert", "BtnGetCoordinate", "rbN", "cbBlickrichtungUnbekannt",
                                            "dtpDate", "BtnGetFoto", "eKurzname", "eQuelle", "mBeschreibung",
                                            "BtnOK", "btnCancel", "cbNoCoordinates", "editFilename", "seRWert"};
    std::vector<std::string> forward;
    for (size_t i = 0; i < order.size(); ++i) {
        Press(VK_TAB);
        forward.push_back(Focused(form));
    }
    EXPECT_EQ(forward, order);

    std::vector<std::string> back;
    for (size_t i = 0; i < order.size(); ++i) {
        Press(VK_TAB, true);
        back.push_back(Focused(form));
    }
    std::vector<std::string> reversed(order.rbegin() + 1, order.rend());
    reversed.push_back("seRWert");
    EXPECT_EQ(back, reversed);
    // Tab typed nothing anywhere.
    EXPECT_EQ(Text(Window(form, Form().mBeschreibung)), L"");
    EXPECT_EQ(Text(Window(form, Form().eKurzname)), L"");
    EXPECT_TRUE(Form().Showing());
}

TEST(PhotoWin32Forms, EnterAndEscPressTheDefaultAndTheCancelButton) {
    PhotoHost t;
    HWND form = Open();
    ASSERT_NE(form, nullptr);
    const auto hook = static_cast<HHOOK>(ui::ModelessKeysHook());
    ASSERT_NE(hook, nullptr);
    int saves = 0, cancels = 0;
    Count(Form().BtnOK, saves);
    Count(Form().btnCancel, cancels);

    // Enter in a single-line edit: "Foto übernehmen", which finds no picture yet.
    SetFocus(Window(form, Form().eKurzname));
    Type("ab");
    Press(VK_RETURN);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(g_boxes, std::vector<std::wstring>{L"Die Eingabedaten sind nicht vollst\u00e4ndig!"});
    EXPECT_EQ(Text(Window(form, Form().eKurzname)), L"ab");

    // Enter in the description: a new line, no button.
    SetFocus(Window(form, Form().mBeschreibung));
    Type("ab");
    Press(VK_RETURN);
    Type("cd");
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(Text(Window(form, Form().mBeschreibung)), L"ab\r\ncd");
    EXPECT_EQ(Form().mBeschreibung.Lines, (std::vector<std::string>{"ab", "cd"}));
    EXPECT_EQ(cancels, 0);

    // Esc in a single-line edit: "Abbrechen"; the window and its hook go.
    SetFocus(Window(form, Form().eQuelle));
    Press(VK_ESCAPE);
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(Form().Showing());
    EXPECT_FALSE(IsWindow(form));
    ExpectHookGone(hook);

    // Esc in the description cancels too.
    form = Open();
    ASSERT_NE(form, nullptr);
    SetFocus(Window(form, Form().mBeschreibung));
    Press(VK_ESCAPE);
    EXPECT_EQ(cancels, 2);
    EXPECT_FALSE(IsWindow(form));

    // Enter on a focused button presses that button, not the default one.
    form = Open();
    ASSERT_NE(form, nullptr);
    SetFocus(Window(form, Form().btnCancel));
    Press(VK_RETURN);
    EXPECT_EQ(cancels, 3);
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(ui::ModelessKeysHook(), nullptr);
}

TEST(PhotoWin32Forms, KeysOfTheHostsOwnWindowsPassUntouched) {
    PhotoHost t;
    HWND form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_NE(ui::ModelessKeysHook(), nullptr);
    int saves = 0, cancels = 0;
    Count(Form().BtnOK, saves);
    Count(Form().btnCancel, cancels);
    SetFocus(Window(form, Form().eKurzname));
    // The user goes to the map: the host's window has the keyboard.
    SetActiveWindow(t.host);
    HostLoop();
    ASSERT_EQ(GetFocus(), t.host);

    // Tab, Enter, Esc and a letter for the host's window.
    std::vector<MSG> posted;
    for (UINT vk : {UINT{VK_TAB}, UINT{VK_RETURN}, UINT{VK_ESCAPE}, UINT{'A'}})
        for (bool up : {false, true}) {
            posted.push_back(MSG{t.host, static_cast<UINT>(up ? WM_KEYUP : WM_KEYDOWN), vk, KeyData(vk, up), 0, {}});
            PostMessageW(t.host, posted.back().message, posted.back().wParam, posted.back().lParam);
        }
    const std::vector<MSG> got = HostLoop(t.host);
    std::vector<MSG> keys;  // what the loop got, the characters it made left out
    for (const MSG& m : got)
        if (m.message == WM_KEYDOWN || m.message == WM_KEYUP)
            keys.push_back(m);
    ASSERT_EQ(keys.size(), posted.size());
    for (size_t i = 0; i < posted.size(); ++i) {
        EXPECT_EQ(keys[i].message, posted[i].message) << i;
        EXPECT_EQ(keys[i].wParam, posted[i].wParam) << i;
        EXPECT_EQ(keys[i].lParam, posted[i].lParam) << i;
    }
    // The window procedure saw them too, and the characters the loop made of them.
    std::vector<WPARAM> chars;
    int downs = 0;
    for (const MSG& m : g_hostKeys) {
        if (m.message == WM_CHAR)
            chars.push_back(m.wParam);
        downs += m.message == WM_KEYDOWN;
    }
    EXPECT_EQ(downs, 4);
    EXPECT_EQ(chars, (std::vector<WPARAM>{L'\t', L'\r', 0x1b, L'a'}));
    // The dialog did nothing with them.
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(cancels, 0);
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_TRUE(IsWindow(form));
    EXPECT_EQ(Text(Window(form, Form().eKurzname)), L"");
    // Back in the dialog, the keyboard is where the user left it.
    SetActiveWindow(form);
    HostLoop();
    EXPECT_EQ(Focused(form), "eKurzname");
}

TEST(PhotoWin32Forms, TheHookGoesWithTheWindowOnEveryPath) {
    PhotoHost t;
    int cancels = 0;
    // The close box.
    HWND form = Open();
    ASSERT_NE(form, nullptr);
    auto hook = static_cast<HHOOK>(ui::ModelessKeysHook());
    ASSERT_NE(hook, nullptr);
    Count(Form().btnCancel, cancels);
    PostMessageW(form, WM_CLOSE, 0, 0);
    HostLoop();
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(cancels, 0);  // the close box is not the cancel button
    ExpectHookGone(hook);

    // The project closes while the window is open.
    form = Open();
    ASSERT_NE(form, nullptr);
    hook = static_cast<HHOOK>(ui::ModelessKeysHook());
    ASSERT_NE(hook, nullptr);
    EXPECT_EQ(sim::ThePlugin().Call("BeforeCloseProject", 0, 0, 0), -1);
    EXPECT_EQ(fvControlForm, nullptr);
    EXPECT_FALSE(IsWindow(form));
    ExpectHookGone(hook);

    // The owner goes and takes the window along.
    form = Open();
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(GetWindow(form, GW_OWNER), t.host);
    hook = static_cast<HHOOK>(ui::ModelessKeysHook());
    DestroyWindow(t.host);
    EXPECT_FALSE(IsWindow(form));
    ExpectHookGone(hook);
    EXPECT_EQ(sim::ThePlugin().Call("BeforeCloseProject", 0, 0, 0), -1);

    // The library unloads: its backend goes with the windows it shows.
    form = Open();
    ASSERT_NE(form, nullptr);
    hook = static_cast<HHOOK>(ui::ModelessKeysHook());
    ASSERT_NE(hook, nullptr);
    ui::SetBackend(std::make_unique<ui::ScriptedBackend>());
    EXPECT_FALSE(IsWindow(form));
    ExpectHookGone(hook);
}
