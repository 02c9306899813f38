// A modeless Win32 window of the form model, as the photo dialog is: it stays open while the
// caller's message loop goes on, its timer runs there, it is always on top, its image control
// draws the JPEG picture, and its close box hides it. Needs a desktop with a display.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "host/Pictures.h"
#include "platform/ui/Win32Forms.h"
#include "support/TempDir.h"

namespace {

class Viewer : public ui::Form {
public:
    Viewer() : ui::Form("TViewer", "Foto ansehen", 420, 320), Picture(Add<ui::Image>("Image1")),
               Tick(Add<ui::Timer>("Timer1")) {
        StayOnTop = true;
        Picture.SetBounds(0, 0, 420, 320);
        Picture.Stretch = Picture.Proportional = true;
        Tick.Interval = 10;
        Tick.OnTimer = [this] {
            if (++ticks == 5)
                Tick.Enabled = false;
        };
    }
    ui::Image& Picture;
    ui::Timer& Tick;
    int ticks = 0;
};

// Runs the caller's message loop until done() holds or two seconds passed.
template <class Done>
void Pump(Done done) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (!done() && GetTickCount() - start < 2000) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}

}  // namespace

TEST(PhotoWin32Forms, ModelessWindowWithPictureTimerAndCloseBox) {
    testsupport::TempDir dir;
    const std::string file = (dir.path() / "bild.jpg").string();
    ASSERT_TRUE(sim::WriteJpeg(file, 400, 300, 0));
    ui::SetBackend(std::make_unique<ui::Win32Backend>());
    Viewer f;
    f.Picture.LoadFromFile(file);
    f.Show();
    HWND hwnd = FindWindowW(nullptr, L"Foto ansehen");
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_NE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // The show returned: the window lives on in this loop, and its timer runs in it.
    Pump([&] { return f.ticks >= 5; });
    EXPECT_EQ(f.ticks, 5);
    EXPECT_TRUE(f.Showing());
    // The picture is drawn: the pixel in the middle is the picture's.
    UpdateWindow(hwnd);
    Pump([] { return false; });
    HDC dc = GetDC(hwnd);
    const COLORREF shown = GetPixel(dc, 210, 160);
    ReleaseDC(hwnd, dc);
    const uint32_t want = f.Picture.Shown.At(f.Picture.Shown.width / 2, f.Picture.Shown.height / 2);
    EXPECT_NEAR(static_cast<int>(GetRValue(shown)), static_cast<int>((want >> 16) & 0xFF), 12);
    EXPECT_NEAR(static_cast<int>(GetGValue(shown)), static_cast<int>((want >> 8) & 0xFF), 12);
    // The close box hides it and tells the form.
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    Pump([&] { return !f.Showing(); });
    EXPECT_FALSE(f.Showing());
    EXPECT_FALSE(IsWindow(hwnd));
}
