// Dialog "Kennung für neues Objekt": transaction and pool identifier for an object being created.
#pragma once

#include <cstdint>
#include <limits>

#include "platform/dbf/DbfTable.h"
#include "platform/ui/Forms.h"

class TFormGetTIDAndKennung : public ui::Form {
public:
    // Opens TA_KL.DBF of the project; throws the engine's error when it cannot.
    TFormGetTIDAndKennung();
    ui::GroupBox& GroupBox1;
    ui::ListBox& lbTransActions;
    ui::GroupBox& GroupBox2;
    ui::ListBox& lbKennungen;
    ui::Button& BtnOK;
    ui::Button& BtnNoTID;
    ui::Button& BtnCancel;
    dbf::Table tblKennungen;

    static constexpr int32_t kNoTID = std::numeric_limits<int32_t>::min();
    int32_t ShownTID = kNoTID;  // the transaction lbKennungen shows

    void FormCreate();
    void lbTransActionsClick();
    void lbKennungenClick();
    void UpdateMenuItems();
};

// The transaction number of a list line made of the TID, " - " and the name.
int32_t TIDOfLine(const std::string& line);
