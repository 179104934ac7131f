#pragma once
// Helpers for tests that run the downloader against the local download
// service: the service's address and control endpoint, a recorder of
// notifications, and file helpers.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "installer/engine/Downloader.h"

namespace ZKTest {

struct Notification {
    int code;
    double value;
    std::wstring text;
    DWORD threadId;
};

// Collects notifications from the worker thread; waits for the outcome.
class NotificationRecorder {
public:
    ZKInstaller::ProgressCallback Callback();
    // Waits until 1003 or 1004 arrived; false on timeout.
    bool WaitForOutcome(DWORD timeoutMs);
    // Waits until a 1002 with a ratio above zero arrived.
    bool WaitForDataProgress(DWORD timeoutMs);
    std::vector<Notification> Snapshot() const;
    std::vector<int> Codes() const;
    std::wstring FirstThreadName() const;
    // Forgets what arrived, for the next download of a table-driven test.
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Notification> m_events;
    std::wstring m_firstThreadName;
};

// "http://127.0.0.1:<port>" from ZK_TEST_SERVER; empty when not set.
std::wstring ServerUrl();
// The service's package file from ZK_TEST_PACKAGE (a Windows path).
std::wstring PackageFile();
// GET through WinINet, bypassing every cache; the body, or "<error>".
std::string HttpGet(const std::wstring& url);
// Replaces the service's fault settings and clears its request log.
bool Configure(const std::wstring& query);
// Raw request targets the service logged since the last Configure.
std::vector<std::string> LoggedPaths();
// What the service answered each request since the last Configure.
struct ServedRequest {
    int status = 0;
    long long sent = 0;   // body bytes actually sent
    std::string range;    // the request's Range header, "-" when absent
    std::string ifRange;  // its If-Range header, "-" when absent
    int port = 0;         // the listener that took it
    std::string path;
};
std::vector<ServedRequest> ServedRequests();
long long BytesSent(const std::vector<ServedRequest>& requests);
// "http://127.0.0.1:<port>" of the service's second listener.
std::wstring SecondServerUrl();

std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
// A fresh, not yet existing file path in a temporary folder.
std::wstring TempFilePath(const wchar_t* stem);
// The description the platform keeps for the calling thread; empty if unsupported.
std::wstring CurrentThreadDescription();
// Whether the platform keeps thread descriptions at all (Windows 10 1607+, Wine).
bool ThreadDescriptionsSupported();

}  // namespace ZKTest
