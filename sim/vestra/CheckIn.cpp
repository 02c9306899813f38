#include "vestra/CheckIn.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "exchange/AttributeXml.h"
#include "exchange/Geodata.h"
#include "platform/dbf/DbfTable.h"
#include "platform/os/IniFile.h"
#include "vestra/ExchangeSet.h"
#include "vestra/Store.h"

namespace vestra {

namespace fs = std::filesystem;

namespace {

struct Action {
    std::string Kennung;
    char Aktion = 'I';
};

// What the run has read and found.
struct Run {
    const CheckInArgs& args;
    std::unique_ptr<Store> store;
    int32_t tid = -1;
    std::vector<Action> actions;
    std::map<std::string, fxexchange::PointObject> geodata;
    std::map<std::string, fxexchange::ObjectData> data;
    std::vector<Photo> photos;  // rows of the photo table, pictures loaded
    CheckInResult result;

    std::string Path(const char* suffix) const { return Member(args.Directory, args.Name, suffix); }
    void Sach(const std::string& what)
    {
        ++result.Sachdatenfehler;
        result.Lines.push_back("Fehler Sachdaten: " + what);
    }
    void Grafik(const std::string& what)
    {
        ++result.Grafikfehler;
        result.Lines.push_back("Fehler Grafik: " + what);
    }
};

void OpenStore(Run& r)
{
    try {
        r.store = std::make_unique<Store>(r.args.Database);
    } catch (const std::exception& e) {
        r.Sach(e.what());
    }
}

void ReadTransactionNumber(Run& r)
{
    const std::string path = r.Path(kTransactionFile);
    if (!fs::exists(path)) {
        r.Sach("Transaktionsdatei " + path + " fehlt");
        return;
    }
    r.tid = os::IniFile(path).ReadInteger(kTidSection, "Transaktion", -1);
    if (r.tid == -1)
        r.Sach("keine gültige Transaktionsnummer in " + path);
    else if (r.store && !r.store->FindTransaction(r.tid))
        r.Sach("Transaktion " + std::to_string(r.tid) + " ist in VESTRA nicht bekannt");
    r.result.Lines.push_back("Transaktion: " + std::to_string(r.tid));
}

// Whether the table has the character field of that width; dBase field names know no case.
bool FieldIs(const std::vector<dbf::FieldDef>& defs, const std::string& name, int width)
{
    const auto upper = [](std::string s) {
        for (char& c : s)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    for (const dbf::FieldDef& d : defs)
        if (upper(d.name) == name)
            return d.type == dbf::FieldType::Character && d.size == width;
    return false;
}

// Returns false when the action list cannot be used at all.
bool ReadActionList(Run& r)
{
    const std::string path = r.Path(kActionList);
    try {
        dbf::Table t(r.args.Directory, r.args.Name + kActionList);
        if (!t.exists()) {
            r.Sach("Aktionsliste " + path + " fehlt");
            return false;
        }
        t.open();
        if (!FieldIs(t.fieldDefs(), "KENNUNG", int(kKennungWidth)) || !FieldIs(t.fieldDefs(), "AKTION", 1)) {
            r.Sach("Aktionsliste " + path + " ohne die Felder KENNUNG C(41) und AKTION C(1)");
            return false;
        }
        for (t.first(); !t.eof(); t.next()) {
            const std::string k = t.fieldByName("KENNUNG").asString();
            const std::string a = t.fieldByName("AKTION").asString();
            if (k.empty() || a.size() != 1 || std::string("NUDI").find(a[0]) == std::string::npos) {
                r.Sach("Aktionsliste: ungültige Zeile \"" + k + "\" \"" + a + "\"");
                continue;
            }
            r.actions.push_back({k, a[0]});
        }
    } catch (const std::exception& e) {
        r.Sach("Aktionsliste nicht lesbar: " + std::string(e.what()));
        return false;
    }
    return true;
}

void ReadHostData(Run& r)
{
    try {
        for (auto& p : fxexchange::ReadGeodata(r.Path(".shp")))
            r.geodata.emplace(p.Kennung, std::move(p));
    } catch (const std::exception& e) {
        r.result.Lines.push_back(std::string("Hinweis: ") + e.what());
    }
    try {
        for (auto& o : fxexchange::ReadAttributeXml(r.Path(kAttributeData)))
            r.data.emplace(o.Kennung, std::move(o));
    } catch (const std::exception& e) {
        r.result.Lines.push_back(std::string("Hinweis: ") + e.what());
    }
}

std::string DateText(const dbf::Date& d)
{
    if (d.year == 0)
        return std::string();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

int32_t IntOrZero(dbf::Field& f) { return f.isNull() ? 0 : f.asInteger(); }

void ReadPhotos(Run& r)
{
    const fs::path pictures = r.Path(kPhotoDir);
    try {
        dbf::Table t(r.args.Directory, r.args.Name + kPhotoTable);
        if (!t.exists())
            return;
        t.open();
        for (t.first(); !t.eof(); t.next()) {
            Photo p;
            p.PhotoID = IntOrZero(t.fieldByName("PhotoID"));
            p.Kurzname = t.fieldByName("Kurzname").asString();
            p.Datei = t.fieldByName("Datei").asString();
            p.RW = IntOrZero(t.fieldByName("RW"));
            p.HW = IntOrZero(t.fieldByName("HW"));
            p.Richtung = IntOrZero(t.fieldByName("Richtung"));
            p.Datum = t.fieldByName("Datum").isNull() ? std::string() : DateText(t.fieldByName("Datum").asDate());
            p.Quelle = t.fieldByName("Quelle").asString();
            p.Beschr = t.fieldByName("Beschr").asString();
            std::ifstream in(pictures / p.Datei, std::ios::binary);
            // A missing picture counts once; its row still makes the photo known to the links.
            if (p.Datei.empty() || !fs::is_regular_file(pictures / p.Datei) || !in)
                r.Sach("Bilddatei \"" + p.Datei + "\" zu Foto " + std::to_string(p.PhotoID) + " fehlt");
            else
                p.Bild.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            r.photos.push_back(std::move(p));
        }
    } catch (const std::exception& e) {
        r.Sach("Fototabelle nicht lesbar: " + std::string(e.what()));
    }
}

void CheckActions(Run& r)
{
    std::set<int32_t> photoIds;
    for (const Photo& p : r.photos)
        photoIds.insert(p.PhotoID);
    // Identifiers that earlier rows of the list delete (false) or create (true), as VESTRA
    // applies them in order.
    std::map<std::string, bool> created;
    int counts[4] = {0, 0, 0, 0};
    for (const Action& a : r.actions) {
        const std::string& k = a.Kennung;
        ++counts[std::string("NUDI").find(a.Aktion)];
        if (a.Aktion == 'N' || a.Aktion == 'U') {
            if (!r.geodata.count(k))
                r.Grafik("Kennung " + k + " fehlt in den Geodaten");
            const auto d = r.data.find(k);
            if (d == r.data.end())
                r.Sach("Kennung " + k + " fehlt in der XML-Datei");
            else if (r.store)
                for (int32_t id : d->second.Fotos)
                    if (!photoIds.count(id) && !r.store->FindPhoto(id))
                        r.Sach("Foto " + std::to_string(id) + " von " + k + " ist unbekannt");
        }
        if (!r.store)
            continue;
        if ((a.Aktion == 'D' || a.Aktion == 'U') && r.store->LockOf(r.tid, k) != WriteLocked)
            r.Sach("Kennung " + k + " ist nicht schreibend ausgecheckt");
        if (a.Aktion == 'N') {
            const auto earlier = created.find(k);
            if (earlier != created.end() ? earlier->second : static_cast<bool>(r.store->FindObject(k)))
                r.Sach("Kennung " + k + " ist bereits vergeben");
            created[k] = true;
        }
        if (a.Aktion == 'D')
            created[k] = false;
    }
    r.result.Lines.push_back("Aktionen: " + std::to_string(counts[0]) + " neu, " + std::to_string(counts[1]) +
                             " geändert, " + std::to_string(counts[2]) + " gelöscht, " + std::to_string(counts[3]) +
                             " ignoriert");
}

void Apply(Run& r)
{
    Store& s = *r.store;
    WriteTransaction tx(s.Db());
    for (const Photo& p : r.photos)
        if (!s.FindPhoto(p.PhotoID))
            s.PutPhoto(p);
    for (const Action& a : r.actions) {
        if (a.Aktion == 'D') {
            s.RemoveObject(a.Kennung);
            continue;
        }
        if (a.Aktion == 'I')
            continue;
        const fxexchange::PointObject& g = r.geodata.at(a.Kennung);
        const fxexchange::ObjectData& d = r.data.at(a.Kennung);
        StoredObject o = a.Aktion == 'U' ? *s.FindObject(a.Kennung) : StoredObject{};
        o.Kennung = a.Kennung;
        o.Klasse = d.Klasse.empty() ? g.Klasse : d.Klasse;
        o.X = g.X;
        o.Y = g.Y;
        o.Attribute = d.Attribute;
        o.Fotos = d.Fotos;
        s.PutObject(o);
        if (a.Aktion == 'N') {
            s.CheckOut(r.tid, a.Kennung, WriteLocked);
            s.Unreserve(a.Kennung);
        }
    }
    tx.Commit();
    r.result.Applied = true;
}

}  // namespace

CheckInResult RunCheckIn(const CheckInArgs& args)
{
    Run r{args, nullptr, -1, {}, {}, {}, {}, {}};
    r.result.Lines.push_back("VESTRA Check-In");
    r.result.Lines.push_back(std::string("Lauf: ") + (args.Trial ? "Probelauf" : "Echtlauf"));
    r.result.Lines.push_back("Verzeichnis: " + args.Directory + "  Name: " + args.Name);
    r.result.Lines.push_back("Server: " + args.Server + "  Datenbank: " + args.Database + "  Nutzer: " + args.User);
    for (const std::string& note : args.Notes)
        r.result.Lines.push_back("Hinweis: " + note);

    OpenStore(r);
    ReadTransactionNumber(r);
    if (ReadActionList(r)) {
        ReadHostData(r);
        ReadPhotos(r);
        CheckActions(r);
    }
    if (args.Trial) {
        r.result.Lines.push_back("Probelauf: VESTRA bleibt unverändert");
    } else if (r.result.Sachdatenfehler || r.result.Grafikfehler) {
        r.result.Lines.push_back("Wegen Fehlern nichts übernommen");
    } else {
        try {
            Apply(r);
            r.result.Lines.push_back("Änderungen übernommen");
        } catch (const std::exception& e) {
            r.Sach("Übernahme fehlgeschlagen: " + std::string(e.what()));
        }
    }
    r.result.Lines.push_back("Sachdatenfehler: " + std::to_string(r.result.Sachdatenfehler));
    r.result.Lines.push_back("Grafikfehler: " + std::to_string(r.result.Grafikfehler));
    return r.result;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines)
{
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines)
            out << line << "\r\n";
        if (!out.flush())
            throw std::runtime_error("Datei " + path + " kann nicht geschrieben werden");
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw std::runtime_error("Datei " + path + " kann nicht geschrieben werden");
    }
}

}  // namespace vestra
