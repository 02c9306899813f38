// Little- and big-endian integer access on byte buffers, as the dBase file formats store them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dbf::bytes {

inline uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint32_t be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline uint64_t be64(const uint8_t* p) { return (uint64_t(be32(p)) << 32) | be32(p + 4); }
inline uint64_t le64(const uint8_t* p) { return (uint64_t(le32(p + 4)) << 32) | le32(p); }

inline void putLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void putBe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

inline double leDouble(const uint8_t* p) {
    uint64_t u = le64(p);
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}
inline void putLeDouble(uint8_t* p, double d) {
    uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    putLe32(p, uint32_t(u));
    putLe32(p + 4, uint32_t(u >> 32));
}

}  // namespace dbf::bytes
