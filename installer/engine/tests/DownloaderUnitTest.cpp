// The downloader's pieces without a network: address preparation, header
// reading, the status object's answers, the worker thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>
#include <string>
#include <vector>

#include "installer/engine/testsupport/DownloadTestSupport.h"
#include "installer/engine/ComApartment.h"
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

TEST(BindCallback, ProgressCountsBytesOfTheWholeFileOnceItsTotalIsKnown) {
    CallbackProbe probe;
    CWinDownloader::CBindCallback callback;
    callback.SetProgressCallback(probe.Callback());
    callback.BeginAttempt();
    EXPECT_EQ(callback.OnProgress(0, 0, BINDSTATUS_FINDINGRESOURCE, L"127.0.0.1"), S_OK);
    EXPECT_EQ(callback.OnProgress(8192, 0, BINDSTATUS_DOWNLOADINGDATA, L"x"), S_OK);
    EXPECT_TRUE(probe.calls.empty()) << "no total yet";
    LPWSTR extra = nullptr;
    callback.OnResponse(200, L"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n", nullptr, &extra);
    EXPECT_EQ(callback.OnProgress(250, 1000, BINDSTATUS_DOWNLOADINGDATA, nullptr), S_OK);
    EXPECT_EQ(callback.OnProgress(250, 1000, BINDSTATUS_CACHEFILENAMEAVAILABLE, L"C:\\cache\\f[1]"), S_OK);
    ASSERT_EQ(probe.calls.size(), 2u);
    EXPECT_EQ(probe.calls[0].code, kDownloadProgress);
    EXPECT_DOUBLE_EQ(probe.calls[0].value, 0.25);
    EXPECT_EQ(probe.calls[0].text, L"");
    EXPECT_EQ(callback.CacheFile(), L"C:\\cache\\f[1]");
    EXPECT_EQ(callback.Progress().received, 250);
    EXPECT_EQ(callback.Progress().total, 1000);

    // A resumed piece: its counts start at the bytes held.
    probe.calls.clear();
    CWinDownloader::CBindCallback::AttemptSetup setup;
    setup.held = 600;
    setup.total = 1000;
    callback.BeginAttempt(setup);
    EXPECT_EQ(callback.Progress().received, 600);
    callback.OnResponse(206, L"HTTP/1.1 206 Partial\r\nContent-Range: bytes 600-999/1000\r\nContent-Length: 400\r\n",
                        nullptr, &extra);
    callback.OnProgress(200, 400, BINDSTATUS_DOWNLOADINGDATA, nullptr);
    ASSERT_EQ(probe.calls.size(), 1u);
    EXPECT_DOUBLE_EQ(probe.calls[0].value, 0.8);
    EXPECT_EQ(callback.Progress().received, 800);

    // The whole file instead of the rest: the count starts again.
    callback.BeginAttempt(setup);
    callback.OnResponse(200, L"HTTP/1.1 200 OK\r\nContent-Length: 2000\r\n", nullptr, &extra);
    EXPECT_EQ(callback.Progress().received, 0);
    callback.OnProgress(500, 2000, BINDSTATUS_DOWNLOADINGDATA, nullptr);
    EXPECT_DOUBLE_EQ(probe.calls.back().value, 0.25);
    EXPECT_EQ(callback.Progress().total, 2000);
}

TEST(BindCallback, ARangedAttemptSendsItsHeadersAndAnyOtherNone) {
    CWinDownloader::CBindCallback callback;
    callback.BeginAttempt();
    LPWSTR extra = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(callback.BeginningTransaction(L"http://h/", L"", 0, &extra), S_OK);
    EXPECT_EQ(extra, nullptr);
    CWinDownloader::CBindCallback::AttemptSetup setup;
    setup.held = 10;
    setup.requestHeaders = L"Range: bytes=10-\r\nIf-Range: \"abc\"\r\n";
    callback.BeginAttempt(setup);
    EXPECT_EQ(callback.BeginningTransaction(L"http://h/", L"", 0, &extra), S_OK);
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(std::wstring(extra), setup.requestHeaders);
    CoTaskMemFree(extra);
}

TEST(BindCallback, APageOrAnAnswerLargerThanTheDiskStopsTheAttempt) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    CWinDownloader::CBindCallback::AttemptSetup setup;
    setup.spaceFolder = temp;
    LPWSTR extra = nullptr;
    const struct {
        const wchar_t* headers;
        HRESULT refusal;
    } cases[] = {
        {L"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 4096\r\n", S_OK},
        {L"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: 300\r\n", kNotAProgramResult},
        {L"HTTP/1.1 200 OK\r\nContent-Length: 1000000000000000\r\n", kDiskFullResult},  // 1 PB
    };
    for (const auto& c : cases) {
        CWinDownloader::CBindCallback callback;
        callback.BeginAttempt(setup);
        callback.OnResponse(200, c.headers, nullptr, &extra);
        EXPECT_EQ(callback.Refusal(), c.refusal) << testing::PrintToString(std::wstring(c.headers));
        EXPECT_EQ(callback.OnProgress(8192, 0, BINDSTATUS_DOWNLOADINGDATA, nullptr), c.refusal == S_OK ? S_OK : E_ABORT);
    }
}

TEST(BindCallback, ARedirectLoopIsRefusedAfterItsRequestLimit) {
    CWinDownloader::CBindCallback callback;
    callback.BeginAttempt();
    for (unsigned i = 0; i < kMaxRequestsPerAttempt; ++i) {
        ASSERT_EQ(callback.OnProgress(0, 0, BINDSTATUS_SENDINGREQUEST, nullptr), S_OK);
    }
    EXPECT_EQ(callback.OnProgress(0, 0, BINDSTATUS_SENDINGREQUEST, nullptr), E_ABORT);
    EXPECT_EQ(callback.Refusal(), kRedirectLoopResult);
    callback.BeginAttempt();
    EXPECT_EQ(callback.Refusal(), S_OK) << "each attempt counts afresh";
}

TEST(DownloadPolicy, StatusesSplitIntoRetryAndGiveUp) {
    for (const unsigned status : {408u, 429u, 500u, 502u, 503u, 504u, 599u}) {
        EXPECT_EQ(ClassifyHttpStatus(status), FailureKind::Transient) << status;
    }
    for (const unsigned status : {400u, 401u, 403u, 404u, 410u, 416u, 451u}) {
        EXPECT_EQ(ClassifyHttpStatus(status), FailureKind::Permanent) << status;
    }
}

TEST(DownloadPolicy, WaitsDoubleFromTheFirstUpToTheCapWithinTheJitter) {
    RetryPolicy policy;  // 1 s doubling to 8 s, 20 % jitter
    EXPECT_EQ(BackoffDelayMs(policy, 0, 0.7), 0u) << "right after progress: at once";
    EXPECT_EQ(BackoffDelayMs(policy, 1, 0.5), 1000u);
    EXPECT_EQ(BackoffDelayMs(policy, 2, 0.5), 2000u);
    EXPECT_EQ(BackoffDelayMs(policy, 3, 0.5), 4000u);
    EXPECT_EQ(BackoffDelayMs(policy, 4, 0.5), 8000u);
    EXPECT_EQ(BackoffDelayMs(policy, 30, 0.5), 8000u);
    EXPECT_EQ(BackoffDelayMs(policy, 1, 0.0), 800u);
    EXPECT_EQ(BackoffDelayMs(policy, 4, 0.999999), 9600u);
    EXPECT_EQ(ServerDelayMs(policy, -1), 0u);
    EXPECT_EQ(ServerDelayMs(policy, 5000), 5000u);
    EXPECT_EQ(ServerDelayMs(policy, 3600000), 60000u);
}

TEST(DownloadPolicy, RetryAfterReadsSecondsAndHttpDates) {
    SYSTEMTIME now{};
    now.wYear = 2026;
    now.wMonth = 3;
    now.wDay = 1;
    now.wDayOfWeek = 0;
    now.wHour = 12;
    const struct {
        const wchar_t* value;
        long long ms;
    } cases[] = {
        {L"120", 120000},
        {L" 0 ", 0},
        {L"Sun, 01 Mar 2026 12:00:30 GMT", 30000},
        {L"Sunday, 01-Mar-26 12:01:00 GMT", 60000},  // the obsolete forms too
        {L"Sun Mar  1 12:00:05 2026", 5000},
        {L"Sat, 28 Feb 2026 12:00:00 GMT", 0},  // past: at once
        {L"-5", -1},
        {L"soon", -1},
        {L"", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(RetryAfterMs(c.value, now), c.ms) << testing::PrintToString(std::wstring(c.value));
}

TEST(DownloadPolicy, ContentRangeAndHeadersAreRead) {
    ContentRange range;
    ASSERT_TRUE(ParseContentRange(L"bytes 100-199/1000", range));
    EXPECT_EQ(range.first, 100);
    EXPECT_EQ(range.last, 199);
    EXPECT_EQ(range.total, 1000);
    ASSERT_TRUE(ParseContentRange(L"  Bytes 0-9/*", range));
    EXPECT_EQ(range.total, -1);
    for (const wchar_t* bad : {L"bytes */1000", L"bytes 5-4/10", L"bytes 0-10/10", L"items 0-1/2", L"bytes 1-2", L""}) {
        EXPECT_FALSE(ParseContentRange(bad, range)) << testing::PrintToString(std::wstring(bad));
    }
    const wchar_t* headers = L"HTTP/1.1 206 Partial\r\nETag: \"v1\"\r\ncontent-range:  bytes 1-2/3 \r\n\r\n";
    EXPECT_EQ(HeaderValue(headers, L"Content-Range"), L"bytes 1-2/3");
    EXPECT_EQ(HeaderValue(headers, L"Last-Modified"), L"");
    EXPECT_EQ(RangeValidator(L"\"v1\"", L"Sun, 01 Mar 2026 12:00:00 GMT"), L"\"v1\"");
    EXPECT_EQ(RangeValidator(L"W/\"v1\"", L"Sun, 01 Mar 2026 12:00:00 GMT"), L"Sun, 01 Mar 2026 12:00:00 GMT");
    EXPECT_EQ(RangeValidator(L"", L""), L"");
}

TEST(DownloadPolicy, OnlyAProgramPassesAndTheDiskMustHoldTheBody) {
    EXPECT_TRUE(IsPageType(L"text/html"));
    EXPECT_TRUE(IsPageType(L"Text/HTML; charset=utf-8"));
    EXPECT_TRUE(IsPageType(L"application/xhtml+xml"));
    EXPECT_FALSE(IsPageType(L"application/octet-stream"));
    EXPECT_FALSE(IsPageType(L"application/x-msdownload"));
    EXPECT_TRUE(StartsLikeProgram("MZ\x90", 3));
    EXPECT_FALSE(StartsLikeProgram("<!DOCTYPE html>", 15));
    EXPECT_FALSE(StartsLikeProgram("M", 1));
    EXPECT_FALSE(StartsLikeProgram("PK\x03\x04", 4));
    EXPECT_EQ(SpaceNeeded(-1, false), kSpaceMargin);
    EXPECT_EQ(SpaceNeeded(1000, false), 1000 + kSpaceMargin);
    EXPECT_EQ(SpaceNeeded(1000, true), 2000 + kSpaceMargin) << "a piece exists twice while it is appended";
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

TEST(ComApartment, AFailedJoinLeavesTheThreadInTheApartmentItWasIn) {
    // The download worker joins COM itself; on a thread already in the
    // multi-threaded apartment the join fails and must not be undone by a
    // CoUninitialize that would take the thread out of its own apartment.
    std::thread worker([] {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        {
            CComApartment com;
            EXPECT_FALSE(com.Join());
        }
        APTTYPE type{};
        APTTYPEQUALIFIER qualifier{};
        EXPECT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
        EXPECT_EQ(type, APTTYPE_MTA);
        CoUninitialize();
    });
    worker.join();
    std::thread fresh([] {
        {
            CComApartment com;
            EXPECT_TRUE(com.Join());
            EXPECT_TRUE(com.Join());  // once: one CoUninitialize will balance it
        }
        APTTYPE type{};
        APTTYPEQUALIFIER qualifier{};
        EXPECT_EQ(CoGetApartmentType(&type, &qualifier), CO_E_NOTINITIALIZED);
    });
    fresh.join();
}
