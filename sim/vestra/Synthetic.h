// A synthetic central store of any size for benchmarks and demos, the same for the same seed.
#pragma once

#include <cstdint>
#include <string>

namespace vestra {

struct SyntheticOptions {
    int Objects = 100;
    uint32_t Seed = 1;
    int32_t TID = 1;  // the one transaction that holds every object
};

// Creates a new store file (refuses an existing one): Objects point objects of the classes
// NSG, FFH, VSG and LSG with three attributes each, a photo on every fifth, all checked out in
// one transaction (three of four write-locked), and Objects / 10 + 1 reserved identifiers.
// Built under a temporary name and renamed when complete.
void GenerateStore(const std::string& path, const SyntheticOptions& options);

}  // namespace vestra
