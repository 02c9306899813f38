// Code page 1252 conversions and error messages through the Win32 API.
#include "platform/os/WinText.h"

#include <windows.h>

#include <memory>

namespace os {

namespace {
constexpr UINT kCp1252 = 1252;

struct LocalFreer {
    void operator()(wchar_t* p) const { LocalFree(p); }
};
}  // namespace

std::wstring WideFromCp1252(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(kCp1252, 0, text.data(), size, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(kCp1252, 0, text.data(), size, out.data(), needed);
    return out;
}

std::string Cp1252FromWide(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(kCp1252, 0, text.data(), size, nullptr, 0, "?", nullptr);
    if (needed <= 0)
        return std::string();
    std::string out(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(kCp1252, 0, text.data(), size, out.data(), needed, "?", nullptr);
    return out;
}

std::string WindowsErrorText(unsigned long code)
{
    wchar_t* raw = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
    std::unique_ptr<wchar_t, LocalFreer> owner(raw);
    std::wstring text = length > 0 && raw ? std::wstring(raw, length) : std::wstring();
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty())
        return "Systemfehler " + std::to_string(code);
    return Cp1252FromWide(text) + " (" + std::to_string(code) + ")";
}

}  // namespace os
