// Who points at whom: registrations that a destroyed control leaves by
// itself, listener lists changed or their window destroyed during a call, and
// state a manager must not carry from one tree or window to the next.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

#include "WindowTestSupport.h"

using namespace VeneerTest;

namespace {

class ActingNotifier : public INotifyUI {
public:
    std::function<void()> act;
    int calls = 0;
    void Notify(TUiNotify&) override {
        ++calls;
        if (act) act();
    }
};

// Lays itself out by running `onLayout` first.
class LayoutHookControl : public CControlUI {
public:
    std::function<void()> onLayout;
    int layouts = 0;
    void SetPos(RECT rect, bool needInvalidate) override {
        ++layouts;
        if (onLayout) onLayout();
        CControlUI::SetPos(rect, needInvalidate);
    }
};

}  // namespace

TEST(Registrations, ADestroyedControlIsForgottenByEveryList) {
    TestWindow window(RECT{100, 100, 300, 250});
    auto* root = new CContainerUI;
    auto* doomed = new RecordingControl(nullptr, L"doomed", RECT{0, 0, 50, 50});
    root->Add(doomed);
    window.manager.AttachTree(root);
    window.Paint();
    window.manager.SetFocus(doomed);
    window.manager.AddPostPaint(doomed);
    window.manager.AddMouseLeaveNeeded(doomed);
    window.manager.AddOptionGroup(L"g", doomed);
    ASSERT_TRUE(window.manager.SetTimer(doomed, 7, 10));
    window.manager.SendNotify(doomed, L"later", 0, 0, true);
    RecordingNotifier notifier;
    window.manager.AddNotifier(&notifier);

    root->SetDelayedDestroy(false);
    root->Remove(doomed);

    EXPECT_EQ(window.manager.GetFocus(), nullptr);
    EXPECT_EQ(window.manager.GetPostPaintCount(), 0);
    EXPECT_TRUE(window.manager.GetOptionGroup(L"g")->IsEmpty());
    EXPECT_EQ(window.manager.FindControl(L"doomed"), nullptr);
    Pump(60);  // the queued notification and the timer arrive without the control
    ASSERT_EQ(notifier.Count(L"later"), 1);
    EXPECT_EQ(notifier.records[0].sender, nullptr);
    MoveMouse(window, POINT{10, 10});
    MoveMouse(window, POINT{150, 100});  // a hover change walks the leave list
}

TEST(Registrations, AControlDestroyedByAnotherOnesLayoutIsNotLaidOut) {
    TestWindow window(RECT{100, 100, 300, 250});
    auto* root = new CContainerUI;
    root->SetDelayedDestroy(false);
    auto* first = new LayoutHookControl;
    auto* second = new LayoutHookControl;
    root->Add(first);
    root->Add(second);
    window.manager.AttachTree(root);
    window.Paint();
    const int secondLayouts = second->layouts;
    first->onLayout = [&] { root->Remove(second); };
    first->NeedUpdate();
    second->NeedUpdate();
    window.Paint();  // would lay out the deleted second control
    EXPECT_EQ(root->GetCount(), 1);
    EXPECT_GE(secondLayouts, 1);
}

TEST(Listeners, ANotifierMayRemoveItselfOrTheNextOne) {
    CPaintManagerUI manager;
    ActingNotifier first, second, third;
    first.act = [&] { manager.RemoveNotifier(&first), manager.RemoveNotifier(&second); };
    for (auto* n : {&first, &second, &third}) manager.AddNotifier(n);
    manager.SendNotify(nullptr, L"x");
    manager.SendNotify(nullptr, L"x");
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 0);
    EXPECT_EQ(third.calls, 2);
}

TEST(Listeners, ANotifierThatDestroysTheWindowEndsTheDelivery) {
    auto window = std::make_unique<TestWindow>(RECT{100, 100, 300, 250});
    auto* root = new CContainerUI;
    window->manager.AttachTree(root);
    ActingNotifier closer, after;
    closer.act = [&] { window.reset(); };
    window->manager.AddNotifier(&closer);
    window->manager.AddNotifier(&after);
    window->manager.SendNotify(root, L"click");
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(after.calls, 0);
}

TEST(Listeners, ASenderDestroyedByItsOwnDelegateReachesNotifiersAsNull) {
    CPaintManagerUI manager;
    auto* control = new CControlUI;
    control->SetManager(&manager, nullptr, false);
    struct Killer {
        CControlUI* victim;
        bool Kill(void*) {
            delete victim;
            return true;
        }
    } killer{control};
    control->OnNotify += MakeDelegate(&killer, &Killer::Kill);
    RecordingNotifier notifier;
    manager.AddNotifier(&notifier);
    manager.SendNotify(control, L"click");
    ASSERT_EQ(notifier.records.size(), 1u);
    EXPECT_EQ(notifier.records[0].sender, nullptr);
}

TEST(WindowProcedure, AHandlerExceptionEndsAtTheProcedureAndTheWindowGoesOn) {
    TestWindow window(RECT{100, 100, 300, 250});
    class Thrower : public IMessageFilterUI {
    public:
        LRESULT MessageHandler(UINT msg, WPARAM, LPARAM, bool&) override {
            if (msg == WM_APP + 7) throw std::runtime_error("handler fault");
            return 0;
        }
    } thrower;
    window.manager.AddMessageFilter(&thrower);
    SendMessageW(window.hwnd(), WM_APP + 7, 0, 0);
    PostMessageW(window.hwnd(), WM_APP + 7, 0, 0);
    Pump(30);
    EXPECT_TRUE(IsWindow(window.hwnd()));
    window.manager.RemoveMessageFilter(&thrower);
}

TEST(ManagerState, AReplacementTreeIsFoundByItsOwnNames) {
    CPaintManagerUI manager;
    auto* first = new CControlUI;
    first->SetName(L"shared");
    manager.AttachTree(first);
    auto* second = new CControlUI;
    second->SetName(L"shared");
    manager.AttachTree(second);
    EXPECT_EQ(manager.FindControl(L"shared"), second);
}

TEST(ManagerState, InitStartsFromEmptyWindowTables) {
    CPaintManagerUI manager;
    manager.AddFont(3, L"Tahoma", 20, true, false, false);
    manager.AddDefaultAttributeList(L"Button", L"height=\"30\"");
    manager.AddStyle(L"big", L"height=\"40\"");
    manager.AddWindowCustomAttribute(L"theme", L"dark");
    const HFONT defaultFont = manager.GetFont(-1);
    manager.Init(nullptr, L"again");
    EXPECT_EQ(manager.GetFont(3), defaultFont);
    EXPECT_EQ(manager.GetDefaultAttributeList(L"Button"), nullptr);
    EXPECT_EQ(manager.GetStyle(L"big"), nullptr);
    EXPECT_EQ(manager.GetWindowCustomAttribute(L"theme"), nullptr);
}

TEST(ManagerState, ContainerInsetSidesScaleAsWidths) {
    CPaintManagerUI manager;
    manager.GetDPIObj()->SetScale(144);
    CContainerUI container;
    container.SetManager(&manager, nullptr, false);
    container.SetInset(RECT{30, 0, 2, 0});
    EXPECT_EQ(UiRect(container.GetInset()), UiRect(45, 0, 3, 0));
}

TEST(LayeredPaint, OpacityOnALayeredWindowKeepsItUpdating) {
    const RECT rect{400, 100, 500, 200};
    TestWindow window(rect);
    auto* root = new CContainerUI;
    root->SetBkColor(0xFF2040C0);
    window.manager.SetLayered(true);
    window.manager.AttachTree(root);
    SetWindowPos(window.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    window.Paint();
    window.manager.SetOpacity(255);
    root->SetBkColor(0xFFFF0000);
    window.Paint();
    Pump(50);
    EXPECT_EQ(ScreenPixel(450, 150), RGB(255, 0, 0));
}
