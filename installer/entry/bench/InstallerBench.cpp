// Figures of the real installer executable, each beside its floor measured
// in the same run:
//   1. start-up: CreateProcess to the main window's first frame on screen,
//      against a bare Win32 window's first paint (zk_bare_window.exe), and
//      where the installer's time went, read from the line its log gives it;
//   2. the peak working set of a whole quick install, against the bare window's
//      and against the platform floor: the bare window asking of the system
//      what an install asks (zk_bare_window --platform);
//   3. the UI thread's answer time to WM_NULL while a large package downloads
//      at full loopback speed, and while one whose connection drops half-way
//      is resumed, against the same sampling on the idle page 0;
//   4. a screen reader's full walk of page 0 from this process (the main
//      window's accessible child count, then each child's name, role, state
//      and location), against the same number of calls that do nothing in
//      the installer: the platform's cost of a call to another process.
//
//   installer_bench [--smoke] [--runs=N] [--size=BYTES]
//
// Needs the download service on the address built into the installer (run it
// through tools/download-service/run-with-service.sh with ZK_SERVICE_PORT set).
// Prints `name: value unit` lines. --smoke: one run of each, a 5 MB download.
#include <windows.h>
#include <oleacc.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "installer/engine/InstallOptions.h"
#include "installer/engine/PackageFolder.h"
#include "installer/engine/PackageInterface.h"
#include "installer/engine/testsupport/DownloadTestSupport.h"
#include "installer/entry/tests/EndToEndSupport.h"

using namespace ZKInstaller;

using ZKTest::Click;

namespace {

constexpr POINT kInstallButton{350, 286};  // page 0 "installBtn", client coordinates at 96 DPI
// Client points that are opaque in the first frame: the page's background
// image for the installer, anywhere for the bare window.
constexpr POINT kInstallerSpot{350, 150};
constexpr POINT kBareSpot{350, 210};
constexpr DWORD kWindowTimeoutMs = 20000;

double NowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

std::wstring BenchFolder() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\'));  // .../entry/bench
}
std::wstring InstallerPath() {
    const std::wstring bench = BenchFolder();
    return bench.substr(0, bench.rfind(L'\\')) + L"\\ZKInstaller.exe";
}
std::wstring BareWindowPath() { return BenchFolder() + L"\\zk_bare_window.exe"; }

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * static_cast<double>(values.size())));
    return values[index];
}

// The screen as it was before a launch: what "not painted yet" looks like.
class ScreenSnapshot {
public:
    ScreenSnapshot() {
        HDC screen = GetDC(nullptr);
        m_width = GetSystemMetrics(SM_CXSCREEN);
        m_height = GetSystemMetrics(SM_CYSCREEN);
        m_dc = CreateCompatibleDC(screen);
        m_bitmap = CreateCompatibleBitmap(screen, m_width, m_height);
        m_old = SelectObject(m_dc, m_bitmap);
        BitBlt(m_dc, 0, 0, m_width, m_height, screen, 0, 0, SRCCOPY);
        ReleaseDC(nullptr, screen);
    }
    ~ScreenSnapshot() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    ScreenSnapshot(const ScreenSnapshot&) = delete;
    ScreenSnapshot& operator=(const ScreenSnapshot&) = delete;
    COLORREF At(POINT p) const { return GetPixel(m_dc, p.x, p.y); }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    int m_width = 0, m_height = 0;
};

// One run of a child process; terminated if still running when it goes.
class Child {
public:
    explicit Child(const std::wstring& exe, const std::wstring& arguments = std::wstring()) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        startedAtMs = NowMs();
        started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &m_info) != FALSE;
    }
    ~Child() {
        if (!started) return;
        if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_info.hProcess, 99);
            WaitForSingleObject(m_info.hProcess, 5000);
        }
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    HWND VisibleWindow(const wchar_t* windowClass) const {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, windowClass, nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(found, &pid);
            if (pid == m_info.dwProcessId && IsWindowVisible(found)) return found;
        }
        return nullptr;
    }
    // Waits until the window of `windowClass` is visible and the screen at
    // `spot` (client coordinates) differs from `before`; the milliseconds
    // since CreateProcess, or a negative value on timeout.
    // `visibleMs` receives when the window first counted as visible.
    double WaitForFirstFrame(const wchar_t* windowClass, POINT spot, const ScreenSnapshot& before, HWND* window,
                             double* visibleMs = nullptr) const {
        HDC screen = GetDC(nullptr);
        double result = -1;
        while (NowMs() - startedAtMs < kWindowTimeoutMs) {
            if (HWND found = VisibleWindow(windowClass)) {
                if (visibleMs && *visibleMs <= 0) *visibleMs = NowMs() - startedAtMs;
                RECT rect{};
                GetWindowRect(found, &rect);
                const POINT at{rect.left + spot.x, rect.top + spot.y};
                const COLORREF now = GetPixel(screen, at.x, at.y);
                if (now != CLR_INVALID && now != before.At(at)) {
                    result = NowMs() - startedAtMs;
                    if (window) *window = found;
                    break;
                }
            }
            Sleep(1);
        }
        ReleaseDC(nullptr, screen);
        return result;
    }
    double PeakWorkingSetMb() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof(counters);
        if (!GetProcessMemoryInfo(m_info.hProcess, &counters, sizeof(counters))) return 0;
        return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    }
    DWORD ProcessId() const { return m_info.dwProcessId; }
    bool Exited(DWORD ms) const { return WaitForSingleObject(m_info.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(m_info.hProcess, &code);
        return code;
    }

    bool started = false;
    double startedAtMs = 0;

private:
    PROCESS_INFORMATION m_info{};
};

void Print(const char* name, double value, const char* unit) { std::printf("%s: %.1f %s\n", name, value, unit); }

// The installer's log line "Start-up, ms: log 0.4, com 2.1 (2x), ...; first
// frame at 96.0", waited for up to two seconds; phases and moments by name.
std::vector<std::pair<std::string, double>> ReadStartupLine(const std::wstring& log) {
    std::vector<std::pair<std::string, double>> figures;
    const std::string marker = "Start-up, ms: ";
    for (int waited = 0; waited < 2000 && figures.empty(); waited += 20) {
        Sleep(20);
        FILE* file = _wfopen(log.c_str(), L"rb");
        if (!file) continue;
        std::string text;
        char chunk[4096];
        for (size_t got; (got = std::fread(chunk, 1, sizeof(chunk), file)) > 0;) text.append(chunk, got);
        std::fclose(file);
        const size_t at = text.find(marker);
        const size_t end = at == std::string::npos ? at : text.find('\r', at);
        if (end == std::string::npos) continue;
        std::string line = text.substr(at + marker.size(), end - at - marker.size());
        for (char& c : line) {
            if (c == ';') c = ',';
        }
        for (size_t start = 0; start < line.size();) {
            size_t stop = line.find(',', start);
            if (stop == std::string::npos) stop = line.size();
            std::string item = line.substr(start, stop - start);
            start = stop + 1;
            const size_t paren = item.find(" (");
            if (paren != std::string::npos) item.erase(paren);
            const size_t space = item.rfind(' ');
            if (space == std::string::npos) continue;
            std::string name = item.substr(item.find_first_not_of(' '), space - item.find_first_not_of(' '));
            // A moment ("first frame at 96.0") becomes "at_first_frame".
            if (name.size() > 3 && name.compare(name.size() - 3, 3, " at") == 0) name = "at " + name.erase(name.size() - 3);
            for (char& c : name) {
                if (c == ' ') c = '_';
            }
            figures.emplace_back(name, std::atof(item.c_str() + space + 1));
        }
    }
    return figures;
}

// Figure 1.
bool StartupFigures(int runs) {
    std::vector<double> installer, bare, installerVisible;
    std::vector<std::pair<std::string, std::vector<double>>> phases;
    wchar_t temp[MAX_PATH]{};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring log = std::wstring(temp) + L"zk-startup-bench.log";
    for (int i = 0; i < runs; ++i) {
        // Alternating, so drift of the machine's load touches both alike.
        for (int which = 0; which < 2; ++which) {
            Sleep(300);  // the previous window's area repainted
            ScreenSnapshot before;
            DeleteFileW(log.c_str());
            Child child(which == 0 ? InstallerPath() : BareWindowPath(), which == 0 ? L"/LOG=\"" + log + L"\"" : L"");
            if (!child.started) return false;
            double visible = 0;
            const double ms = which == 0
                                  ? child.WaitForFirstFrame(L"zkmainframe", kInstallerSpot, before, nullptr, &visible)
                                  : child.WaitForFirstFrame(L"zkbarewindow", kBareSpot, before, nullptr);
            if (which == 0) installerVisible.push_back(visible);
            if (ms < 0) {
                std::printf("startup: no first frame of %s\n", which == 0 ? "the installer" : "the bare window");
                return false;
            }
            (which == 0 ? installer : bare).push_back(ms);
            if (which != 0) continue;
            for (const auto& figure : ReadStartupLine(log)) {
                auto it = std::find_if(phases.begin(), phases.end(),
                                       [&](const auto& phase) { return phase.first == figure.first; });
                if (it == phases.end()) it = phases.insert(phases.end(), {figure.first, {}});
                it->second.push_back(figure.second);
            }
        }
    }
    DeleteFileW(log.c_str());
    for (const auto& phase : phases) {
        Print(("startup_installer_" + phase.first + "_median").c_str(), Median(phase.second), "ms");
    }
    const double installerMs = Median(installer), bareMs = Median(bare);
    Print("startup_installer_first_frame_median", installerMs, "ms");
    Print("startup_installer_window_visible_median", Median(installerVisible), "ms");
    Print("startup_bare_window_first_paint_median", bareMs, "ms");
    std::printf("startup_ratio: %.2f x\n", bareMs > 0 ? installerMs / bareMs : 0.0);
    return true;
}

// Figure 2.
bool MemoryFigures() {
    double bareMb = 0;
    {
        ScreenSnapshot before;
        Child bare(BareWindowPath());
        if (bare.WaitForFirstFrame(L"zkbarewindow", kBareSpot, before, nullptr) < 0) return false;
        Sleep(200);
        bareMb = bare.PeakWorkingSetMb();
    }
    // The platform's share: the bare window asking of the system what an
    // install asks (COM, GDI+ text, the download, hash and trust check).
    double platformMb = 0;
    {
        Sleep(300);
        ScreenSnapshot before;
        Child platform(BareWindowPath(), std::wstring(L"--platform=") + kDownloadUrl);
        if (platform.WaitForFirstFrame(L"zkbarewindow", kBareSpot, before, nullptr) < 0) return false;
        const double started = NowMs();
        while (!platform.Exited(50)) {
            platformMb = std::max(platformMb, platform.PeakWorkingSetMb());
            if (NowMs() - started > 90000) {
                std::printf("platform floor: did not finish within 90 s\n");
                return false;
            }
        }
    }
    DeleteFileW((std::wstring(DataFolderPath().GetData()) + L"\\package-record.ini").c_str());
    Sleep(300);
    ScreenSnapshot before;
    Child run(InstallerPath());
    HWND frame = nullptr;
    if (run.WaitForFirstFrame(L"zkmainframe", kInstallerSpot, before, &frame) < 0) return false;
    Sleep(300);
    const double firstFrameMb = run.PeakWorkingSetMb();
    Click(frame, kInstallButton);
    const double clicked = NowMs();
    double peakMb = 0;
    // Sampled while it runs: Wine answers zero for a process that has ended.
    while (!run.Exited(50)) {
        peakMb = std::max(peakMb, run.PeakWorkingSetMb());
        if (NowMs() - clicked > 90000) {
            std::printf("install: did not finish within 90 s\n");
            return false;
        }
    }
    Print("install_peak_working_set", peakMb, "MB");
    Print("install_peak_working_set_at_first_frame", firstFrameMb, "MB");
    Print("bare_window_peak_working_set", bareMb, "MB");
    Print("platform_floor_peak_working_set", platformMb, "MB");
    Print("install_peak_over_platform_floor", peakMb - platformMb, "MB");
    Print("install_click_to_exit", NowMs() - clicked, "ms");
    std::printf("install_exit_code: %lu code\n", run.ExitCode());
    return run.ExitCode() == 0;
}

struct Sampling {
    std::vector<double> answersMs;
    double durationMs = 0;
};

// Round trips of WM_NULL to `frame` until `done` says so or `forMs` passed.
template <typename Done>
Sampling SampleAnswers(HWND frame, double forMs, Done done) {
    Sampling result;
    const double start = NowMs();
    double lastCheck = start;
    for (;;) {
        const double before = NowMs();
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer)) break;
        const double after = NowMs();
        result.answersMs.push_back(after - before);
        if (after - start >= forMs) break;
        if (after - lastCheck >= 10) {
            lastCheck = after;
            if (done()) break;
        }
    }
    result.durationMs = NowMs() - start;
    return result;
}

// Where the installer downloads: it runs with this process's rights.
std::wstring InstallersPackageFolder() {
    return (IsProcessElevated() ? ProtectedFolderPath() : DataFolderPath()).GetData();
}

std::set<std::wstring> PackageFiles() {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((InstallersPackageFolder() + L"\\*.exe").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The UI thread's answers while the installer downloads `size` generated
// bytes from the service with `faults` on, from the click or, with
// `fromFirstPiece`, from when a broken first attempt left its bytes on disk
// (the platform writes the file only when an attempt ends); false when the
// download never finished.
bool SampleDownload(long long size, const std::wstring& faults, bool fromFirstPiece, Sampling& download) {
    if (!ZKTest::Configure(L"size=" + std::to_wstring(size) + faults)) return false;
    const std::set<std::wstring> existing = PackageFiles();
    const std::wstring folder = InstallersPackageFolder();
    std::wstring package;
    bool downloaded = false;
    {
        ScreenSnapshot before;
        Child run(InstallerPath());
        HWND frame = nullptr;
        if (run.WaitForFirstFrame(L"zkmainframe", kInstallerSpot, before, &frame) < 0) return false;
        Sleep(300);
        Click(frame, kInstallButton);
        const auto findPackage = [&] {
            for (const auto& name : PackageFiles()) {
                if (!existing.count(name)) package = folder + L"\\" + name;
            }
            return !package.empty();
        };
        for (int i = 0; fromFirstPiece && i < 1000 && !findPackage(); ++i) Sleep(10);
        // The download ends when the whole payload is on disk; after that the
        // installer tries to start it (it is no program) and asks in a box.
        download = SampleAnswers(frame, 120000, [&] {
            if (package.empty()) findPackage();
            downloaded = !package.empty() && FileSize(package) >= size;
            if (downloaded) return true;
            return run.VisibleWindow(L"zkmsgbox") != nullptr || run.Exited(0);
        });
        // The payload is no signed program: the check refuses it and deletes
        // it at once, which the polling above may miss. The log says so.
        if (!downloaded) downloaded = ZKTest::RunLogOf(run.ProcessId()).find("Download finished") != std::string::npos;
    }
    if (!package.empty()) DeleteFileW(package.c_str());
    ZKTest::Configure(L"");
    if (!downloaded) std::printf("download: the whole payload never reached the disk\n");
    return downloaded;
}

// Figure 3, and the same for a download whose connection drops half-way and
// is resumed.
bool StallFigures(long long size) {
    Sampling download, resumed;
    bool ok = SampleDownload(size, L"", false, download);
    ok = SampleDownload(size, L"&fault=short&faultcount=1", true, resumed) && ok;

    Sampling idle;
    {
        Sleep(300);
        ScreenSnapshot before;
        Child run(InstallerPath());
        HWND frame = nullptr;
        if (run.WaitForFirstFrame(L"zkmainframe", kInstallerSpot, before, &frame) < 0) return false;
        Sleep(300);
        idle = SampleAnswers(frame, download.durationMs, [] { return false; });
    }
    Print("download_ui_answer_max", Percentile(download.answersMs, 1.0), "ms");
    Print("download_ui_answer_p99", Percentile(download.answersMs, 0.99), "ms");
    Print("download_duration", download.durationMs, "ms");
    std::printf("download_samples: %zu samples\n", download.answersMs.size());
    Print("resumed_download_ui_answer_max", Percentile(resumed.answersMs, 1.0), "ms");
    Print("resumed_download_ui_answer_p99", Percentile(resumed.answersMs, 0.99), "ms");
    Print("resumed_download_duration", resumed.durationMs, "ms");
    Print("idle_ui_answer_max", Percentile(idle.answersMs, 1.0), "ms");
    Print("idle_ui_answer_p99", Percentile(idle.answersMs, 0.99), "ms");
    std::printf("idle_samples: %zu samples\n", idle.answersMs.size());
    return ok;
}

// Figure 4: one walk, as a reader reads a page; its milliseconds. `calls`
// receives how many calls it made.
double WalkAccessibleTree(IAccessible* object, int* calls) {
    const double start = NowMs();
    long count = 0;
    object->get_accChildCount(&count);
    for (long id = 1; id <= count; ++id) {
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal = id;
        BSTR name = nullptr;
        object->get_accName(child, &name);
        SysFreeString(name);
        VARIANT role{};
        VARIANT state{};
        object->get_accRole(child, &role);
        object->get_accState(child, &state);
        long x = 0, y = 0, cx = 0, cy = 0;
        object->accLocation(&x, &y, &cx, &cy, child);
    }
    *calls = 1 + 4 * static_cast<int>(count);
    return NowMs() - start;
}

// The same number of calls answered without any work (no type information).
double EmptyCalls(IAccessible* object, int calls) {
    const double start = NowMs();
    UINT count = 0;
    for (int i = 0; i < calls; ++i) object->GetTypeInfoCount(&count);
    return NowMs() - start;
}

bool AccessibleFigures(int runs) {
    ScreenSnapshot before;
    Child run(InstallerPath());
    HWND frame = nullptr;
    if (run.WaitForFirstFrame(L"zkmainframe", kInstallerSpot, before, &frame) < 0) return false;
    if (FAILED(CoInitialize(nullptr))) return false;
    IAccessible* object = nullptr;
    const HRESULT result = AccessibleObjectFromWindow(frame, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                      reinterpret_cast<void**>(&object));
    bool ok = SUCCEEDED(result) && object;
    if (ok) {
        int calls = 0;
        WalkAccessibleTree(object, &calls);  // the first walk loads the proxy code
        std::vector<double> walks;
        std::vector<double> floors;
        for (int i = 0; i < std::max(runs, 10) * 3; ++i) {
            walks.push_back(WalkAccessibleTree(object, &calls));
            floors.push_back(EmptyCalls(object, calls));
        }
        object->Release();
        Print("accessible_query_ms", Median(walks), "ms");
        Print("accessible_query_max_ms", Percentile(walks, 1.0), "ms");
        Print("accessible_empty_calls_ms", Median(floors), "ms");
        Print("accessible_query_over_empty_calls_ms", Median(walks) - Median(floors), "ms");
        std::printf("accessible_query_calls: %d calls\n", calls);
        ok = calls > 1;
    } else {
        std::printf("accessible: no object (0x%08lx)\n", static_cast<unsigned long>(result));
    }
    CoUninitialize();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    int runs = 7;
    long long size = 50000000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) smoke = true;
        else if (std::strncmp(argv[i], "--runs=", 7) == 0) runs = std::max(1, std::atoi(argv[i] + 7));
        else if (std::strncmp(argv[i], "--size=", 7) == 0) size = std::atoll(argv[i] + 7);
    }
    if (smoke) {
        runs = 1;
        size = 5000000;
    }
    if (ZKTest::ServerUrl().empty()) {
        std::printf("no download service: run through run-with-service.sh with ZK_SERVICE_PORT\n");
        return 1;
    }
    if (!ZKTest::Configure(L"")) return 1;
    bool ok = StartupFigures(runs);
    std::fflush(stdout);
    ok = MemoryFigures() && ok;
    std::fflush(stdout);
    ok = StallFigures(size) && ok;
    std::fflush(stdout);
    ok = AccessibleFigures(runs) && ok;
    std::fflush(stdout);
    return ok ? 0 : 1;
}
