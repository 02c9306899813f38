// Sweep children on Windows: this test program started again for the running test, told the
// directory and the number through its environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "support/Child.h"

namespace testsupport {

const bool kCheapChild = false;

namespace {
const char* const kOrder = "VE1_SWEEP_CHILD";
}

int RunChild(const std::filesystem::path& dir, int64_t n, const ChildWork&) {
    char exe[MAX_PATH];
    if (GetModuleFileNameA(nullptr, exe, MAX_PATH) == 0)
        return -1;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string command = std::string("\"") + exe + "\" --gtest_filter=" + info->test_suite_name() + "." + info->name();
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = start.hStdError = nul;
    PROCESS_INFORMATION child{};
    const std::string order = std::to_string(n) + "|" + dir.string();
    SetEnvironmentVariableA(kOrder, order.c_str());
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child);
    SetEnvironmentVariableA(kOrder, nullptr);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (!started)
        return -1;
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return int(code);
}

void ChildTurn(const ChildWork& work) {
    const char* order = std::getenv(kOrder);
    if (!order)
        return;
    const std::string text(order);
    const size_t bar = text.find('|');
    work(std::filesystem::path(text.substr(bar + 1)), std::stoll(text.substr(0, bar)));
    std::_Exit(0);
}

}  // namespace testsupport
