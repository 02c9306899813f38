#include "vestra/Synthetic.h"

#include <cstdio>
#include <filesystem>
#include <random>

#include "vestra/Store.h"

namespace vestra {

namespace fs = std::filesystem;

namespace {

const char* const kClasses[] = {"NSG", "FFH", "VSG", "LSG"};
const char* const kClassPrefix[] = {"NS", "FF", "VS", "LS"};

std::string Numbered(const char* stem, int n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%07d", stem, n);
    return buf;
}

// The engine's output alone, so that the store is the same on every platform for a seed.
uint32_t Draw(std::mt19937& rng, uint32_t below) { return uint32_t(rng() % below); }

void Fill(Store& store, const SyntheticOptions& options)
{
    std::mt19937 rng(options.Seed);
    WriteTransaction tx(store.Db());
    store.AddTransaction({options.TID, "Synthetik " + std::to_string(options.Objects), "generator"});
    int photoId = 0;
    for (int i = 1; i <= options.Objects; ++i) {
        const uint32_t c = Draw(rng, 4);
        StoredObject o;
        o.Kennung = Numbered(kClassPrefix[c], i);
        o.Klasse = kClasses[c];
        o.X = 3400000.0 + Draw(rng, 200000) + Draw(rng, 100) / 100.0;
        o.Y = 5600000.0 + Draw(rng, 200000) + Draw(rng, 100) / 100.0;
        o.Vgnr = int32_t(Draw(rng, 1000));
        o.Attribute = {{"Bemerkung", "Objekt Nr. " + std::to_string(i)},
                       {"Fläche", std::to_string(Draw(rng, 100000)) + " m²"},
                       {"Name", Numbered("Gebiet ", int(Draw(rng, 10000)))}};
        if (i % 5 == 0) {
            Photo p;
            p.PhotoID = ++photoId;
            p.Kurzname = "Foto " + std::to_string(photoId);
            p.Datei = Numbered("F", photoId) + ".jpg";
            p.RW = int32_t(o.X);
            p.HW = int32_t(o.Y);
            p.Richtung = int32_t(Draw(rng, 360));
            p.Datum = "2024-0" + std::to_string(1 + Draw(rng, 9)) + "-1" + std::to_string(Draw(rng, 10));
            p.Quelle = "Kartierung";
            p.Beschr = "Ansicht von " + o.Kennung;
            p.Bild = "synthetic picture " + std::to_string(photoId);
            store.PutPhoto(p);
            o.Fotos = {photoId};
        }
        store.PutObject(o);
        store.CheckOut(options.TID, o.Kennung, Draw(rng, 4) == 0 ? ReadLocked : WriteLocked);
    }
    for (int i = 1; i <= options.Objects / 10 + 1; ++i)
        store.Reserve(options.TID, Numbered(kClassPrefix[Draw(rng, 4)], options.Objects + i));
    tx.Commit();
}

}  // namespace

void GenerateStore(const std::string& path, const SyntheticOptions& options)
{
    if (options.Objects < 0)
        throw StoreError("negative Objektzahl");
    if (fs::exists(path))
        throw StoreError("Datenbank " + path + " existiert bereits");
    const std::string temp = path + ".tmp";
    std::error_code ignored;
    fs::remove(temp, ignored);
    try {
        {
            Store store(temp, true);
            Fill(store, options);
        }
        fs::rename(temp, path);
    } catch (...) {
        fs::remove(temp, ignored);
        throw;
    }
}

}  // namespace vestra
