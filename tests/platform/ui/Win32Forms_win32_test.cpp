// Real Win32 windows of the form model: needs a desktop with a display (a Wine virtual desktop
// under Xvfb in the test run).
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "platform/ui/Win32Forms.h"

namespace {

class Picker : public ui::Form {
public:
    Picker() : ui::Form("TPicker", "Auswahl prüfen", 240, 160),
               List(Add<ui::ListBox>("lbItems", false)),
               Ok(Add<ui::Button>("BtnOK")),
               Cancel(Add<ui::Button>("BtnCancel")) {
        List.SetBounds(8, 8, 224, 110);
        List.Add("erste");
        List.Add("zweite");
        List.Add("dritte");
        List.ItemIndex = 0;
        // The handler changes the model; the window must show the change afterwards.
        List.OnClick = [this] { Ok.Caption = "Übernehmen: " + List.SelectedText(); };
        Ok.Caption = "OK";
        Ok.ModalResult = ui::mrOk;
        Ok.SetBounds(8, 128, 110, 25);
        Ok.OnClick = [this] { resultInClick = ModalResult; ++okClicks; };
        Cancel.Caption = "Abbrechen";
        Cancel.Cancel = true;
        Cancel.ModalResult = ui::mrCancel;
        Cancel.SetBounds(124, 128, 108, 25);
    }
    ui::ListBox& List;
    ui::Button& Ok;
    ui::Button& Cancel;
    int resultInClick = -1;
    int okClicks = 0;
};

// What the timer does inside the modal loop, with the form's window found by its caption.
std::function<void(HWND)> g_act;
bool g_found = false;
bool g_watchdog = false;

void CALLBACK Act(HWND, UINT, UINT_PTR id, DWORD) {
    HWND form = FindWindowW(nullptr, L"Auswahl pr\u00fcfen");
    if (!form)
        return;  // not up yet: the timer comes again
    KillTimer(nullptr, id);
    g_found = true;
    g_act(form);
}

// A form that the action did not close is closed after a while, so a fault fails, not hangs.
void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
    g_watchdog = true;
    if (HWND form = FindWindowW(nullptr, L"Auswahl pr\u00fcfen"))
        PostMessageW(form, WM_CLOSE, 0, 0);
}

int ShowWith(ui::Form& form, std::function<void(HWND)> act) {
    g_act = std::move(act);
    g_found = false;
    g_watchdog = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, Act);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, Watchdog);
    ui::Win32Backend backend;
    const int result = backend.ShowModal(form);
    KillTimer(nullptr, timer);
    KillTimer(nullptr, watchdog);
    return result;
}

std::wstring Text(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetWindowTextW(hwnd, buffer, 256);
    return buffer;
}

}  // namespace

TEST(Win32Forms, ListSelectionReachesTheModelAndOkCloses) {
    Picker form;
    RECT client{};
    std::wstring caption;
    const int result = ShowWith(form, [&](HWND hwnd) {
        GetClientRect(hwnd, &client);
        HWND list = FindWindowExW(hwnd, nullptr, L"ListBox", nullptr);
        // A click on the third line, as the list box tells its parent.
        SendMessageW(list, LB_SETCURSEL, 2, 0);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        HWND ok = FindWindowExW(hwnd, nullptr, L"Button", L"\u00dcbernehmen: dritte");
        caption = ok ? Text(ok) : L"";
        PostMessageW(ok, BM_CLICK, 0, 0);
    });
    ASSERT_TRUE(g_found);
    EXPECT_FALSE(g_watchdog);
    EXPECT_EQ(client.right, 240);
    EXPECT_EQ(client.bottom, 160);
    EXPECT_EQ(caption, L"\u00dcbernehmen: dritte");
    EXPECT_EQ(result, ui::mrOk);
    EXPECT_EQ(form.ModalResult, ui::mrOk);
    EXPECT_EQ(form.resultInClick, ui::mrOk);  // the result is set before the handler runs
    EXPECT_EQ(form.okClicks, 1);
    EXPECT_EQ(form.List.ItemIndex, 2);
}

TEST(Win32Forms, CloseBoxGivesCancel) {
    Picker form;
    const int result = ShowWith(form, [](HWND hwnd) { PostMessageW(hwnd, WM_CLOSE, 0, 0); });
    ASSERT_TRUE(g_found);
    EXPECT_FALSE(g_watchdog);
    EXPECT_EQ(result, ui::mrCancel);
    EXPECT_EQ(form.okClicks, 0);
    EXPECT_EQ(form.List.ItemIndex, 0);
}

TEST(Win32Forms, EscapeClicksTheCancelButton) {
    Picker form;
    form.Cancel.ModalResult = ui::mrNoToAll;  // tells the cancel button from the close box
    const int result = ShowWith(form, [](HWND hwnd) {
        HWND list = FindWindowExW(hwnd, nullptr, L"ListBox", nullptr);
        SetFocus(list);
        PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    ASSERT_TRUE(g_found);
    EXPECT_FALSE(g_watchdog);
    EXPECT_EQ(result, ui::mrNoToAll);
}

TEST(Win32Forms, DisabledButtonDoesNotClose) {
    Picker form;
    form.Ok.Enabled = false;
    bool disabled = false;
    const int result = ShowWith(form, [&](HWND hwnd) {
        HWND ok = FindWindowExW(hwnd, nullptr, L"Button", L"OK");
        disabled = ok && !IsWindowEnabled(ok);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(ok), BN_CLICKED), reinterpret_cast<LPARAM>(ok));
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    });
    ASSERT_TRUE(g_found);
    EXPECT_FALSE(g_watchdog);
    EXPECT_TRUE(disabled);
    EXPECT_EQ(form.okClicks, 0);
    EXPECT_EQ(result, ui::mrCancel);
}
