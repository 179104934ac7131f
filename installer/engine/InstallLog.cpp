#include "installer/engine/InstallLog.h"

#include <cstdio>

#include "ZKCore/ZKString.h"

namespace ZKInstaller {

bool CInstallLog::Open(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_file.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    m_path = m_file ? path : std::wstring();
    if (!m_file) return false;
    // The byte-order mark lets older editors recognise UTF-8.
    static const char kBom[] = "\xEF\xBB\xBF";
    DWORD written = 0;
    WriteFile(m_file.Get(), kBom, 3, &written, nullptr);
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
    char stamp[32];
    std::snprintf(stamp, sizeof(stamp), "%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    const std::string line =
        stamp + ZKCore::WideToMultiByte(text, ZKCore::kCodePageUtf8) + "\r\n";
    DWORD written = 0;
    // A failed write (a full disk) loses the line and nothing else.
    WriteFile(m_file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

CInstallLog& InstallLog() {
    static CInstallLog log;
    return log;
}

std::wstring DefaultLogPath() {
    wchar_t folder[MAX_PATH + 1]{};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    std::wstring path = (length > 0 && length <= MAX_PATH) ? std::wstring(folder, length) : std::wstring();
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + kLogFileName;
}

std::wstring HexCode(unsigned long value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", value);
    return text;
}

}  // namespace ZKInstaller
