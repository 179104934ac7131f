#include "installer/engine/PackageProcess.h"

#include <shellapi.h>

namespace ZKInstaller {

namespace {
// ERROR_ELEVATION_REQUIRED; not every SDK's headers name it.
constexpr DWORD kElevationRequired = 740;
}  // namespace

bool CPackageProcess::Start(const wchar_t* path, const wchar_t* arguments) {
    Release();
    m_startError = ERROR_SUCCESS;
    m_jobError = ERROR_SUCCESS;
    m_byShell = false;
    m_job.Reset(CreateJobObjectW(nullptr, nullptr));

    std::wstring commandLine = L"\"" + std::wstring(path) + L"\" " + (arguments ? arguments : L"");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created{};
    if (CreateProcessW(path, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                       &created)) {
        m_process.Reset(created.hProcess);
        const Veneer::UiKernelHandle thread(created.hThread);
        // In the job before its first instruction: nothing it starts escapes.
        Assign();
        ResumeThread(thread.Get());
        return true;
    }
    m_startError = GetLastError();
    if (m_startError != kElevationRequired) return false;

    // A package whose manifest asks for more than this process has: only the
    // shell can start it. It joins the job once it exists.
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = path;
    info.lpParameters = arguments;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        m_startError = GetLastError();
        return false;
    }
    m_startError = ERROR_SUCCESS;
    m_byShell = true;
    m_process.Reset(info.hProcess);
    if (m_process) Assign();
    return true;
}

bool CPackageProcess::Assign() {
    if (m_job && AssignProcessToJobObject(m_job.Get(), m_process.Get())) {
        m_watch = PackageWatch::Job;
        return true;
    }
    m_jobError = m_job ? GetLastError() : ERROR_INVALID_HANDLE;
    m_watch = PackageWatch::Process;
    m_job.Reset();
    return false;
}

void CPackageProcess::Release() {
    m_job.Reset();
    m_process.Reset();
    m_watch = PackageWatch::None;
}

bool CPackageProcess::HasEnded() const {
    if (m_watch == PackageWatch::Job) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        if (QueryInformationJobObject(m_job.Get(), JobObjectBasicAccountingInformation, &accounting,
                                      sizeof(accounting), nullptr)) {
            return accounting.ActiveProcesses == 0;
        }
    }
    // The one process (or a job that cannot be asked: its first process).
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_OBJECT_0;
}

bool CPackageProcess::WaitForExit(DWORD ms) const {
    return !m_process || WaitForSingleObject(m_process.Get(), ms) != WAIT_TIMEOUT;
}

DWORD CPackageProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (!m_process || !GetExitCodeProcess(m_process.Get(), &code)) return STILL_ACTIVE;
    return code;
}

}  // namespace ZKInstaller
