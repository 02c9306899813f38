#include "Script.h"

#include <cctype>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/ui/Cp1252.h"

namespace sim {

const std::string& ScriptLine::Word(size_t i) const {
    if (i >= words.size())
        throw std::runtime_error(Where() + ": '" + Command() + "' needs more words");
    return words[i];
}

int ScriptLine::Int(size_t i) const {
    const std::string& w = Word(i);
    try {
        size_t used = 0;
        int v = std::stoi(w, &used);
        if (used == w.size())
            return v;
    } catch (...) {
    }
    throw std::runtime_error(Where() + ": not a whole number: " + w);
}

double ScriptLine::Number(size_t i) const {
    const std::string& w = Word(i);
    try {
        size_t used = 0;
        double v = std::stod(w, &used);
        if (used == w.size())
            return v;
    } catch (...) {
    }
    throw std::runtime_error(Where() + ": not a number: " + w);
}

namespace {

std::vector<std::string> Split(const std::string& line, const std::string& where) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        // '#' starts a comment, unless a digit follows: "#2" is an item index.
        if (i >= line.size() || (line[i] == '#' && !(i + 1 < line.size() && std::isdigit(static_cast<unsigned char>(line[i + 1])))))
            break;
        // A word runs to the next blank outside quotes; quoted parts keep their blanks.
        std::string w;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            if (line[i] != '"') {
                w += line[i++];
                continue;
            }
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) {
                    char n = line[i++];
                    w += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
                } else {
                    w += c;
                }
            }
            if (!closed)
                throw std::runtime_error(where + ": the quoted text is not closed");
        }
        words.push_back(w);
    }
    return words;
}

}  // namespace

namespace {

// ${NAME} stands for the environment variable NAME (paths of programs and files that only the
// run knows, as in the demo); a variable that is not set is a mistake of the run.
std::string ExpandEnvironment(const std::string& raw, const std::string& where) {
    std::string out;
    size_t pos = 0;
    while (true) {
        const size_t open = raw.find("${", pos);
        if (open == std::string::npos)
            break;
        const size_t close = raw.find('}', open + 2);
        if (close == std::string::npos)
            break;
        const std::string name = raw.substr(open + 2, close - open - 2);
        const char* value = std::getenv(name.c_str());
        if (!value)
            throw std::runtime_error(where + ": the environment variable " + name + " is not set");
        out += raw.substr(pos, open - pos) + value;
        pos = close + 1;
    }
    return out + raw.substr(pos);
}

}  // namespace

std::vector<ScriptLine> ParseScript(const std::string& name, const std::string& utf8Text, const std::string& baseDir) {
    std::vector<ScriptLine> lines;
    std::istringstream in(utf8Text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        ScriptLine l;
        l.file = name;
        l.number = number;
        l.raw = ui::Utf8ToCp1252(ExpandEnvironment(raw, l.Where()));
        l.words = Split(l.raw, l.Where());
        if (l.words.empty())
            continue;
        if (l.Command() == "include") {
            std::filesystem::path p = std::filesystem::path(baseDir) / ui::Cp1252ToUtf8(l.Word(1));
            for (auto& inc : ReadScript(p.string()))
                lines.push_back(std::move(inc));
            continue;
        }
        lines.push_back(std::move(l));
    }
    return lines;
}

std::vector<ScriptLine> ReadScript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot read the scenario file");
    std::ostringstream text;
    text << in.rdbuf();
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return ParseScript(std::filesystem::path(path).filename().string(), text.str(), dir);
}

}  // namespace sim
