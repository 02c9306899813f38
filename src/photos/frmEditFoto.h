// Dialog "Objektfoto bearbeiten": the picture, place, direction, date and texts of the photo of
// the host's current photo link; modeless and always on top, so that the map stays usable.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/Forms.h"

class TFormEditFoto : public ui::Form {
public:
    TFormEditFoto();  // FormCreate
    ~TFormEditFoto() override;  // FormDestroy

    // Controls, in tab order (labels beside the control they name).
    ui::Label& Label1;
    ui::SpinEdit& seRWert;
    ui::Label& Label2;
    ui::SpinEdit& seHWert;
    ui::Button& BtnGetCoordinate;
    ui::GroupBox& gbBlickrichtung;
    ui::RadioButton& rbN;
    ui::RadioButton& rbNE;
    ui::RadioButton& rbE;
    ui::RadioButton& rbSE;
    ui::RadioButton& rbS;
    ui::RadioButton& rbSW;
    ui::RadioButton& rbW;
    ui::RadioButton& rbNW;
    ui::CheckBox& cbBlickrichtungUnbekannt;
    ui::Label& Label3;
    ui::DatePicker& dtpDate;
    ui::Label& Label8;
    ui::Label& lblPictureState;
    ui::Button& BtnGetFoto;
    ui::Label& Label6;
    ui::Edit& eKurzname;
    ui::Label& Label4;
    ui::Edit& eQuelle;
    ui::Label& Label5;
    ui::Memo& mBeschreibung;
    ui::Button& BtnOK;
    ui::Button& btnCancel;
    ui::CheckBox& cbNoCoordinates;
    ui::Label& Label9;
    ui::Edit& editFilename;
    ui::Image& Image1;
    ui::Label& Label7;
    ui::Timer& Timer1;
    ui::FileDialogOptions OpenPictureDialog1;

    // Fields.
    std::string StartDir;
    std::string strPicFilenameFromDB;
    std::string strPicFullNameFromDialog;
    std::string strPicNewFileNameInFX;
    std::string strDefaultPicDir;
    int32_t OrgFotoID = 0;
    int32_t PictureState = 0;
    int32_t lngOKL = -1;

    void InitControls(int32_t FotoID);
    void FillControlsByDefault();
    void SetBlickrichtung(int32_t Grad);
    int32_t GetBlickrichtung() const;
    bool DatenPlausibel() const;
    bool ZustandOK() const;
    void CopyFoto();
    int32_t SaveFoto(int32_t OldFotoID);
    void SaveObjektfoto(int32_t NewFotoID);
    void UpdateLblPicState();

    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();
    void BtnGetFotoClick();
    void BtnGetCoordinateClick();
    void Timer1Timer();
    void BtnOKClick();
    void btnCancelClick();
    void cbBlickrichtungUnbekanntClick();
    void cbNoCoordinatesClick();
};

// The text of lblPictureState for a picture state.
std::string PictureStateText(int32_t PictureState);
// The radio button a stored direction shows: its tag (0, 45, ... 315), or -1 for "unbekannt".
int32_t DirectionShown(int32_t Grad);
// A captured point as whole easting and northing: both scaled by the factor the easting's size
// chooses, then rounded to the nearest integer, halves to the even one.
void ScaleCapturedPoint(double R, double H, int32_t& RW, int32_t& HW);
