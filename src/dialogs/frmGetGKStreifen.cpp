#include "dialogs/frmGetGKStreifen.h"

TFormGetGKStreifen::TFormGetGKStreifen()
    : ui::Form("TFormGetGKStreifen", "GK-Streifen ", 206, 191),
      Label1(Add<ui::Label>("Label1")),
      Label2(Add<ui::Label>("Label2")),
      Label3(Add<ui::Label>("Label3")),
      Label4(Add<ui::Label>("Label4")),
      RadioGroup1(Add<ui::RadioGroup>("RadioGroup1")),
      BitBtn1(Add<ui::Button>("BitBtn1")) {
    Border = ui::BorderStyle::Dialog;
    Placement = ui::Position::ScreenCenter;
    Label1.Caption = "Der Gauß-Krüger-Streifen des aktuellen ";
    Label2.Caption = "Projekts konnte nicht automatisch";
    Label3.Caption = "ermittelt werden. Bitte geben Sie den";
    Label4.Caption = "richtigen Streifen ein.";
    Label1.SetBounds(8, 8, 190, 13);
    Label2.SetBounds(8, 24, 190, 13);
    Label3.SetBounds(8, 40, 190, 13);
    Label4.SetBounds(8, 56, 190, 13);
    RadioGroup1.Caption = " Gauß-Krüger-Streifen des Projekts ";
    RadioGroup1.SetBounds(8, 78, 190, 66);
    RadioGroup1.Add("Gauß-Krüger 2er Streifen");
    RadioGroup1.Add("Gauß-Krüger 3erStreifen");
    BitBtn1.Caption = "OK";
    BitBtn1.Glyph = true;
    BitBtn1.Default = true;
    BitBtn1.ModalResult = ui::mrOk;
    BitBtn1.SetBounds(65, 156, 75, 25);
}
