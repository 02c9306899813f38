// The .DBF file layout: header and field descriptors, and the encoding of field values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dbf/DbfTypes.h"
#include "platform/dbf/FileIO.h"

namespace dbf::format {

// The family of the program that wrote a table; decides descriptor size, binary encodings
// and the memo file kind.
enum class Flavor { dBase3, dBase4, dBase7, FoxPro, VisualFoxPro };

enum class MemoKind { None, Dbt3, Dbt4, Fpt };

struct FieldInfo {
    std::string name;
    char type = 'C';  // physical type as stored
    int length = 0;
    int decimals = 0;
    int offset = 0;  // within the record, after the deletion flag
    FieldType logical = FieldType::Character;
    bool mdxFlag = false;
    int nullBit = -1;  // Visual FoxPro: bit in _NullFlags, -1 when not nullable
};

struct Layout {
    uint8_t version = 0x03;
    Flavor flavor = Flavor::dBase4;
    MemoKind memo = MemoKind::None;
    uint32_t recordCount = 0;  // rows as the file holds them (see parse)
    uint16_t headerLength = 0;
    uint16_t recordLength = 0;
    bool productionIndex = false;
    uint8_t language = 0;
    int descriptorStart = 32, descriptorSize = 32;
    std::vector<FieldInfo> fields;  // user fields, in file order
    int nullFlagsOffset = -1, nullFlagsLength = 0;
};

// Language driver byte for Windows ANSI (cp1252), as independent readers take it.
constexpr uint8_t kLanguageAnsi = 0x03;
constexpr uint8_t kEndOfFile = 0x1A;

// Reads and checks the header of an open table file. The record count is the header's,
// raised to the whole records in the file when those are followed by the end-of-file mark
// (an append whose header update was cut off).
Layout parse(io::File& file);

// The physical type we write for a logical field definition.
FieldInfo physicalField(const FieldDef& def);
// Header bytes (with terminator) for a new table; the caller appends the end-of-file mark.
std::vector<uint8_t> buildHeader(const std::vector<FieldInfo>& fields, bool withMemo);
// Bytes 1..7 of the header: last update (today) and the record count.
void putDateAndCount(uint8_t* bytes7, uint32_t count);

FieldType logicalType(char type, int length, int decimals, Flavor flavor);

// ---- values ----
bool parseInteger(const std::string& text, int64_t& out);
bool parseNumber(const std::string& text, double& out);
std::string trimBoth(const std::string& s);
std::string trimRight(const std::string& s);
// The same without a copy: the text within s without its padding (blanks, zero bytes).
std::string_view trimmedBoth(std::string_view s);
std::string_view trimmedRight(std::string_view s);
std::string formatNumber(double value, int decimals);

int64_t julianDay(const Date& d);
// The Julian day of 31 December 9999, the last day a date field can hold.
inline constexpr int64_t kLastJulianDay = 5373484;
Date fromJulianDay(int64_t jd);
bool validDate(const Date& d);

}  // namespace dbf::format
