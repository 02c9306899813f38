// Reading and writing one field's value inside a record buffer, for every physical type.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dbf/DbfFormat.h"

namespace dbf::value {

struct Where {
    const format::Layout& layout;
    const format::FieldInfo& field;
    const std::string& file;  // for error texts
};

std::string raw(const Where& w, const uint8_t* rec);
// The field's bytes in the record, as raw() copies them.
std::string_view fieldBytes(const Where& w, const uint8_t* rec);
bool isNull(const Where& w, const uint8_t* rec);
// Memo block number stored in the record; 0 when there is none.
uint32_t memoBlock(const Where& w, const uint8_t* rec);
void setMemoBlock(const Where& w, uint8_t* rec, uint32_t block);

// Text of a non-memo field: trimmed character data, numbers as their decimal text,
// dates as dd.mm.yyyy, logicals as True/False.
std::string text(const Where& w, const uint8_t* rec);
// Throws EngineError when the value is not an integer or not within 32 bits.
int64_t integer(const Where& w, const uint8_t* rec);
double number(const Where& w, const uint8_t* rec);
Date date(const Where& w, const uint8_t* rec);
bool boolean(const Where& w, const uint8_t* rec);

void setText(const Where& w, uint8_t* rec, const std::string& v);
void setInteger(const Where& w, uint8_t* rec, int64_t v);
void setNumber(const Where& w, uint8_t* rec, double v);
void setDate(const Where& w, uint8_t* rec, const Date& d);
void setBoolean(const Where& w, uint8_t* rec, bool b);
void clear(const Where& w, uint8_t* rec);
// A record of blank fields, not deleted.
std::string blankRecord(const format::Layout& layout);

bool parseDateText(const std::string& s, Date& d);

}  // namespace dbf::value
