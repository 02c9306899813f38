// Dialog "Transaktion wählen": the user picks one transaction of TA_ID.DBF.
#pragma once

#include <cstdint>

#include "platform/ui/Forms.h"

class TFormGetTID : public ui::Form {
public:
    TFormGetTID();
    ui::Label& Label1;
    ui::ListBox& lbTID;
    ui::Button& BtnOK;
    ui::Button& BtnCancel;
    int32_t SelectedTID = -1;

    void FormCreate();
    void lbTIDClick();
};

// Fills the dialog from TA_ID.DBF in file order, shows it and returns the chosen transaction,
// -1 for none. With blnNameMayBeMissing a table without NAME shows "unbekannt".
int32_t ChooseTransaction(TFormGetTID& form, bool blnNameMayBeMissing);

// The transaction to export: none without TA_ID.DBF or rows, the only one without asking,
// else the user's choice ("Abbrechen" gives -1).
int32_t GetTransaktionsIDExport();
