// The photo edit dialog's rules and layout: the direction shown for stored degrees, the scaling
// of captured coordinates with rounding halves to even, the state texts, the controls in their
// tab order, and the on-demand data module it opens and releases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "photos/DataModule.h"
#include "photos/EnsureDataBase.h"
#include "photos/frmEditFoto.h"
#include "plugin/Globals.h"
#include "support/Session.h"

TEST(PhotoDialogRules, DirectionShownForStoredDegrees) {
    const std::vector<std::pair<int, int>> rows = {
        {-1, -1}, {0, 0},     {21, 0},     {22, 45},    {66, 45},    {67, 90},   {111, 90},  {112, 135},
        {156, 135}, {157, 180}, {201, 180}, {202, 225}, {246, 225}, {247, 270}, {291, 270}, {292, 315},
        {336, 315}, {337, 0},   {350, 0},   {381, 0},   {382, -1},  {400, -1}};
    for (const auto& [grad, tag] : rows)
        EXPECT_EQ(DirectionShown(grad), tag) << grad;
}

TEST(PhotoDialogRules, CapturedPointsScaledByTheEastingAndRoundedHalfToEven) {
    struct Row {
        double r, h;
        int32_t rw, hw;
    };
    const std::vector<Row> rows = {
        {4500.25, 5600.5, 450025, 560050},          {-3.5, 1.5, -350, 150},
        {39999, 56000, 399990, 560000},
        {45000.25, 56000.25, 450002, 560002},       {399998.5, 1, 3999985, 10},
        {399999, 5800000.5, 399999, 5800000},       {450001.5, 5600002.5, 450002, 5600002},
        {3999999, 0, 400000, 0},                    {4500005, 56000015, 450000, 5600002},
        {39999999, 0, 400000, 0},                   {45000050, 560000250, 450000, 5600002},
        {399999999, 0, 400000, 0},                  {450000500, 5600002500.0, 450000, 5600002},
        {3999999998.0, 7, 4000000, 0}, {3999999999.0, 7, 2147483647, 7}};
    for (const auto& row : rows) {
        int32_t rw = 0, hw = 0;
        ScaleCapturedPoint(row.r, row.h, rw, hw);
        EXPECT_EQ(rw, row.rw) << row.r;
        EXPECT_EQ(hw, row.hw) << row.r;
    }
}

TEST(PhotoDialogRules, PictureStateTexts) {
    EXPECT_EQ(PictureStateText(1), "noch nicht importiert");
    EXPECT_EQ(PictureStateText(2), "aus VESTRA importiert");
    EXPECT_EQ(PictureStateText(3), "lokal importiert");
    EXPECT_EQ(PictureStateText(0), "unbekannt");
    EXPECT_EQ(PictureStateText(4), "unbekannt");
}

TEST(PhotoDialogLayout, WindowControlsAndTabOrder) {
    testsupport::Session session;
    EnsureTableFotos();
    {
        TFormEditFoto f;
        EXPECT_EQ(f.Caption, "Objektfoto bearbeiten");
        EXPECT_EQ(f.ClientWidth, 644);
        EXPECT_EQ(f.ClientHeight, 474);
        EXPECT_TRUE(f.StayOnTop);
        EXPECT_EQ(f.Border, ui::BorderStyle::Dialog);
        EXPECT_EQ(f.Icons, ui::BorderIcons::CloseOnly);
        EXPECT_EQ(f.Placement, ui::Position::ScreenCenter);
        EXPECT_EQ(f.FormFont.name, "MS Sans Serif");
        EXPECT_EQ(f.FormFont.size, 8);
        // The controls that take the keyboard, in the order they were made.
        std::vector<std::string> tabOrder;
        for (const auto& c : f.Controls()) {
            const ui::ControlKind k = c->Kind();
            if (k == ui::ControlKind::Label || k == ui::ControlKind::Image || k == ui::ControlKind::Timer)
                continue;
            if (c->Parent == "gbBlickrichtung")
                continue;
            tabOrder.push_back(c->Name());
        }
        EXPECT_EQ(tabOrder, (std::vector<std::string>{"seRWert", "seHWert", "BtnGetCoordinate", "gbBlickrichtung",
                                                       "dtpDate", "BtnGetFoto", "eKurzname", "eQuelle",
                                                       "mBeschreibung", "BtnOK", "btnCancel", "cbNoCoordinates",
                                                       "editFilename"}));
        EXPECT_EQ(f.seRWert.MaxLength, 7);
        EXPECT_EQ(f.seRWert.MaxValue, 399999999);
        EXPECT_EQ(f.seHWert.MaxLength, 7);
        EXPECT_EQ(f.seHWert.MaxValue, 599999999);
        EXPECT_EQ(f.Image1.Width, 417);
        EXPECT_EQ(f.Image1.Height, 302);
        EXPECT_TRUE(f.Image1.Stretch && f.Image1.Proportional);
        EXPECT_TRUE(f.Label7.ControlFont.bold);
        EXPECT_EQ(f.Label7.ControlFont.height, 19);
        EXPECT_EQ(f.Label7.Caption, "Kein Bild ausgewählt");
        EXPECT_EQ(f.Timer1.Interval, 10);
        EXPECT_FALSE(f.Timer1.Enabled);
        EXPECT_EQ(f.btnCancel.ModalResult, ui::mrCancel);
        // Enter presses "Foto übernehmen" and Esc "Abbrechen", no other button.
        for (const auto& c : f.Controls())
            if (auto* b = dynamic_cast<const ui::Button*>(c.get())) {
                EXPECT_EQ(b->Default, b == &f.BtnOK) << b->Name();
                EXPECT_EQ(b->Cancel, b == &f.btnCancel) << b->Name();
            }
        EXPECT_EQ(f.OpenPictureDialog1.filter, "JPEG-Grafikdatei (*.jpg)|*.jpg");
        const std::vector<std::pair<ui::RadioButton*, int>> tags = {{&f.rbN, 0},    {&f.rbNE, 45},  {&f.rbE, 90},
                                                                   {&f.rbSE, 135}, {&f.rbS, 180},  {&f.rbSW, 225},
                                                                   {&f.rbW, 270},  {&f.rbNW, 315}};
        for (const auto& [rb, tag] : tags) {
            EXPECT_EQ(rb->Tag, tag) << rb->Name();
            EXPECT_EQ(rb->Parent, "gbBlickrichtung");
        }
        EXPECT_EQ(f.cbBlickrichtungUnbekannt.Parent, "gbBlickrichtung");
        EXPECT_EQ(f.strDefaultPicDir, session.ProjectDir() + "\\FXPhotos\\");
        EXPECT_TRUE(GlobaldmFotoverwaltung != nullptr);
    }
    // Destroying the dialog releases the data module.
    EXPECT_TRUE(GlobaldmFotoverwaltung == nullptr);
}
