// File names of tables and their companions.
#include "platform/dbf/Paths.h"

#include <algorithm>
#include <vector>

namespace dbf::paths {

namespace {
// cp1252 letters: ASCII and the Latin-1 range of accented capitals.
unsigned char lowerChar(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    return c;
}
unsigned char upperChar(unsigned char c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    return c;
}
}  // namespace

std::string normalize(const std::string& path) {
    if (path.find('\\') == std::string::npos) return path;
    std::string out = path;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string join(const std::string& directory, const std::string& name) {
    std::string out;
    out.reserve(directory.size() + 1 + name.size());  // built in place: every table opened asks
    out += directory;
    if (!out.empty() && out.back() != '/' && out.back() != '\\') out += '/';
    out += name;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerChar((unsigned char)a[i]) != lowerChar((unsigned char)b[i])) return false;
    return true;
}

std::string upper(const std::string& s) {
    std::string out = s;
    for (auto& c : out) c = char(upperChar((unsigned char)c));
    return out;
}

namespace {
// The entries of the path's directory whose names equal its name apart from case.
std::vector<std::string> caseVariants(io::FileSystem& fs, const std::string& path) {
    std::vector<std::string> out;
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (const auto& entry : fs.list(slash == std::string::npos ? std::string(".") : (dir.empty() ? "/" : dir)))
        if (equalNoCase(entry, name)) out.push_back(slash == std::string::npos ? entry : dir + "/" + entry);
    return out;
}
}  // namespace

std::string resolve(io::FileSystem& fs, const std::string& path) {
    if (fs.exists(path)) return path;
    for (const auto& candidate : caseVariants(fs, path))
        if (fs.exists(candidate)) return candidate;
    return path;
}

std::unique_ptr<io::File> openExisting(io::FileSystem& fs, const std::string& path, io::OpenMode mode) {
    if (auto file = fs.openIfExists(path, mode)) return file;
    for (const auto& candidate : caseVariants(fs, path))
        if (auto file = fs.openIfExists(candidate, mode)) return file;
    return nullptr;
}

std::string withExtension(const std::string& path, const std::string& ext) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const size_t base = hasExt ? dot : path.size();
    bool lower = false;
    if (hasExt) {
        for (size_t i = dot + 1; i < path.size(); ++i) {
            unsigned char c = (unsigned char)path[i];
            if (c >= 'a' && c <= 'z') lower = true;
            if (c >= 'A' && c <= 'Z') lower = false;
        }
    }
    std::string out;
    out.reserve(base + ext.size());
    out.append(path, 0, base);
    for (char c : ext) out += lower ? char(lowerChar((unsigned char)c)) : c;
    return out;
}

}  // namespace dbf::paths
