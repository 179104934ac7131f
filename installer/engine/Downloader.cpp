#include "installer/engine/Downloader.h"

#include <wininet.h>

#include <objbase.h>

#include <cassert>

#include "ZKCore/ZKString.h"

namespace ZKInstaller {

namespace {
constexpr wchar_t kWorkerName[] = L"ABDEF";
constexpr wchar_t kFileScheme[] = L"file:///";
constexpr wchar_t kOutcomeText[] = L"URLDownloadToFile";
constexpr wchar_t kWatchdogName[] = L"ABDEF-watch";
constexpr DWORD kWatchIntervalMs = 200;
constexpr wchar_t kRequestWindowClass[] = L"ZKDownloadRequests";

LRESULT CALLBACK RequestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CWinDownloader::CBindCallback::kWakeRequest) {
        // Posted copies only served to wake the thread: one request suffices.
        MSG copy;
        while (PeekMessageW(&copy, window, message, message, PM_REMOVE)) {
        }
        auto* callback =
            reinterpret_cast<CWinDownloader::CBindCallback*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (callback) callback->ServiceRequests();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A message-only window of the calling thread through which other threads
// reach `callback`; destroyed on the same thread, after it was withdrawn.
class CRequestWindow {
public:
    explicit CRequestWindow(CWinDownloader::CBindCallback& callback) : m_callback(callback) {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        static const bool registered = [instance] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = RequestWindowProc;
            windowClass.hInstance = instance;
            windowClass.lpszClassName = kRequestWindowClass;
            return RegisterClassExW(&windowClass) != 0;
        }();
        if (!registered) return;
        m_window = CreateWindowExW(0, kRequestWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
        if (!m_window) return;
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&callback));
        m_callback.SetRequestWindow(m_window);
    }
    ~CRequestWindow() {
        if (!m_window) return;
        m_callback.SetRequestWindow(nullptr);
        DestroyWindow(m_window);
    }
    CRequestWindow(const CRequestWindow&) = delete;
    CRequestWindow& operator=(const CRequestWindow&) = delete;

private:
    CWinDownloader::CBindCallback& m_callback;
    HWND m_window = nullptr;
};
}  // namespace

std::wstring PrepareTransferUrl(const std::wstring& url) {
    // Case-sensitive on purpose: "FILE:///" is escaped like any other address.
    if (url.compare(0, 8, kFileScheme) == 0) return url;
    return ZKCore::PrepareDownloadUrl(url);
}

CWinDownloader::CWinDownloader(const ProgressCallback& callback, const wchar_t* url, const wchar_t* path)
    : m_progressCallback(callback),
      m_path(path ? path : L""),
      m_url(url ? url : L""),
      m_stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_worker([](void* self) { return static_cast<CWinDownloader*>(self)->Run(); }, this, kWorkerName) {
    assert(callback && "a downloader needs a progress callback");
}

CWinDownloader::~CWinDownloader() {
    // First stop everything the worker waits on, then wait for it; only then
    // may the members it uses go away.
    m_statusCallback.Abort();
    if (m_stopEvent) SetEvent(m_stopEvent.Get());
    m_worker.Join();
}

int CWinDownloader::Start() {
    bool expected = false;
    if (!m_started.compare_exchange_strong(expected, true)) return 0;
    // The worker is still suspended: nothing reads the status callback yet.
    m_statusCallback.SetProgressCallback(m_progressCallback);
    return m_worker.Resume();
}

void CWinDownloader::Deliver(int code, double value, const wchar_t* text) {
    // After an abort the receiver may be going away: nothing more is delivered.
    if (m_statusCallback.IsAborted() || !m_progressCallback) return;
    m_progressCallback(code, value, text);
}

uint32_t CWinDownloader::Run() {
    if (m_statusCallback.IsAborted()) return 0;  // destroyed before it could start
    CoInitialize(nullptr);
    Deliver(kDownloadStarted, 1.0, L"");
    if (m_path.empty()) {
        // Nothing can be written: one failure, and no attempts that would only
        // fail again and report a second failure.
        Deliver(kDownloadFailed, 1.0, L"");
    } else {
        HRESULT result = E_FAIL;
        {
            const CRequestWindow requests(m_statusCallback);
            result = AttemptAll(PrepareTransferUrl(m_url));
        }
        if (result == S_OK) {
            Deliver(kDownloadSucceeded, 0.0, kOutcomeText);
        } else {
            Deliver(kDownloadFailed, static_cast<double>(static_cast<int32_t>(result)), kOutcomeText);
        }
    }
    CoUninitialize();
    return 0;
}

HRESULT CWinDownloader::AttemptAll(const std::wstring& address) {
    // A transfer that has gone silent is abandoned at the watchdog's request:
    // the platform's call can wait forever on a connection that was reset
    // mid-body. The watchdog only asks; the worker, still inside that call,
    // stops the binding on its own thread.
    Veneer::UiKernelHandle attemptsDone(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    struct WatchArguments {
        CWinDownloader* self;
        HANDLE events[2];
    } watch{this, {attemptsDone.Get(), m_stopEvent.Get()}};
    CWorkerThread watchdog(
        [](void* argument) -> uint32_t {
            auto* w = static_cast<WatchArguments*>(argument);
            while (WaitForMultipleObjects(2, w->events, FALSE, kWatchIntervalMs) == WAIT_TIMEOUT) {
                w->self->m_statusCallback.AbortIfStalled(w->self->m_stallTimeoutMs);
            }
            return 0;
        },
        &watch, kWatchdogName);
    if (attemptsDone && m_stopEvent) watchdog.Resume();

    HRESULT result = E_FAIL;
    for (int attempt = 0; attempt < kDownloadAttempts && !m_statusCallback.IsAborted(); ++attempt) {
        const DWORD begun = GetTickCount();
        result = Attempt(address);
        RecordAttempt(result, GetTickCount() - begun);
        if (result == S_OK) break;
        // A failed attempt leaves no partial file or error page behind.
        DeleteFileW(m_path.c_str());
        // The pause follows the last failure too, before the outcome is told;
        // destroying the downloader cuts it short.
        if (!m_stopEvent) {
            Sleep(kRetryPauseMs);
        } else if (WaitForSingleObject(m_stopEvent.Get(), kRetryPauseMs) == WAIT_OBJECT_0) {
            break;
        }
    }

    if (attemptsDone) SetEvent(attemptsDone.Get());
    watchdog.Join();
    return result;
}

namespace {
long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
}  // namespace

void CWinDownloader::RecordAttempt(HRESULT result, DWORD durationMs) {
    DownloadAttempt attempt;
    attempt.result = result;
    attempt.httpStatus = m_statusCallback.HttpStatus();
    attempt.bytes = FileSize(m_path);
    attempt.durationMs = durationMs;
    std::lock_guard<std::mutex> lock(m_attemptsMutex);
    m_attempts.push_back(attempt);
}

std::vector<DownloadAttempt> CWinDownloader::Attempts() const {
    std::lock_guard<std::mutex> lock(m_attemptsMutex);
    return m_attempts;
}

HRESULT CWinDownloader::Attempt(const std::wstring& address) {
    m_statusCallback.BeginAttempt();
    const HRESULT platformResult = URLDownloadToFileW(nullptr, address.c_str(), m_path.c_str(), 0, &m_statusCallback);
    m_statusCallback.EndAttempt();
    // The bind flags ask for no cache copy, but not every URL moniker honours
    // them for a download to a file (Wine's keeps only its own flags): a copy
    // left in the user's cache is removed whatever the outcome.
    DeleteUrlCacheEntryW(address.c_str());
    if (m_statusCallback.Stalled()) return kStalledResult;
    if (platformResult != S_OK) return platformResult;

    // The platform answers S_OK for an HTTP error (saving the error page) and
    // for a body cut short; neither is the package.
    const unsigned status = m_statusCallback.HttpStatus();
    if (status != 0 && (status < 200 || status > 299)) return HttpStatusResult(status);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(m_path.c_str(), GetFileExInfoStandard, &data)) return kTruncatedResult;
    const long long size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const long long expected = m_statusCallback.ExpectedLength();
    if (expected >= 0 && size != expected) return kTruncatedResult;
    return S_OK;
}

}  // namespace ZKInstaller
