// Files and directories on Win32: the wide file API over cp1252 paths, FindFirstFile for masks.
#include "platform/os/Files.h"

#include "platform/os/WinText.h"

#include <windows.h>

#include <algorithm>

namespace os {

namespace {

// An open search, closed on every path.
class Search {
public:
    Search(const std::wstring& pattern, WIN32_FIND_DATAW& data)
        : h_(FindFirstFileW(pattern.c_str(), &data)) {}
    ~Search() { if (h_ != INVALID_HANDLE_VALUE) FindClose(h_); }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& data) { return FindNextFileW(h_, &data) != 0; }
private:
    HANDLE h_;
};

// No "insert a disk" or "drive not ready" boxes while it lives; the previous mode afterwards.
class QuietErrors {
public:
    QuietErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
    ~QuietErrors() { SetErrorMode(previous_); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
private:
    UINT previous_;
};

DWORD Attributes(const std::string& path)
{
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(WideFromCp1252(path).c_str());
}

}  // namespace

std::string NativePath(const std::string& path)
{
    return path;
}

bool FileExists(const std::string& path)
{
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string& path)
{
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {
// The volume and file index of an existing directory; false when it cannot be opened.
bool DirectoryIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
    if (!DirExists(path))
        return false;
    HANDLE h = CreateFileW(WideFromCp1252(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}
}  // namespace

bool SameDirectory(const std::string& a, const std::string& b)
{
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    return DirectoryIdentity(a, ia) && DirectoryIdentity(b, ib) &&
           ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

std::vector<std::string> ListDirectory(const std::string& pattern)
{
    std::vector<std::string> names;
    if (pattern.empty() || pattern.back() == '\\' || pattern.back() == '/')
        return names;
    WIN32_FIND_DATAW data{};
    Search search(WideFromCp1252(pattern), data);
    if (!search.ok())
        return names;
    do {
        names.push_back(Cp1252FromWide(data.cFileName));
    } while (search.Next(data));
    return names;
}

bool FileExistsWildcard(const std::string& pattern)
{
    if (pattern.empty())
        return false;
    QuietErrors quiet;
    WIN32_FIND_DATAW data{};
    Search search(WideFromCp1252(pattern), data);
    return search.ok();
}

bool CreateDir(const std::string& path)
{
    return !path.empty() && CreateDirectoryW(WideFromCp1252(path).c_str(), nullptr) != 0;
}

bool CopyFileTo(const std::string& from, const std::string& to, bool failIfExists)
{
    return CopyFileW(WideFromCp1252(from).c_str(), WideFromCp1252(to).c_str(), failIfExists ? TRUE : FALSE) != 0;
}

bool DeleteFileAt(const std::string& path)
{
    return !path.empty() && DeleteFileW(WideFromCp1252(path).c_str()) != 0;
}

bool RemoveDir(const std::string& path)
{
    return !path.empty() && RemoveDirectoryW(WideFromCp1252(path).c_str()) != 0;
}

bool MoveFileOver(const std::string& from, const std::string& to)
{
    return !from.empty() && !to.empty() &&
           MoveFileExW(WideFromCp1252(from).c_str(), WideFromCp1252(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    if (path.empty())
        return false;
    HANDLE h = CreateFileW(WideFromCp1252(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD put = 0;
        ok = WriteFile(h, bytes.data() + done, chunk, &put, nullptr) != 0 && put > 0;
        done += put;
    }
    return CloseHandle(h) != 0 && ok;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes)
{
    if (path.empty())
        return false;
    HANDLE h = CreateFileW(WideFromCp1252(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(h, &size) != 0 && size.QuadPart >= 0 && static_cast<uint64_t>(size.QuadPart) <= maxBytes;
    if (ok) {
        bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
        size_t done = 0;
        while (done < bytes.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            DWORD got = 0;
            if (!ReadFile(h, bytes.data() + done, chunk, &got, nullptr) || got == 0)
                break;
            done += got;
        }
        bytes.resize(done);
    }
    CloseHandle(h);
    return ok;
}

}  // namespace os
