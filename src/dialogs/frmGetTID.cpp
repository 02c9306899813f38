#include "dialogs/frmGetTID.h"

#include "platform/dbf/DbfTable.h"
#include "util/Tools.h"

TFormGetTID::TFormGetTID()
    : ui::Form("TFormGetTID", "Transaktion wählen", 299, 201),
      Label1(Add<ui::Label>("Label1")),
      lbTID(Add<ui::ListBox>("lbTID", false)),
      BtnOK(Add<ui::Button>("BtnOK")),
      BtnCancel(Add<ui::Button>("BtnCancel")) {
    Border = ui::BorderStyle::Dialog;
    Label1.Caption = "Bitte wählen Sie eine Transaktionsnummer";
    Label1.SetBounds(8, 8, 283, 13);
    lbTID.SetBounds(8, 28, 283, 129);
    lbTID.OnClick = [this] { lbTIDClick(); };
    BtnOK.Caption = "OK";
    BtnOK.Glyph = true;
    BtnOK.ModalResult = ui::mrOk;
    BtnOK.SetBounds(40, 168, 97, 25);
    BtnCancel.Caption = "Keine TID";
    BtnCancel.Glyph = true;
    BtnCancel.Cancel = true;
    BtnCancel.ModalResult = ui::mrCancel;
    BtnCancel.SetBounds(162, 168, 97, 25);
    FormCreate();
}

void TFormGetTID::FormCreate() { SelectedTID = -1; }

void TFormGetTID::lbTIDClick() {}

int32_t ChooseTransaction(TFormGetTID& form, bool blnNameMayBeMissing) {
    dbf::Table table(MyGetProjectDir(), "TA_ID.DBF");
    table.open();
    if (table.recordCount() == 0)
        return -1;
    dbf::Field* name = blnNameMayBeMissing ? table.findField("NAME") : &table.fieldByName("NAME");
    for (table.first(); !table.eof(); table.next())
        form.lbTID.Add(table.fieldByName("TID").asString() + " - " + (name ? name->asString() : "unbekannt"));
    form.lbTID.ItemIndex = 0;
    if (form.ShowModal() != ui::mrOk || form.lbTID.ItemIndex < 0)
        return -1;
    // The i-th line stands for the i-th record in file order, whatever the names say.
    table.first();
    for (int i = 0; i < form.lbTID.ItemIndex && !table.eof(); ++i)
        table.next();
    if (table.eof())
        return -1;
    form.SelectedTID = table.fieldByName("TID").asInteger();
    return form.SelectedTID;
}

int32_t GetTransaktionsIDExport() {
    dbf::Table table(MyGetProjectDir(), "TA_ID.DBF");
    if (!table.exists())
        return -1;
    table.open();
    const int n = table.recordCount();
    if (n == 0)
        return -1;
    if (n == 1) {
        table.first();
        return table.fieldByName("TID").asInteger();
    }
    table.close();
    TFormGetTID form;
    form.BtnCancel.Caption = "Abbrechen";
    return ChooseTransaction(form, false);
}
