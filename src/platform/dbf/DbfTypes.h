// The engine's shared value types and its error, for every unit of the engine.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>

namespace dbf {

// Every failure of the engine: bad file, missing table, unknown field or index, I/O error.
// The text names the file concerned.
class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Logical field types of a definition. Tables written by other programs may carry further
// physical types (N with decimals, F, I, ...); they map onto these when read.
enum class FieldType { Integer, Character, Numeric, Float, Date, Logical, Memo };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Character;
    int size = 0;      // character width; numeric width; ignored for fixed-size types
    int decimals = 0;  // numeric and float only
};

// A calendar date; year 0 means an empty date.
struct Date {
    int year = 0, month = 0, day = 0;
    bool operator==(const Date&) const = default;
};

// A key for lookups and ranges on the current index: text, integer or date, matching the
// type of the index field.
using Key = std::variant<std::string, int32_t, Date>;

}  // namespace dbf
