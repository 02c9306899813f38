// Scenario files: lines of words, double-quoted texts kept together.
#pragma once

#include <string>
#include <vector>

namespace sim {

struct ScriptLine {
    std::string file;
    int number = 0;
    std::string raw;                 // as written (Windows-1252)
    std::vector<std::string> words;  // the command first
    const std::string& Command() const { return words.front(); }
    size_t Count() const { return words.size(); }
    // Word i, or throws naming the line when it is missing.
    const std::string& Word(size_t i) const;
    int Int(size_t i) const;
    double Number(size_t i) const;
    std::string Where() const { return file + ":" + std::to_string(number); }
};

// Reads a UTF-8 scenario file into lines of Windows-1252 words; "include FILE" lines are
// replaced by that file's lines (relative to the including file). Throws on unreadable files
// and unterminated quotes, naming file and line.
std::vector<ScriptLine> ReadScript(const std::string& path);
std::vector<ScriptLine> ParseScript(const std::string& name, const std::string& utf8Text,
                                    const std::string& baseDir = std::string());

}  // namespace sim
