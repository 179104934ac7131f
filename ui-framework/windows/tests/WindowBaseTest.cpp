// The skinned window base through real windows and real input: caption
// dragging and clicking, hit-test zones, the modal loop, the system buttons,
// and the process that ends when its skin cannot be loaded.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "manager/tests/WindowTestSupport.h"
#include "windows/WindowImplBase.h"

using namespace VeneerTest;

namespace {

// 300 x 200: a 50-pixel caption with a label on it and a button at its right
// end; the system buttons of a borderless window.
constexpr wchar_t kSkin[] =
    L"<Window size=\"300,200\" caption=\"0,0,0,50\" sizebox=\"4,4,4,4\">"
    L"<VerticalLayout bkcolor=\"#FF336699\">"
    L"<Label name=\"title\" height=\"50\" text=\"title\"/>"
    L"<Control/>"
    L"<Button name=\"press\" float=\"true\" pos=\"150,10,190,40\" bkcolor=\"#FFFF0000\"/>"
    L"<Button name=\"minbtn\" float=\"true\" pos=\"200,10,240,40\" bkcolor=\"#FF00FF00\"/>"
    L"<Button name=\"maxbtn\" float=\"true\" pos=\"250,10,290,40\"/>"
    L"<Button name=\"restorebtn\" float=\"true\" pos=\"250,10,290,40\" visible=\"false\"/>"
    L"</VerticalLayout></Window>";

class SkinWindow : public WindowImplBase {
public:
    explicit SkinWindow(std::wstring skin = kSkin) : m_skin(std::move(skin)) {}
    std::vector<std::wstring> clicks;

protected:
    const wchar_t* GetWindowClassName() const override { return L"VeneerSkinTestWindow"; }
    const wchar_t* GetSkinFile() const override { return m_skin.c_str(); }
    void OnClick(TUiNotify& msg) override {
        if (msg.sender) clicks.push_back(msg.sender->GetName().GetData());
        WindowImplBase::OnClick(msg);
    }

private:
    std::wstring m_skin;
};

class WindowBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
        window = std::make_unique<SkinWindow>();
        ASSERT_NE(window->Create(nullptr, L"skin", WS_POPUP | WS_VISIBLE, 0, 200, 200, 300, 200), nullptr);
        SetForegroundWindow(*window);
        UpdateWindow(*window);
        Pump(50);
    }
    void TearDown() override {
        if (GetAsyncKeyState(VK_LBUTTON) < 0) MouseButton(MOUSEEVENTF_LEFTUP, 0, 10);
        if (IsWindow(*window)) DestroyWindow(*window);
        window.reset();
        MoveMouseToScreen(POINT{1500, 950}, 10);
    }
    RECT WindowRect() const {
        RECT rect{};
        GetWindowRect(*window, &rect);
        return rect;
    }
    LRESULT HitTest(int x, int y) const { return SendMessageW(*window, WM_NCHITTEST, 0, MAKELPARAM(200 + x, 200 + y)); }

    std::unique_ptr<SkinWindow> window;
};

}  // namespace

TEST_F(WindowBaseTest, HitTestZonesFollowTheSizeBoxAndTheCaption) {
    const struct {
        int x, y;
        LRESULT zone;
    } cases[] = {
        {1, 1, HTTOPLEFT},     {150, 1, HTTOP},         {298, 1, HTTOPRIGHT},  {1, 100, HTLEFT},
        {298, 100, HTRIGHT},   {1, 198, HTBOTTOMLEFT},  {150, 198, HTBOTTOM},  {298, 198, HTBOTTOMRIGHT},
        {60, 25, HTCAPTION},   {160, 25, HTCLIENT},     {60, 120, HTCLIENT},
    };
    for (const auto& test : cases) EXPECT_EQ(HitTest(test.x, test.y), test.zone) << test.x << "," << test.y;
}

TEST_F(WindowBaseTest, DraggingTheCaptionOverALabelMovesTheWindow) {
    const RECT before = WindowRect();
    MoveMouseToScreen(POINT{before.left + 60, before.top + 25});
    // The system's move loop runs inside the press's dispatch: the rest of the
    // drag comes from another thread while this one pumps.
    std::atomic<bool> done{false};
    std::thread drag([&] {
        auto input = [](DWORD flags) {
            INPUT event{};
            event.type = INPUT_MOUSE;
            event.mi.dwFlags = flags;
            SendInput(1, &event, sizeof(event));
            Sleep(40);
        };
        input(MOUSEEVENTF_LEFTDOWN);
        for (int step = 1; step <= 4; ++step) {
            SetCursorPos(before.left + 60 + 15 * step, before.top + 25 + 10 * step);
            Sleep(40);
        }
        input(MOUSEEVENTF_LEFTUP);
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 5000);
    drag.join();
    Pump(80);
    const RECT after = WindowRect();
    EXPECT_EQ(after.left - before.left, 60);
    EXPECT_EQ(after.top - before.top, 40);
    EXPECT_TRUE(window->clicks.empty());
}

TEST_F(WindowBaseTest, APressOnTheCaptionOverAButtonClicksIt) {
    const RECT before = WindowRect();
    MoveMouseToScreen(POINT{before.left + 170, before.top + 25});
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP, 0, 60);
    EXPECT_EQ(window->clicks, std::vector<std::wstring>{L"press"});
    EXPECT_EQ(WindowRect().left, before.left);
}

TEST_F(WindowBaseTest, MinButtonMinimisesAWindowWithoutASystemCaption) {
    EXPECT_EQ(GetWindowLongW(*window, GWL_STYLE) & WS_CAPTION, 0);
    const RECT rect = WindowRect();
    MoveMouseToScreen(POINT{rect.left + 220, rect.top + 25});
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP, 0, 100);
    EXPECT_TRUE(IsIconic(*window));
}

TEST_F(WindowBaseTest, MaximisingSwapsTheMaxAndRestoreButtons) {
    CPaintManagerUI& manager = window->GetPaintManager();
    SendMessageW(*window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_FALSE(manager.FindControl(L"maxbtn")->IsVisible());
    EXPECT_TRUE(manager.FindControl(L"restorebtn")->IsVisible());
    SendMessageW(*window, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(manager.FindControl(L"maxbtn")->IsVisible());
    EXPECT_FALSE(manager.FindControl(L"restorebtn")->IsVisible());
}

TEST_F(WindowBaseTest, APostedCloseEndsTheModalLoopWithItsResult) {
    window->Close(7);
    EXPECT_EQ(window->ShowModal(), 7u);
    EXPECT_FALSE(IsWindow(*window));
}

TEST_F(WindowBaseTest, AQuitEndsTheModalLoopAndIsPostedAgain) {
    PostQuitMessage(3);
    window->ShowModal();
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_TRUE(IsWindow(*window));
}

TEST(WindowBaseProcess, ASkinThatFailsToLoadShowsTheBoxAndExitsWithOne) {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring probe(path);
    probe = probe.substr(0, probe.rfind(L'\\') + 1) + L"veneer_skin_failure_probe.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + probe + L"\"";
    ASSERT_TRUE(CreateProcessW(probe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    HWND box = nullptr;
    PumpUntil([&] { return (box = FindWindowW(L"#32770", L"Veneer")) != nullptr; }, 10000);
    ASSERT_NE(box, nullptr);
    wchar_t text[256]{};
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    EXPECT_EQ(std::wstring(text), L"加载资源文件失败：missing-skin.xml");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 1u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

namespace {
// Refuses its creation in WM_CREATE, after WM_NCCREATE bound it, and frees
// itself on its final message as the installer's windows do.
class RefusingWindow : public CWindowWnd {
public:
    explicit RefusingWindow(int& finals) : m_finals(finals) {}

protected:
    const wchar_t* GetWindowClassName() const override { return L"VeneerRefusingWindow"; }
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_CREATE) return -1;
        return CWindowWnd::HandleMessage(msg, wParam, lParam);
    }
    void OnFinalMessage(HWND) override {
        ++m_finals;
        delete this;
    }

private:
    int& m_finals;
};
}  // namespace

TEST(WindowWnd, AWindowWhoseCreationFailsStaysItsCreatorsToFree) {
    int finals = 0;
    auto* window = new RefusingWindow(finals);
    EXPECT_EQ(window->Create(nullptr, L"refused", WS_POPUP, 0, 0, 0, 50, 50), nullptr);
    // The final message freed nothing: the creator's delete is the only one.
    EXPECT_EQ(finals, 0);
    delete window;
}
