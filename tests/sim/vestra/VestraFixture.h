// A central store with one known transaction, and an exchange set written the way the
// export writes it, for the tests of the VESTRA stand-ins.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "exchange/AttributeXml.h"
#include "exchange/Geodata.h"
#include "platform/dbf/DbfTable.h"
#include "platform/os/IniFile.h"
#include "support/TempDir.h"
#include "vestra/ExchangeSet.h"
#include "vestra/Store.h"

namespace vestratest {

inline constexpr int32_t kTid = 17;
inline const std::string kLong41(41, 'L');  // an identifier as long as VESTRA's exchange holds

// Transaction 17 "Wiesen Süd" of "meier": A1 and A2 write-locked, A3 read-locked, photo 5 on
// A1; B1 checked out write-locked in transaction 18; R1, R2 and kLong41 reserved for 17, S1 for 18.
inline void SeedStore(const std::string& path)
{
    vestra::Store s(path, true);
    s.AddTransaction({kTid, "Wiesen S\xFC""d", "meier"});
    s.AddTransaction({18, "Andere", "schulz"});
    s.PutPhoto({5, "Teich", "teich.jpg", 3500100, 5700200, 90, "2023-06-01", "Kartierung", "Blick \xFC""ber den Teich",
                std::string("\xFF\xD8\xFF\0pic", 7)});
    s.PutObject({"A1", "NSG", 3500100.5, 5700200.25, 4, 0, {{"Name", "Teich"}, {"Schutz", "ja"}}, {5}});
    s.PutObject({"A2", "FFH", 3500300, 5700400, 0, 0, {{"Name", "Wiese"}}, {}});
    s.PutObject({"A3", "VSG", 3500500, 5700600, 0, 0, {}, {}});
    s.PutObject({"B1", "LSG", 1, 2, 0, 0, {}, {}});
    s.CheckOut(kTid, "A1", vestra::WriteLocked);
    s.CheckOut(kTid, "A2", vestra::WriteLocked);
    s.CheckOut(kTid, "A3", vestra::ReadLocked);
    s.CheckOut(18, "B1", vestra::WriteLocked);
    s.Reserve(kTid, "R1");
    s.Reserve(kTid, "R2");
    s.Reserve(kTid, kLong41);
    s.Reserve(18, "S1");
}

struct ExportObject {
    std::string Kennung;
    char Aktion;
    bool InGeodata = true;
    bool InXml = true;
    double X = 0;
    std::vector<int32_t> Fotos = {};
};

// An exported set named prefix in dir, as the export and the host write it: the action list
// with KENNUNG C(kennungWidth) and AKTION C(1), the geodata and XML of the objects marked so,
// the photo table with pictures for the given photo ids, the transaction file.
struct ExportSet {
    std::string Directory;
    std::string Prefix = "wie17";
    int32_t Tid = kTid;
    int KennungWidth = 41;
    std::vector<ExportObject> Objects;
    std::vector<vestra::Photo> Photos;  // rows of the photo table
    bool PictureFiles = true;

    std::string Path(const std::string& suffix) const { return vestra::Member(Directory, Prefix, suffix); }

    void Write() const
    {
        dbf::Table actions(Directory, Prefix + "_aktion.dbf");
        actions.addFieldDef("KENNUNG", dbf::FieldType::Character, KennungWidth);
        actions.addFieldDef("AKTION", dbf::FieldType::Character, 1);
        actions.createTable();
        actions.open();
        std::vector<fxexchange::PointObject> points;
        std::vector<fxexchange::ObjectData> data;
        for (const ExportObject& o : Objects) {
            actions.append();
            actions.fieldByName("KENNUNG").setString(o.Kennung);
            actions.fieldByName("AKTION").setString(std::string(1, o.Aktion));
            actions.post();
            if (o.InGeodata)
                points.push_back({o.Kennung, "NSG", o.X, 5700000});
            if (o.InXml)
                data.push_back({o.Kennung, "NSG", {{"Name", "neu " + o.Kennung}}, o.Fotos});
        }
        actions.close();
        fxexchange::WriteGeodata(Path(".shp"), points);
        fxexchange::WriteAttributeXml(Path(".xml"), data);

        dbf::Table pc(Directory, Prefix + "pc.dbf");
        pc.addFieldDef("PhotoID", dbf::FieldType::Integer);
        pc.addFieldDef("Kurzname", dbf::FieldType::Character, 50);
        pc.addFieldDef("Datei", dbf::FieldType::Character, 50);
        pc.addFieldDef("RW", dbf::FieldType::Integer);
        pc.addFieldDef("HW", dbf::FieldType::Integer);
        pc.addFieldDef("Richtung", dbf::FieldType::Integer);
        pc.addFieldDef("Datum", dbf::FieldType::Date);
        pc.addFieldDef("Quelle", dbf::FieldType::Character, 255);
        pc.addFieldDef("Beschr", dbf::FieldType::Memo);
        pc.createTable();
        pc.open();
        std::filesystem::create_directories(Path("_Fotos"));
        for (const vestra::Photo& p : Photos) {
            pc.append();
            pc.fieldByName("PhotoID").setInteger(p.PhotoID);
            pc.fieldByName("Kurzname").setString(p.Kurzname);
            pc.fieldByName("Datei").setString(p.Datei);
            pc.fieldByName("RW").setInteger(p.RW);
            pc.fieldByName("HW").setInteger(p.HW);
            pc.fieldByName("Richtung").setInteger(p.Richtung);
            pc.fieldByName("Datum").setDate({2024, 5, 17});
            pc.fieldByName("Quelle").setString(p.Quelle);
            pc.fieldByName("Beschr").setString(p.Beschr);
            pc.post();
            if (PictureFiles) {
                std::ofstream out(std::filesystem::path(Path("_Fotos")) / p.Datei, std::ios::binary);
                out << p.Bild;
            }
        }
        pc.close();

        os::IniFile tid(Path(".tid"));
        tid.WriteInteger(vestra::kTidSection, "Transaktion", Tid);
        tid.WriteInteger(vestra::kTidSection, "GK-Streifen", 3);
        tid.UpdateFile();
    }
};

// A photo captured in the project, as the export hands it over.
inline vestra::Photo NewPhoto(int32_t id)
{
    return {id, "Neu " + std::to_string(id), "neu" + std::to_string(id) + ".jpg", 1, 2, 45, "", "Feld",
            "neues Foto", "picture " + std::to_string(id)};
}

}  // namespace vestratest
