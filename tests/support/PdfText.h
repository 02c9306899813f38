// Words of a PDF as poppler's pdftotext -bbox reads them back, positions in millimetres.
#pragma once

#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace testsupport {

struct PdfWord {
    int page = 0;  // from 1
    std::string text;  // UTF-8, HTML entities undone
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

struct PdfWords {
    bool ok = false;
    std::vector<PdfWord> words;
    int pages = 0;
};

inline std::string Unescape(std::string s)
{
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities) {
        for (size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += std::string(to).size())
            s.replace(pos, std::string(from).size(), to);
    }
    return s;
}

// Runs pdftotext -bbox on the file (a path without single quotes).
inline PdfWords ReadPdfWords(const std::string& pdf)
{
    PdfWords result;
    struct Closer {
        void operator()(FILE* f) const { pclose(f); }
    };
    std::unique_ptr<FILE, Closer> pipe(popen(("pdftotext -bbox '" + pdf + "' - 2>/dev/null").c_str(), "r"));
    if (!pipe)
        return result;
    std::string html;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        html.append(buffer, n);
    constexpr double mm = 25.4 / 72.0;
    static const std::regex tag(R"re(<page [^>]*>|<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), tag); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        if (m.str(0).rfind("<page", 0) == 0) {
            ++result.pages;
            continue;
        }
        result.words.push_back({result.pages, Unescape(m.str(5)), std::stod(m.str(1)) * mm, std::stod(m.str(2)) * mm,
                                std::stod(m.str(3)) * mm, std::stod(m.str(4)) * mm});
    }
    result.ok = result.pages > 0;
    return result;
}

}  // namespace testsupport
