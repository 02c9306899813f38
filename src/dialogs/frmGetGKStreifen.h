// Dialog "GK-Streifen ": the user names the Gauss-Krüger strip of the project.
#pragma once

#include "platform/ui/Forms.h"

class TFormGetGKStreifen : public ui::Form {
public:
    TFormGetGKStreifen();
    ui::Label& Label1;
    ui::Label& Label2;
    ui::Label& Label3;
    ui::Label& Label4;
    ui::RadioGroup& RadioGroup1;
    ui::Button& BitBtn1;
};
