#include "dialogs/frmGetKennung.h"

TformGetKennung::TformGetKennung()
    : ui::Form("TformGetKennung", "Kennung wählen", 382, 368),
      Label1(Add<ui::Label>("Label1")),
      lblOriginalKennung(Add<ui::Label>("lblOriginalKennung")),
      GroupBox1(Add<ui::GroupBox>("GroupBox1")),
      lbKennungen(Add<ui::ListBox>("lbKennungen", true)),
      BtnOK(Add<ui::Button>("BtnOK")),
      BtnCancel(Add<ui::Button>("BtnCancel")),
      Button1(Add<ui::Button>("Button1")) {
    Border = ui::BorderStyle::Dialog;
    Icons = ui::BorderIcons::CloseOnly;
    Placement = ui::Position::ScreenCenter;
    Label1.Caption = "Bearbeitetes Objekt:";
    Label1.SetBounds(12, 12, 100, 13);
    lblOriginalKennung.SetBounds(120, 10, 250, 16);
    lblOriginalKennung.ControlFont.size = 10;
    lblOriginalKennung.ControlFont.bold = true;
    GroupBox1.Caption = " zulässige Kennungen ";
    GroupBox1.SetBounds(8, 36, 366, 284);
    lbKennungen.Parent = "GroupBox1";
    lbKennungen.ControlFont.size = 10;
    lbKennungen.SetBounds(16, 56, 350, 256);
    BtnOK.Caption = "Kennung übernehmen";
    BtnOK.ModalResult = ui::mrOk;
    BtnOK.SetBounds(8, 332, 120, 25);
    BtnCancel.Caption = "nicht übernehmen";
    BtnCancel.ModalResult = ui::mrCancel;
    BtnCancel.SetBounds(131, 332, 120, 25);
    Button1.Caption = "Abbrechen";
    Button1.ModalResult = ui::mrNoToAll;
    Button1.SetBounds(254, 332, 120, 25);
}

std::string ReadChosenKennung(TformGetKennung& form) {
    const int result = form.ShowModal();
    if (result == ui::mrOk && form.lbKennungen.ItemIndex >= 0)
        return form.lbKennungen.SelectedText();
    if (result == ui::mrNoToAll)
        return "-1";
    return std::string();
}
