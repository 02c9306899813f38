// Reading and writing one field's value inside a record buffer.
#include "platform/dbf/FieldValue.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/dbf/Bytes.h"

namespace dbf::value {

using format::Flavor;

namespace {

[[noreturn]] void fail(const Where& w, const std::string& what) {
    throw EngineError("Feld " + w.field.name + ": " + what + ": " + w.file);
}

const uint8_t* at(const Where& w, const uint8_t* rec) { return rec + w.field.offset; }
uint8_t* at(const Where& w, uint8_t* rec) { return rec + w.field.offset; }

bool binaryType(const Where& w) {
    switch (w.field.type) {
    case 'I': case '+': case 'O': case 'Y': case 'T': case '@': return true;
    case 'B': return w.layout.flavor == Flavor::VisualFoxPro;
    case 'M': case 'G': case 'P': return w.field.length == 4;
    default: return false;
    }
}

bool dBase7(const Where& w) { return w.layout.flavor == Flavor::dBase7; }

bool nullBitSet(const Where& w, const uint8_t* rec) {
    if (w.field.nullBit < 0 || w.layout.nullFlagsOffset < 0) return false;
    return (rec[w.layout.nullFlagsOffset + w.field.nullBit / 8] >> (w.field.nullBit % 8)) & 1;
}

void setNullBit(const Where& w, uint8_t* rec, bool on) {
    if (w.field.nullBit < 0 || w.layout.nullFlagsOffset < 0) return;
    uint8_t& b = rec[w.layout.nullFlagsOffset + w.field.nullBit / 8];
    uint8_t mask = uint8_t(1u << (w.field.nullBit % 8));
    b = on ? uint8_t(b | mask) : uint8_t(b & ~mask);
}

bool blank(const uint8_t* p, int n) {
    for (int i = 0; i < n; ++i)
        if (p[i] != ' ' && p[i] != 0) return false;
    return true;
}

int64_t int32Of(const Where& w, const uint8_t* p) {
    if (dBase7(w)) return int64_t(int32_t(bytes::be32(p) ^ 0x80000000u));
    return int64_t(int32_t(bytes::le32(p)));
}

double doubleOf(const Where& w, const uint8_t* p) {
    if (w.field.type == 'Y') return double(int64_t(bytes::le64(p))) / 10000.0;
    uint64_t u = dBase7(w) ? bytes::be64(p) : bytes::le64(p);
    if (dBase7(w)) u = (u & 0x8000000000000000ull) ? (u ^ 0x8000000000000000ull) : ~u;
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

void putText(const Where& w, uint8_t* rec, const std::string& s, bool rightAlign) {
    int n = w.field.length;
    if (int(s.size()) > n) fail(w, "Der Wert '" + s + "' ist länger als " + std::to_string(n) + " Zeichen");
    uint8_t* p = at(w, rec);
    std::memset(p, ' ', size_t(n));
    size_t start = rightAlign ? size_t(n) - s.size() : 0;
    std::memcpy(p + start, s.data(), s.size());
}

std::string two(int v) { return std::string(v < 10 ? 1 : 0, '0') + std::to_string(v); }

}  // namespace

bool parseDateText(const std::string& in, Date& d) {
    std::string s = format::trimBoth(in);
    auto digits = [](const std::string& t) { return !t.empty() && t.find_first_not_of("0123456789") == std::string::npos; };
    if (s.size() == 8 && digits(s)) {
        d = {std::stoi(s.substr(0, 4)), std::stoi(s.substr(4, 2)), std::stoi(s.substr(6, 2))};
    } else if (s.size() == 10 && s[2] == '.' && s[5] == '.' && digits(s.substr(0, 2)) && digits(s.substr(3, 2)) &&
               digits(s.substr(6, 4))) {
        d = {std::stoi(s.substr(6, 4)), std::stoi(s.substr(3, 2)), std::stoi(s.substr(0, 2))};
    } else if (s.size() == 10 && s[4] == '-' && s[7] == '-' && digits(s.substr(0, 4)) && digits(s.substr(5, 2)) &&
               digits(s.substr(8, 2))) {
        d = {std::stoi(s.substr(0, 4)), std::stoi(s.substr(5, 2)), std::stoi(s.substr(8, 2))};
    } else {
        return false;
    }
    return format::validDate(d);
}

std::string_view fieldBytes(const Where& w, const uint8_t* rec) {
    return std::string_view(reinterpret_cast<const char*>(at(w, rec)), size_t(w.field.length));
}

std::string raw(const Where& w, const uint8_t* rec) { return std::string(fieldBytes(w, rec)); }

bool isNull(const Where& w, const uint8_t* rec) {
    if (nullBitSet(w, rec)) return true;
    const uint8_t* p = at(w, rec);
    switch (w.field.type) {
    case 'L': return p[0] == ' ' || p[0] == '?' || p[0] == 0;
    case 'I': case '+': case 'O': case '@':
        if (dBase7(w)) return std::all_of(p, p + w.field.length, [](uint8_t b) { return b == 0; });
        return false;
    case 'T': return bytes::le32(p) == 0;
    case 'D': return blank(p, 8) || std::memcmp(p, "00000000", 8) == 0;
    case 'M': case 'G': case 'P': return memoBlock(w, rec) == 0;
    default:
        if (binaryType(w)) return false;
        return blank(p, w.field.length);
    }
}

uint32_t memoBlock(const Where& w, const uint8_t* rec) {
    const uint8_t* p = at(w, rec);
    if (w.field.length == 4) return bytes::le32(p);
    std::string t = format::trimBoth(raw(w, rec));
    if (t.empty()) return 0;
    int64_t v;
    if (!format::parseInteger(t, v) || v < 0 || v > 0xFFFFFFFFll) fail(w, "Ungültige Memoblocknummer '" + t + "'");
    return uint32_t(v);
}

void setMemoBlock(const Where& w, uint8_t* rec, uint32_t block) {
    uint8_t* p = at(w, rec);
    if (w.field.length == 4) {
        bytes::putLe32(p, block);
    } else if (block == 0) {
        std::memset(p, ' ', size_t(w.field.length));
    } else {
        putText(w, rec, std::to_string(block), true);
    }
    setNullBit(w, rec, false);
}

std::string text(const Where& w, const uint8_t* rec) {
    if (isNull(w, rec)) return {};
    const uint8_t* p = at(w, rec);
    switch (w.field.type) {
    case 'C': return format::trimRight(raw(w, rec));
    case 'N': case 'F': return format::trimBoth(raw(w, rec));
    case 'I': case '+': return std::to_string(int32Of(w, p));
    case 'D': case 'T': case '@': {
        Date d = date(w, rec);
        if (d.year == 0) return {};
        return two(d.day) + "." + two(d.month) + "." + std::to_string(d.year);
    }
    case 'L': return boolean(w, rec) ? "True" : "False";
    case 'O': case 'Y': case 'B': {
        if (!binaryType(w)) break;
        double d = doubleOf(w, p);
        std::string s = format::formatNumber(d, 6);
        if (s.find('.') != std::string::npos) {
            s.erase(s.find_last_not_of('0') + 1);
            if (s.back() == '.') s.pop_back();
        }
        return s;
    }
    default: break;
    }
    return format::trimRight(raw(w, rec));
}

int64_t integer(const Where& w, const uint8_t* rec) {
    if (isNull(w, rec)) return 0;
    const uint8_t* p = at(w, rec);
    int64_t v = 0;
    switch (w.field.type) {
    case 'I': case '+': return int32Of(w, p);
    case 'O': case 'Y': case 'B': {
        if (!binaryType(w)) fail(w, "Das Feld enthält keine ganze Zahl");
        double d = doubleOf(w, p);
        if (std::floor(d) != d) fail(w, "Der Wert " + text(w, rec) + " ist keine ganze Zahl");
        // Compared as a double first: a value beyond 64 bits has no integer to convert to.
        if (!(d >= double(INT32_MIN) && d <= double(INT32_MAX)))
            fail(w, "Der Wert " + text(w, rec) + " passt nicht in 32 Bit");
        v = int64_t(d);
        break;
    }
    case 'D': case 'T': case '@': case 'L': fail(w, "Das Feld enthält keine ganze Zahl");
    default: {
        std::string t = text(w, rec);
        if (!format::parseInteger(t, v)) fail(w, "Der Wert '" + t + "' ist keine ganze Zahl");
    }
    }
    if (v < INT32_MIN || v > INT32_MAX) fail(w, "Der Wert " + std::to_string(v) + " passt nicht in 32 Bit");
    return v;
}

double number(const Where& w, const uint8_t* rec) {
    if (isNull(w, rec)) return 0;
    const uint8_t* p = at(w, rec);
    switch (w.field.type) {
    case 'I': case '+': return double(int32Of(w, p));
    case 'O': case 'Y': case 'B':
        if (binaryType(w)) return doubleOf(w, p);
        break;
    case 'D': case 'T': case '@': case 'L': fail(w, "Das Feld enthält keine Zahl");
    default: break;
    }
    double d;
    std::string t = text(w, rec);
    if (!format::parseNumber(t, d)) fail(w, "Der Wert '" + t + "' ist keine Zahl");
    return d;
}

Date date(const Where& w, const uint8_t* rec) {
    if (isNull(w, rec)) return {};
    const uint8_t* p = at(w, rec);
    if (w.field.type == 'T') return format::fromJulianDay(bytes::le32(p));
    if (w.field.type == '@') {
        // dBase 7 timestamp: milliseconds since 1 January 4713 BC as a sortable double.
        const double days = std::floor(doubleOf(w, p) / 86400000.0);
        if (!(days >= 0 && days <= double(format::kLastJulianDay)))
            fail(w, "Der Zeitstempel liegt außerhalb des Kalenders");
        return format::fromJulianDay(int64_t(days));
    }
    Date d;
    std::string t = format::trimBoth(raw(w, rec));
    if (!parseDateText(t, d)) fail(w, "Der Wert '" + t + "' ist kein Datum");
    return d;
}

bool boolean(const Where& w, const uint8_t* rec) {
    if (isNull(w, rec)) return false;
    if (w.field.type != 'L') fail(w, "Das Feld ist kein logisches Feld");
    char c = char(at(w, rec)[0]);
    if (c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == 'J' || c == 'j') return true;
    if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return false;
    fail(w, std::string("Ungültiger logischer Wert '") + c + "'");
}

void setText(const Where& w, uint8_t* rec, const std::string& v) {
    switch (w.field.type) {
    case 'C': {
        std::string s = v.substr(0, size_t(w.field.length));
        putText(w, rec, s, false);
        setNullBit(w, rec, false);
        return;
    }
    case 'D': case 'T': case '@': {
        Date d;
        if (format::trimBoth(v).empty()) return clear(w, rec);
        if (!parseDateText(v, d)) fail(w, "Der Wert '" + v + "' ist kein Datum");
        return setDate(w, rec, d);
    }
    case 'L': {
        std::string t = format::trimBoth(v);
        if (t.empty()) return clear(w, rec);
        char c = t[0];
        bool b = c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == 'J' || c == 'j' || c == '1';
        if (!b && !(c == 'F' || c == 'f' || c == 'N' || c == 'n' || c == '0')) fail(w, "Der Wert '" + v + "' ist kein logischer Wert");
        return setBoolean(w, rec, b);
    }
    default: break;
    }
    std::string t = format::trimBoth(v);
    if (t.empty()) return clear(w, rec);
    if (w.field.type == 'I' || w.field.type == '+' || (w.field.type == 'N' && w.field.decimals == 0)) {
        int64_t i;
        if (!format::parseInteger(t, i)) fail(w, "Der Wert '" + v + "' ist keine ganze Zahl");
        return setInteger(w, rec, i);
    }
    double d;
    if (!format::parseNumber(t, d)) fail(w, "Der Wert '" + v + "' ist keine Zahl");
    setNumber(w, rec, d);
}

void setInteger(const Where& w, uint8_t* rec, int64_t v) {
    uint8_t* p = at(w, rec);
    switch (w.field.type) {
    case 'I': case '+':
        if (v < INT32_MIN || v > INT32_MAX) fail(w, "Der Wert " + std::to_string(v) + " passt nicht in 32 Bit");
        if (dBase7(w)) bytes::putBe32(p, uint32_t(int32_t(v)) ^ 0x80000000u);
        else bytes::putLe32(p, uint32_t(int32_t(v)));
        break;
    case 'N': case 'F':
        putText(w, rec, w.field.decimals > 0 ? format::formatNumber(double(v), w.field.decimals) : std::to_string(v), true);
        break;
    case 'C': putText(w, rec, std::to_string(v), false); break;
    case 'O': case 'Y': case 'B':
        if (binaryType(w)) return setNumber(w, rec, double(v));
        fail(w, "Das Feld kann keine Zahl aufnehmen");
    case 'L': return setBoolean(w, rec, v != 0);
    default: fail(w, "Das Feld kann keine Zahl aufnehmen");
    }
    setNullBit(w, rec, false);
}

void setNumber(const Where& w, uint8_t* rec, double v) {
    if (!std::isfinite(v)) fail(w, "Der Wert ist keine endliche Zahl");
    uint8_t* p = at(w, rec);
    switch (w.field.type) {
    case 'I': case '+': return setInteger(w, rec, int64_t(std::llround(v)));
    case 'N': case 'F': putText(w, rec, format::formatNumber(v, w.field.decimals), true); break;
    case 'C': putText(w, rec, format::formatNumber(v, 6), false); break;
    case 'Y': bytes::putLe32(p, uint32_t(int64_t(std::llround(v * 10000)))); bytes::putLe32(p + 4, uint32_t(uint64_t(std::llround(v * 10000)) >> 32)); break;
    case 'O': case 'B': {
        if (!binaryType(w)) fail(w, "Das Feld kann keine Zahl aufnehmen");
        uint64_t u;
        std::memcpy(&u, &v, sizeof u);
        if (dBase7(w)) {
            u = (u & 0x8000000000000000ull) ? ~u : (u | 0x8000000000000000ull);
            bytes::putBe32(p, uint32_t(u >> 32));
            bytes::putBe32(p + 4, uint32_t(u));
        } else {
            bytes::putLeDouble(p, v);
        }
        break;
    }
    default: fail(w, "Das Feld kann keine Zahl aufnehmen");
    }
    setNullBit(w, rec, false);
}

void setDate(const Where& w, uint8_t* rec, const Date& d) {
    if (d.year == 0) return clear(w, rec);
    if (!format::validDate(d)) fail(w, "Ungültiges Datum");
    uint8_t* p = at(w, rec);
    std::string s = std::to_string(d.year);
    s = std::string(4 - std::min<size_t>(4, s.size()), '0') + s + two(d.month) + two(d.day);
    switch (w.field.type) {
    case 'D': std::memcpy(p, s.data(), 8); break;
    case 'C': putText(w, rec, s, false); break;
    case 'T': bytes::putLe32(p, uint32_t(format::julianDay(d))); bytes::putLe32(p + 4, 0); break;
    default: fail(w, "Das Feld kann kein Datum aufnehmen");
    }
    setNullBit(w, rec, false);
}

void setBoolean(const Where& w, uint8_t* rec, bool b) {
    if (w.field.type != 'L') fail(w, "Das Feld kann keinen logischen Wert aufnehmen");
    at(w, rec)[0] = b ? 'T' : 'F';
    setNullBit(w, rec, false);
}

void clear(const Where& w, uint8_t* rec) {
    uint8_t* p = at(w, rec);
    std::memset(p, binaryType(w) ? 0 : ' ', size_t(w.field.length));
    setNullBit(w, rec, true);
}

std::string blankRecord(const format::Layout& layout) {
    std::string rec(layout.recordLength, ' ');
    std::string file;
    for (const auto& f : layout.fields) {
        Where w{layout, f, file};
        if (binaryType(w)) std::memset(rec.data() + f.offset, 0, size_t(f.length));
    }
    if (layout.nullFlagsOffset >= 0) std::memset(rec.data() + layout.nullFlagsOffset, 0, size_t(layout.nullFlagsLength));
    return rec;
}

}  // namespace dbf::value
