// The exchange formats in a build without shapelib and pugixml: every call fails.
#include "exchange/AttributeXml.h"
#include "exchange/Geodata.h"

namespace fxexchange {

namespace {
[[noreturn]] void Unavailable(const std::string& what) {
    throw ExchangeError(what + ": in diesem Build nicht verfügbar");
}
}  // namespace

void WriteGeodata(const std::string& basePath, const std::vector<PointObject>&) { Unavailable("Geodaten " + basePath); }
std::vector<PointObject> ReadGeodata(const std::string& basePath) { Unavailable("Geodaten " + basePath); }
void WriteAttributeXml(const std::string& path, const std::vector<ObjectData>&) { Unavailable("Sachdaten " + path); }
std::vector<ObjectData> ReadAttributeXml(const std::string& path) { Unavailable("Sachdaten " + path); }

}  // namespace fxexchange
