// Dialog "Kennung wählen": the user picks an identifier from a transaction's pool.
#pragma once

#include "platform/ui/Forms.h"

class TformGetKennung : public ui::Form {
public:
    TformGetKennung();
    ui::Label& Label1;
    ui::Label& lblOriginalKennung;
    ui::GroupBox& GroupBox1;
    ui::ListBox& lbKennungen;
    ui::Button& BtnOK;
    ui::Button& BtnCancel;
    ui::Button& Button1;
};

// Shows the filled dialog: the selected identifier after "Kennung übernehmen", "-1" after
// "Abbrechen", empty otherwise.
std::string ReadChosenKennung(TformGetKennung& form);
