// Test helper in place of the check-in program. The file named by VE1_CHECKIN_PLAN says what to
// do, one "key=value" a line: "dump" a directory where each start leaves its working directory
// and arguments ("trial.args" after "-l", "live.args" after "-s", "view.args" otherwise, when it
// stands in for the editor); "log" the log file to write; "trial" and "live" the log's lines for
// that run, separated by '|' (a run without its line writes no log); "value-X" the argument that
// must follow flag X, else the run's log counts one error.
// Without VE1_CHECKIN_PLAN the plan is NAME.plan in DIRECTORY (the values of -n and -d), which
// is then also the dump directory, and the log is NAME.log there: a directory that does not
// arrive whole finds no plan and leaves no log.
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

// The argument after the flag; empty when there is none.
std::string After(int argc, char** argv, const std::string& flag)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == flag)
            return argv[i + 1];
    return std::string();
}

// A Windows path as every platform takes it ('/' separates on Windows, too).
std::string Native(std::string path)
{
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    std::map<std::string, std::string> plan;
    if (const char* planFile = std::getenv("VE1_CHECKIN_PLAN")) {
        plan = ReadPlan(planFile);
    } else {
        const std::filesystem::path dir = Native(After(argc, argv, "-d"));
        const std::string name = After(argc, argv, "-n");
        if (!std::filesystem::is_regular_file(dir / (name + ".plan")))
            return 2;
        plan = ReadPlan((dir / (name + ".plan")).string().c_str());
        plan.emplace("dump", dir.string());
        plan.emplace("log", (dir / (name + ".log")).string());
    }
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
    std::string planned = lines->second;
    for (const auto& [key, value] : plan)
        if (key.rfind("value", 0) == 0 && After(argc, argv, key.substr(5)) != value)
            planned = "Parameter " + key.substr(5) + ": " + After(argc, argv, key.substr(5)) +
                      "|Sachdatenfehler: 1|Grafikfehler: 0";
    std::string log;
    size_t start = 0;
    for (;;) {
        const size_t bar = planned.find('|', start);
        log += planned.substr(start, bar - start) + "\r\n";
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return WriteWhole(plan.at("log"), log) ? 0 : 1;
}
