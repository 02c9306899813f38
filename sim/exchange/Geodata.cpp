#include "exchange/Geodata.h"

#include <shapefil.h>

#include <cmath>
#include <memory>

namespace fxexchange {

namespace {

struct ShpCloser {
    void operator()(SHPInfo* h) const { SHPClose(h); }
};
struct DbfCloser {
    void operator()(DBFInfo* h) const { DBFClose(h); }
};
struct ObjectDestroyer {
    void operator()(SHPObject* o) const { SHPDestroyObject(o); }
};
using Shp = std::unique_ptr<SHPInfo, ShpCloser>;
using Dbf = std::unique_ptr<DBFInfo, DbfCloser>;
using Shape = std::unique_ptr<SHPObject, ObjectDestroyer>;

// The set's name without a trailing ".shp".
std::string Base(const std::string& basePath)
{
    const size_t n = basePath.size();
    if (n >= 4 && basePath[n - 4] == '.' && (basePath[n - 3] | 0x20) == 's' &&
        (basePath[n - 2] | 0x20) == 'h' && (basePath[n - 1] | 0x20) == 'p')
        return basePath.substr(0, n - 4);
    return basePath;
}

void Check(const PointObject& o)
{
    if (o.Kennung.empty() || o.Kennung.size() > size_t(kKennungWidth))
        throw ExchangeError("Geodaten: unzulässige Kennung \"" + o.Kennung + "\"");
    if (o.Klasse.size() > size_t(kKlasseWidth))
        throw ExchangeError("Geodaten: Klasse zu lang bei " + o.Kennung);
    if (!std::isfinite(o.X) || !std::isfinite(o.Y))
        throw ExchangeError("Geodaten: ungültige Koordinaten bei " + o.Kennung);
}

}  // namespace

void WriteGeodata(const std::string& basePath, const std::vector<PointObject>& objects)
{
    for (const PointObject& o : objects)
        Check(o);
    const std::string base = Base(basePath);
    Shp shp(SHPCreate((base + ".shp").c_str(), SHPT_POINT));
    // Language driver 87: the attribute texts are Windows-1252.
    Dbf dbf(DBFCreateEx((base + ".dbf").c_str(), "LDID/87"));
    if (!shp || !dbf)
        throw ExchangeError("Geodaten: " + base + ".shp kann nicht angelegt werden");
    if (DBFAddField(dbf.get(), "KENNUNG", FTString, kKennungWidth, 0) != 0 ||
        DBFAddField(dbf.get(), "KLASSE", FTString, kKlasseWidth, 0) != 1)
        throw ExchangeError("Geodaten: Felder in " + base + ".dbf nicht angelegt");
    for (const PointObject& o : objects) {
        double x = o.X, y = o.Y;
        Shape point(SHPCreateSimpleObject(SHPT_POINT, 1, &x, &y, nullptr));
        const int row = SHPWriteObject(shp.get(), -1, point.get());
        if (row < 0 || !DBFWriteStringAttribute(dbf.get(), row, 0, o.Kennung.c_str()) ||
            !DBFWriteStringAttribute(dbf.get(), row, 1, o.Klasse.c_str()))
            throw ExchangeError("Geodaten: Schreibfehler in " + base);
    }
}

std::vector<PointObject> ReadGeodata(const std::string& basePath)
{
    const std::string base = Base(basePath);
    Shp shp(SHPOpen((base + ".shp").c_str(), "rb"));
    Dbf dbf(DBFOpen((base + ".dbf").c_str(), "rb"));
    if (!shp || !dbf)
        throw ExchangeError("Geodaten " + base + ".shp nicht lesbar");
    int count = 0, type = 0;
    SHPGetInfo(shp.get(), &count, &type, nullptr, nullptr);
    const int kennung = DBFGetFieldIndex(dbf.get(), "KENNUNG");
    const int klasse = DBFGetFieldIndex(dbf.get(), "KLASSE");
    if (type != SHPT_POINT || kennung < 0 || klasse < 0 || DBFGetRecordCount(dbf.get()) != count)
        throw ExchangeError("Geodaten " + base + ".shp: keine Punktobjekte mit KENNUNG und KLASSE");
    std::vector<PointObject> objects;
    objects.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        Shape shape(SHPReadObject(shp.get(), i));
        if (!shape || shape->nVertices != 1)
            throw ExchangeError("Geodaten " + base + ".shp: Objekt " + std::to_string(i + 1) + " ist kein Punkt");
        objects.push_back({DBFReadStringAttribute(dbf.get(), i, kennung),
                           DBFReadStringAttribute(dbf.get(), i, klasse), shape->padfX[0], shape->padfY[0]});
    }
    return objects;
}

}  // namespace fxexchange
