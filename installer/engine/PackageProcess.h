#pragma once
// The product package's run: its process and every process it starts, in a
// job object, so that a package that hands over to a second process and exits
// is still followed. The job has no limits and is not killed when it closes:
// the package keeps running if the installer goes.
#include <windows.h>

#include <string>

#include "core/UiHandle.h"

namespace ZKInstaller {

enum class PackageWatch {
    None,     // not started, or started by the shell without a process to follow
    Job,      // every process of the job counts
    Process,  // the job could not take it (a parent job that allows no nesting): the one process
};

class CPackageProcess {
public:
    // Starts "\"<path>\" <arguments>" suspended, puts it into a new job and
    // lets it run. When it needs elevation the shell starts it instead and it
    // joins the job afterwards. False when it could not be started
    // (StartError() says why); whatever an earlier Start held is let go.
    bool Start(const wchar_t* path, const wchar_t* arguments);
    // Lets the processes go (they keep running); no more watching.
    void Release();

    // Whether every process of the job, or the one process watched, has
    // ended. Never true for PackageWatch::None.
    bool HasEnded() const;
    // Waits up to `ms` for the started process itself to end (what it
    // started may go on); true when it has, or when there is none to follow.
    bool WaitForExit(DWORD ms) const;
    // The exit code of the started process; STILL_ACTIVE while it runs.
    DWORD ExitCode() const;

    PackageWatch Watch() const { return m_watch; }
    DWORD StartError() const { return m_startError; }
    // Why the job could not take the process (PackageWatch::Process).
    DWORD JobError() const { return m_jobError; }
    bool StartedByShell() const { return m_byShell; }

private:
    bool Assign();

    Veneer::UiKernelHandle m_job;
    Veneer::UiKernelHandle m_process;
    PackageWatch m_watch = PackageWatch::None;
    DWORD m_startError = ERROR_SUCCESS;
    DWORD m_jobError = ERROR_SUCCESS;
    bool m_byShell = false;
};

}  // namespace ZKInstaller
