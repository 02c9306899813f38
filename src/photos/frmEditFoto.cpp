#include "photos/frmEditFoto.h"

#include <cfenv>
#include <cmath>
#include <limits>

#include "host/fxAPI32.h"
#include "photos/DataModule.h"
#include "photos/FVTools.h"
#include "platform/os/Convert.h"
#include "platform/os/Files.h"
#include "platform/os/Registry.h"
#include "platform/report/ShortDate.h"
#include "plugin/Globals.h"
#include "plugin/constants.h"
#include "util/Settings.h"
#include "util/Tools.h"
#include "util/Utils.h"

namespace {

constexpr char kLinks[] = "Objektphotos";
constexpr char kGroup[] = "gbBlickrichtung";

void Warn(const std::string& text) { ui::MessageDlg(text, ui::MsgType::Warning); }
void Error(const std::string& text) { ui::MessageDlg(text, ui::MsgType::Error); }

// The directory part with its delimiter; a name without one gives a lone delimiter.
std::string DirectoryOf(const std::string& name) {
    const std::string dir = ExtractFilePath(name);
    return dir.empty() ? std::string("\\") : dir;
}

}  // namespace

std::string PictureStateText(int32_t PictureState) {
    switch (PictureState) {
    case 1: return "noch nicht importiert";
    case 2: return "aus VESTRA importiert";
    case 3: return "lokal importiert";
    default: return "unbekannt";
    }
}

int32_t DirectionShown(int32_t Grad) {
    if (Grad < 0 || Grad >= 382)
        return -1;
    if (Grad <= 21 || Grad >= 337)
        return 0;
    if (Grad <= 66)
        return 45;
    if (Grad <= 111)
        return 90;
    if (Grad <= 156)
        return 135;
    if (Grad <= 201)
        return 180;
    if (Grad <= 246)
        return 225;
    if (Grad <= 291)
        return 270;
    return 315;
}

void ScaleCapturedPoint(double R, double H, int32_t& RW, int32_t& HW) {
    // The factor by the easting's size alone: a multiplication or a division, so that
    // 4500005 / 10 is exactly the half it is.
    double times = 1, by = 1;
    if (R < 39999)
        times = 100;
    else if (R < 399999)
        times = 10;
    else if (R < 3999999)
        times = 1;
    else if (R < 39999999)
        by = 10;
    else if (R < 399999999)
        by = 100;
    else if (R < 3999999999.0)
        by = 1000;
    auto whole = [&](double v) -> int32_t {
        v = v * times / by;
        if (std::isnan(v))
            return 0;
        const int saved = std::fegetround();
        std::fesetround(FE_TONEAREST);  // halves to the even neighbour
        const double r = std::nearbyint(v);
        std::fesetround(saved);
        if (r <= std::numeric_limits<int32_t>::min())
            return std::numeric_limits<int32_t>::min();
        if (r >= std::numeric_limits<int32_t>::max())
            return std::numeric_limits<int32_t>::max();
        return static_cast<int32_t>(r);
    };
    RW = whole(R);
    HW = whole(H);
}

TFormEditFoto::TFormEditFoto()
    : ui::Form("TFormEditFoto", "Objektfoto bearbeiten", 644, 474),
      Label1(Add<ui::Label>("Label1")),
      seRWert(Add<ui::SpinEdit>("seRWert")),
      Label2(Add<ui::Label>("Label2")),
      seHWert(Add<ui::SpinEdit>("seHWert")),
      BtnGetCoordinate(Add<ui::Button>("BtnGetCoordinate")),
      gbBlickrichtung(Add<ui::GroupBox>(kGroup)),
      rbN(Add<ui::RadioButton>("rbN")),
      rbNE(Add<ui::RadioButton>("rbNE")),
      rbE(Add<ui::RadioButton>("rbE")),
      rbSE(Add<ui::RadioButton>("rbSE")),
      rbS(Add<ui::RadioButton>("rbS")),
      rbSW(Add<ui::RadioButton>("rbSW")),
      rbW(Add<ui::RadioButton>("rbW")),
      rbNW(Add<ui::RadioButton>("rbNW")),
      cbBlickrichtungUnbekannt(Add<ui::CheckBox>("cbBlickrichtungUnbekannt")),
      Label3(Add<ui::Label>("Label3")),
      dtpDate(Add<ui::DatePicker>("dtpDate")),
      Label8(Add<ui::Label>("Label8")),
      lblPictureState(Add<ui::Label>("lblPictureState")),
      BtnGetFoto(Add<ui::Button>("BtnGetFoto")),
      Label6(Add<ui::Label>("Label6")),
      eKurzname(Add<ui::Edit>("eKurzname")),
      Label4(Add<ui::Label>("Label4")),
      eQuelle(Add<ui::Edit>("eQuelle")),
      Label5(Add<ui::Label>("Label5")),
      mBeschreibung(Add<ui::Memo>("mBeschreibung")),
      BtnOK(Add<ui::Button>("BtnOK")),
      btnCancel(Add<ui::Button>("btnCancel")),
      cbNoCoordinates(Add<ui::CheckBox>("cbNoCoordinates")),
      Label9(Add<ui::Label>("Label9")),
      editFilename(Add<ui::Edit>("editFilename")),
      Image1(Add<ui::Image>("Image1")),
      Label7(Add<ui::Label>("Label7")),
      Timer1(Add<ui::Timer>("Timer1")) {
    Border = ui::BorderStyle::Dialog;
    Icons = ui::BorderIcons::CloseOnly;
    Placement = ui::Position::ScreenCenter;
    StayOnTop = true;

    Label1.Caption = "Rechtswert:";
    Label1.SetBounds(8, 12, 64, 13);
    seRWert.SetBounds(80, 8, 121, 22);
    seRWert.MaxLength = 7;
    seRWert.MaxValue = 399999999;
    Label2.Caption = "Hochwert:";
    Label2.SetBounds(8, 40, 64, 13);
    seHWert.SetBounds(80, 36, 121, 22);
    seHWert.MaxLength = 7;
    seHWert.MaxValue = 599999999;
    BtnGetCoordinate.Caption = "erfassen";
    BtnGetCoordinate.SetBounds(80, 64, 121, 25);
    BtnGetCoordinate.OnClick = [this] { BtnGetCoordinateClick(); };
    cbNoCoordinates.Caption = "Keine Koordinaten";
    cbNoCoordinates.SetBounds(8, 96, 193, 17);
    cbNoCoordinates.OnClick = [this] { cbNoCoordinatesClick(); };

    gbBlickrichtung.Caption = " Blickrichtung ";
    gbBlickrichtung.SetBounds(8, 120, 193, 118);
    // The eight directions as on a compass rose, "unbekannt" below them.
    struct Direction {
        ui::RadioButton& button;
        const char* text;
        int tag, left, top;
    };
    for (const Direction& d : {Direction{rbN, "N", 0, 76, 140}, Direction{rbNE, "NE", 45, 132, 140},
                               Direction{rbE, "E", 90, 132, 164}, Direction{rbSE, "SE", 135, 132, 188},
                               Direction{rbS, "S", 180, 76, 188}, Direction{rbSW, "SW", 225, 20, 188},
                               Direction{rbW, "W", 270, 20, 164}, Direction{rbNW, "NW", 315, 20, 140}}) {
        d.button.Caption = d.text;
        d.button.Tag = d.tag;
        d.button.Parent = kGroup;
        d.button.SetBounds(d.left, d.top, 49, 17);
    }
    cbBlickrichtungUnbekannt.Caption = "unbekannt";
    cbBlickrichtungUnbekannt.Parent = kGroup;
    cbBlickrichtungUnbekannt.SetBounds(20, 214, 97, 17);
    cbBlickrichtungUnbekannt.OnClick = [this] { cbBlickrichtungUnbekanntClick(); };

    Label3.Caption = "Aufnahmedatum:";
    Label3.SetBounds(8, 250, 84, 13);
    dtpDate.SetBounds(96, 246, 105, 21);
    Label8.Caption = "Bildstatus:";
    Label8.SetBounds(8, 278, 56, 13);
    lblPictureState.SetBounds(64, 278, 137, 13);
    BtnGetFoto.Caption = "Bild auswählen";
    BtnGetFoto.SetBounds(8, 298, 193, 25);
    BtnGetFoto.OnClick = [this] { BtnGetFotoClick(); };
    Label9.Caption = "Dateiname:";
    Label9.SetBounds(8, 334, 64, 13);
    editFilename.ReadOnly = true;
    editFilename.SetBounds(8, 350, 193, 21);

    Image1.SetBounds(216, 8, 417, 302);
    Image1.Stretch = true;
    Image1.Proportional = true;
    Label7.Caption = "Kein Bild ausgewählt";
    Label7.Alignment = ui::TextAlign::Center;
    Label7.ControlFont.bold = true;
    Label7.ControlFont.height = 19;
    Label7.SetBounds(216, 148, 417, 24);
    Label6.Caption = "Kurzname:";
    Label6.SetBounds(216, 324, 72, 13);
    eKurzname.SetBounds(296, 320, 337, 21);
    Label4.Caption = "Quelle:";
    Label4.SetBounds(216, 352, 72, 13);
    eQuelle.SetBounds(296, 348, 337, 21);
    Label5.Caption = "Beschreibung:";
    Label5.SetBounds(216, 380, 72, 13);
    mBeschreibung.SetBounds(296, 376, 337, 56);

    BtnOK.Caption = "Foto übernehmen";
    BtnOK.Glyph = true;
    BtnOK.Default = true;  // Enter, but in the description, where it starts a new line
    BtnOK.SetBounds(392, 442, 117, 25);
    BtnOK.OnClick = [this] { BtnOKClick(); };
    btnCancel.Caption = "Abbrechen";
    btnCancel.Glyph = true;
    btnCancel.ModalResult = ui::mrCancel;
    btnCancel.Cancel = true;  // Esc
    btnCancel.SetBounds(516, 442, 117, 25);
    btnCancel.OnClick = [this] { btnCancelClick(); };

    Timer1.Interval = 10;
    Timer1.OnTimer = [this] { Timer1Timer(); };
    OpenPictureDialog1.filter = "JPEG-Grafikdatei (*.jpg)|*.jpg";
    OpenPictureDialog1.picturePreview = true;

    OnShow = [this] { FormShow(); };
    OnClose = [this] { FormClose(); };
    FormCreate();
}

TFormEditFoto::~TFormEditFoto() { FormDestroy(); }

void TFormEditFoto::FormCreate() {
    StartDir = os::RegIniFile(settings::kPluginKey).ReadString(settings::kPluginSection, settings::kOriginalFotos, "");
    Timer1.Enabled = false;
    OpenFotoverwaltung();
    strPicFilenameFromDB.clear();
    strPicNewFileNameInFX.clear();
    strPicFullNameFromDialog.clear();
    strDefaultPicDir = MyGetProjectDir() + "FXPhotos" + "\\";
}

void TFormEditFoto::FormShow() { OpenFotoverwaltung(); }

void TFormEditFoto::FormClose() {
    Timer1.Enabled = false;
    CloseFotoverwaltung();
}

void TFormEditFoto::FormDestroy() {
    try {
        ReleaseFotoverwaltung();
    } catch (...) {
    }
}

void TFormEditFoto::btnCancelClick() { Close(); }

void TFormEditFoto::InitControls(int32_t FotoID) {
    strPicNewFileNameInFX.clear();
    strPicFullNameFromDialog.clear();
    strPicFilenameFromDB.clear();
    OpenPictureDialog1.fileName.clear();
    iFvPKeyFoto = MyGetIntValueByName(kLinks, "PKEY");
    const auto dm = OpenFotoverwaltung();
    adodb::Table& fotos = dm->ADOTblFotos;
    if (FotoID != 0 && fotos.locate("FotoID", adodb::Value{int64_t{FotoID}})) {
        const adodb::Date date = fotos.fieldByName("Aufnahmedatum").asDate();
        if (date.year == 0) {
            // A date that is not set reads as the host's day zero.
            dtpDate.Year = 1899, dtpDate.Month = 12, dtpDate.Day = 30;
        } else {
            dtpDate.Year = date.year, dtpDate.Month = date.month, dtpDate.Day = date.day;
        }
        eKurzname.Caption = fotos.fieldByName("Kurzname").asString();
        eQuelle.Caption = fotos.fieldByName("Quelle").asString();
        mBeschreibung.SetText(fotos.fieldByName("Bildbeschreibung").asString());
        PictureState = fotos.fieldByName("IsNew").asInteger();
        if (PictureState != FotoVonVestra && PictureState != FotoLokal)
            PictureState = FotoVonVestra;
        int32_t grad = -1;
        if (!os::TryStrToInt(fotos.fieldByName("Blickrichtung").asString(), grad))
            grad = -1;
        SetBlickrichtung(grad);
        const std::string rw = fotos.fieldByName("RW").asString(), hw = fotos.fieldByName("HW").asString();
        if (!rw.empty() && !hw.empty()) {
            seRWert.SetValue(fotos.fieldByName("RW").asInteger());
            seHWert.SetValue(fotos.fieldByName("HW").asInteger());
            cbNoCoordinates.Checked = false;
        } else {
            seRWert.Clear();
            seHWert.Clear();
            cbNoCoordinates.Checked = true;
        }
        strPicFilenameFromDB = fotos.fieldByName("PicFileName").asString();
        // A missing (or unreadable) stored picture clears the preview, so that neither the
        // previous edit's picture stays there nor DatenPlausibel accepts it.
        Image1.ClearPicture();
        editFilename.Caption.clear();
        if (!strPicFilenameFromDB.empty() && os::FileExists(strDefaultPicDir + strPicFilenameFromDB)) {
            try {
                Image1.LoadFromFile(strDefaultPicDir + strPicFilenameFromDB);
            } catch (const ui::PictureError&) {
            }
            editFilename.Caption = strPicFilenameFromDB;
        }
        Image1.Visible = true;
        Label7.Visible = !Image1.HasPicture();
        OrgFotoID = FotoID;
    } else {
        FillControlsByDefault();
        PictureState = 1;
        OrgFotoID = 0;
    }
    BtnOK.Enabled = PictureState != FotoVonVestra;
    BtnGetFoto.Enabled = PictureState != FotoVonVestra;
    cbNoCoordinatesClick();
    UpdateLblPicState();
}

void TFormEditFoto::FillControlsByDefault() {
    seRWert.Clear();
    seHWert.Clear();
    cbNoCoordinates.Checked = true;
    rbN.SetChecked(true);
    const report::CalendarDate today = report::Today();
    dtpDate.Year = today.year, dtpDate.Month = today.month, dtpDate.Day = today.day;
    eKurzname.Caption.clear();
    eQuelle.Caption.clear();
    editFilename.Caption.clear();
    mBeschreibung.Lines.clear();
    cbBlickrichtungUnbekannt.Checked = true;
    cbBlickrichtungUnbekanntClick();
    Label7.Visible = true;
    Image1.Visible = false;
    Image1.ClearPicture();
}

void TFormEditFoto::SetBlickrichtung(int32_t Grad) {
    if (Grad < 0) {
        cbBlickrichtungUnbekannt.Checked = true;
    } else {
        cbBlickrichtungUnbekannt.Checked = false;
        const int32_t tag = DirectionShown(Grad);
        if (tag < 0) {
            cbBlickrichtungUnbekannt.Checked = true;
        } else {
            for (const auto& c : Controls())
                if (auto* rb = dynamic_cast<ui::RadioButton*>(c.get()); rb && rb->Parent == kGroup && rb->Tag == tag)
                    rb->SetChecked(true);
        }
    }
    cbBlickrichtungUnbekanntClick();
}

int32_t TFormEditFoto::GetBlickrichtung() const {
    if (cbBlickrichtungUnbekannt.Checked)
        return -1;
    for (const auto& c : Controls())
        if (auto* rb = dynamic_cast<const ui::RadioButton*>(c.get()); rb && rb->Parent == kGroup && rb->Checked)
            return rb->Tag;
    return -1;
}

void TFormEditFoto::cbNoCoordinatesClick() {
    seRWert.Enabled = !cbNoCoordinates.Checked;
    seHWert.Enabled = !cbNoCoordinates.Checked;
}

void TFormEditFoto::cbBlickrichtungUnbekanntClick() {
    for (const auto& c : Controls())
        if (c->Kind() == ui::ControlKind::RadioButton && c->Parent == kGroup)
            c->Enabled = !cbBlickrichtungUnbekannt.Checked;
}

void TFormEditFoto::UpdateLblPicState() { lblPictureState.Caption = PictureStateText(PictureState); }

void TFormEditFoto::BtnGetFotoClick() {
    if (PictureState == FotoVonVestra)
        return;
    OpenPictureDialog1.initialDir = StartDir;
    std::string chosen;
    if (!ui::OpenFileDialog(OpenPictureDialog1, chosen))
        return;
    if (ExtractFilePath(chosen) != strDefaultPicDir) {
        // Mended: a file that is no readable JPEG is refused with a message and changes nothing.
        try {
            Image1.LoadFromFile(chosen);
        } catch (const ui::PictureError& e) {
            Warn(std::string(e.what()) + " Bitte wählen Sie ein Foto im JPEG-Format.");
            return;
        }
    } else {
        Warn("Es können nur Fotos eingestellt werden, die sich außerhalb des Projekts befinden!");
        return;
    }
    OpenPictureDialog1.fileName = chosen;
    StartDir = WithOutSlash(ExtractFilePath(chosen));
    strPicFullNameFromDialog = chosen;
    Image1.Visible = true;
    Label7.Visible = false;
}

void TFormEditFoto::BtnGetCoordinateClick() {
    fxActivateMap();
    std::string name;
    for (int n = 1; n < 1000000; ++n) {
        name = "TempObj" + std::to_string(n);
        if (!fxKennungExists(name.c_str()))
            break;
    }
    blnTempObjectCreation = true;
    TempObjectFELDIXID = -1;
    fxCreateObjectStart(lngOKL, 6, name.c_str());
    Timer1.Enabled = true;
}

void TFormEditFoto::Timer1Timer() {
    if (blnTempObjectCreation)
        return;
    Timer1.Enabled = false;
    if (TempObjectFELDIXID <= 0)
        return;
    const double R = fxGetObjectRWert(TempObjectFELDIXID);
    const double H = fxGetObjectHWert(TempObjectFELDIXID);
    fxDeleteObject(TempObjectFELDIXID);
    if (fxSetActiveObject(lngFvFELDIXID) == 0) {
        Error("Das bearbeitete Objekt konnte nicht aktiviert werden!");
        Close();
        return;
    }
    fxEnsureData(lngFvFELDIXID);
    int32_t rw = 0, hw = 0;
    ScaleCapturedPoint(R, H, rw, hw);
    fxActivateData();
    seRWert.SetValue(rw);
    seHWert.SetValue(hw);
    cbNoCoordinates.Checked = false;
    cbNoCoordinatesClick();
}

bool TFormEditFoto::DatenPlausibel() const {
    return Image1.HasPicture() && !Image1.Shown.Empty() && Image1.Visible &&
           DirectoryOf(strPicFullNameFromDialog) != strDefaultPicDir;
}

bool TFormEditFoto::ZustandOK() const { return fxGetActiveGeoObject() == lngFvFELDIXID; }

void TFormEditFoto::BtnOKClick() {
    if (PictureState == FotoVonVestra)
        return;
    if (!DatenPlausibel()) {
        Warn("Die Eingabedaten sind nicht vollständig!");
        return;
    }
    if (!ZustandOK()) {
        Error("Das aktive Objekt hat gewechselt!");
        Close();
        return;
    }
    os::RegIniFile(settings::kPluginKey).WriteString(settings::kPluginSection, settings::kOriginalFotos, StartDir);
    CopyFoto();
    const int32_t id = SaveFoto(OrgFotoID);
    SaveObjektfoto(id);
    Close();
}

void TFormEditFoto::CopyFoto() {
    if (PictureState == 1) {
        for (int n = 1;; ++n) {
            strPicNewFileNameInFX = "FXFoto" + std::to_string(n) + ".jpg";
            editFilename.Caption = strPicNewFileNameInFX;
            if (!os::FileExists(strDefaultPicDir + strPicNewFileNameInFX))
                break;
        }
        os::CopyFileTo(strPicFullNameFromDialog, strDefaultPicDir + strPicNewFileNameInFX, false);
    } else if (PictureState == FotoLokal) {
        // The stored picture is replaced under its own name. Also when it is missing (the
        // mended InitControls asks for a new picture then), so that the record gets one.
        if (!strPicFullNameFromDialog.empty() && !strPicFilenameFromDB.empty() &&
            ExtractFileName(strPicFullNameFromDialog) != strPicFilenameFromDB) {
            const std::string stored = strDefaultPicDir + strPicFilenameFromDB;
            if (os::FileExists(stored))
                os::DeleteFileAt(stored);
            os::CopyFileTo(strPicFullNameFromDialog, stored, false);
            strPicNewFileNameInFX = strPicFilenameFromDB;
        }
    } else {
        strPicNewFileNameInFX = strPicFilenameFromDB;
    }
}

int32_t TFormEditFoto::SaveFoto(int32_t OldFotoID) {
    if (PictureState == FotoVonVestra || PictureState == 0)
        return OldFotoID;
    const auto dm = OpenFotoverwaltung();
    const int32_t NewFotoID = OldFotoID != 0 ? OldFotoID : dm->GetFotoID();
    adodb::Table& fotos = dm->ADOTblFotos;
    if (fotos.locate("FotoID", adodb::Value{int64_t{NewFotoID}}))
        fotos.edit();
    else
        fotos.append();
    try {
        fotos.fieldByName("FotoID").setInteger(NewFotoID);
        if (cbNoCoordinates.Checked) {
            fotos.fieldByName("RW").clear();
            fotos.fieldByName("HW").clear();
        } else {
            fotos.fieldByName("RW").setInteger(seRWert.Value());
            fotos.fieldByName("HW").setInteger(seHWert.Value());
        }
        if (strPicNewFileNameInFX.empty())
            strPicNewFileNameInFX = ExtractFileName(strPicFilenameFromDB);
        fotos.fieldByName("PicFileName").setString(strPicNewFileNameInFX);
        fotos.fieldByName("Kurzname").setString(eKurzname.Caption);
        fotos.fieldByName("Aufnahmedatum").setDate(adodb::Date{dtpDate.Year, dtpDate.Month, dtpDate.Day});
        const int32_t richtung = GetBlickrichtung();
        if (richtung < 0)
            fotos.fieldByName("Blickrichtung").clear();
        else
            fotos.fieldByName("Blickrichtung").setInteger(richtung);
        fotos.fieldByName("Quelle").setString(eQuelle.Caption);
        fotos.fieldByName("Bildbeschreibung").setString(mBeschreibung.Text());
        if (PictureState == 1)
            PictureState = FotoLokal;
        fotos.fieldByName("IsNew").setInteger(PictureState);
        fotos.post();
    } catch (...) {
        fotos.cancel();
        throw;
    }
    UpdateLblPicState();
    return NewFotoID;
}

void TFormEditFoto::SaveObjektfoto(int32_t NewFotoID) {
    bool found = false;
    fxTableFirst(kLinks);
    while (!fxTableEOF(kLinks)) {
        if (iFvPKeyFoto != -1) {
            found = MyGetIntValueByName(kLinks, "PKEY") == iFvPKeyFoto;
        } else {
            int32_t photo = 0;
            found = !MyGetIntValueByNameEx(kLinks, "PhotoID", photo) || photo == 0;
        }
        if (found || fxTableNext(kLinks) == 0)
            break;
    }
    if (!found)
        fxAppendRecord(kLinks);
    fxSetValueByName(kLinks, "PhotoID", std::to_string(NewFotoID).c_str());
}
