// What the test helper program wrote about its start: its working directory and arguments.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testsupport {

// The lines "cwd=..." and "arg=..." of the helper's output file.
struct ArgDump {
    bool found = false;
    std::string cwd;
    std::vector<std::string> args;
};

inline ArgDump ReadArgDump(const std::filesystem::path& file)
{
    ArgDump dump;
    std::ifstream in(file);
    dump.found = static_cast<bool>(in);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("cwd=", 0) == 0)
            dump.cwd = line.substr(4);
        else if (line.rfind("arg=", 0) == 0)
            dump.args.push_back(line.substr(4));
    }
    return dump;
}

}  // namespace testsupport
