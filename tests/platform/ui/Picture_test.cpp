// JPEG pictures in the image control: the proportional fit, libjpeg's scaled decoding averaged
// to the shown size, files that are no readable JPEG, and the scripted backend's modeless forms
// with their timers, spin edits and radio buttons.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/Pictures.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Scripted.h"
#include "support/TempDir.h"

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class TestForm : public ui::Form {
public:
    TestForm()
        : ui::Form("TTestForm", "Test", 300, 200),
          Picture(Add<ui::Image>("Picture")),
          Number(Add<ui::SpinEdit>("seNumber")),
          A(Add<ui::RadioButton>("rbA")),
          B(Add<ui::RadioButton>("rbB")),
          Other(Add<ui::RadioButton>("rbOther")),
          Tick(Add<ui::Timer>("Tick")) {
        Picture.SetBounds(0, 0, 417, 302);
        Picture.Stretch = Picture.Proportional = true;
        A.Parent = B.Parent = "gb";
        Tick.Interval = 10;
        Tick.OnTimer = [this] { ++ticks; };
    }
    ui::Image& Picture;
    ui::SpinEdit& Number;
    ui::RadioButton& A;
    ui::RadioButton& B;
    ui::RadioButton& Other;
    ui::Timer& Tick;
    int ticks = 0;
};

}  // namespace

TEST(PhotoPicture, FitKeepsTheProportions) {
    int w = 0, h = 0;
    ui::FitInto(6000, 4000, 417, 302, w, h);
    EXPECT_EQ(w, 417);
    EXPECT_EQ(h, 278);
    ui::FitInto(32, 24, 417, 302, w, h);
    EXPECT_EQ(w, 402);
    EXPECT_EQ(h, 302);
    ui::FitInto(10, 100000, 417, 302, w, h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 302);
}

TEST(PhotoPicture, DecodedAtTheShownSizeWithItsColours) {
    testsupport::TempDir dir;
    const std::string file = (dir.path() / "gross.jpg").string();
    ASSERT_TRUE(sim::WriteJpeg(file, 1600, 1200, 0));
    const ui::JpegFile jpeg(file);
    EXPECT_EQ(jpeg.Width(), 1600);
    EXPECT_EQ(jpeg.Height(), 1200);
    const ui::Bitmap b = jpeg.Decode(400, 300);
    ASSERT_EQ(b.width, 400);
    ASSERT_EQ(b.height, 300);
    EXPECT_EQ(b.pixels.size(), ui::Bitmap::Stride(400) * 300);
    // The stand-in's picture: red follows x, green follows y, blue is the seed's.
    const uint32_t left = b.At(0, 150), right = b.At(399, 150), top = b.At(200, 0), bottom = b.At(200, 299);
    const int blue = 0;
    EXPECT_NEAR(static_cast<int>(left & 0xFF), blue, 6);
    EXPECT_LT((left >> 16) & 0xFF, (right >> 16) & 0xFF);
    EXPECT_LT((top >> 8) & 0xFF, (bottom >> 8) & 0xFF);
    // Small pictures are shown larger.
    const ui::Bitmap up = jpeg.Decode(3200, 2400);
    EXPECT_EQ(up.width, 3200);
    EXPECT_EQ(up.height, 2400);
}

TEST(PhotoPicture, FilesThatAreNoReadableJpegAreRefusedAndChangeNothing) {
    testsupport::TempDir dir;
    const std::string good = (dir.path() / "gut.jpg").string();
    ASSERT_TRUE(sim::WriteJpeg(good, 64, 48, 2));
    const std::string bytes = Bytes(good);
    const std::string text = (dir.path() / "text.jpg").string(), cut = (dir.path() / "halb.jpg").string(),
                      broken = (dir.path() / "kaputt.jpg").string(), empty = (dir.path() / "leer.jpg").string();
    Write(text, "keine JPEG-Daten");
    Write(cut, bytes.substr(0, bytes.size() / 2));
    std::string damaged = bytes;
    for (size_t i = 200; i < damaged.size() - 2; i += 7)
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    Write(broken, damaged);
    Write(empty, "");
    TestForm f;
    f.Picture.LoadFromFile(good);
    EXPECT_EQ(f.Picture.PictureWidth, 64);
    EXPECT_EQ(f.Picture.Shown.width, 402);
    for (const auto& bad : {text, cut, empty, (dir.path() / "fehlt.jpg").string()}) {
        EXPECT_THROW(f.Picture.LoadFromFile(bad), ui::PictureError) << bad;
        EXPECT_EQ(f.Picture.PictureFile, good);
        EXPECT_EQ(f.Picture.PictureWidth, 64);
    }
    // A damaged picture either decodes or is refused; it never ends the program.
    try {
        f.Picture.LoadFromFile(broken);
    } catch (const ui::PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("keine lesbare JPEG-Grafikdatei"), std::string::npos);
    }
    f.Picture.ClearPicture();
    EXPECT_FALSE(f.Picture.HasPicture());
}

// The width and height a baseline picture declares, in its SOF0 segment.
void Declare(std::string& jpeg, int width, int height) {
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
}

// A size the file is far too small to hold is refused when the file is opened, before any
// decoding; a large picture of plain colour, which compresses well, is not.
TEST(PhotoPicture, DeclaredSizeAbsurdForTheFileIsRefusedAtOnce) {
    testsupport::TempDir dir;
    const std::string small = (dir.path() / "klein.jpg").string();
    ASSERT_TRUE(sim::WriteJpeg(small, 16, 8, 3));
    std::string bytes = Bytes(small);
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{65235, 63060}, {4000, 3000}}) {
        Declare(bytes, width, height);
        Write(small, bytes);
        try {
            ui::JpegFile picture(small);
            ADD_FAILURE() << width << " x " << height << " in " << bytes.size() << " bytes was taken";
        } catch (const ui::PictureError& e) {
            EXPECT_NE(std::string(e.what()).find("keine lesbare JPEG-Grafikdatei"), std::string::npos);
        }
    }
    const std::string large = (dir.path() / "gross.jpg").string();
    ASSERT_TRUE(sim::WriteJpeg(large, 2400, 1600, 4));
    const ui::JpegFile picture(large);
    EXPECT_EQ(picture.Width(), 2400);
    EXPECT_EQ(picture.Decode(24, 16).width, 24);
}

TEST(PhotoUi, SpinEditTextValueRangeAndTypedLength) {
    TestForm f;
    f.Number.MaxValue = 399999999;
    f.Number.MaxLength = 7;
    f.Number.Clear();
    EXPECT_EQ(f.Number.Value(), 0);
    f.Number.SetValue(500000000);
    EXPECT_EQ(f.Number.Caption, "399999999");
    f.Number.SetValue(-5);
    EXPECT_EQ(f.Number.Caption, "0");
    EXPECT_EQ(ui::ApplyAction(f, "set seNumber 1234567"), "");
    EXPECT_EQ(f.Number.Value(), 1234567);
    EXPECT_EQ(ui::ApplyAction(f, "set seNumber 12345678"), "seNumber takes at most 7 characters");
    EXPECT_EQ(f.Number.Value(), 1234567);
    EXPECT_EQ(ui::ApplyAction(f, "set seNumber 12a"), "not a number: 12a");
    EXPECT_EQ(ui::ApplyAction(f, "set seNumber "), "");
    EXPECT_EQ(f.Number.Caption, "");
}

TEST(PhotoUi, RadioButtonsOfOneGroupExcludeEachOther) {
    TestForm f;
    f.Other.Checked = true;
    EXPECT_EQ(ui::ApplyAction(f, "click rbA"), "");
    EXPECT_TRUE(f.A.Checked);
    EXPECT_EQ(ui::ApplyAction(f, "click rbB"), "");
    EXPECT_FALSE(f.A.Checked);
    EXPECT_TRUE(f.B.Checked);
    EXPECT_TRUE(f.Other.Checked);  // another group
}

TEST(PhotoUi, ModelessFormAnswersWhileOpenAndItsTimersFire) {
    ui::SetBackend(std::make_unique<ui::ScriptedBackend>());
    auto& backend = dynamic_cast<ui::ScriptedBackend&>(ui::CurrentBackend());
    TestForm f;
    f.Show();
    EXPECT_EQ(backend.Pump("idle"), "");
    EXPECT_EQ(f.ticks, 1);
    f.Tick.Enabled = false;
    backend.Pump("idle");
    EXPECT_EQ(f.ticks, 1);
    const std::string shown = backend.Pump("describe 1");
    EXPECT_EQ(shown.rfind("form 1 TTestForm\n", 0), 0u) << shown;
    EXPECT_EQ(backend.Pump("act 1 set seNumber 42"), "");
    EXPECT_EQ(f.Number.Value(), 42);
    EXPECT_EQ(backend.Pump("act 1 click rbNone"), "the form TTestForm has no control rbNone");
    EXPECT_EQ(backend.Pump("act 1 close"), "");
    EXPECT_EQ(backend.Pump("describe 1"), "no modeless form 1 is open");
    EXPECT_FALSE(f.Showing());
}
