// Wall time and notification counts of the downloader for one address.
//
//   downloader_bench --url=<address> [--label=<name>] [--runs=N] [--size=<bytes>]
//   downloader_bench --smoke      (a 1 MB local file through a file:/// address)
//
// Prints `name: value unit` lines: the median wall time from Start to the
// outcome, the notifications delivered, how many were 1002, and how many
// distinct progress values those carried.
#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "installer/engine/Downloader.h"

using namespace ZKInstaller;

namespace {
struct RunResult {
    double wallMs = 0;
    int notifications = 0;
    int progress = 0;
    int distinctProgress = 0;
    bool succeeded = false;
    long long bytes = 0;
};

std::wstring TempPath(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

RunResult RunOnce(const std::wstring& url, const std::wstring& path) {
    DeleteFileW(path.c_str());
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    RunResult result;
    std::set<double> values;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    {
        CWinDownloader downloader(
            [&](int code, double value, const wchar_t*) {
                std::lock_guard<std::mutex> lock(mutex);
                ++result.notifications;
                if (code == kDownloadProgress) {
                    ++result.progress;
                    values.insert(value);
                }
                if (code == kDownloadSucceeded || code == kDownloadFailed) {
                    QueryPerformanceCounter(&end);
                    result.succeeded = code == kDownloadSucceeded;
                    finished = true;
                    done.notify_all();
                }
            },
            url.c_str(), path.c_str());
        QueryPerformanceCounter(&start);
        downloader.Start();
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [&] { return finished; });
    }
    result.wallMs = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    result.distinctProgress = static_cast<int>(values.size());
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        result.bytes = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    DeleteFileW(path.c_str());
    return result;
}

std::wstring MakeLocalFile(long long size) {
    const std::wstring path = TempPath(L"zk-bench-source.bin");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::vector<char> block(65536, 'z');
    for (long long written = 0; written < size; written += static_cast<long long>(block.size())) {
        // The downloader refuses bytes that cannot start a program.
        block[0] = written == 0 ? 'M' : 'z';
        block[1] = written == 0 ? 'Z' : 'z';
        DWORD n = 0;
        WriteFile(file, block.data(), static_cast<DWORD>(std::min<long long>(static_cast<long long>(block.size()), size - written)), &n, nullptr);
    }
    CloseHandle(file);
    return path;
}

std::string Option(int argc, char** argv, const char* name) {
    const std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]).rfind(prefix, 0) == 0) return std::string(argv[i]).substr(prefix.size());
    }
    return std::string();
}
}  // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    for (int i = 1; i < argc; ++i) smoke = smoke || std::string(argv[i]) == "--smoke";
    std::string label = Option(argc, argv, "label");
    std::wstring url;
    std::wstring localSource;
    int runs = std::max(1, std::atoi(Option(argc, argv, "runs").c_str()));
    if (smoke) {
        localSource = MakeLocalFile(1 << 20);
        std::wstring forward = localSource;
        std::replace(forward.begin(), forward.end(), L'\\', L'/');
        url = L"file:///" + forward;
        label = "file_1mb";
        runs = 1;
    } else {
        const std::string narrow = Option(argc, argv, "url");
        if (narrow.empty()) {
            std::fprintf(stderr, "usage: downloader_bench --url=<address> [--label=name] [--runs=N] | --smoke\n");
            return 2;
        }
        url.assign(narrow.begin(), narrow.end());
        if (label.empty()) label = "download";
    }

    std::vector<RunResult> results;
    for (int i = 0; i < runs; ++i) results.push_back(RunOnce(url, TempPath(L"zk-bench-target.bin")));
    if (!localSource.empty()) DeleteFileW(localSource.c_str());
    std::sort(results.begin(), results.end(), [](const RunResult& a, const RunResult& b) { return a.wallMs < b.wallMs; });
    const RunResult& median = results[results.size() / 2];
    std::printf("%s_wall_median: %.1f ms\n", label.c_str(), median.wallMs);
    std::printf("%s_wall_min: %.1f ms\n", label.c_str(), results.front().wallMs);
    std::printf("%s_wall_max: %.1f ms\n", label.c_str(), results.back().wallMs);
    std::printf("%s_notifications: %d count\n", label.c_str(), median.notifications);
    std::printf("%s_progress_notifications: %d count\n", label.c_str(), median.progress);
    std::printf("%s_distinct_progress_values: %d count\n", label.c_str(), median.distinctProgress);
    std::printf("%s_bytes: %lld bytes\n", label.c_str(), median.bytes);
    std::fflush(stdout);
    for (const auto& r : results) {
        if (!r.succeeded) return 1;
    }
    return 0;
}
