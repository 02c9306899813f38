#include "vestra/Checkout.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "exchange/AttributeXml.h"
#include "exchange/Geodata.h"
#include "platform/dbf/DbfTable.h"
#include "platform/os/IniFile.h"
#include "vestra/ExchangeSet.h"

namespace vestra {

namespace fs = std::filesystem;

namespace {

struct Content {
    Transaction transaction;
    std::vector<CheckedOut> checkedOut;
    std::vector<StoredObject> objects;  // in the order of checkedOut
    std::vector<std::string> reserved;
    std::map<int32_t, Photo> photos;  // linked to a checked-out object
};

bool PlainFileName(const std::string& name)
{
    return !name.empty() && name.size() <= size_t(kDateiWidth) && name.find_first_of("/\\:") == std::string::npos &&
           name != "." && name != "..";
}

Content Gather(Store& store, int32_t tid)
{
    Content c;
    const auto transaction = store.FindTransaction(tid);
    if (!transaction)
        throw StoreError("Transaktion " + std::to_string(tid) + " ist nicht vorhanden");
    c.transaction = *transaction;
    c.checkedOut = store.CheckedOutObjects(tid);
    for (const CheckedOut& co : c.checkedOut) {
        c.objects.push_back(*store.FindObject(co.Kennung));
        for (int32_t id : c.objects.back().Fotos) {
            if (c.photos.count(id))
                continue;
            auto photo = store.FindPhoto(id);
            if (!photo)
                throw StoreError("Foto " + std::to_string(id) + " fehlt");
            if (!PlainFileName(photo->Datei) || photo->Kurzname.size() > size_t(kKurznameWidth) ||
                photo->Quelle.size() > size_t(kQuelleWidth))
                throw StoreError("Foto " + std::to_string(id) + " passt nicht in die Austauschtabelle");
            c.photos.emplace(id, std::move(*photo));
        }
    }
    c.reserved = store.Reserved(tid);
    return c;
}

// A table created anew: the file and its memo and index companions of an earlier run go first.
void Recreate(dbf::Table& t, const std::string& path)
{
    std::error_code ignored;
    for (const char* ext : {".dbf", ".dbt", ".mdx"})
        fs::remove(fs::path(path).replace_extension(ext), ignored);
    t.createTable();
    t.open();
}

void WriteObjectList(const std::string& directory, const std::string& prefix, const Content& c)
{
    dbf::Table t(directory, prefix + kObjectList);
    t.addFieldDef("KENNUNG", dbf::FieldType::Character, int(kKennungWidth));
    t.addFieldDef("TID", dbf::FieldType::Integer);
    t.addFieldDef("FELDIXID", dbf::FieldType::Integer);
    t.addFieldDef("VGNR", dbf::FieldType::Integer);
    t.addFieldDef("SCHREIBEND", dbf::FieldType::Integer);
    Recreate(t, Member(directory, prefix, kObjectList));
    for (size_t i = 0; i < c.objects.size(); ++i) {
        t.append();
        t.fieldByName("KENNUNG").setString(c.objects[i].Kennung);
        t.fieldByName("TID").setInteger(c.transaction.TID);
        t.fieldByName("FELDIXID").setInteger(c.objects[i].Nummer);
        t.fieldByName("VGNR").setInteger(c.objects[i].Vgnr);
        t.fieldByName("SCHREIBEND").setInteger(c.checkedOut[i].Schreibend);
        t.post();
    }
}

void WriteKennungList(const std::string& directory, const std::string& prefix, const Content& c)
{
    dbf::Table t(directory, prefix + kKennungList);
    t.addFieldDef("KENNUNG", dbf::FieldType::Character, int(kKennungWidth));
    t.addFieldDef("TID", dbf::FieldType::Integer);
    Recreate(t, Member(directory, prefix, kKennungList));
    for (const std::string& k : c.reserved) {
        t.append();
        t.fieldByName("KENNUNG").setString(k);
        t.fieldByName("TID").setInteger(c.transaction.TID);
        t.post();
    }
}

void WriteTransactionFile(const std::string& directory, const std::string& prefix, const Content& c)
{
    const std::string path = Member(directory, prefix, kTransactionFile);
    std::error_code ignored;
    fs::remove(path, ignored);
    os::IniFile ini(path);
    ini.WriteInteger(kTidSection, "Transaktion", c.transaction.TID);
    ini.WriteString(kTidSection, "Name", c.transaction.Name);
    ini.WriteString(kTidSection, "Owner", c.transaction.Owner);
    ini.UpdateFile();
}

void WriteHostData(const std::string& directory, const std::string& prefix, const Content& c)
{
    std::vector<fxexchange::PointObject> points;
    std::vector<fxexchange::ObjectData> data;
    for (const StoredObject& o : c.objects) {
        points.push_back({o.Kennung, o.Klasse, o.X, o.Y});
        data.push_back({o.Kennung, o.Klasse, o.Attribute, o.Fotos});
    }
    fxexchange::WriteGeodata(Member(directory, prefix, ""), points);
    fxexchange::WriteAttributeXml(Member(directory, prefix, kAttributeData), data);
}

dbf::Date ParseDate(const std::string& s)
{
    dbf::Date d;
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d", &d.year, &d.month, &d.day) != 3)
        return dbf::Date{};
    return d;
}

void WritePhotos(const std::string& directory, const std::string& prefix, const Content& c)
{
    dbf::Table t(directory, prefix + kPhotoTable);
    t.addFieldDef("PhotoID", dbf::FieldType::Integer);
    t.addFieldDef("Kurzname", dbf::FieldType::Character, kKurznameWidth);
    t.addFieldDef("Datei", dbf::FieldType::Character, kDateiWidth);
    t.addFieldDef("RW", dbf::FieldType::Integer);
    t.addFieldDef("HW", dbf::FieldType::Integer);
    t.addFieldDef("Richtung", dbf::FieldType::Integer);
    t.addFieldDef("Datum", dbf::FieldType::Date);
    t.addFieldDef("Quelle", dbf::FieldType::Character, kQuelleWidth);
    t.addFieldDef("Beschr", dbf::FieldType::Memo);
    Recreate(t, Member(directory, prefix, kPhotoTable));
    const fs::path pictures = Member(directory, prefix, kPhotoDir);
    fs::create_directories(pictures);
    for (const auto& [id, p] : c.photos) {
        t.append();
        t.fieldByName("PhotoID").setInteger(id);
        t.fieldByName("Kurzname").setString(p.Kurzname);
        t.fieldByName("Datei").setString(p.Datei);
        t.fieldByName("RW").setInteger(p.RW);
        t.fieldByName("HW").setInteger(p.HW);
        t.fieldByName("Richtung").setInteger(p.Richtung);
        if (!p.Datum.empty())
            t.fieldByName("Datum").setDate(ParseDate(p.Datum));
        t.fieldByName("Quelle").setString(p.Quelle);
        t.fieldByName("Beschr").setString(p.Beschr);
        t.post();
        std::ofstream out(pictures / p.Datei, std::ios::binary | std::ios::trunc);
        out.write(p.Bild.data(), std::streamsize(p.Bild.size()));
        if (!out.flush())
            throw StoreError("Bild " + (pictures / p.Datei).string() + " kann nicht geschrieben werden");
    }
}

}  // namespace

CheckoutSummary WriteCheckout(Store& store, int32_t tid, const std::string& directory, const std::string& prefix)
{
    if (prefix.empty() || prefix.find_first_of(" /\\:") != std::string::npos)
        throw StoreError("unzulässiger Dateipräfix \"" + prefix + "\"");
    const Content c = Gather(store, tid);
    fs::create_directories(directory);
    try {
        WriteObjectList(directory, prefix, c);
        WriteKennungList(directory, prefix, c);
        WriteTransactionFile(directory, prefix, c);
        WriteHostData(directory, prefix, c);
        WritePhotos(directory, prefix, c);
    } catch (const std::exception& e) {
        throw StoreError(std::string("Checkout nach ") + directory + ": " + e.what());
    }
    return {int(c.objects.size()), int(c.reserved.size()), int(c.photos.size())};
}

}  // namespace vestra
