#pragma once
// A platform thread created suspended, named for debuggers, started by Resume
// and joined by its destructor.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "core/UiHandle.h"

namespace ZKInstaller {

class CWorkerThread {
public:
    using Procedure = std::function<uint32_t(void*)>;

    // Creates the thread suspended and names it; `name` empty gives "t<id>".
    CWorkerThread(Procedure procedure, void* argument, const wchar_t* name);
    // Waits until the thread has ended. A thread that was never resumed is
    // resumed and ends without running its procedure.
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // 1 if a thread exists and the platform resumed it, else 0.
    int Resume();
    // Waits until the thread has ended; returns at once when there is none or
    // it was never resumed.
    void Join();

    DWORD ThreadId() const { return m_threadId; }
    bool HasThread() const { return static_cast<bool>(m_handle); }
    bool WasResumed() const { return m_resumed.load(); }

private:
    static unsigned __stdcall ThreadEntry(void* self);
    void AnnounceName() const;

    DWORD m_threadId = 0;
    Veneer::UiKernelHandle m_handle;
    Procedure m_procedure;
    void* m_argument = nullptr;
    std::wstring m_name;
    std::atomic<bool> m_resumed{false};
    std::atomic<bool> m_skipProcedure{false};  // set when released unresumed
};

}  // namespace ZKInstaller
