#include "installer/engine/testsupport/DownloadTestSupport.h"

#include <wininet.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace ZKTest {

namespace {
std::wstring Environment(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value) : std::wstring();
}

using GetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PWSTR*);
}  // namespace

ZKInstaller::ProgressCallback NotificationRecorder::Callback() {
    return [this](int code, double value, const wchar_t* text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_events.empty()) m_firstThreadName = CurrentThreadDescription();
        m_events.push_back({code, value, text ? text : L"<null>", GetCurrentThreadId()});
        m_changed.notify_all();
    };
}

bool NotificationRecorder::WaitForOutcome(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        for (const auto& e : m_events) {
            if (e.code == ZKInstaller::kDownloadSucceeded || e.code == ZKInstaller::kDownloadFailed) return true;
        }
        return false;
    });
}

bool NotificationRecorder::WaitForDataProgress(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        for (const auto& e : m_events) {
            if (e.code == ZKInstaller::kDownloadProgress && e.value > 0.0) return true;
        }
        return false;
    });
}

std::vector<Notification> NotificationRecorder::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

std::vector<int> NotificationRecorder::Codes() const {
    std::vector<int> codes;
    for (const auto& e : Snapshot()) codes.push_back(e.code);
    return codes;
}

void NotificationRecorder::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
    m_firstThreadName.clear();
}

std::wstring NotificationRecorder::FirstThreadName() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_firstThreadName;
}

std::wstring ServerUrl() { return Environment(L"ZK_TEST_SERVER"); }
std::wstring PackageFile() { return Environment(L"ZK_TEST_PACKAGE"); }

std::string HttpGet(const std::wstring& url) {
    std::string body = "<error>";
    HINTERNET session = InternetOpenW(L"ZKTest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!session) return body;
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
    if (HINTERNET request = InternetOpenUrlW(session, url.c_str(), nullptr, 0, flags, 0)) {
        body.clear();
        char buffer[4096];
        DWORD read = 0;
        while (InternetReadFile(request, buffer, sizeof(buffer), &read) && read > 0) body.append(buffer, read);
        InternetCloseHandle(request);
    }
    InternetCloseHandle(session);
    return body;
}

bool Configure(const std::wstring& query) { return HttpGet(ServerUrl() + L"/control?" + query) == "ok"; }

std::vector<std::string> LoggedPaths() {
    std::vector<std::string> paths;
    std::istringstream lines(HttpGet(ServerUrl() + L"/log?paths=1"));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) paths.push_back(line);
    }
    return paths;
}

std::vector<ServedRequest> ServedRequests() {
    std::vector<ServedRequest> requests;
    std::istringstream lines(HttpGet(ServerUrl() + L"/log?summary=1"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        ServedRequest r;
        std::string status, sent, port;
        std::getline(fields, status, '\t');
        std::getline(fields, sent, '\t');
        std::getline(fields, r.range, '\t');
        std::getline(fields, r.ifRange, '\t');
        std::getline(fields, port, '\t');
        std::getline(fields, r.path);
        if (status.empty()) continue;
        r.status = std::atoi(status.c_str());
        r.sent = std::atoll(sent.c_str());
        r.port = std::atoi(port.c_str());
        requests.push_back(r);
    }
    return requests;
}

long long BytesSent(const std::vector<ServedRequest>& requests) {
    long long sum = 0;
    for (const ServedRequest& r : requests) sum += r.sent;
    return sum;
}

std::wstring SecondServerUrl() {
    const std::string port = HttpGet(ServerUrl() + L"/control?second=1");
    return L"http://127.0.0.1:" + std::wstring(port.begin(), port.end());
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring TempFilePath(const wchar_t* stem) {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(++counter) + L".bin";
    DeleteFileW(path.c_str());
    return path;
}

namespace {
GetThreadDescriptionFn FindGetThreadDescription() {
    for (const wchar_t* module : {L"kernel32.dll", L"kernelbase.dll"}) {
        HMODULE handle = GetModuleHandleW(module);
        if (!handle) continue;
        if (auto get = reinterpret_cast<GetThreadDescriptionFn>(
                reinterpret_cast<void*>(GetProcAddress(handle, "GetThreadDescription")))) {
            return get;
        }
    }
    return nullptr;
}
}  // namespace

bool ThreadDescriptionsSupported() { return FindGetThreadDescription() != nullptr; }

std::wstring CurrentThreadDescription() {
    if (auto get = FindGetThreadDescription()) {
        PWSTR description = nullptr;
        if (FAILED(get(GetCurrentThread(), &description)) || !description) return std::wstring();
        std::wstring result(description);
        LocalFree(description);
        return result;
    }
    return std::wstring();
}

}  // namespace ZKTest
