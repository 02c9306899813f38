// Command-line access to the table engine for the interoperability checks (UTF-8 in and out).
//   dbftool create FILE SPEC       SPEC: NAME:C:20,ID:I,PRICE:N:10:2,DAY:D,OK:L,TEXT:M
//   dbftool index FILE NAME FIELD
//   dbftool append FILE            rows from stdin, tab-separated in field order; \N is null
//   dbftool dump FILE              one JSON object per row, in physical order
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dbf/DbfTable.h"

namespace {

// The cp1252 characters 0x80..0x9F as Unicode; 0 where cp1252 has none.
const unsigned kHigh[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                            0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
                            0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

std::string toUtf8(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        unsigned u = c;
        if (c >= 0x80 && c < 0xA0) u = kHigh[c - 0x80] ? kHigh[c - 0x80] : 0xFFFD;
        if (u < 0x80) out += char(u);
        else if (u < 0x800) {
            out += char(0xC0 | (u >> 6));
            out += char(0x80 | (u & 0x3F));
        } else {
            out += char(0xE0 | (u >> 12));
            out += char(0x80 | ((u >> 6) & 0x3F));
            out += char(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::string fromUtf8(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = (unsigned char)s[i];
        unsigned u;
        int n;
        if (c < 0x80) { u = c; n = 1; }
        else if ((c & 0xE0) == 0xC0) { u = c & 0x1F; n = 2; }
        else if ((c & 0xF0) == 0xE0) { u = c & 0x0F; n = 3; }
        else { u = c & 0x07; n = 4; }
        for (int k = 1; k < n && i + size_t(k) < s.size(); ++k) u = (u << 6) | ((unsigned char)s[i + size_t(k)] & 0x3F);
        i += size_t(n);
        if (u < 0x100 && !(u >= 0x80 && u < 0xA0)) { out += char(u); continue; }
        char mapped = '?';
        for (int k = 0; k < 32; ++k)
            if (kHigh[k] == u) mapped = char(0x80 + k);
        out += mapped;
    }
    return out;
}

std::string json(const std::string& cp1252) {
    std::string out = "\"";
    for (char ch : toUtf8(cp1252)) {
        if (ch == '"' || ch == '\\') { out += '\\'; out += ch; }
        else if (ch == '\n') out += "\\n";
        else if (ch == '\r') out += "\\r";
        else if (ch == '\t') out += "\\t";
        else if ((unsigned char)ch < 0x20) { char b[8]; snprintf(b, sizeof b, "\\u%04x", ch); out += b; }
        else out += ch;
    }
    return out + "\"";
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string cur;
    std::istringstream in(s);
    while (std::getline(in, cur, sep)) parts.push_back(cur);
    if (!s.empty() && s.back() == sep) parts.push_back("");
    return parts;
}

void openFile(dbf::Table& t, const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    t.setDatabaseName(slash == std::string::npos ? "." : path.substr(0, slash + 1));
    t.setTableName(slash == std::string::npos ? path : path.substr(slash + 1));
}

int run(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: dbftool create|index|append|dump FILE ...\n";
        return 2;
    }
    std::string cmd = argv[1];
    dbf::Table t;
    openFile(t, argv[2]);
    if (cmd == "create" && argc == 4) {
        for (const auto& spec : split(argv[3], ',')) {
            auto p = split(spec, ':');
            char type = p.at(1).at(0);
            int size = p.size() > 2 ? std::stoi(p[2]) : 0, dec = p.size() > 3 ? std::stoi(p[3]) : 0;
            dbf::FieldType ft = type == 'C' ? dbf::FieldType::Character
                                : type == 'I' ? dbf::FieldType::Integer
                                : type == 'N' ? dbf::FieldType::Numeric
                                : type == 'F' ? dbf::FieldType::Float
                                : type == 'D' ? dbf::FieldType::Date
                                : type == 'L' ? dbf::FieldType::Logical
                                              : dbf::FieldType::Memo;
            t.addFieldDef(fromUtf8(p[0]), ft, size, dec);
        }
        t.createTable();
        return 0;
    }
    if (cmd == "index" && argc == 5) {
        t.addIndex(argv[3], argv[4]);
        return 0;
    }
    t.open();
    auto defs = t.fieldDefs();
    if (cmd == "append") {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            auto values = split(line, '\t');
            t.append();
            for (size_t i = 0; i < defs.size() && i < values.size(); ++i) {
                auto& f = t.fieldByName(defs[i].name);
                if (values[i] == "\\N") f.clear();
                else if (defs[i].type == dbf::FieldType::Logical) f.setBoolean(values[i] == "T");
                else f.setString(fromUtf8(values[i]));
            }
            t.post();
        }
        return 0;
    }
    if (cmd == "dump") {
        for (t.first(); !t.eof(); t.next()) {
            std::string row = "{";
            for (size_t i = 0; i < defs.size(); ++i) {
                auto& f = t.fieldByName(defs[i].name);
                row += (i ? ", " : "") + json(defs[i].name) + ": ";
                if (f.isNull()) { row += "null"; continue; }
                switch (defs[i].type) {
                case dbf::FieldType::Integer: row += std::to_string(f.asInteger()); break;
                case dbf::FieldType::Numeric:
                case dbf::FieldType::Float: row += f.asString(); break;
                case dbf::FieldType::Logical: row += f.asBoolean() ? "true" : "false"; break;
                case dbf::FieldType::Date: {
                    auto d = f.asDate();
                    char b[16];
                    snprintf(b, sizeof b, "\"%04d-%02d-%02d\"", d.year, d.month, d.day);
                    row += b;
                    break;
                }
                default: row += json(f.asString());
                }
            }
            std::cout << row << "}\n";
        }
        return 0;
    }
    std::cerr << "unknown command\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << toUtf8(e.what()) << "\n";
        return 1;
    }
}
