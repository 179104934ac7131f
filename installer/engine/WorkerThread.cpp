#include "installer/engine/WorkerThread.h"

#include <process.h>

#include "ZKCore/ZKString.h"

namespace ZKInstaller {

namespace {
// The debugger convention for naming a thread: a software exception whose
// record carries the name; a debugger that is attached reads it first.
constexpr DWORD kThreadNameException = 0x406D1388;

#pragma pack(push, 8)
struct ThreadNameRecord {
    DWORD type;        // always 0x1000
    const char* name;  // ANSI code page
    DWORD threadId;
    DWORD flags;       // reserved, 0
};
#pragma pack(pop)

LONG CALLBACK SwallowThreadNameException(EXCEPTION_POINTERS* info) {
    return info->ExceptionRecord->ExceptionCode == kThreadNameException ? EXCEPTION_CONTINUE_EXECUTION
                                                                         : EXCEPTION_CONTINUE_SEARCH;
}

using SetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PCWSTR);
}  // namespace

CWorkerThread::CWorkerThread(Procedure procedure, void* argument, const wchar_t* name)
    : m_procedure(std::move(procedure)), m_argument(argument), m_name(name ? name : L"") {
    unsigned id = 0;
    m_handle.Reset(reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &CWorkerThread::ThreadEntry, this, CREATE_SUSPENDED, &id)));
    if (!m_handle) return;
    m_threadId = id;
    AnnounceName();
}

CWorkerThread::~CWorkerThread() {
    if (!m_handle) return;
    // The thread reads this object until its procedure has returned (or been
    // skipped): it must have ended before the members go away. A thread that
    // destroys its own wrapper cannot wait for itself.
    if (GetCurrentThreadId() == m_threadId) return;
    if (!m_resumed.load()) {
        // Never started: let the thread end without running the procedure.
        // A suspend count above one means someone else holds it suspended; it
        // would never end, so it is not waited for.
        m_skipProcedure = true;
        if (ResumeThread(m_handle.Get()) != 1) return;
    }
    WaitForSingleObject(m_handle.Get(), INFINITE);
}

int CWorkerThread::Resume() {
    if (!m_handle) return 0;
    if (ResumeThread(m_handle.Get()) == static_cast<DWORD>(-1)) return 0;
    m_resumed = true;
    return 1;
}

void CWorkerThread::Join() {
    // A suspended thread would never end: only a resumed one is waited for.
    if (m_handle && m_resumed.load() && GetCurrentThreadId() != m_threadId) WaitForSingleObject(m_handle.Get(), INFINITE);
}

unsigned __stdcall CWorkerThread::ThreadEntry(void* self) {
    auto* thread = static_cast<CWorkerThread*>(self);
    if (!thread->m_skipProcedure.load() && thread->m_procedure) thread->m_procedure(thread->m_argument);
    return 0;
}

void CWorkerThread::AnnounceName() const {
    std::wstring name = m_name;
    if (name.empty()) name = L"t" + ZKCore::DecimalText(m_threadId);

    // Newer systems keep a description that tools read without a debugger.
    for (const wchar_t* module : {L"kernel32.dll", L"kernelbase.dll"}) {
        HMODULE handle = GetModuleHandleW(module);
        auto setDescription = handle ? reinterpret_cast<SetThreadDescriptionFn>(reinterpret_cast<void*>(
                                           GetProcAddress(handle, "SetThreadDescription")))
                                     : nullptr;
        if (setDescription) {
            setDescription(m_handle.Get(), name.c_str());
            break;
        }
    }

    const std::string ansi = ZKCore::WideToMultiByte(name, ZKCore::kCodePageAnsi);
    ThreadNameRecord record{0x1000, ansi.c_str(), m_threadId, 0};
    // mingw has no __try/__except: a vectored handler catches the exception
    // after an attached debugger has seen it.
    PVOID handler = AddVectoredExceptionHandler(1, SwallowThreadNameException);
    if (!handler) return;
    RaiseException(kThreadNameException, 0, sizeof(record) / sizeof(ULONG_PTR),
                   reinterpret_cast<const ULONG_PTR*>(&record));
    RemoveVectoredExceptionHandler(handler);
}

}  // namespace ZKInstaller
