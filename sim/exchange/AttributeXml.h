// The host's attribute data exchange: one XML element per object with identifier, class,
// attributes and photo links.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "exchange/ExchangeError.h"

namespace fxexchange {

struct ObjectData {
    std::string Kennung;  // Windows-1252, as every text here
    std::string Klasse;
    std::vector<std::pair<std::string, std::string>> Attribute;  // name, value; in file order
    std::vector<int32_t> Fotos;                                  // linked photo ids
};

// Writes the file in UTF-8 under a temporary name and renames it into place.
void WriteAttributeXml(const std::string& path, const std::vector<ObjectData>& objects);
// Throws ExchangeError when the file is missing, not XML, or not of this format.
std::vector<ObjectData> ReadAttributeXml(const std::string& path);

}  // namespace fxexchange
