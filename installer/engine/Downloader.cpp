#include "installer/engine/Downloader.h"

#include <wininet.h>

#include <objbase.h>

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <random>

#include "ZKCore/ZKString.h"
#include "installer/engine/ComApartment.h"
#include "installer/engine/InstallLog.h"

namespace ZKInstaller {

namespace {
constexpr wchar_t kWorkerName[] = L"ABDEF";
constexpr wchar_t kFileScheme[] = L"file:///";
constexpr wchar_t kOutcomeText[] = L"URLDownloadToFile";
constexpr wchar_t kWatchdogName[] = L"ABDEF-watch";
constexpr DWORD kWatchIntervalMs = 50;
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
    CComApartment com;  // the URL moniker's apartment; left only if joined here
    com.Join();
    Deliver(kDownloadStarted, 1.0, L"");
    if (m_path.empty()) {
        // Nothing can be written: one failure, and no attempts that would only
        // fail again and report a second failure.
        Deliver(kDownloadFailed, 1.0, L"");
    } else {
        m_partPath = m_path + L".part";
        std::vector<std::wstring> addresses{PrepareTransferUrl(m_url)};
        for (const std::wstring& fallback : m_fallbackUrls) addresses.push_back(PrepareTransferUrl(fallback));
        HRESULT result = E_FAIL;
        {
            const CRequestWindow requests(m_statusCallback);
            result = AttemptAll(addresses);
        }
        // Only a whole file leaves the downloader: no piece, no error page.
        DeleteFileW(m_partPath.c_str());
        if (result != S_OK) ResetHeld();
        if (result == S_OK) {
            Deliver(kDownloadSucceeded, 0.0, kOutcomeText);
        } else {
            Deliver(kDownloadFailed, static_cast<double>(static_cast<int32_t>(result)), kOutcomeText);
        }
    }
    return 0;
}

namespace {
long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Appends the whole of `piece` to `file`; false when the disk refused.
bool AppendFile(const std::wstring& file, const std::wstring& piece) {
    Veneer::UiKernelHandle in(CreateFileW(piece.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    Veneer::UiKernelHandle out(
        CreateFileW(file.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in || !out) return false;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(in.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
        if (read == 0) return true;
        DWORD written = 0;
        if (!WriteFile(out.Get(), buffer.data(), read, &written, nullptr) || written != read) return false;
    }
}

std::string FirstBytes(const std::wstring& path, DWORD count) {
    Veneer::UiKernelHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes(count, '\0');
    DWORD read = 0;
    if (!file || !ReadFile(file.Get(), &bytes[0], count, &read, nullptr)) read = 0;
    bytes.resize(read);
    return bytes;
}

std::wstring Printable(const std::string& bytes) {
    std::wstring text;
    for (const char c : bytes) text += (c >= 0x20 && c < 0x7F) ? static_cast<wchar_t>(c) : L'.';
    return text;
}

std::wstring Seconds(DWORD ms) {
    const DWORD tenths = (ms + 50) / 100;  // rounded to the nearest tenth of a second
    return ZKCore::DecimalText(tenths / 10) + L"." + ZKCore::DecimalText(tenths % 10) + L" s";
}

// The platform's cache may keep a copy under the address it was redirected
// to, which the request's own address does not name: it is found by its file.
void ForgetCacheCopy(const std::wstring& address, const std::wstring& cacheFile) {
    DeleteUrlCacheEntryW(address.c_str());
    if (cacheFile.empty() || GetFileAttributesW(cacheFile.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    std::vector<char> buffer(4096);
    DWORD size = static_cast<DWORD>(buffer.size());
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    HANDLE search = FindFirstUrlCacheEntryW(nullptr, entry, &size);
    if (!search && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(size);
        entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
        search = FindFirstUrlCacheEntryW(nullptr, entry, &size);
    }
    if (!search) return;
    for (;;) {
        if (entry->lpszLocalFileName && _wcsicmp(entry->lpszLocalFileName, cacheFile.c_str()) == 0) {
            DeleteUrlCacheEntryW(entry->lpszSourceUrlName);
            break;
        }
        size = static_cast<DWORD>(buffer.size());
        if (!FindNextUrlCacheEntryW(search, entry, &size)) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
            buffer.resize(size);
            entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
            if (!FindNextUrlCacheEntryW(search, entry, &size)) break;
        }
    }
    FindCloseUrlCache(search);
}
}  // namespace

HRESULT CWinDownloader::AttemptAll(const std::vector<std::wstring>& addresses) {
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

    // Jitter keeps many installers that lost the same server from returning together.
    std::mt19937 random(GetTickCount() ^ (GetCurrentThreadId() << 16));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    HRESULT result = E_FAIL;
    DWORD waited = 0;
    int number = 0;
    for (size_t index = 0; index < addresses.size() && !m_statusCallback.IsAborted(); ++index) {
        const std::wstring& address = addresses[index];
        if (index > 0) Log(L"Trying fallback address " + ZKCore::DecimalText(index) + L": " + address);
        int failures = 0;  // in a row without bytes, on this address
        for (;;) {
            DownloadAttempt record;
            record.address = index;
            const Verdict verdict = Attempt(address, record);
            result = verdict.result;
            record.result = result;
            ++number;
            Log(DescribeAttempt(number, record));
            if (result == S_OK) {
                RecordAttempt(record);
                {
                    std::lock_guard<std::mutex> lock(m_servedMutex);
                    m_servedBy = address;
                }
                Log(L"Downloaded " + ZKCore::DecimalText(m_held) + L" bytes from " +
                    (index == 0 ? std::wstring(L"the download address") : L"fallback address " + ZKCore::DecimalText(index)) +
                    L": " + address);
                break;
            }
            if (m_statusCallback.IsAborted() || verdict.kind == FailureKind::Fatal) {
                RecordAttempt(record);
                break;
            }
            if (verdict.kind == FailureKind::Permanent) {
                RecordAttempt(record);
                Log(L"Giving up on " + address + L": " + record.why);
                break;
            }
            failures = verdict.progressed ? 0 : failures + 1;
            if (failures >= m_policy.attemptsPerAddress) {
                RecordAttempt(record);
                Log(L"Giving up on " + address + L" after " + ZKCore::DecimalText(failures) + L" failed attempts in a row");
                break;
            }
            std::wstring why;
            const DWORD wait = WaitAfter(verdict, failures, unit(random), why);
            if (waited + wait > m_policy.budgetMs) {
                RecordAttempt(record);
                Log(L"Giving up on " + address + L": waiting " + Seconds(wait) + L" more would pass the " +
                    Seconds(m_policy.budgetMs) + L" allowed for waits");
                break;
            }
            record.waitMs = wait;
            RecordAttempt(record);
            Log(L"Waiting " + Seconds(wait) + L" before attempt " + ZKCore::DecimalText(number + 1) + L": " + why);
            waited += wait;
            // Destroying the downloader cuts the wait short.
            if (wait > 0) {
                if (!m_stopEvent) {
                    Sleep(wait);
                } else if (WaitForSingleObject(m_stopEvent.Get(), wait) == WAIT_OBJECT_0) {
                    break;
                }
            }
        }
        if (result == S_OK || m_statusCallback.IsAborted() || result == kDiskFullResult) break;
    }

    if (attemptsDone) SetEvent(attemptsDone.Get());
    watchdog.Join();
    return result;
}

DWORD CWinDownloader::WaitAfter(const Verdict& verdict, int failures, double random01, std::wstring& why) const {
    if (verdict.serverDelayMs >= 0) {
        why = L"the server asked for " +
              Seconds(static_cast<DWORD>(std::min<long long>(verdict.serverDelayMs, 0x7FFFFFFF))) + L" (Retry-After)";
        return std::max(BackoffDelayMs(m_policy, failures, random01), ServerDelayMs(m_policy, verdict.serverDelayMs));
    }
    if (verdict.immediate) {
        why = L"starting over";
        return 0;
    }
    why = failures == 0 ? std::wstring(L"the last attempt brought bytes")
                        : L"back-off after " + ZKCore::DecimalText(failures) + L" failure(s) in a row";
    return BackoffDelayMs(m_policy, failures, random01);
}

std::wstring CWinDownloader::DescribeAttempt(int number, const DownloadAttempt& record) {
    return L"Attempt " + ZKCore::DecimalText(number) + L": HTTP " + ZKCore::DecimalText(record.httpStatus) + L", " +
           ZKCore::DecimalText(record.bytes) + L" bytes" +
           (record.from > 0 ? L" from byte " + ZKCore::DecimalText(record.from) : std::wstring()) + L", " +
           ZKCore::DecimalText(record.durationMs) + L" ms, result " + HexCode(static_cast<unsigned long>(record.result)) +
           (record.why.empty() ? std::wstring() : L": " + record.why);
}

void CWinDownloader::RecordAttempt(const DownloadAttempt& attempt) {
    std::lock_guard<std::mutex> lock(m_attemptsMutex);
    m_attempts.push_back(attempt);
}

std::vector<DownloadAttempt> CWinDownloader::Attempts() const {
    std::lock_guard<std::mutex> lock(m_attemptsMutex);
    return m_attempts;
}

std::wstring CWinDownloader::ServedBy() const {
    std::lock_guard<std::mutex> lock(m_servedMutex);
    return m_servedBy;
}

void CWinDownloader::Log(const std::wstring& line) const {
    if (m_log) m_log(line);
}

void CWinDownloader::ResetHeld() {
    DeleteFileW(m_path.c_str());
    m_held = 0;
    m_total = -1;
    m_validator.clear();
    m_statusCallback.SetHeld(0, -1);
}

CWinDownloader::Verdict CWinDownloader::Attempt(const std::wstring& address, DownloadAttempt& record) {
    // Resuming needs the length (to know the end) and a validator (so that
    // the rest comes from the same file); without them the file starts over.
    const bool resume = m_held > 0 && m_total > 0 && m_held < m_total && !m_validator.empty();
    if (!resume) ResetHeld();
    DeleteFileW(m_partPath.c_str());
    // The platform rewrites its target: a later piece goes to a file of its own.
    const std::wstring& target = resume ? m_partPath : m_path;

    CBindCallback::AttemptSetup setup;
    setup.held = m_held;
    setup.total = m_total;
    if (resume) {
        setup.requestHeaders =
            L"Range: bytes=" + ZKCore::DecimalText(m_held) + L"-\r\nIf-Range: " + m_validator + L"\r\n";
    }
    const size_t slash = m_path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) setup.spaceFolder = m_path.substr(0, slash + 1);
    record.from = m_held;

    m_statusCallback.BeginAttempt(setup);
    const DWORD begun = GetTickCount();
    const HRESULT platformResult = URLDownloadToFileW(nullptr, address.c_str(), target.c_str(), 0, &m_statusCallback);
    m_statusCallback.EndAttempt();
    record.durationMs = GetTickCount() - begun;
    // The bind flags ask for no cache copy, but not every URL moniker honours
    // them for a download to a file (Wine's keeps only its own flags): a copy
    // left in the user's cache is removed whatever the outcome.
    ForgetCacheCopy(address, m_statusCallback.CacheFile());

    const unsigned status = m_statusCallback.HttpStatus();
    record.httpStatus = status;
    record.bytes = FileSize(target);
    Verdict verdict;
    if (m_statusCallback.IsAborted()) {
        verdict.result = E_ABORT;
        verdict.kind = FailureKind::Fatal;
        record.why = L"stopped";
    } else if (m_statusCallback.Refusal() != S_OK) {
        // Stopped by the status object: a page, no room, a redirect loop.
        DeleteFileW(target.c_str());
        if (!resume) ResetHeld();
        verdict.result = m_statusCallback.Refusal();
        verdict.kind = verdict.result == kDiskFullResult ? FailureKind::Fatal : FailureKind::Permanent;
        record.why = m_statusCallback.RefusalReason();
    } else if (status != 0 && (status < 200 || status > 299)) {
        // An error page is not the file.
        DeleteFileW(target.c_str());
        if (!resume) ResetHeld();
        verdict.result = HttpStatusResult(status);
        verdict.kind = ClassifyHttpStatus(status);
        record.why = L"HTTP " + ZKCore::DecimalText(status);
        if (status == 416) {
            // The bytes held do not fit the file any more: it changed.
            ResetHeld();
            verdict.kind = FailureKind::Transient;
            verdict.immediate = true;
            record.why += L": the range asked for is past the file's end; starting over";
        } else if (status == 429 || status == 503) {
            SYSTEMTIME now{};
            GetSystemTime(&now);
            verdict.serverDelayMs =
                RetryAfterMs(HeaderValue(m_statusCallback.ResponseHeaders().c_str(), L"Retry-After"), now);
        }
    } else if (status == 0 && platformResult != S_OK) {
        // No answer at all: refused, no route, name unknown, dropped before the headers.
        DeleteFileW(target.c_str());
        if (!resume) ResetHeld();
        verdict.result = m_statusCallback.Stalled() ? kStalledResult : platformResult;
        record.why = m_statusCallback.Stalled() ? L"no answer within the stall time" : L"no answer from the server";
    } else {
        verdict = JudgeBody(resume, platformResult, record);
    }
    DeleteFileW(m_partPath.c_str());
    return verdict;
}

CWinDownloader::Verdict CWinDownloader::JudgeBody(bool resume, HRESULT platformResult, DownloadAttempt& record) {
    Verdict verdict;
    const unsigned status = m_statusCallback.HttpStatus();
    const std::wstring& headers = m_statusCallback.ResponseHeaders();
    const long long piece = record.bytes;
    const long long announced = m_statusCallback.ExpectedLength();
    if (status == 206) {
        ContentRange range;
        const std::wstring rangeText = HeaderValue(headers.c_str(), L"Content-Range");
        if (!resume || !ParseContentRange(rangeText, range) || range.first != m_held || range.total != m_total) {
            ResetHeld();
            verdict.result = kBadRangeResult;
            verdict.immediate = true;
            record.why = L"the piece (Content-Range " + rangeText + L") does not continue the " +
                         ZKCore::DecimalText(m_held) + L" bytes held; starting over";
            return verdict;
        }
        if (piece > range.last - range.first + 1 || (announced >= 0 && piece > announced)) {
            verdict.result = kOversizedResult;
            verdict.kind = FailureKind::Permanent;
            record.why = L"the piece is longer than announced";
            return verdict;
        }
        if (piece > 0 && !AppendFile(m_path, m_partPath)) {
            ResetHeld();
            verdict.result = HRESULT_FROM_WIN32(GetLastError());
            record.why = L"the piece could not be appended";
            return verdict;
        }
        m_held += piece;
    } else {
        // The whole file from its first byte (200, or a file URL): a resume
        // that gets it starts over with this body.
        if (resume) {
            Log(L"The server sent the whole file instead of the rest (it changed, or serves no ranges): starting over");
            if (!MoveFileExW(m_partPath.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
                ResetHeld();
                verdict.result = HRESULT_FROM_WIN32(GetLastError());
                record.why = L"the new body could not be kept";
                return verdict;
            }
        }
        m_held = piece;
        m_total = announced;
        m_validator = status == 0 ? std::wstring()
                                  : RangeValidator(HeaderValue(headers.c_str(), L"ETag"),
                                                   HeaderValue(headers.c_str(), L"Last-Modified"));
        if (m_total >= 0 && m_held > m_total) {
            ResetHeld();
            verdict.result = kOversizedResult;
            verdict.kind = FailureKind::Permanent;
            record.why += L"the body is longer than its announced " + ZKCore::DecimalText(announced) + L" bytes";
            return verdict;
        }
    }
    // Only bytes past the most ever held count: fetching again what a start
    // over dropped is no progress, so a server that keeps failing the same
    // way still runs out of attempts.
    verdict.progressed = m_held > m_mostHeld;
    m_mostHeld = std::max(m_mostHeld, m_held);
    m_statusCallback.SetHeld(m_held, m_total);

    // A page or a proxy's notice is no program, whatever its type said.
    if (m_held >= 2) {
        const std::string start = FirstBytes(m_path, 2);
        if (!StartsLikeProgram(start.data(), start.size())) {
            ResetHeld();
            verdict.result = kNotAProgramResult;
            verdict.kind = FailureKind::Permanent;
            record.why += L"the body is no program (it starts with \"" + Printable(start) + L"\")";
            return verdict;
        }
    }
    const bool stalled = m_statusCallback.Stalled();
    const bool complete = m_total >= 0 ? m_held == m_total : platformResult == S_OK && !stalled;
    if (complete) {
        if (m_held < 2) {
            ResetHeld();
            verdict.result = kNotAProgramResult;
            verdict.kind = FailureKind::Permanent;
            record.why += L"the body is too short for a program";
            return verdict;
        }
        verdict.result = S_OK;
        record.why.clear();
        return verdict;
    }
    verdict.result = stalled ? kStalledResult : platformResult != S_OK ? platformResult : kTruncatedResult;
    record.why += (stalled ? L"the transfer stalled" : platformResult != S_OK ? L"the connection broke" : L"the body ended early") +
                  std::wstring(L" at byte ") + ZKCore::DecimalText(m_held) +
                  (m_total >= 0 ? L" of " + ZKCore::DecimalText(m_total) : std::wstring());
    if (m_total < 0 || m_validator.empty()) record.why += L"; no length or validator to resume with: starting over";
    return verdict;
}

}  // namespace ZKInstaller
