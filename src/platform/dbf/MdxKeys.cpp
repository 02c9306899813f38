// Keys of the production index: their encodings and their order.
#include "platform/dbf/MdxIndex.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/DbfFormat.h"
#include "platform/dbf/DbfTable.h"

namespace dbf::mdx {

namespace {

// Powers of ten for the exponents a key can carry (sig - digits lies within -72..+203);
// keys are compared on every step of a descent, so the powers are computed once.
long double powerOfTen(int e) {
    static const auto table = [] {
        std::array<long double, 300> t{};
        for (int i = 0; i < 300; ++i) t[size_t(i)] = std::pow(10.0L, i - 100);
        return t;
    }();
    return e >= -100 && e < 200 ? table[size_t(e + 100)] : std::pow(10.0L, e);
}

long double bcdValue(const uint8_t* p) {
    int sig = int(p[0]) - 52;
    int digits = (p[1] >> 2) & 0x1F;
    if (digits > 20) digits = 20;
    long double v = 0;
    for (int i = 0; i < digits; ++i) {
        int d = (i % 2 == 0) ? (p[2 + i / 2] >> 4) : (p[2 + i / 2] & 0x0F);
        v = v * 10 + d;
    }
    v *= powerOfTen(sig - digits);
    return (p[1] & 0x80) ? -v : v;
}

}  // namespace

KeyBytes numericKey(const std::string& numberText) {
    std::string t = format::trimBoth(numberText);
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        t.erase(0, 1);
    }
    if (t.find_first_of("eE") != std::string::npos) {
        double d;
        if (!format::parseNumber(t, d)) throw EngineError("Der Wert ist keine Zahl: " + numberText);
        t = format::formatNumber(d, 10);
    }
    size_t dot = t.find('.');
    std::string whole = dot == std::string::npos ? t : t.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : t.substr(dot + 1);
    if ((whole + frac).empty() || (whole + frac).find_first_not_of("0123456789") != std::string::npos)
        throw EngineError("Der Wert ist keine Zahl: " + numberText);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (dot != std::string::npos) frac.erase(frac.find_last_not_of('0') + 1);
    int sig;
    std::string digits;
    if (!whole.empty()) {
        sig = int(whole.size());
        digits = whole + frac;
    } else {
        size_t zeros = std::min(frac.find_first_not_of('0'), frac.size());
        sig = -int(zeros);
        digits = frac.substr(zeros);
        if (digits.empty()) sig = 0;
    }
    if (digits.size() > 20) digits.resize(20);
    KeyBytes k(12, '\0');
    k[0] = char(52 + sig);
    k[1] = char((digits.size() << 2) | 0x01 | (negative && !digits.empty() ? 0x80 : 0));
    for (size_t i = 0; i < digits.size(); ++i) {
        int d = digits[i] - '0';
        if (i % 2 == 0) k[2 + i / 2] = char(d << 4);
        else k[2 + i / 2] = char(k[2 + i / 2] | d);
    }
    return k;
}

KeyBytes numericKey(int64_t value) { return numericKey(std::to_string(value)); }

KeyBytes dateKey(int64_t julianDay) {
    KeyBytes k(8, '\0');
    bytes::putLeDouble(reinterpret_cast<uint8_t*>(k.data()), double(julianDay));
    return k;
}

KeyBytes charKey(const std::string& text, int keyLength) {
    KeyBytes k = text.substr(0, size_t(keyLength));
    k.resize(size_t(keyLength), ' ');
    return k;
}

int MdxFile::compareKeys(const Tag& tag, std::string_view a, std::string_view b) const {
    int c = 0;
    switch (tag.spec.keyType) {
    case 'N': {
        // Equal numbers are stored alike; runs of equal keys make this the common case.
        if (a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0) {
            c = 0;
            break;
        }
        long double x = bcdValue(reinterpret_cast<const uint8_t*>(a.data()));
        long double y = bcdValue(reinterpret_cast<const uint8_t*>(b.data()));
        c = x < y ? -1 : (x > y ? 1 : 0);
        break;
    }
    case 'D': {
        double x = bytes::leDouble(reinterpret_cast<const uint8_t*>(a.data()));
        double y = bytes::leDouble(reinterpret_cast<const uint8_t*>(b.data()));
        c = x < y ? -1 : (x > y ? 1 : 0);
        break;
    }
    default:
        c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
        if (c == 0) c = a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
        c = c < 0 ? -1 : (c > 0 ? 1 : 0);
        break;
    }
    return tag.spec.descending ? -c : c;
}

int MdxFile::compareEntry(const Tag& tag, std::string_view k1, uint32_t r1, std::string_view k2,
                          uint32_t r2) const {
    int c = compareKeys(tag, k1, k2);
    if (c != 0) return c;
    return r1 < r2 ? -1 : (r1 > r2 ? 1 : 0);
}

void MdxFile::sortEntries(const Tag& tag, std::vector<Entry>& entries) const {
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        return compareEntry(tag, a.key, a.recno, b.key, b.recno) < 0;
    });
}

}  // namespace dbf::mdx
