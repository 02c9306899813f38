#include "platform/os/Mask.h"

namespace os {

namespace {
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool MatchMask(const std::string& mask, const std::string& name, bool caseSensitive) {
    auto same = [&](char a, char b) { return caseSensitive ? a == b : LowerAscii(a) == LowerAscii(b); };
    size_t m = 0, n = 0;
    size_t starM = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (m < mask.size() && (mask[m] == '?' || same(mask[m], name[n]))) {
            ++m;
            ++n;
        } else if (starM != std::string::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

}  // namespace os
