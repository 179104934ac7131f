// The status object of CWinDownloader: progress notifications, the HTTP status
// and announced size of each attempt, and the binding that it abandons on the
// worker thread when another thread asks for it.
#include <cwctype>

#include "installer/engine/Downloader.h"

namespace ZKInstaller {

namespace {
bool IsDataStatus(ULONG statusCode) {
    return statusCode == BINDSTATUS_BEGINDOWNLOADDATA || statusCode == BINDSTATUS_DOWNLOADINGDATA ||
           statusCode == BINDSTATUS_ENDDOWNLOADDATA;
}

bool IsSuccessStatus(unsigned status) { return status >= 200 && status <= 299; }

std::wstring Trim(const std::wstring& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::iswspace(text[first])) ++first;
    while (last > first && std::iswspace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return i == a.size() && b[i] == L'\0';
}
}  // namespace

long long AnnouncedLength(const wchar_t* responseHeaders) {
    if (!responseHeaders) return -1;
    long long length = -1;
    bool encoded = false;
    const std::wstring all(responseHeaders);
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find(L'\n', start);
        if (end == std::wstring::npos) end = all.size();
        const std::wstring line = all.substr(start, end - start);
        start = end + 1;
        const size_t colon = line.find(L':');
        if (colon == std::wstring::npos) continue;  // the status line or a blank line
        const std::wstring name = Trim(line.substr(0, colon));
        const std::wstring value = Trim(line.substr(colon + 1));
        if (EqualsNoCase(name, L"Content-Length")) {
            // Digits only, at most 18 of them, so the value cannot overflow.
            if (value.empty() || value.size() > 18) return -1;
            long long parsed = 0;
            for (const wchar_t c : value) {
                if (c < L'0' || c > L'9') return -1;
                parsed = parsed * 10 + (c - L'0');
            }
            if (length >= 0 && length != parsed) return -1;  // contradictory headers
            length = parsed;
        } else if (EqualsNoCase(name, L"Content-Encoding") && !EqualsNoCase(value, L"identity")) {
            encoded = true;  // the length counts encoded bytes, the file decoded ones
        }
    }
    return encoded ? -1 : length;
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

void CWinDownloader::CBindCallback::BeginAttempt() {
    m_httpStatus = 0;
    m_headerLength = -1;
    m_reportedMax = 0;
    m_stalled = false;
    m_bindingAborted = false;
    // The activity first: a watchdog that sees the new number sees it too.
    NoteActivity();
    ++m_attempt;
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

STDMETHODIMP CWinDownloader::CBindCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR) {
    NoteActivity();
    if (m_aborted.load()) {
        ServiceRequests();  // stops the binding here, on its own thread
        return E_ABORT;
    }
    if (IsDataStatus(statusCode) && progressMax > 0) m_reportedMax = progressMax;
    // An error page is not the package: it moves no progress display.
    if (m_httpStatus != 0 && !IsSuccessStatus(m_httpStatus)) return S_OK;
    if (progressMax > 0 && m_progressCallback) {
        // Every kind of report with a total counts, whatever its status code.
        const double ratio = static_cast<double>(static_cast<uint32_t>(progress)) /
                             static_cast<double>(static_cast<uint32_t>(progressMax));
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
    if (additionalHeaders) *additionalHeaders = nullptr;
    return S_OK;
}

STDMETHODIMP CWinDownloader::CBindCallback::OnResponse(DWORD status, LPCWSTR responseHeaders, LPCWSTR,
                                                       LPWSTR* additionalRequestHeaders) {
    NoteActivity();
    if (additionalRequestHeaders) *additionalRequestHeaders = nullptr;
    m_httpStatus = static_cast<unsigned>(status);
    m_headerLength = AnnouncedLength(responseHeaders);
    // The verdict is taken when the attempt returns: the platform completes the
    // transfer of an error page whatever this answers.
    return S_OK;
}

}  // namespace ZKInstaller
