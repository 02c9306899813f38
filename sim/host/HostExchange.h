// The host's own geodata and attribute data import and export over the simulated project.
#pragma once

#include <string>

namespace sim {

// Each returns true on success. On failure (files missing or malformed, an object the format
// refuses, the project database failing) it reports the reason to the host log and the
// project is left as it was. None of them calls a creation or deletion hook of the plug-in.

// The selected objects, in selection order, as a point shapefile at the path (".shp" or none).
bool ExportGeodata(const std::string& path);
// The selected objects with class, attributes and photo links as the attribute XML; then the
// host posts the record of the first object's attribute table (OnTablePost), as FELDIX does.
bool ExportAttributeData(const std::string& path);
// One object per point of the set at the base path: new objects, or new geometry and class for
// an object that already carries the identifier.
bool ImportGeodata(const std::string& basePath);
// Attributes and photo links of the objects that carry the identifiers of the XML.
bool ImportAttributeData(const std::string& path);

}  // namespace sim
