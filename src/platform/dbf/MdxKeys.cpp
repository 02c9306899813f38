// Keys of the production index: their encodings.
#include "platform/dbf/MdxKeys.h"

#include <algorithm>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/DbfFormat.h"
#include "platform/dbf/DbfTypes.h"

namespace dbf::mdx {

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

KeyBytes charKey(std::string_view text, int keyLength) {
    KeyBytes k(size_t(keyLength), ' ');
    std::copy_n(text.data(), std::min(text.size(), k.size()), k.data());
    return k;
}

}  // namespace dbf::mdx
