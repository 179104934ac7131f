#include <gtest/gtest.h>
#include <objbase.h>
#include <commctrl.h>
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

// Text of the tree item the dialog has selected, or empty.
std::wstring SelectedTreeText(HWND dialog) {
    HWND tree = FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
    if (!tree) {
        // The new dialog style nests the tree one level deeper.
        for (HWND child = GetWindow(dialog, GW_CHILD); child && !tree; child = GetWindow(child, GW_HWNDNEXT)) {
            tree = FindWindowExW(child, nullptr, WC_TREEVIEWW, nullptr);
        }
    }
    if (!tree) return L"";
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return L"";
    wchar_t text[MAX_PATH] = {};
    TVITEMW info{};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = text;
    info.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
    return text;
}

// Runs the folder picker on its own thread, waits for its dialog and presses
// the given button; returns what the picker returned.
std::wstring PickAndPress(const std::wstring& start, int button, const std::wstring& expectSelected = L"") {
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
        // The selection callback runs once the dialog has initialised; wait
        // until the tree shows the starting folder (bounded).
        for (int i = 0; i < 400 && !expectSelected.empty(); ++i) {
            if (_wcsicmp(SelectedTreeText(search.found).c_str(), expectSelected.c_str()) == 0) break;
            Sleep(50);
        }
        PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
    picker.join();
    return search.found ? result : L"<no dialog>";
}
}  // namespace

TEST(BrowseForFolder, OpensOnTheStartingFolderAndConfirmingReturnsIt) {
    const std::wstring leaf = L"zkpick-" + std::to_wstring(GetTickCount());
    // A shallow folder: the dialog expands the tree one level at a time.
    const std::wstring folder = L"C:\\" + leaf;
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring chosen = PickAndPress(folder, IDOK, leaf);
    EXPECT_EQ(_wcsicmp(chosen.c_str(), folder.c_str()), 0) << chosen;
    RemoveDirectoryW(folder.c_str());
}

TEST(BrowseForFolder, CancellingReturnsAnEmptyString) {
    EXPECT_EQ(PickAndPress(TempPath(L""), IDCANCEL), L"");
}

namespace {
// Opens a batch file that leaves a marker; whether the marker appeared.
template <typename Open>
bool OpensAScript(Open open) {
    const std::wstring marker = TempPath(L"zkshell-" + std::to_wstring(GetTickCount()) + L".txt");
    const std::wstring script = marker + L".bat";
    {
        std::ofstream bat(script.c_str());
        bat << "@echo opened> \"" << std::string(marker.begin(), marker.end()) << "\"\r\n";
    }
    open(script.c_str());
    bool created = false;
    for (int i = 0; i < 300 && !created; ++i) {
        Sleep(100);
        created = GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    DeleteFileW(marker.c_str());
    DeleteFileW(script.c_str());
    return created;
}
}  // namespace

TEST(OpenWithShell, StartsTheAssociatedProgramFromThisProcessOrTheDesktopShell) {
    EXPECT_TRUE(OpensAScript([](const wchar_t* path) {
        EXPECT_GT(reinterpret_cast<INT_PTR>(OpenWithShell(path)), 32);
    }));
    // Through the desktop shell's process where one answers, else from here.
    EXPECT_TRUE(OpensAScript([](const wchar_t* path) { EXPECT_NE(OpenAsDesktopUser(path), DesktopOpen::Failed); }));
    EXPECT_EQ(OpenAsDesktopUser(L""), DesktopOpen::Failed);
}
