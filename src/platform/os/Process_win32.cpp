// Programs and the logon name on Win32: CreateProcess with the command line as it is, GetUserName.
#include "platform/os/Process.h"

#include "platform/os/WinText.h"

#include <windows.h>

#include <vector>

namespace os {

namespace {

// A kernel handle, closed on every path.
class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h) {}
    ~Handle() { if (h_) CloseHandle(h_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
private:
    HANDLE h_;
};

}  // namespace

bool StartProcess(const std::string& commandLine, const ProcessOptions& options)
{
    const std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || args[0].empty())
        return false;

    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring line = WideFromCp1252(commandLine);
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    const std::wstring directory = WideFromCp1252(options.workingDirectory);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = options.hidden ? SW_HIDE : SW_SHOWNORMAL;
    DWORD flags = NORMAL_PRIORITY_CLASS;
    if (options.hidden)
        flags |= CREATE_NEW_CONSOLE;

    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info))
        return false;
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    if (options.wait)
        WaitForSingleObject(process.get(), INFINITE);
    return true;
}

std::string LogonName()
{
    std::vector<wchar_t> name(257);
    DWORD size = static_cast<DWORD>(name.size());
    if (!GetUserNameW(name.data(), &size)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return std::string();
        name.resize(size);
        if (!GetUserNameW(name.data(), &size))
            return std::string();
    }
    return Cp1252FromWide(name.data());
}

}  // namespace os
