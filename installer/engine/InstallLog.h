#pragma once
// The run's log: UTF-8 text lines with a local timestamp. Each run writes a
// file of its own in the user's temporary folder,
// Scrivla-Setup-<yyyyMMdd-HHmmss>-<pid>.log, and the newest kRunLogsKept of
// them stay; "/LOG=" names another file. The installer runs elevated, so a log
// file is never opened through a link or reparse point someone planted at its
// path. A log that cannot be opened or written is silently absent: it never
// stops an install.
#include <windows.h>

#include <mutex>
#include <string>

#include "core/UiHandle.h"

namespace ZKInstaller {

constexpr const wchar_t* kRunLogPrefix = L"Scrivla-Setup-";
constexpr const wchar_t* kRunLogExtension = L".log";
constexpr size_t kRunLogsKept = 10;

enum class LogOpen {
    CreateNew,       // a new file; anything already at the path is refused
    AppendOrCreate,  // an existing plain file is appended to; else a new file
};

// Opens `path` for writing without following a link or reparse point there:
// a handle whose file is a reparse point, a folder, not on disk or has more
// than one name is refused (closed). Invalid when refused or on failure.
Veneer::UiKernelHandle OpenLogFile(const std::wstring& path, LogOpen mode);

class CInstallLog {
public:
    // Opens `path` with OpenLogFile; false when refused, and the log then
    // stays closed. A new or empty file starts with the UTF-8 byte-order mark.
    bool Open(const std::wstring& path, LogOpen mode);
    void Close();
    bool IsOpen() const;
    // The file last opened; empty when none.
    const std::wstring& Path() const { return m_path; }
    // "YYYY-MM-DD hh:mm:ss.mmm  <text>" and CRLF; nothing when closed.
    // Any thread may write.
    void Write(const std::wstring& text);

private:
    mutable std::mutex m_mutex;
    Veneer::UiKernelHandle m_file;
    std::wstring m_path;
};

// The process-wide log the start-up opens and the install sequence writes to.
CInstallLog& InstallLog();
// The user's temporary folder with its trailing backslash; empty when the
// platform has none (then there is no log: never a relative path).
std::wstring TempFolder();
// "Scrivla-Setup-20250102-030405-1234.log" for that local time and process.
std::wstring RunLogName(const SYSTEMTIME& localTime, DWORD processId);
// Whether `name` has RunLogName's form.
bool IsRunLogName(const std::wstring& name);
// <temporary folder>\RunLogName(now, this process); empty without a temporary folder.
std::wstring NewRunLogPath();
// Deletes the run logs in `folder` (with its trailing backslash) but the
// newest `keep` (by the time in their names).
void RotateRunLogs(const std::wstring& folder, size_t keep);
// "0x8019019A": for results and error codes in the log.
std::wstring HexCode(unsigned long value);

}  // namespace ZKInstaller
