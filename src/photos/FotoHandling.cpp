#include "photos/FotoHandling.h"

#include <cstring>
#include <string>

#include "host/fxAPI32.h"
#include "photos/DataModule.h"
#include "photos/FVTools.h"
#include "photos/frmEditFoto.h"
#include "platform/os/Files.h"
#include "platform/ui/Dialogs.h"
#include "plugin/constants.h"
#include "util/Tools.h"

TFormEditFoto* fvControlForm = nullptr;

namespace {
constexpr char kLinks[] = "Objektphotos";

// The PhotoID of the host's current link; 0 when it cannot be read.
int32_t CurrentPhotoID() {
    int32_t id = 0;
    return MyGetIntValueByNameEx(kLinks, "PhotoID", id) ? id : 0;
}
}  // namespace

int32_t ProcessFoto() {
    if (blnFotoVerwaltungAktiv)
        return -1;
    const auto dm = OpenFotoverwaltung();
    blnFotoVerwaltungAktiv = true;
    // An error before the dialog is up ends the edit, so that the next ProcessFoto starts one.
    try {
        HandleFoto();
    } catch (...) {
        ResetFVGlobals();
        throw;
    }
    return -1;
}

void HandleFoto() {
    lngFvFELDIXID = fxGetActiveGeoObject();
    if (lngFvFELDIXID <= 0) {
        CloseFotoverwaltung();
        return;
    }
    // No link of this edit read yet: a declined warning leaves the host's cursor alone.
    iFvPKeyFoto = -1;
    iFvFotoID = CurrentPhotoID();
    const auto dm = OpenFotoverwaltung();
    if (iFvFotoID != 0 && dm->FotoWirdVerwendet(iFvFotoID) >= 2) {
        const int answer = ui::MessageDlg(
            "Das ausgewählte Foto ist auch mit mindestens einem anderen Objekt verknüpft. Änderungen daran wirken "
            "sich auch auf andere Objekt aus! Möglicherweise ist es besser, den Datensatz zu löschen und ein neues "
            "Foto hinzuzufügen. Mit der Bearbeitung fortfahren?",
            ui::MsgType::Warning, ui::MsgButtons::YesNo);
        if (answer != ui::mrYes) {
            CloseFotoverwaltung();
            return;
        }
    }
    if (!fvControlForm)
        fvControlForm = new TFormEditFoto();
    fvControlForm->lngOKL = fxGetClassOf(lngFvFELDIXID);
    lngFvOKL = fvControlForm->lngOKL;  // the class ResetPreFVState restores (mended)
    fvControlForm->InitControls(iFvFotoID);
    fvControlForm->Show();
}

void DeleteFoto() {
    const int32_t FotoID = CurrentPhotoID();
    const auto dm = OpenFotoverwaltung();
    if (dm->FotoWirdVerwendet(FotoID) >= 2)
        return;
    adodb::Table& fotos = dm->ADOTblFotos;
    if (!fotos.locate("FotoID", adodb::Value{int64_t{FotoID}}))
        return;
    if (fotos.fieldByName("IsNew").asInteger() != FotoLokal)
        return;
    const std::string name = fotos.fieldByName("PicFileName").asString();
    fotos.deleteRecord();
    fotos.refresh();
    const std::string full = MyGetProjectDir() + "FXPhotos" + "\\" + name;
    if (!name.empty() && os::FileExists(full))
        os::DeleteFileAt(full);
}

void CorrectHauptfoto(const char* Value, char* NewValue, int32_t MaxLen) {
    const std::string value = Value ? Value : "";
    // MaxLen counts the characters; the terminator comes after them, as with the host's texts.
    if (NewValue && MaxLen >= 0) {
        const size_t n = Value ? strnlen(Value, static_cast<size_t>(MaxLen)) : 0;
        if (n)
            std::memcpy(NewValue, Value, n);
        NewValue[n] = '\0';
    }
    if (!MyStrToBool(value))
        return;
    const int32_t K = MyGetIntValueByName(kLinks, "PKEY");
    fxDisableControls(kLinks);
    struct Enable {
        ~Enable() { fxEnableControls(kLinks); }
    } enable;
    for (fxTableFirst(kLinks); !fxTableEOF(kLinks);) {
        if (MyGetIntValueByName(kLinks, "PKEY") != K)
            fxSetValueByName(kLinks, "Hauptphoto", "FALSCH");
        if (fxTableNext(kLinks) == 0)
            break;
    }
    fxTableFirst(kLinks);
    while (!fxTableEOF(kLinks) && MyGetIntValueByName(kLinks, "PKEY") != K)
        if (fxTableNext(kLinks) == 0)
            break;
}

void FreeControlForm() {
    if (fvControlForm) {
        TFormEditFoto* form = fvControlForm;
        fvControlForm = nullptr;
        try {
            delete form;
        } catch (...) {
        }
    }
    ReleaseFotoverwaltung();
}
