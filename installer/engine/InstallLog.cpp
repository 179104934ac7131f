#include "installer/engine/InstallLog.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "ZKCore/ZKString.h"

namespace ZKInstaller {

Veneer::UiKernelHandle OpenLogFile(const std::wstring& path, LogOpen mode) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_DELETE;
    constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    Veneer::UiKernelHandle file;
    if (path.empty()) return file;
    if (mode == LogOpen::AppendOrCreate) {
        file.Reset(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, kShare, nullptr, OPEN_EXISTING,
                               kFlags, nullptr));
    }
    if (!file) {
        if (mode == LogOpen::AppendOrCreate && GetLastError() != ERROR_FILE_NOT_FOUND) return file;
        // CREATE_NEW never opens what is there, a dangling link included.
        file.Reset(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, kShare, nullptr, CREATE_NEW,
                               kFlags, nullptr));
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (file && (!GetFileInformationByHandle(file.Get(), &info) || GetFileType(file.Get()) != FILE_TYPE_DISK ||
                 (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
                 info.nNumberOfLinks != 1)) {
        file.Reset();
    }
    return file;
}

bool CInstallLog::Open(const std::wstring& path, LogOpen mode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_file = OpenLogFile(path, mode);
    m_path = m_file ? path : std::wstring();
    if (!m_file) return false;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(m_file.Get(), &size) && size.QuadPart == 0) {
        // The byte-order mark lets older editors recognise UTF-8.
        static const char kBom[] = "\xEF\xBB\xBF";
        DWORD written = 0;
        WriteFile(m_file.Get(), kBom, 3, &written, nullptr);
    }
    return true;
}

void CInstallLog::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_file.Reset();
}

bool CInstallLog::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<bool>(m_file);
}

void CInstallLog::Write(const std::wstring& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_file) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::wstring stamp = ZKCore::FormatText(L"%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear, now.wMonth,
                                                  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    const std::string line = ZKCore::WideToMultiByte(stamp + text, ZKCore::kCodePageUtf8) + "\r\n";
    DWORD written = 0;
    // A failed write (a full disk) loses the line and nothing else.
    WriteFile(m_file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

CInstallLog& InstallLog() {
    static CInstallLog log;
    return log;
}

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH + 1]{};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    std::wstring path = (length > 0 && length <= MAX_PATH) ? std::wstring(folder, length) : std::wstring();
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path;
}

std::wstring RunLogName(const SYSTEMTIME& localTime, DWORD processId) {
    return ZKCore::FormatText(L"%ls%04u%02u%02u-%02u%02u%02u-%lu%ls", kRunLogPrefix, localTime.wYear, localTime.wMonth,
                              localTime.wDay, localTime.wHour, localTime.wMinute, localTime.wSecond,
                              static_cast<unsigned long>(processId), kRunLogExtension);
}

bool IsRunLogName(const std::wstring& name) {
    const std::wstring prefix(kRunLogPrefix);
    const std::wstring extension(kRunLogExtension);
    // prefix, 8 digits, "-", 6 digits, "-", 1 to 10 digits, extension
    if (name.size() < prefix.size() + 17 + extension.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - extension.size(), extension.size(), extension) != 0) {
        return false;
    }
    const std::wstring middle = name.substr(prefix.size(), name.size() - prefix.size() - extension.size());
    const auto digits = [&middle](size_t from, size_t count) {
        return std::all_of(middle.begin() + from, middle.begin() + from + count, [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    };
    const size_t pidDigits = middle.size() - 16;
    return pidDigits >= 1 && pidDigits <= 10 && digits(0, 8) && middle[8] == L'-' && digits(9, 6) &&
           middle[15] == L'-' && digits(16, pidDigits);
}

std::wstring NewRunLogPath() {
    const std::wstring folder = TempFolder();
    if (folder.empty()) return folder;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return folder + RunLogName(now, GetCurrentProcessId());
}

void RotateRunLogs(const std::wstring& folder, size_t keep) {
    std::vector<std::wstring> logs;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + kRunLogPrefix + L"*" + kRunLogExtension).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsRunLogName(found.cFileName)) {
            logs.push_back(found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (logs.size() <= keep) return;
    // Newest first: the time in the name sorts as text.
    std::sort(logs.begin(), logs.end(), std::greater<std::wstring>());
    for (size_t i = keep; i < logs.size(); ++i) DeleteFileW((folder + logs[i]).c_str());
}

std::wstring HexCode(unsigned long value) {
    return ZKCore::FormatText(L"0x%08lX", value);
}

}  // namespace ZKInstaller
