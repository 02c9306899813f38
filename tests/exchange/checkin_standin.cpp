// Test helper in place of the check-in program. The file named by VE1_CHECKIN_PLAN says what to
// do, one "key=value" a line: "dump" a directory where each start leaves its working directory
// and arguments ("trial.args" after "-l", "live.args" after "-s", "view.args" otherwise, when it
// stands in for the editor); "log" the log file to write; "trial" and "live" the log's lines for
// that run, separated by '|' (a run without its line writes no log).
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

std::map<std::string, std::string> ReadPlan(const char* file)
{
    std::map<std::string, std::string> plan;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            plan[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return plan;
}

// Written under another name and renamed when complete, so that a reader never sees half of it.
bool WriteWhole(const std::filesystem::path& target, const std::string& content)
{
    const std::filesystem::path temp = target.string() + ".part";
    {
        std::ofstream out(temp, std::ios::binary);
        out << content;
        if (!out)
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temp, target, error);
    return !error;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* planFile = std::getenv("VE1_CHECKIN_PLAN");
    if (!planFile)
        return 2;
    const auto plan = ReadPlan(planFile);
    const std::string first = argc > 1 ? argv[1] : "";
    const std::string run = first == "-l" ? "trial" : first == "-s" ? "live" : "view";

    std::string dump = "cwd=" + std::filesystem::current_path().string() + "\n";
    for (int i = 1; i < argc; ++i)
        dump += std::string("arg=") + argv[i] + "\n";
    if (plan.count("dump") && !WriteWhole(std::filesystem::path(plan.at("dump")) / (run + ".args"), dump))
        return 1;

    const auto lines = plan.find(run);
    if (run == "view" || lines == plan.end() || !plan.count("log"))
        return 0;
    std::string log;
    size_t start = 0;
    for (;;) {
        const size_t bar = lines->second.find('|', start);
        log += lines->second.substr(start, bar - start) + "\r\n";
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return WriteWhole(plan.at("log"), log) ? 0 : 1;
}
