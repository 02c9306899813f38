// Command lines by the Windows rules, split and quoted the same on every platform.
#include "platform/os/Process.h"

namespace os {

namespace {
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> args;
    const size_t n = commandLine.size();
    size_t i = 0;
    while (i < n && IsBlank(commandLine[i]))
        ++i;
    if (i >= n)
        return args;

    // The program name: up to the next quote when quoted, else up to the next blank;
    // backslashes are plain characters here.
    std::string program;
    if (commandLine[i] == '"') {
        ++i;
        while (i < n && commandLine[i] != '"')
            program += commandLine[i++];
        if (i < n)
            ++i;
    } else {
        while (i < n && !IsBlank(commandLine[i]))
            program += commandLine[i++];
    }
    args.push_back(program);

    // The parameters: 2n backslashes before a quote give n backslashes and the quote groups,
    // 2n+1 give n backslashes and a literal quote; "" inside quotes is a literal quote.
    for (;;) {
        while (i < n && IsBlank(commandLine[i]))
            ++i;
        if (i >= n)
            break;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(commandLine[i]))) {
            const char c = commandLine[i];
            if (c == '\\') {
                size_t backslashes = 0;
                while (i < n && commandLine[i] == '\\') {
                    ++backslashes;
                    ++i;
                }
                if (i < n && commandLine[i] == '"') {
                    arg.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                    // an even count leaves the quote to the grouping rule below
                } else {
                    arg.append(backslashes, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += c;
                ++i;
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::string QuoteArgument(const std::string& value)
{
    if (value.find_first_of(" \t\"") == std::string::npos)
        return value;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (const char c : value) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped; elsewhere they stand.
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // Before the closing quote they are doubled, so that it still closes.
    quoted.append(2 * backslashes, '\\');
    return quoted + '"';
}

}  // namespace os
