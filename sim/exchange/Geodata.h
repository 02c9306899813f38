// The host's geodata exchange: point objects in one shapefile with identifier and class.
#pragma once

#include <string>
#include <vector>

#include "exchange/ExchangeError.h"

namespace fxexchange {

// Widths of the shapefile's attribute fields; longer texts are refused, never cut.
inline constexpr int kKennungWidth = 50;
inline constexpr int kKlasseWidth = 30;

struct PointObject {
    std::string Kennung;  // Windows-1252
    std::string Klasse;
    double X = 0;
    double Y = 0;
};

// basePath names the set without extension, or with ".shp" (either case); the files are
// basePath.shp, .shx and .dbf. Checks every object before the first byte is written.
void WriteGeodata(const std::string& basePath, const std::vector<PointObject>& objects);
// The objects in file order; throws ExchangeError when the files are missing or malformed.
std::vector<PointObject> ReadGeodata(const std::string& basePath);

}  // namespace fxexchange
