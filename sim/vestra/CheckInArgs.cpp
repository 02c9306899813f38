#include "vestra/CheckInArgs.h"

#include <map>

namespace vestra {

CheckInArgs ParseCheckInArgs(const std::vector<std::string>& args)
{
    CheckInArgs a;
    const std::map<std::string, std::string*> valueFlags = {
        {"-s", &a.Server}, {"-u", &a.User},      {"-p", &a.Password},
        {"-D", &a.Database}, {"-d", &a.Directory}, {"-n", &a.Name},
    };
    std::map<std::string, int> seen;
    std::string flag;          // the flag whose value is being read; empty before the first
    std::vector<std::string> pieces;
    const auto finish = [&]() {
        if (flag.empty() || flag == "-l") {
            if (!pieces.empty())
                a.Notes.push_back(std::to_string(pieces.size()) + " Argument(e) ohne Parameter" +
                                  (flag.empty() ? std::string(" am Anfang") : " nach -l") + " ignoriert");
        } else {
            std::string value;
            for (size_t i = 0; i < pieces.size(); ++i)
                value += (i ? " " : "") + pieces[i];
            *valueFlags.at(flag) = value;
            if (pieces.size() > 1)
                a.Notes.push_back("Parameter " + flag + " kam als " + std::to_string(pieces.size()) +
                                  " Argumente an (Leerzeichen im Wert?)");
        }
        pieces.clear();
    };
    for (const std::string& arg : args) {
        if (arg == "-l" || valueFlags.count(arg)) {
            finish();
            flag = arg;
            if (++seen[arg] == 2)
                a.Notes.push_back("Parameter " + arg + " mehrfach angegeben");
            if (arg == "-l")
                a.Trial = true;
        } else {
            pieces.push_back(arg);
        }
    }
    finish();
    return a;
}

}  // namespace vestra
