#pragma once
// Fetches the product package into a local file on a worker thread of its own
// and reports start, progress and outcome through a callback.
//
// Notifications, all delivered on the worker thread (named "ABDEF"):
//   1001 started    value 1.0                  text ""
//   1002 progress   value received / total     text ""   (only when the total is known;
//                   bytes of the whole file, resumed pieces included: it
//                   only falls when the download starts over)
//   1003 succeeded  value 0.0                  text "URLDownloadToFile"
//   1004 failed     value last HRESULT         text "URLDownloadToFile"
//                   (value 1.0, text "" when the destination path is empty)
// The receiver must not block on the thread that owns the downloader: the
// destructor waits for the worker.
#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/UiHandle.h"
#include "installer/engine/DownloadPolicy.h"
#include "installer/engine/WorkerThread.h"

namespace ZKInstaller {

using ProgressCallback = std::function<void(int code, double value, const wchar_t* text)>;

enum DownloadCode : int {
    kDownloadStarted = 1001,
    kDownloadProgress = 1002,
    kDownloadSucceeded = 1003,
    kDownloadFailed = 1004,
};

// A transfer that reports nothing for this long is abandoned and retried.
constexpr DWORD kDefaultStallTimeoutMs = 30000;
// Once data flows steadily, a silence this many times its average gap (but
// at least kQuickStallFloorMs) is a stall too: a connection reset mid-body
// can leave the platform's call waiting without a word (Wine's does), and with
// ranges a needless reconnect costs one request, not the bytes held. The floor
// lies above the 200-300 ms a lost segment takes to be sent again.
constexpr unsigned kQuickStallGaps = 16;
constexpr DWORD kQuickStallFloorMs = 400;
// More requests than this in one attempt (the platform follows redirects by
// itself and reports each request) is a redirect loop.
constexpr unsigned kMaxRequestsPerAttempt = 20;

// Failure codes of an attempt that the platform reported as a success.
// An HTTP status other than 2xx: 0x80190000 + status (404 -> 0x80190194).
constexpr HRESULT HttpStatusResult(unsigned status) {
    return static_cast<HRESULT>(0x80190000u | (status & 0xFFFFu));
}
// The body ended before its announced length.
constexpr HRESULT kTruncatedResult = INET_E_DOWNLOAD_FAILURE;
// Nothing arrived for the stall timeout.
constexpr HRESULT kStalledResult = INET_E_CONNECTION_TIMEOUT;
// The body is no program: a web page (a portal's sign-in, an error shown
// with 200) or bytes that cannot start a Windows program.
constexpr HRESULT kNotAProgramResult = HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);
// The body is longer than the length the answer announced.
constexpr HRESULT kOversizedResult = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
// The target folder has less room than the answer announced.
constexpr HRESULT kDiskFullResult = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
// The address redirects without end.
constexpr HRESULT kRedirectLoopResult = INET_E_REDIRECT_FAILED;
// A 206 answer whose Content-Range does not continue the bytes held.
constexpr HRESULT kBadRangeResult = INET_E_DATA_NOT_AVAILABLE;

// The address actually requested: "file:///" URLs unchanged, every other URL
// escaped byte by byte in UTF-8 (a space becomes "+").
std::wstring PrepareTransferUrl(const std::wstring& url);
// Content-Length of raw response headers; -1 when absent, malformed, or when
// a content encoding makes the stored size differ from it.
long long AnnouncedLength(const wchar_t* responseHeaders);

// What one transfer attempt came to, for a log.
struct DownloadAttempt {
    HRESULT result = E_FAIL;  // S_OK, or why the attempt counts as failed
    unsigned httpStatus = 0;  // 0 when no HTTP response arrived (file URLs, refused connections)
    long long bytes = 0;      // body bytes the attempt received (of the file, or of an error page)
    DWORD durationMs = 0;     // wall time of the transfer
    size_t address = 0;       // 0: the download address; n: the n-th fallback address
    long long from = 0;       // the byte the attempt asked to start at (0: the whole file)
    std::wstring why;         // what went wrong, for the log; empty on success
    DWORD waitMs = 0;         // the wait before the next attempt
};

struct DownloadProgress { long long received = 0; long long total = -1; };  // bytes of the whole file; total -1 when unknown

// Where the log lines of a download go (called on the worker thread).
using DownloadLog = std::function<void(const std::wstring& line)>;

class CDownloader {
public:
    virtual ~CDownloader() = default;
    virtual int Start() = 0;
};

class CWinDownloader : public CDownloader {
public:
    // COM interfaces have no virtual destructor by design; this class's own is
    // virtual and it is never deleted through an interface pointer.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
    // The status object handed to URLDownloadToFileW. The platform never owns
    // it: reference counting is a no-op and its lifetime is the downloader's.
    // Besides IBindStatusCallbackEx it answers IHttpNegotiate, the only way to
    // learn the HTTP status, which the platform does not turn into a failure.
    class CBindCallback : public IBindStatusCallbackEx, public IHttpNegotiate {
    public:
        // The message that asks the worker, through its request window, to
        // carry out pending requests.
        static constexpr UINT kWakeRequest = WM_APP + 1;

        CBindCallback() = default;
        virtual ~CBindCallback();
        CBindCallback(const CBindCallback&) = delete;
        CBindCallback& operator=(const CBindCallback&) = delete;

        void SetProgressCallback(const ProgressCallback& callback) { m_progressCallback = callback; }
        // Any thread. Makes every later callback answer E_ABORT and asks the
        // worker to stop a running transfer; the binding itself is only ever
        // touched on the thread that bound it.
        void Abort();
        bool IsAborted() const { return m_aborted.load(); }

        // What an attempt starts from.
        struct AttemptSetup {
            long long held = 0;            // bytes of the file already held
            long long total = -1;          // the file's length, when known
            std::wstring requestHeaders;   // added to the request ("Range: ...\r\n")
            std::wstring spaceFolder;      // the folder whose free space an answer must fit; empty: none
        };
        // Per-attempt bookkeeping, used by the download procedure on the worker.
        void BeginAttempt(const AttemptSetup& setup);
        void BeginAttempt() { BeginAttempt(AttemptSetup()); }
        void EndAttempt();
        unsigned HttpStatus() const { return m_httpStatus; }
        long long ExpectedLength() const;
        // The raw headers of the attempt's answer (empty before one arrived).
        const std::wstring& ResponseHeaders() const { return m_responseHeaders; }
        // Why the callback itself stopped the attempt (S_OK: it did not), in words.
        HRESULT Refusal() const { return m_refusal; }
        const std::wstring& RefusalReason() const { return m_refusalReason; }
        // The platform's cache copy of the attempt's body, when it named one.
        const std::wstring& CacheFile() const { return m_cacheFile; }
        // Any thread: bytes of the whole file held and arriving, and its total.
        DownloadProgress Progress() const;
        // Worker: the bytes held after an attempt (appended, or started over).
        void SetHeld(long long held, long long total);
        // Any thread. Asks the worker to abandon the running transfer if nothing
        // was reported for `timeoutMs`; returns whether it asked. Asks once per
        // attempt.
        bool AbortIfStalled(DWORD timeoutMs);
        // Whether the worker abandoned the last attempt as stalled.
        bool Stalled() const { return m_stalled; }

        // The window on the worker thread that receives the requests of other
        // threads (null: none). The platform's synchronous transfer delivers
        // messages sent to it while it waits for data, which arrive there even
        // when the transfer itself has gone silent.
        void SetRequestWindow(HWND window) { m_requestWindow = window; }
        // Worker thread: carries out a pending abort or stall request.
        void ServiceRequests();
        // Binding methods that something tried to call off the binding's own
        // thread; they are refused, so this stays 0 unless a caller is wrong.
        unsigned ForeignBindingCalls() const { return m_foreignBindingCalls.load(); }

        // IUnknown
        STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;
        // IBindStatusCallback
        STDMETHODIMP OnStartBinding(DWORD reserved, IBinding* binding) override;
        STDMETHODIMP GetPriority(LONG* priority) override;
        STDMETHODIMP OnLowResource(DWORD reserved) override;
        STDMETHODIMP OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR statusText) override;
        STDMETHODIMP OnStopBinding(HRESULT result, LPCWSTR error) override;
        STDMETHODIMP GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) override;
        STDMETHODIMP OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
        STDMETHODIMP OnObjectAvailable(REFIID riid, IUnknown* object) override;
        // IBindStatusCallbackEx
        STDMETHODIMP GetBindInfoEx(DWORD* bindFlags, BINDINFO* bindInfo, DWORD* bindFlags2, DWORD* reserved) override;
        // IHttpNegotiate
        STDMETHODIMP BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved, LPWSTR* additionalHeaders) override;
        STDMETHODIMP OnResponse(DWORD status, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                                LPWSTR* additionalRequestHeaders) override;

    private:
        void NoteActivity() { m_lastActivity = GetTickCount(); }
        // Stops the attempt at the next callback; the first reason counts.
        void Refuse(HRESULT why, const std::wstring& reason);
        // An answer that brings the file: where it starts and what it must fit.
        void TakeBody(LPCWSTR responseHeaders);
        // Sends `kWakeRequest` to the request window, if there is one.
        void Wake();
        // True on the thread that bound; otherwise counts the attempt.
        bool OnBindingThread();
        void ReleaseBinding();

        ProgressCallback m_progressCallback;
        std::atomic<bool> m_aborted{false};
        std::atomic<HWND> m_requestWindow{nullptr};
        std::atomic<unsigned> m_foreignBindingCalls{0};

        // Written on the worker, read by the watchdog.
        std::atomic<unsigned> m_attempt{0};         // numbers the attempts from 1
        std::atomic<bool> m_bound{false};           // a binding of this attempt exists
        std::atomic<DWORD> m_lastActivity{0};       // GetTickCount of the last callback
        // Written by the watchdog: the attempt it found stalled (0: none).
        std::atomic<unsigned> m_stallRequest{0};

        // Data reports of the attempt, for the quick stall: the first one's
        // tick and how many came (written on the worker, read by the watchdog).
        std::atomic<DWORD> m_firstData{0};
        std::atomic<DWORD> m_lastData{0};
        std::atomic<unsigned> m_dataReports{0};
        // Bytes of the whole file: held before the attempt plus what it brought.
        std::atomic<long long> m_received{0};
        std::atomic<long long> m_total{-1};

        // Worker thread only.
        IBinding* m_binding = nullptr;
        DWORD m_bindingThread = 0;
        bool m_bindingAborted = false;
        bool m_stalled = false;
        unsigned m_httpStatus = 0;         // 0 until a response arrived (file URLs: never)
        long long m_headerLength = -1;     // Content-Length, -1 when unknown
        unsigned long m_reportedMax = 0;   // last non-zero total of OnProgress
        AttemptSetup m_setup;
        long long m_base = 0;              // file offset of the answer's first byte
        unsigned m_requests = 0;           // requests the platform sent in this attempt
        std::wstring m_responseHeaders;
        std::wstring m_cacheFile;
        HRESULT m_refusal = S_OK;
        std::wstring m_refusalReason;
    };
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

    // `callback` must not be empty. Creates the worker suspended; nothing is
    // delivered until Start.
    CWinDownloader(const ProgressCallback& callback, const wchar_t* url, const wchar_t* path);
    // Abandons a running transfer, waits for the worker and delivers nothing
    // more. Must not run on the worker thread (inside a notification).
    ~CWinDownloader() override;
    CWinDownloader(const CWinDownloader&) = delete;
    CWinDownloader& operator=(const CWinDownloader&) = delete;

    // Starts the one download of this object: 1 when the worker was resumed.
    // Later calls change nothing and return 0: a fresh download needs a fresh
    // downloader.
    int Start() override;
    // Whether Start has run the download (or is running it).
    bool HasStarted() const { return m_started.load(); }
    // Waits for a started worker to finish; returns at once if never started.
    void Wait() { m_worker.Join(); }
    DWORD WorkerThreadId() const { return m_worker.ThreadId(); }
    // Binding calls refused because they came from another thread than the worker.
    unsigned ForeignBindingCalls() const { return m_statusCallback.ForeignBindingCalls(); }

    // Before Start. A transfer silent for this long is abandoned and counts as
    // a failed attempt.
    void SetStallTimeout(DWORD milliseconds) { m_stallTimeoutMs = milliseconds; }
    // Before Start. The waits between attempts and how many an address gets.
    void SetRetryPolicy(const RetryPolicy& policy) { m_policy = policy; }
    // Before Start. Addresses tried in turn when the download address gives
    // up, each with the same retries; the held bytes carry over (If-Range
    // guards them).
    void SetFallbackUrls(const std::vector<std::wstring>& urls) { m_fallbackUrls = urls; }
    // Before Start. Receives a line per attempt, wait and change of address.
    void SetLog(DownloadLog log) { m_log = std::move(log); }
    // Any thread. The attempts made so far; complete once the outcome was delivered.
    std::vector<DownloadAttempt> Attempts() const;
    // Any thread. Bytes of the whole file held so far, resumed pieces
    // included, and its length (-1 until an answer told it). Falls only when
    // the download starts over (the file changed, or no range was served).
    DownloadProgress Progress() const { return m_statusCallback.Progress(); }
    // The address that served the file (empty until the download succeeded).
    std::wstring ServedBy() const;

private:
    // One attempt's verdict.
    struct Verdict {
        HRESULT result = E_FAIL;
        FailureKind kind = FailureKind::Transient;
        long long serverDelayMs = -1;  // what Retry-After asked for; -1 when nothing
        bool progressed = false;       // the attempt added bytes to the file
        bool immediate = false;        // the next attempt needs no wait (starting over)
    };

    uint32_t Run();
    // Every address in turn, each with its retries; the last result.
    HRESULT AttemptAll(const std::vector<std::wstring>& addresses);
    // One platform transfer, judged by its HTTP status and size, its piece
    // appended to the bytes held.
    Verdict Attempt(const std::wstring& address, DownloadAttempt& record);
    Verdict JudgeBody(bool resume, HRESULT platformResult, DownloadAttempt& record);
    // The wait before the next attempt after `failures` in a row (0 right
    // after progress), and why, for the log.
    DWORD WaitAfter(const Verdict& verdict, int failures, double random01, std::wstring& why) const;
    static std::wstring DescribeAttempt(int number, const DownloadAttempt& record);
    // Drops the bytes held: the next attempt fetches the whole file.
    void ResetHeld();
    void RecordAttempt(const DownloadAttempt& attempt);
    void Log(const std::wstring& line) const;
    void Deliver(int code, double value, const wchar_t* text);

    CBindCallback m_statusCallback;
    ProgressCallback m_progressCallback;
    std::wstring m_path;
    std::wstring m_url;
    std::atomic<bool> m_started{false};
    mutable std::mutex m_attemptsMutex;
    std::vector<DownloadAttempt> m_attempts;  // appended by the worker
    DWORD m_stallTimeoutMs = kDefaultStallTimeoutMs;
    RetryPolicy m_policy;
    std::vector<std::wstring> m_fallbackUrls;
    DownloadLog m_log;
    // Worker thread: the file so far. The first piece is written to m_path;
    // later ones to m_partPath and appended.
    std::wstring m_partPath;
    long long m_held = 0;
    long long m_mostHeld = 0;  // the most bytes held at any time of the download
    long long m_total = -1;
    std::wstring m_validator;  // If-Range of a resume: ETag, else Last-Modified
    mutable std::mutex m_servedMutex;
    std::wstring m_servedBy;
    // Ends the retry pause and the watchdog early when the downloader goes away.
    Veneer::UiKernelHandle m_stopEvent;
    // Declared last: destroyed first, after the destructor has joined it.
    CWorkerThread m_worker;
};

}  // namespace ZKInstaller
