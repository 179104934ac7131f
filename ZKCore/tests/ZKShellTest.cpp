#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>

#include "ZKCore/ZKSystem.h"

using namespace ZKCore;

namespace {
std::wstring TempPath(const std::wstring& name) {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    return std::wstring(base) + name;
}

struct DialogSearch {
    DWORD thread;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (IsWindowVisible(hwnd) && wcscmp(cls, L"#32770") == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Runs the folder picker on its own thread, waits for its dialog and presses
// the given button; returns what the picker returned.
std::wstring PickAndPress(const std::wstring& start, int button) {
    std::wstring result = L"<not returned>";
    std::atomic<DWORD> threadId{0};
    std::thread picker([&] {
        CoInitialize(nullptr);
        threadId = GetCurrentThreadId();
        result = BrowseForFolder(nullptr, start.c_str()).GetData();
        CoUninitialize();
    });
    DialogSearch search{0, nullptr};
    for (int i = 0; i < 300 && !search.found; ++i) {
        Sleep(50);
        if (threadId) {
            search.thread = threadId;
            EnumThreadWindows(search.thread, FindDialog, reinterpret_cast<LPARAM>(&search));
        }
    }
    if (search.found) {
        Sleep(300);  // let the selection callback run
        PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
    picker.join();
    return search.found ? result : L"<no dialog>";
}
}  // namespace

TEST(BrowseForFolder, OpensOnTheStartingFolderAndConfirmingReturnsIt) {
    const std::wstring folder = TempPath(L"zkpick-" + std::to_wstring(GetTickCount()));
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring chosen = PickAndPress(folder, IDOK);
    EXPECT_EQ(_wcsicmp(chosen.c_str(), folder.c_str()), 0) << chosen;
    RemoveDirectoryW(folder.c_str());
}

TEST(BrowseForFolder, CancellingReturnsAnEmptyString) {
    EXPECT_EQ(PickAndPress(TempPath(L""), IDCANCEL), L"");
}

TEST(OpenWithShell, StartsTheAssociatedProgram) {
    const std::wstring marker = TempPath(L"zkshell-" + std::to_wstring(GetTickCount()) + L".txt");
    const std::wstring script = marker + L".bat";
    {
        std::ofstream bat(script.c_str());
        bat << "@echo opened> \"" << std::string(marker.begin(), marker.end()) << "\"\r\n";
    }
    const HINSTANCE result = OpenWithShell(script.c_str());
    EXPECT_GT(reinterpret_cast<INT_PTR>(result), 32);
    bool created = false;
    for (int i = 0; i < 100 && !created; ++i) {
        Sleep(100);
        created = GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    EXPECT_TRUE(created);
    DeleteFileW(marker.c_str());
    DeleteFileW(script.c_str());
}
