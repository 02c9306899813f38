// Keys of the production index: their bytes as stored, and the entries and tag definitions
// made of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dbf::mdx {

// Raw key bytes of a tag's key length: blank-padded text ('C'), 12-byte BCD number ('N'),
// or 8-byte Julian day as a double ('D').
using KeyBytes = std::string;

struct Entry {
    KeyBytes key;
    uint32_t recno = 0;
};

struct TagSpec {
    std::string name;        // stored upper case, at most 10 characters
    char keyType = 'C';
    int keyLength = 0;
    std::string expression;  // the indexed field's name for tags we create
    bool descending = false;
    bool unique = false;
};

// Key encodings.
KeyBytes numericKey(const std::string& numberText);  // throws on text that is no number
KeyBytes numericKey(int64_t value);
KeyBytes dateKey(int64_t julianDay);
KeyBytes charKey(std::string_view text, int keyLength);

}  // namespace dbf::mdx
