// A project in the host stand-in with one transaction ready for export: its rows, its host
// objects and local photos, and the export run with the user's answers.
#pragma once

#include <deque>
#include <filesystem>
#include <string>

#include "exchange/ExportFuncs.h"
#include "host/Pictures.h"
#include "host/Project.h"
#include "host/ProjectDatabase.h"
#include "host/SimTables.h"
#include "photos/DataModule.h"
#include "photos/EnsureDataBase.h"
#include "support/Session.h"

namespace testsupport {

class ExportProject {
public:
    explicit ExportProject(Session& s) : s_(s)
    {
        sim::TheProject().classes[1] = "NSG";
        sim::TheProject().cursor = std::make_pair(3412000.0, 5800000.0);
        EnsureTableFotos();
        EnsureSubDirFotos();
    }
    ~ExportProject() { ReleaseFotoverwaltung(); }
    ExportProject(const ExportProject&) = delete;
    ExportProject& operator=(const ExportProject&) = delete;

    void Transaction(int32_t tid, const std::string& name)
    {
        sim::SeedRow(s_.ProjectDir(), "TA_ID.DBF", {{"TID", std::to_string(tid)}, {"NAME", name}, {"OWNER", "Kreis"}});
    }
    // A row of the transaction list; the identifier is the checkout's unless kennungO is given.
    void Row(int32_t tid, const std::string& kennung, int schreibend, const std::string& changed,
             const std::string& kennungO = "", int32_t feldixId = 0)
    {
        sim::SeedRow(s_.ProjectDir(), "TA_LIST.DBF",
                     {{"TID", std::to_string(tid)}, {"FELDIXID", std::to_string(feldixId)}, {"VGNR", "1"},
                      {"SCHREIBEND", std::to_string(schreibend)}, {"KENNUNG", kennung}, {"CHANGED", changed},
                      {"KENNUNGO", kennungO.empty() ? kennung : kennungO}});
    }
    void Object(int32_t id, const std::string& kennung, double x)
    {
        sim::TheProject().objects[id] = sim::GeoObject{id, kennung, 1, 1, x, 5800000};
    }
    // A photo captured here (IsNew 3), linked to the host object; its picture in FXPhotos
    // unless withPicture is false.
    void LocalPhoto(int32_t photoId, int32_t feldixId, const std::string& file, bool withPicture = true)
    {
        sim::InsertDbRow(s_.Database(), "Fotos",
                         {{"FotoID", std::to_string(photoId)}, {"Kurzname", "Teich"}, {"RW", "3412100"},
                          {"HW", "5800200"}, {"Blickrichtung", "90"}, {"Aufnahmedatum", "2024-05-17"},
                          {"Quelle", "Feld"}, {"IsNew", "3"}, {"PicFileName", file},
                          {"Bildbeschreibung", "Blick \xFC" "ber den Teich"}});
        sim::InsertDbRow(s_.Database(), "Objektphotos",
                         {{"FELDIXID", std::to_string(feldixId)}, {"PhotoID", std::to_string(photoId)},
                          {"Hauptphoto", "WAHR"}});
        if (withPicture)
            sim::WriteJpeg((s_.dir / "FXPhotos" / file).string(), 16, 8, static_cast<unsigned>(-photoId));
    }
    // The export command into dir (made if missing) with the file name entered there: the data
    // care question is confirmed, then the given answers follow (the choice of a transaction,
    // the pre-export check), then the save dialog's answer.
    int32_t Export(const std::filesystem::path& dir, const std::string& name, std::deque<std::string> before = {})
    {
        std::filesystem::create_directories(dir);
        s_.answers = {"yes"};
        s_.answers.insert(s_.answers.end(), before.begin(), before.end());
        s_.answers.push_back("file " + TempDir::ToWin((dir / name).string()));
        return VE1CustomExportProc(0, 0, 0);
    }

private:
    Session& s_;
};

}  // namespace testsupport
