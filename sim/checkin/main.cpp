// The check-in program stand-in: takes the check-in dialog's parameters, records them beside
// the log, and runs the check-in of the named exchange file set.
//   CheckIn [-l] -s SERVER -u USER -p PASSWORD -D STORE -d DIRECTORY -n NAME
// Exit code 0 when both counts are 0, 1 when errors were found, 2 when the arguments name no
// set.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/os/Files.h"
#include "vestra/CheckIn.h"
#include "vestra/ExchangeSet.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> received(argv + 1, argv + argc);
    vestra::CheckInArgs args = vestra::ParseCheckInArgs(received);
    if (args.Directory.empty() || args.Name.empty()) {
        std::fprintf(stderr, "CheckIn: -d und -n fehlen\n");
        return 2;
    }
    args.Directory = os::NativePath(args.Directory);
    args.Database = os::NativePath(args.Database);
    const std::string log = vestra::Member(args.Directory, args.Name, vestra::kLog);
    try {
        // The old log goes first: whatever happens now, no earlier run's log is left to be read
        // as this run's.
        std::error_code ec;
        std::filesystem::remove(log, ec);
        if (ec)
            throw std::runtime_error("alte Logdatei " + log + " kann nicht entfernt werden");
        std::vector<std::string> record{std::to_string(received.size())};
        record.insert(record.end(), received.begin(), received.end());
        vestra::WriteLines(vestra::Member(args.Directory, args.Name, vestra::kArgumentRecord), record);

        const vestra::CheckInResult result = vestra::RunCheckIn(args);
        vestra::WriteLines(log, result.Lines);
        return result.Sachdatenfehler || result.Grafikfehler ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "CheckIn: %s\n", e.what());
        return 2;
    }
}
