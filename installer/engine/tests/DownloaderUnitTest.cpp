// The downloader's pieces without a network: address preparation, header
// reading, the status object's answers, the worker thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "DownloadTestSupport.h"
#include "installer/engine/Downloader.h"
#include "installer/engine/WorkerThread.h"

using namespace ZKInstaller;

namespace {
struct Call {
    int code;
    double value;
    std::wstring text;
};

struct CallbackProbe {
    std::vector<Call> calls;
    ProgressCallback Callback() {
        return [this](int code, double value, const wchar_t* text) { calls.push_back({code, value, text}); };
    }
};
}  // namespace

TEST(PrepareTransferUrl, FileUrlsPassUnchangedEverythingElseIsEscaped) {
    const struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"file:///C:/dir with space/p.exe", L"file:///C:/dir with space/p.exe"},
        {L"FILE:///C:/dir with space", L"FILE:///C:/dir+with+space"},
        {L"File:///C:/a b", L"File:///C:/a+b"},
        {L" file:///C:/a", L"+file:///C:/a"},
        {L"http://h/openapi/download?ch=10009&app=50000", L"http://h/openapi/download?ch=10009&app=50000"},
        {L"http://h/a b?q=%41b c", L"http://h/a+b?q=%41b+c"},
        {L"http://h/\u00e9", L"http://h/%C3%A9"},
        {L"http://h/\u4e2d", L"http://h/%E4%B8%AD"},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(PrepareTransferUrl(c.in), c.out) << "input: " << testing::PrintToString(std::wstring(c.in));
}

TEST(AnnouncedLength, ReadsContentLengthFromRawHeaders) {
    const struct {
        const wchar_t* headers;
        long long length;
    } cases[] = {
        {L"HTTP/1.1 200 OK\r\nContent-Length: 65536\r\nServer: x\r\n\r\n", 65536},
        {L"HTTP/1.1 200 OK\r\ncontent-length:12\r\n", 12},
        {L"HTTP/1.1 200 OK\r\nCONTENT-LENGTH:   7  \r\n", 7},
        {L"HTTP/1.1 200 OK\nContent-Length: 0\n", 0},
        {L"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", -1},
        {L"HTTP/1.1 200 OK\r\nContent-Length: 12x\r\n", -1},
        {L"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n", -1},
        {L"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n", -1},
        {L"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n", -1},
        {L"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 5\r\n", 5},
        {L"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 40\r\n", -1},
        {L"HTTP/1.1 200 OK\r\nContent-Encoding: identity\r\nContent-Length: 40\r\n", 40},
        {L"HTTP/1.1 200 OK\r\nX-Content-Length: 40\r\n", -1},
        {L"", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(AnnouncedLength(c.headers), c.length) << testing::PrintToString(std::wstring(c.headers));
    EXPECT_EQ(AnnouncedLength(nullptr), -1);
}

TEST(BindCallback, ProgressWithATotalIsReportedAsARatioAndWithoutOneNotAtAll) {
    CallbackProbe probe;
    CWinDownloader::CBindCallback callback;
    callback.SetProgressCallback(probe.Callback());
    callback.BeginAttempt();
    EXPECT_EQ(callback.OnProgress(0, 0, BINDSTATUS_FINDINGRESOURCE, L"127.0.0.1"), S_OK);
    EXPECT_EQ(callback.OnProgress(8192, 0, BINDSTATUS_DOWNLOADINGDATA, L"x"), S_OK);
    EXPECT_TRUE(probe.calls.empty());
    EXPECT_EQ(callback.OnProgress(5, 10, BINDSTATUS_CONNECTING, nullptr), S_OK);
    EXPECT_EQ(callback.OnProgress(0xFFFFFFFFu, 0xFFFFFFFFu, BINDSTATUS_ENDDOWNLOADDATA, nullptr), S_OK);
    // Unsigned 32-bit operands: a count above 2^31 is not negative.
    EXPECT_EQ(callback.OnProgress(0x80000000u, 0xFFFFFFFFu, BINDSTATUS_DOWNLOADINGDATA, nullptr), S_OK);
    ASSERT_EQ(probe.calls.size(), 3u);
    EXPECT_EQ(probe.calls[0].code, kDownloadProgress);
    EXPECT_DOUBLE_EQ(probe.calls[0].value, 0.5);
    EXPECT_EQ(probe.calls[0].text, L"");
    EXPECT_DOUBLE_EQ(probe.calls[1].value, 1.0);
    EXPECT_NEAR(probe.calls[2].value, 0.5, 1e-9);
}

TEST(BindCallback, AnErrorResponseMovesNoProgressAndIsRemembered) {
    CallbackProbe probe;
    CWinDownloader::CBindCallback callback;
    callback.SetProgressCallback(probe.Callback());
    callback.BeginAttempt();
    LPWSTR extra = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(callback.OnResponse(404, L"HTTP/1.1 404 Not Found\r\nContent-Length: 335\r\n", nullptr, &extra), S_OK);
    EXPECT_EQ(extra, nullptr);
    EXPECT_EQ(callback.OnProgress(335, 335, BINDSTATUS_ENDDOWNLOADDATA, nullptr), S_OK);
    EXPECT_TRUE(probe.calls.empty());
    EXPECT_EQ(callback.HttpStatus(), 404u);
    EXPECT_EQ(callback.ExpectedLength(), 335);
    callback.BeginAttempt();  // the next attempt starts clean
    EXPECT_EQ(callback.HttpStatus(), 0u);
    EXPECT_EQ(callback.ExpectedLength(), -1);
}

TEST(BindCallback, WithoutAResponseTheReportedTotalIsTheExpectedLength) {
    CWinDownloader::CBindCallback callback;
    callback.BeginAttempt();
    callback.OnProgress(0, 4096, BINDSTATUS_FINDINGRESOURCE, nullptr);  // not a data report
    EXPECT_EQ(callback.ExpectedLength(), -1);
    callback.OnProgress(4096, 10000, BINDSTATUS_ENDDOWNLOADDATA, nullptr);
    EXPECT_EQ(callback.ExpectedLength(), 10000);
}

TEST(BindCallback, AbortMakesProgressAnswerAbortAndReportNothing) {
    CallbackProbe probe;
    CWinDownloader::CBindCallback callback;
    callback.SetProgressCallback(probe.Callback());
    callback.Abort();
    EXPECT_TRUE(callback.IsAborted());
    EXPECT_EQ(callback.OnProgress(5, 10, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
    EXPECT_TRUE(probe.calls.empty());
}

TEST(BindCallback, AnswersOnlyHttpNegotiateAndCountsNoReferences) {
    CWinDownloader::CBindCallback callback;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(callback.QueryInterface(IID_IHttpNegotiate, &object), S_OK);
    EXPECT_EQ(object, static_cast<IHttpNegotiate*>(&callback));
    for (const IID* iid : {&IID_IUnknown, &IID_IBindStatusCallback, &IID_IServiceProvider, &IID_IHttpNegotiate2}) {
        object = reinterpret_cast<void*>(1);
        EXPECT_EQ(callback.QueryInterface(*iid, &object), E_NOTIMPL);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(callback.AddRef(), 0u);
    EXPECT_EQ(callback.Release(), 0u);
    EXPECT_EQ(callback.QueryInterface(IID_IHttpNegotiate, nullptr), E_POINTER);
}

TEST(WorkerThread, RunsItsProcedureOnANamedThreadOnlyAfterResume) {
    std::atomic<DWORD> ranOn{0};
    std::wstring name;
    struct Context {
        std::atomic<DWORD>* ranOn;
        std::wstring* name;
    } context{&ranOn, &name};
    CWorkerThread thread(
        [](void* argument) -> uint32_t {
            auto* c = static_cast<Context*>(argument);
            *c->name = ZKTest::CurrentThreadDescription();
            *c->ranOn = GetCurrentThreadId();
            return 7;
        },
        &context, L"ABDEF");
    ASSERT_TRUE(thread.HasThread());
    Sleep(100);
    EXPECT_EQ(ranOn.load(), 0u) << "a suspended thread must not run";
    EXPECT_EQ(thread.Resume(), 1);
    thread.Join();
    EXPECT_EQ(ranOn.load(), thread.ThreadId());
    EXPECT_NE(ranOn.load(), GetCurrentThreadId());
    if (ZKTest::ThreadDescriptionsSupported()) {
        EXPECT_EQ(name, L"ABDEF");
    }
}

TEST(WorkerThread, ANeverResumedThreadIsReleasedWithoutRunning) {
    std::atomic<bool> ran{false};
    { CWorkerThread thread([](void* argument) -> uint32_t { static_cast<std::atomic<bool>*>(argument)->store(true); return 0; }, &ran, L"x"); }
    EXPECT_FALSE(ran.load());
}

TEST(WorkerThread, DestroyingANeverResumedThreadReturnsOnlyAfterItHasEndedWithoutRunning) {
    std::atomic<int> runs{0};
    for (int cycle = 0; cycle < 200; ++cycle) {
        Veneer::UiKernelHandle observer;
        {
            CWorkerThread thread([&runs](void*) -> uint32_t { return ++runs; }, nullptr, L"x");
            ASSERT_TRUE(thread.HasThread());
            observer.Reset(OpenThread(SYNCHRONIZE, FALSE, thread.ThreadId()));
            ASSERT_TRUE(observer);
        }
        // Signalled already: the thread no longer reads the destroyed wrapper.
        ASSERT_EQ(WaitForSingleObject(observer.Get(), 0), WAIT_OBJECT_0) << "cycle " << cycle;
    }
    EXPECT_EQ(runs.load(), 0);
}
