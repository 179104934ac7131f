#pragma once
// The run's log: UTF-8 text lines with a local timestamp, one file per run in
// the user's temporary folder, replaced by the next run. A log that cannot be
// opened or written is silently absent: it never stops an install.
#include <windows.h>

#include <mutex>
#include <string>

#include "core/UiHandle.h"

namespace ZKInstaller {

constexpr const wchar_t* kLogFileName = L"Scrivla-Setup.log";

class CInstallLog {
public:
    // Opens `path` afresh (an earlier run's log is replaced); false when it
    // cannot be created, and the log then stays closed.
    bool Open(const std::wstring& path);
    void Close();
    bool IsOpen() const;
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
// <temporary folder>\Scrivla-Setup.log
std::wstring DefaultLogPath();
// "0x8019019A": for results and error codes in the log.
std::wstring HexCode(unsigned long value);

}  // namespace ZKInstaller
