// Picture files the stand-in makes for photo tests: small JPEG images told apart by a seed.
#pragma once

#include <string>

namespace sim {

// Writes a width x height JPEG whose colours follow from seed; false when the file cannot be
// written.
bool WriteJpeg(const std::string& path, int width, int height, unsigned seed);

}  // namespace sim
