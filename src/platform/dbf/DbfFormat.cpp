// The .DBF file layout and the encoding of field values.
#include "platform/dbf/DbfFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <set>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/Paths.h"

namespace dbf::format {

namespace {

constexpr uint64_t kHeaderRead = 1024;

[[noreturn]] void bad(io::File& file, const std::string& what) {
    throw EngineError("Die Tabelle ist beschädigt (" + what + "): " + file.path());
}

Flavor flavorOf(uint8_t version) {
    switch (version) {
    case 0x30: case 0x31: case 0x32: return Flavor::VisualFoxPro;
    case 0xF5: case 0xFB: case 0x02: return Flavor::FoxPro;
    case 0x83: return Flavor::dBase3;
    default: break;
    }
    if ((version & 0x07) == 0x04) return Flavor::dBase7;
    if ((version & 0x07) == 0x03) return (version & 0x08) || version == 0x03 ? Flavor::dBase4 : Flavor::dBase3;
    return Flavor::dBase4;
}

bool knownVersion(uint8_t v) {
    static const std::set<uint8_t> known = {0x02, 0x03, 0x04, 0x05, 0x30, 0x31, 0x32, 0x43, 0x63,
                                            0x7B, 0x83, 0x8B, 0x8C, 0x8E, 0xB3, 0xCB, 0xE5, 0xF5, 0xFB};
    return known.count(v) != 0;
}

}  // namespace

FieldType logicalType(char type, int length, int decimals, Flavor flavor) {
    switch (type) {
    case 'C': return FieldType::Character;
    case 'N': return decimals == 0 && length <= 11 ? FieldType::Integer : FieldType::Numeric;
    case 'F': return FieldType::Float;
    case 'D': return FieldType::Date;
    case 'L': return FieldType::Logical;
    case 'M': case 'G': case 'P': return FieldType::Memo;
    case 'B': return flavor == Flavor::VisualFoxPro ? FieldType::Float : FieldType::Memo;
    case 'I': case '+': return FieldType::Integer;
    case 'O': case 'Y': return FieldType::Float;
    case 'T': case '@': return FieldType::Date;
    default: return FieldType::Character;
    }
}

Layout parse(io::File& file) {
    uint64_t fileSize = file.size();
    if (fileSize < 32) bad(file, "Datei kürzer als der Dateikopf");
    // The header with the descriptors of up to 30 fields in one read; a longer one in a second.
    std::vector<uint8_t> scratch;
    const size_t first = size_t(std::min<uint64_t>(fileSize, kHeaderRead));
    const uint8_t* h = file.view(0, first, scratch);
    Layout l;
    l.version = h[0];
    if (!knownVersion(l.version)) bad(file, "unbekanntes Versionsbyte");
    l.flavor = flavorOf(l.version);
    l.recordCount = bytes::le32(h + 4);
    l.headerLength = bytes::le16(h + 8);
    l.recordLength = bytes::le16(h + 10);
    l.productionIndex = h[28] == 0x01;
    l.language = h[29];
    if (l.flavor == Flavor::dBase7) {
        l.descriptorStart = 68;
        l.descriptorSize = 48;
    }
    if (l.headerLength < l.descriptorStart + 1) bad(file, "Länge des Dateikopfs zu klein");
    if (l.headerLength > fileSize) bad(file, "Dateikopf länger als die Datei");
    if (l.recordLength < 1) bad(file, "Satzlänge null");

    // The descriptors where the file holds them; nothing reads the file until they are parsed.
    const uint8_t* header = l.headerLength <= first ? h : file.view(0, l.headerLength, scratch);
    const size_t headerSize = l.headerLength;

    bool hasMemoField = false;
    int offset = 1;
    size_t pos = size_t(l.descriptorStart);
    bool terminated = false;
    l.fields.reserve((headerSize - size_t(l.descriptorStart)) / size_t(l.descriptorSize));
    while (pos < headerSize) {
        if (header[pos] == 0x0D) {
            terminated = true;
            break;
        }
        if (pos + size_t(l.descriptorSize) > headerSize) bad(file, "Feldbeschreibung hinter dem Dateikopf");
        const uint8_t* d = header + pos;
        FieldInfo f;
        int nameLen = l.flavor == Flavor::dBase7 ? 32 : 11;
        int n = 0;
        while (n < nameLen && d[n] != 0) ++n;
        if (n == nameLen) bad(file, "Feldname ohne Abschlusszeichen");
        if (n == 0) bad(file, "leerer Feldname");
        // Some programs pad the name with blanks before its terminator.
        f.name = trimmedBoth(std::string_view(reinterpret_cast<const char*>(d), size_t(n)));
        if (f.name.empty()) bad(file, "leerer Feldname");
        if (l.flavor == Flavor::dBase7) {
            f.type = char(d[32]);
            f.length = d[33];
            f.decimals = d[34];
            f.mdxFlag = d[37] == 0x01;
        } else {
            f.type = char(d[11]);
            f.length = d[16];
            f.decimals = d[17];
            f.mdxFlag = d[31] == 0x01;
            if (f.type == 'C' && f.decimals > 0 && l.flavor != Flavor::dBase4) {
                f.length += 256 * f.decimals;  // long character fields of FoxPro and Clipper
                f.decimals = 0;
            }
        }
        if (f.length <= 0) bad(file, "Feld " + f.name + " hat die Länge null");
        switch (f.type) {
        case 'D': if (f.length != 8) bad(file, "Datumsfeld " + f.name + " ist nicht 8 Byte lang"); break;
        case 'L': if (f.length != 1) bad(file, "logisches Feld " + f.name + " ist nicht 1 Byte lang"); break;
        case 'I': case '+': if (f.length != 4) bad(file, "Ganzzahlfeld " + f.name + " ist nicht 4 Byte lang"); break;
        case 'O': case 'Y': case 'T': case '@':
            if (f.length != 8) bad(file, "Feld " + f.name + " ist nicht 8 Byte lang");
            break;
        case 'N': case 'F':
            if (f.length > 32 || f.decimals >= f.length) bad(file, "numerisches Feld " + f.name + " zu groß");
            break;
        case 'M': case 'G': case 'P':
            if (f.length != 10 && f.length != 4) bad(file, "Memofeld " + f.name + " mit ungültiger Länge");
            hasMemoField = true;
            break;
        case 'B':
            if (l.flavor != Flavor::VisualFoxPro) {
                if (f.length != 10) bad(file, "Binärfeld " + f.name + " mit ungültiger Länge");
                hasMemoField = true;
            } else if (f.length != 8) {
                bad(file, "Gleitkommafeld " + f.name + " ist nicht 8 Byte lang");
            }
            break;
        default: break;
        }
        f.offset = offset;
        offset += f.length;
        if (offset > l.recordLength) bad(file, "Felder länger als der Datensatz");
        f.logical = logicalType(f.type, f.length, f.decimals, l.flavor);
        if (f.type == '0') {  // Visual FoxPro's hidden _NullFlags
            l.nullFlagsOffset = f.offset;
            l.nullFlagsLength = f.length;
        } else {
            if (l.flavor == Flavor::VisualFoxPro && (d[18] & 0x02)) f.nullBit = 0;  // numbered below
            // Compared with each field before: the usual few dozen need no set of names.
            for (const auto& other : l.fields)
                if (other.name.size() == f.name.size() && paths::equalNoCase(other.name, f.name))
                    bad(file, "Feld " + f.name + " doppelt vorhanden");
            l.fields.push_back(std::move(f));
        }
        pos += size_t(l.descriptorSize);
    }
    if (!terminated) bad(file, "Feldbeschreibungen ohne Abschlusszeichen");
    if (l.fields.empty()) bad(file, "keine Felder");
    int bit = 0;  // nullable fields take the bits of _NullFlags in field order
    for (auto& f : l.fields)
        if (f.nullBit == 0) f.nullBit = bit++;
    if (l.nullFlagsOffset < 0 || bit > l.nullFlagsLength * 8)
        for (auto& f : l.fields) f.nullBit = -1;

    if (hasMemoField) {
        if (l.flavor == Flavor::VisualFoxPro || l.flavor == Flavor::FoxPro) l.memo = MemoKind::Fpt;
        else if (l.flavor == Flavor::dBase3) l.memo = MemoKind::Dbt3;
        else l.memo = MemoKind::Dbt4;
    }

    uint64_t whole = (fileSize - l.headerLength) / l.recordLength;
    if (l.recordCount > whole) bad(file, "mehr Datensätze angegeben, als die Datei enthält");
    if (l.recordCount < whole) {
        uint64_t end = l.headerLength + whole * l.recordLength;
        uint8_t mark = 0;
        if (end < fileSize) file.read(end, &mark, 1);
        if (mark == kEndOfFile && whole <= 0xFFFFFFFFu) l.recordCount = uint32_t(whole);
    }
    return l;
}

FieldInfo physicalField(const FieldDef& def) {
    FieldInfo f;
    f.name = def.name;  // as given: dBase compares field names without case
    f.logical = def.type;
    switch (def.type) {
    case FieldType::Integer: f.type = 'N'; f.length = 11; break;
    case FieldType::Character: f.type = 'C'; f.length = def.size; break;
    case FieldType::Numeric: f.type = 'N'; f.length = def.size; f.decimals = def.decimals; break;
    case FieldType::Float: f.type = 'F'; f.length = def.size; f.decimals = def.decimals; break;
    case FieldType::Date: f.type = 'D'; f.length = 8; break;
    case FieldType::Logical: f.type = 'L'; f.length = 1; break;
    case FieldType::Memo: f.type = 'M'; f.length = 10; break;
    }
    return f;
}

void putDateAndCount(uint8_t* p, uint32_t count) {
    std::time_t now = std::time(nullptr);
    std::tm* t = std::localtime(&now);
    p[0] = uint8_t(t ? t->tm_year : 124);
    p[1] = uint8_t(t ? t->tm_mon + 1 : 1);
    p[2] = uint8_t(t ? t->tm_mday : 1);
    bytes::putLe32(p + 3, count);
}

std::vector<uint8_t> buildHeader(const std::vector<FieldInfo>& fields, bool withMemo) {
    size_t headerLength = 32 + 32 * fields.size() + 1;
    std::vector<uint8_t> h(headerLength, 0);
    int recordLength = 1;
    for (const auto& f : fields) recordLength += f.length;
    h[0] = withMemo ? 0x8B : 0x03;
    putDateAndCount(h.data() + 1, 0);
    bytes::putLe16(h.data() + 8, uint16_t(headerLength));
    bytes::putLe16(h.data() + 10, uint16_t(recordLength));
    h[29] = kLanguageAnsi;
    size_t pos = 32;
    for (const auto& f : fields) {
        uint8_t* d = h.data() + pos;
        for (size_t i = 0; i < f.name.size() && i < 10; ++i) d[i] = uint8_t(f.name[i]);
        d[11] = uint8_t(f.type);
        d[16] = uint8_t(f.length);
        d[17] = uint8_t(f.decimals);
        d[31] = f.mdxFlag ? 1 : 0;
        pos += 32;
    }
    h[pos] = 0x0D;
    return h;
}

// ---- values ----

namespace {
// What pads a value or a name: blanks, and the zero bytes some programs leave.
bool padding(char c) { return c == ' ' || c == '\0'; }
}  // namespace

std::string_view trimmedRight(std::string_view s) {
    size_t end = s.size();
    while (end > 0 && padding(s[end - 1])) --end;
    return s.substr(0, end);
}

std::string_view trimmedBoth(std::string_view s) {
    size_t begin = 0, end = s.size();
    while (begin < end && padding(s[begin])) ++begin;
    while (end > begin && padding(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

std::string trimRight(const std::string& s) { return std::string(trimmedRight(s)); }

std::string trimBoth(const std::string& s) { return std::string(trimmedBoth(s)); }

bool parseInteger(const std::string& text, int64_t& out) {
    std::string t = trimBoth(text);
    if (t.empty()) return false;
    const char* b = t.data();
    const char* e = b + t.size();
    if (*b == '+') ++b;
    auto r = std::from_chars(b, e, out);
    if (r.ec == std::errc() && r.ptr == e) return true;
    // "12.000" is an integer too
    double d;
    if (parseNumber(t, d) && std::floor(d) == d && std::fabs(d) < 9.2e18) {
        out = int64_t(d);
        return true;
    }
    return false;
}

bool parseNumber(const std::string& text, double& out) {
    std::string t = trimBoth(text);
    if (t.empty()) return false;
    for (auto& c : t)
        if (c == ',') c = '.';
    const char* b = t.data();
    const char* e = b + t.size();
    if (*b == '+') ++b;
    auto r = std::from_chars(b, e, out, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == e;
}

std::string formatNumber(double value, int decimals) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return "*";
    std::string s(buf, r.ptr);
    if (s == "-0" || (s.rfind("-0.", 0) == 0 && s.find_first_not_of("-0.") == std::string::npos)) s.erase(0, 1);
    return s;
}

int64_t julianDay(const Date& d) {
    int64_t a = (14 - d.month) / 12;
    int64_t y = d.year + 4800 - a;
    int64_t m = d.month + 12 * a - 3;
    return d.day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

Date fromJulianDay(int64_t jd) {
    int64_t a = jd + 32044;
    int64_t b = (4 * a + 3) / 146097;
    int64_t c = a - 146097 * b / 4;
    int64_t d = (4 * c + 3) / 1461;
    int64_t e = c - 1461 * d / 4;
    int64_t m = (5 * e + 2) / 153;
    Date r;
    r.day = int(e - (153 * m + 2) / 5 + 1);
    r.month = int(m + 3 - 12 * (m / 10));
    r.year = int(100 * b + d - 4800 + m / 10);
    return r;
}

bool validDate(const Date& d) {
    if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int max = days[d.month - 1];
    bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    if (d.month == 2 && leap) max = 29;
    return d.day <= max;
}

}  // namespace dbf::format
