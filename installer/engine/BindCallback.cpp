// The status object of CWinDownloader: progress notifications, the HTTP status
// and announced size of each attempt, and the binding that it abandons on the
// worker thread when another thread asks for it.
#include <algorithm>
#include <climits>
#include <cwctype>

#include "ZKCore/ZKString.h"
#include "installer/engine/DownloadPolicy.h"
#include "installer/engine/Downloader.h"

namespace ZKInstaller {

namespace {
bool IsDataStatus(ULONG statusCode) {
    return statusCode == BINDSTATUS_BEGINDOWNLOADDATA || statusCode == BINDSTATUS_DOWNLOADINGDATA ||
           statusCode == BINDSTATUS_ENDDOWNLOADDATA;
}

bool IsSuccessStatus(unsigned status) { return status >= 200 && status <= 299; }

}  // namespace

long long AnnouncedLength(const wchar_t* responseHeaders) {
    if (!responseHeaders) return -1;
    long long length = -1;
    bool usable = true;
    bool encoded = false;
    ForEachHeader(responseHeaders, [&](const std::wstring& name, const std::wstring& value) {
        if (EqualsNoCase(name, L"Content-Length")) {
            // Digits only, at most 18 of them, so the value cannot overflow.
            usable = !value.empty() && value.size() <= 18;
            long long parsed = 0;
            for (size_t i = 0; usable && i < value.size(); ++i) {
                usable = value[i] >= L'0' && value[i] <= L'9';
                parsed = parsed * 10 + (value[i] - L'0');
            }
            if (length >= 0 && length != parsed) usable = false;  // contradictory headers
            length = parsed;
        } else if (EqualsNoCase(name, L"Content-Encoding") && !EqualsNoCase(value, L"identity")) {
            encoded = true;  // the length counts encoded bytes, the file decoded ones
        }
        return usable;
    });
    return usable && !encoded ? length : -1;
}

CWinDownloader::CBindCallback::~CBindCallback() {
    m_aborted = true;
    ReleaseBinding();  // normally done: every attempt releases its binding
    m_progressCallback = nullptr;
}

void CWinDownloader::CBindCallback::Abort() {
    m_aborted = true;
    Wake();
}

void CWinDownloader::CBindCallback::Wake() {
    // Does not wait: the worker may be busy, or gone (the send then fails).
    // The platform's transfer loop dispatches only its own window's messages
    // but delivers sent ones whenever it looks at the queue; it looks when a
    // message is posted, and otherwise only every few seconds. So the request
    // is sent, then a copy posted to wake the loop at once.
    const HWND window = m_requestWindow.load();
    if (!window) return;
    SendNotifyMessageW(window, kWakeRequest, 0, 0);
    PostMessageW(window, kWakeRequest, 0, 0);
}

bool CWinDownloader::CBindCallback::OnBindingThread() {
    if (GetCurrentThreadId() == m_bindingThread) return true;
    ++m_foreignBindingCalls;
    return false;
}

void CWinDownloader::CBindCallback::BeginAttempt(const AttemptSetup& setup) {
    m_setup = setup;
    m_httpStatus = 0;
    m_headerLength = -1;
    m_reportedMax = 0;
    m_stalled = false;
    m_bindingAborted = false;
    m_base = setup.held;
    m_requests = 0;
    m_responseHeaders.clear();
    m_cacheFile.clear();
    m_refusal = S_OK;
    m_refusalReason.clear();
    m_dataReports = 0;
    m_firstData = 0;
    m_lastData = 0;
    SetHeld(setup.held, setup.total);
    // The activity first: a watchdog that sees the new number sees it too.
    NoteActivity();
    ++m_attempt;
}

void CWinDownloader::CBindCallback::SetHeld(long long held, long long total) {
    m_total = total;
    m_received = held;
}

DownloadProgress CWinDownloader::CBindCallback::Progress() const {
    DownloadProgress progress;
    progress.total = m_total.load();
    progress.received = m_received.load();
    return progress;
}

void CWinDownloader::CBindCallback::Refuse(HRESULT why, const std::wstring& reason) {
    if (m_refusal != S_OK) return;
    m_refusal = why;
    m_refusalReason = reason;
}

void CWinDownloader::CBindCallback::EndAttempt() {
    m_bound = false;
    ReleaseBinding();
}

long long CWinDownloader::CBindCallback::ExpectedLength() const {
    if (m_httpStatus != 0) return m_headerLength;
    // Not HTTP (a file URL): the total the platform reported, when it did.
    return m_reportedMax > 0 ? static_cast<long long>(m_reportedMax) : -1;
}

bool CWinDownloader::CBindCallback::AbortIfStalled(DWORD timeoutMs) {
    if (!m_bound.load()) return false;
    const unsigned attempt = m_attempt.load();
    if (m_stallRequest.load() == attempt) return false;
    // Data that flowed steadily and stopped: the average gap between reports
    // so far tells what silence is unusual.
    const unsigned reports = m_dataReports.load();
    if (reports >= 2 * kQuickStallGaps) {
        const DWORD averageGap = (m_lastData.load() - m_firstData.load()) / (reports - 1);
        timeoutMs = std::min<DWORD>(timeoutMs, std::max<DWORD>(kQuickStallFloorMs, kQuickStallGaps * averageGap));
    }
    if (GetTickCount() - m_lastActivity.load() < timeoutMs) return false;
    // A request that reaches the worker after its attempt ended names an
    // attempt that is over and is ignored.
    m_stallRequest = attempt;
    Wake();
    return true;
}

void CWinDownloader::CBindCallback::ServiceRequests() {
    if (!m_binding || m_bindingAborted) return;
    const bool stalled = m_stallRequest.load() == m_attempt.load();
    if (!stalled && !m_aborted.load()) return;
    if (!OnBindingThread()) return;
    // A stall leaves the abort flag alone: the next attempt may still succeed.
    m_stalled = stalled;
    m_bindingAborted = true;
    // The platform may report the stop from inside Abort.
    m_binding->Abort();
}

void CWinDownloader::CBindCallback::ReleaseBinding() {
    if (!m_binding) return;
    // Off its thread the reference is left behind rather than released there.
    if (OnBindingThread()) m_binding->Release();
    m_binding = nullptr;
}

STDMETHODIMP CWinDownloader::CBindCallback::QueryInterface(REFIID riid, void** object) {
    // Only IHttpNegotiate: it carries the response status. Answering more
    // (IServiceProvider, IHttpNegotiate2, IAuthenticate...) would change how
    // the platform binds.
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IHttpNegotiate)) {
        *object = static_cast<IHttpNegotiate*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOTIMPL;
}

// The downloader owns this object; the platform's references are not counted.
STDMETHODIMP_(ULONG) CWinDownloader::CBindCallback::AddRef() { return 0; }
STDMETHODIMP_(ULONG) CWinDownloader::CBindCallback::Release() { return 0; }

STDMETHODIMP CWinDownloader::CBindCallback::OnStartBinding(DWORD, IBinding* binding) {
    NoteActivity();
    if (binding) {
        ReleaseBinding();
        binding->AddRef();
        m_binding = binding;
        m_bindingThread = GetCurrentThreadId();
        m_bound = true;
    }
    return m_aborted.load() ? E_ABORT : E_NOTIMPL;
}

STDMETHODIMP CWinDownloader::CBindCallback::GetPriority(LONG*) { return E_NOTIMPL; }
STDMETHODIMP CWinDownloader::CBindCallback::OnLowResource(DWORD) { return E_NOTIMPL; }

STDMETHODIMP CWinDownloader::CBindCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                                       LPCWSTR statusText) {
    NoteActivity();
    if (m_aborted.load()) {
        ServiceRequests();  // stops the binding here, on its own thread
        return E_ABORT;
    }
    // The platform follows redirects by itself and reports each request it sends.
    if (statusCode == BINDSTATUS_SENDINGREQUEST && ++m_requests > kMaxRequestsPerAttempt) {
        Refuse(kRedirectLoopResult, L"more than " + ZKCore::DecimalText(kMaxRequestsPerAttempt) +
                                        L" requests in one attempt: the address redirects in a loop");
    }
    if (m_refusal != S_OK) {
        if (m_binding && !m_bindingAborted && OnBindingThread()) {
            m_bindingAborted = true;
            m_binding->Abort();
        }
        return E_ABORT;
    }
    if (statusCode == BINDSTATUS_CACHEFILENAMEAVAILABLE && statusText) m_cacheFile = statusText;
    if (IsDataStatus(statusCode) && progressMax > 0) m_reportedMax = progressMax;
    // An error page is not the package: it moves no progress display.
    if (m_httpStatus != 0 && !IsSuccessStatus(m_httpStatus)) return S_OK;
    if (IsDataStatus(statusCode)) {
        const DWORD now = GetTickCount();
        if (m_dataReports.load() == 0) m_firstData = now;
        m_lastData = now;
        ++m_dataReports;
        // Counts of this answer's body, unsigned 32-bit: whole files up to 4 GB.
        m_received = m_base + static_cast<long long>(static_cast<uint32_t>(progress));
        // A file URL has no headers: the platform's total is the file's.
        if (m_httpStatus == 0 && progressMax > 0) m_total = static_cast<long long>(static_cast<uint32_t>(progressMax));
    }
    const long long total = m_total.load();
    if (total > 0 && m_progressCallback) {
        // Every kind of report counts once the total is known, whatever its status code.
        const double ratio = std::min(1.0, static_cast<double>(m_received.load()) / static_cast<double>(total));
        m_progressCallback(kDownloadProgress, ratio, L"");
    }
    return S_OK;
}

STDMETHODIMP CWinDownloader::CBindCallback::OnStopBinding(HRESULT, LPCWSTR) {
    NoteActivity();
    return E_NOTIMPL;
}

STDMETHODIMP CWinDownloader::CBindCallback::GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) {
    // Addresses are sent as UTF-8. The package is always fetched afresh and
    // never kept in the user's URL cache: an elevated installer must not run
    // a copy that an unelevated program could have left there, nor leave one.
    if (bindInfo) bindInfo->dwCodePage = CP_UTF8;
    if (bindFlags) *bindFlags |= BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
    return S_OK;
}

STDMETHODIMP CWinDownloader::CBindCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }
STDMETHODIMP CWinDownloader::CBindCallback::OnObjectAvailable(REFIID, IUnknown*) { return E_NOTIMPL; }
STDMETHODIMP CWinDownloader::CBindCallback::GetBindInfoEx(DWORD*, BINDINFO*, DWORD*, DWORD*) { return E_NOTIMPL; }

STDMETHODIMP CWinDownloader::CBindCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) {
    NoteActivity();
    if (!additionalHeaders) return S_OK;
    *additionalHeaders = nullptr;
    if (m_setup.requestHeaders.empty()) return S_OK;
    // The platform frees the copy with CoTaskMemFree.
    const size_t bytes = (m_setup.requestHeaders.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!copy) return E_OUTOFMEMORY;
    std::copy(m_setup.requestHeaders.c_str(), m_setup.requestHeaders.c_str() + m_setup.requestHeaders.size() + 1, copy);
    *additionalHeaders = copy;
    return S_OK;
}

STDMETHODIMP CWinDownloader::CBindCallback::OnResponse(DWORD status, LPCWSTR responseHeaders, LPCWSTR,
                                                       LPWSTR* additionalRequestHeaders) {
    NoteActivity();
    if (additionalRequestHeaders) *additionalRequestHeaders = nullptr;
    m_httpStatus = static_cast<unsigned>(status);
    m_responseHeaders = responseHeaders ? responseHeaders : L"";
    m_headerLength = AnnouncedLength(responseHeaders);
    if (IsSuccessStatus(m_httpStatus)) TakeBody(responseHeaders);
    // The verdict on a status is taken when the attempt returns: the platform
    // completes the transfer of an error page whatever this answers.
    return S_OK;
}

void CWinDownloader::CBindCallback::TakeBody(LPCWSTR responseHeaders) {
    if (m_httpStatus == 206) {
        ContentRange range;
        if (ParseContentRange(HeaderValue(responseHeaders, L"Content-Range"), range)) {
            m_base = range.first;
            if (range.total >= 0) m_total = range.total;
        }
    } else {
        // The whole file from its first byte: a resume that gets it starts over.
        m_base = 0;
        m_total = m_headerLength;
        m_received = 0;
    }
    if (IsPageType(HeaderValue(responseHeaders, L"Content-Type"))) {
        Refuse(kNotAProgramResult, L"the answer is a web page (Content-Type " +
                                       HeaderValue(responseHeaders, L"Content-Type") + L"), not the program");
        return;
    }
    // Room for the body before any of it is written.
    if (m_headerLength >= 0 && !m_setup.spaceFolder.empty()) {
        ULARGE_INTEGER available{};
        if (GetDiskFreeSpaceExW(m_setup.spaceFolder.c_str(), &available, nullptr, nullptr)) {
            const long long needed = SpaceNeeded(m_headerLength, m_httpStatus == 206);
            const long long free = static_cast<long long>(std::min<ULONGLONG>(available.QuadPart, LLONG_MAX));
            if (free < needed) {
                Refuse(kDiskFullResult, L"not enough disk space in " + m_setup.spaceFolder + L": " +
                                            ZKCore::DecimalText(free) + L" bytes free, " + ZKCore::DecimalText(needed) +
                                            L" needed");
            }
        }
    }
}

}  // namespace ZKInstaller
