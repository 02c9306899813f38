#include "dialogs/frmGetTidAndKennung.h"

#include <stdexcept>

#include "dialogs/KennungsTools.h"
#include "host/fxAPI32.h"
#include "platform/os/Convert.h"
#include "platform/ui/Dialogs.h"
#include "util/Tools.h"
#include "util/Utils.h"
#include "util/_4Token.h"

TFormGetTIDAndKennung::TFormGetTIDAndKennung()
    : ui::Form("TFormGetTIDAndKennung", "Kennung für neues Objekt", 444, 309),
      GroupBox1(Add<ui::GroupBox>("GroupBox1")),
      lbTransActions(Add<ui::ListBox>("lbTransActions", false)),
      GroupBox2(Add<ui::GroupBox>("GroupBox2")),
      lbKennungen(Add<ui::ListBox>("lbKennungen", true)),
      BtnOK(Add<ui::Button>("BtnOK")),
      BtnNoTID(Add<ui::Button>("BtnNoTID")),
      BtnCancel(Add<ui::Button>("BtnCancel")) {
    Border = ui::BorderStyle::Dialog;
    Icons = ui::BorderIcons::CloseOnly;
    Placement = ui::Position::ScreenCenter;
    GroupBox1.Caption = " Transaktion ";
    GroupBox1.SetBounds(8, 8, 210, 256);
    lbTransActions.Parent = "GroupBox1";
    lbTransActions.SetBounds(16, 26, 194, 230);
    lbTransActions.OnClick = [this] { lbTransActionsClick(); };
    GroupBox2.Caption = " Kennung ";
    GroupBox2.SetBounds(226, 8, 210, 256);
    lbKennungen.Parent = "GroupBox2";
    lbKennungen.SetBounds(234, 26, 194, 230);
    lbKennungen.OnClick = [this] { lbKennungenClick(); };
    BtnOK.Caption = "Kennung übernehmen";
    BtnOK.ModalResult = ui::mrOk;
    BtnOK.SetBounds(8, 276, 140, 25);
    BtnNoTID.Caption = "Keine TID";
    BtnNoTID.ModalResult = ui::mrIgnore;
    BtnNoTID.SetBounds(152, 276, 140, 25);
    BtnCancel.Caption = "Abbrechen";
    BtnCancel.ModalResult = ui::mrCancel;
    BtnCancel.SetBounds(296, 276, 140, 25);
    FormCreate();
}

void TFormGetTIDAndKennung::FormCreate() {
    tblKennungen.setDatabaseName(MyGetProjectDir());
    tblKennungen.setTableName("TA_KL.DBF");
    tblKennungen.setTableType(dbf::TableType::dBase);
    tblKennungen.setIndexName("idxTID");
    tblKennungen.open();
    UpdateMenuItems();
}

void TFormGetTIDAndKennung::lbTransActionsClick() {
    if (lbTransActions.ItemIndex < 0)
        return;
    const int32_t tid = TIDOfLine(lbTransActions.SelectedText());
    if (tid == ShownTID)
        return;
    ShownTID = tid;
    const std::string className = MyGetObjectClassName(fxGetObjectClass(), 100);
    lbKennungen.Clear();
    tblKennungen.setRange(tid, tid);
    for (tblKennungen.first(); !tblKennungen.eof(); tblKennungen.next()) {
        const std::string kennung = tblKennungen.fieldByName("KENNUNG").asString();
        if (KennungFitsOKL(className, kennung))
            lbKennungen.Add(kennung);
    }
    if (lbKennungen.Count() == 0)
        ui::MessageDlg("Es sind keine Kennungen für die Zieltransaktion und die gewählte Objektklasse definiert!",
                       ui::MsgType::Warning);
    UpdateMenuItems();
}

void TFormGetTIDAndKennung::lbKennungenClick() { UpdateMenuItems(); }

void TFormGetTIDAndKennung::UpdateMenuItems() { BtnOK.Enabled = lbKennungen.ItemIndex >= 0; }

int32_t TIDOfLine(const std::string& line) {
    int32_t tid = 0;
    if (!os::TryStrToInt(Trim(GetToken(line, "-", 1)), tid))
        throw std::runtime_error("Die Zeile \"" + line + "\" beginnt nicht mit einer Transaktionsnummer.");
    return tid;
}
