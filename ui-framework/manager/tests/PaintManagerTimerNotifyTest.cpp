// Timers, the async notification queue, delayed clean-up and the first
// layout, through a real window and its message queue.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "WindowTestSupport.h"

using namespace VeneerTest;
using K = UiEventKind;

namespace {

// Sees every message first and remembers the system id of the last WM_TIMER.
class TimerWatch : public IMessageFilterUI {
public:
    UINT lastTimerId = 0xFFFF;
    int asyncMessages = 0;
    int dpiMessages = 0;
    LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM, bool&) override {
        if (msg == WM_TIMER) lastTimerId = static_cast<UINT>(wParam);
        if (msg == kAsyncNotifyMessage) ++asyncMessages;
        if (msg == kDpiChangedMessage) ++dpiMessages;
        return 0;
    }
};

// Records, for each of its timer keys, the system id that delivered it.
class TimerControl : public CControlUI {
public:
    explicit TimerControl(TimerWatch* watch) : m_watch(watch) {}
    std::map<UINT, UINT> systemIdOfKey;
    std::map<UINT, int> ticks;
    void DoEvent(TUiEvent& event) override {
        if (event.kind == K::UIEVT_TIMER) {
            const UINT key = static_cast<UINT>(event.wParam);
            systemIdOfKey[key] = m_watch->lastTimerId;
            ++ticks[key];
        }
        CControlUI::DoEvent(event);
    }

private:
    TimerWatch* m_watch;
};

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<TestWindow>(RECT{100, 100, 300, 250});
        root = new CContainerUI;
        control = new TimerControl(&watch);
        control->SetName(L"timed");
        root->Add(control);
        window->manager.AttachTree(root);
        window->manager.AddMessageFilter(&watch);
        window->manager.AddNotifier(&notifier);
        window->Paint();
    }
    void TearDown() override {
        window->manager.RemoveMessageFilter(&watch);
        window.reset();
    }

    TimerWatch watch;
    RecordingNotifier notifier;
    std::unique_ptr<TestWindow> window;
    CContainerUI* root = nullptr;
    TimerControl* control = nullptr;
};

}  // namespace

TEST_F(TimerTest, FirstTimerUsesSystemId17AndDeliversTheControlsKey) {
    ASSERT_TRUE(control->SetTimer(5, 10));
    ASSERT_TRUE(PumpUntil([&] { return control->ticks[5] > 0; }));
    EXPECT_EQ(control->systemIdOfKey[5], 17u);
    // The base control turns the timer event into a "timer" notification.
    ASSERT_GE(notifier.Count(L"timer"), 1);
    for (const auto& record : notifier.records) {
        if (record.type != L"timer") continue;
        EXPECT_EQ(record.sender, control);
        EXPECT_EQ(record.wParam, 5u);
    }
    EXPECT_TRUE(control->KillTimer(5));
}

TEST_F(TimerTest, The224thTimerUsesSystemIdZero) {
    // 224 timers at 200 ms keep the queue busy but never full.
    for (UINT key = 1; key <= 224; ++key) ASSERT_TRUE(control->SetTimer(key, 200)) << key;
    ASSERT_TRUE(PumpUntil([&] { return control->ticks.size() == 224; }, 5000));
    EXPECT_EQ(control->systemIdOfKey[1], 17u);
    EXPECT_EQ(control->systemIdOfKey[223], 239u);
    EXPECT_EQ(control->systemIdOfKey[224], 0u);
    window->manager.KillTimer(control);
}

TEST_F(TimerTest, SecondSetFailsWhileAliveAndReusesTheSystemIdAfterKill) {
    ASSERT_TRUE(control->SetTimer(1, 10));
    EXPECT_FALSE(control->SetTimer(1, 10));
    EXPECT_TRUE(control->SetTimer(2, 10));  // another key gets the next id
    EXPECT_TRUE(control->KillTimer(1));
    EXPECT_FALSE(control->KillTimer(1));
    Pump(30);
    control->ticks.clear();
    ASSERT_TRUE(control->SetTimer(1, 10));
    ASSERT_TRUE(PumpUntil([&] { return control->ticks[1] > 0 && control->ticks[2] > 0; }));
    EXPECT_EQ(control->systemIdOfKey[1], 17u);
    EXPECT_EQ(control->systemIdOfKey[2], 18u);
}

TEST_F(TimerTest, KilledTimerStopsTicking) {
    ASSERT_TRUE(control->SetTimer(9, 5));
    ASSERT_TRUE(PumpUntil([&] { return control->ticks[9] > 0; }));
    ASSERT_TRUE(control->KillTimer(9));
    Pump(20);
    const int ticks = control->ticks[9];
    Pump(100);
    EXPECT_EQ(control->ticks[9], ticks);
}

TEST_F(TimerTest, IdsHeldByLiveTimersAreNotHandedOutTwice) {
    // All 240 system ids alive: the next timer cannot get one.
    for (UINT key = 1; key <= 240; ++key) ASSERT_TRUE(control->SetTimer(key, 60000)) << key;
    EXPECT_FALSE(control->SetTimer(241, 10));
    // Releasing the control's timers frees the ids again.
    window->manager.KillTimer(control);
    EXPECT_TRUE(control->SetTimer(241, 10));
}

TEST(TimerWithoutWindow, FailsInsteadOfCreatingAThreadTimer) {
    CPaintManagerUI manager;
    CControlUI control;
    EXPECT_FALSE(manager.SetTimer(&control, 1, 10));
}

TEST_F(TimerTest, DeletedControlLosesItsTimers) {
    ASSERT_TRUE(control->SetTimer(4, 5));
    root->SetDelayedDestroy(false);
    root->Remove(control);
    control = nullptr;
    Pump(60);  // a stray WM_TIMER would reach a dead control
    SUCCEED();
}

// ---- notifications ----

TEST_F(TimerTest, AsyncNotificationWhoseSenderWasReapedArrivesWithNullSender) {
    struct QueueNotifier : INotifyUI {
        TimerWatch* watch = nullptr;
        std::vector<NotifyRecord> records;
        int asyncMessagesAtDelivery = -1;
        void Notify(TUiNotify& msg) override {
            if (msg.type != L"first" && msg.type != L"custom") return;
            records.push_back({msg.type.GetData(), msg.sender, msg.wParam, msg.lParam});
            asyncMessagesAtDelivery = watch->asyncMessages;
        }
    } queue;
    queue.watch = &watch;
    window->manager.AddNotifier(&queue);
    auto* doomed = new RecordingControl(nullptr, L"doomed", RECT{0, 0, 10, 10});
    root->Add(doomed);
    Pump(30);
    watch.asyncMessages = 0;
    window->manager.SendNotify(control, L"first", 1, 0, true);
    window->manager.SendNotify(doomed, L"custom", 7, 8, true);
    // Removal hands the control to the delayed clean-up, which runs before
    // the queue is delivered.
    root->Remove(doomed);
    ASSERT_TRUE(PumpUntil([&] { return queue.records.size() == 2; }));
    EXPECT_EQ(queue.records[0].type, L"first");
    EXPECT_EQ(queue.records[0].sender, control);
    EXPECT_EQ(queue.records[1].type, L"custom");
    EXPECT_EQ(queue.records[1].sender, nullptr);
    EXPECT_EQ(queue.records[1].wParam, 7u);
    EXPECT_EQ(queue.records[1].lParam, 8);
    // Two notifications and a clean-up share one async message.
    EXPECT_EQ(queue.asyncMessagesAtDelivery, 1);
    window->manager.RemoveNotifier(&queue);
}

TEST_F(TimerTest, NotificationQueuedBeforeItsSenderIsDeletedDirectly) {
    auto* doomed = new RecordingControl(nullptr, L"doomed", RECT{0, 0, 10, 10});
    root->Add(doomed);
    notifier.records.clear();
    window->manager.SendNotify(doomed, L"late", 3, 0, true);
    root->SetAutoDestroy(false);
    root->Remove(doomed);
    delete doomed;
    ASSERT_TRUE(PumpUntil([&] { return notifier.Count(L"late") == 1; }));
    for (const auto& record : notifier.records) {
        if (record.type == L"late") {
            EXPECT_EQ(record.sender, nullptr);
        }
    }
}

TEST_F(TimerTest, SenderDelegatesHearTheNotificationBeforeTheNotifiers) {
    std::vector<std::wstring> order;
    struct Listener {
        std::vector<std::wstring>* order;
        bool OnNotify(void* param) {
            order->push_back(L"sender:" + std::wstring(static_cast<TUiNotify*>(param)->type.GetData()));
            return true;
        }
    } listener{&order};
    control->OnNotify += MakeDelegate(&listener, &Listener::OnNotify);
    struct OrderNotifier : INotifyUI {
        std::vector<std::wstring>* order;
        void Notify(TUiNotify& msg) override { order->push_back(L"notifier:" + std::wstring(msg.type.GetData())); }
    } orderNotifier;
    orderNotifier.order = &order;
    window->manager.AddNotifier(&orderNotifier);
    window->manager.SendNotify(control, L"sync");
    EXPECT_EQ(order, (std::vector<std::wstring>{L"sender:sync", L"notifier:sync"}));
    window->manager.RemoveNotifier(&orderNotifier);
}

TEST_F(TimerTest, VirtualWindowNameIsFilledOnceDeclared) {
    struct VwNotifier : INotifyUI {
        std::wstring vw;
        void Notify(TUiNotify& msg) override { vw = msg.virtualWnd.GetData(); }
    } vwNotifier;
    window->manager.AddNotifier(&vwNotifier);
    root->SetVirtualWnd(L"page1");
    EXPECT_TRUE(window->manager.IsUsedVirtualWnd());
    window->manager.SendNotify(control, L"click");
    EXPECT_EQ(vwNotifier.vw, L"page1");
    window->manager.RemoveNotifier(&vwNotifier);
}

// ---- first layout ----

TEST(FirstLayout, WindowInitIsSentOnceAndLateControlsAreLaidOutOnTheNextPaint) {
    TestWindow window(RECT{100, 100, 300, 250});
    RecordingNotifier notifier;
    window.manager.AddNotifier(&notifier);
    auto* root = new CContainerUI;
    auto* inner = new CContainerUI;
    inner->SetFloat(true);
    inner->SetFixedXY(SIZE{20, 30});
    inner->SetFixedWidth(100);
    inner->SetFixedHeight(80);
    root->Add(inner);
    window.manager.AttachTree(root);
    EXPECT_EQ(notifier.Count(L"windowinit"), 0);
    window.Paint();
    EXPECT_EQ(notifier.Count(L"windowinit"), 1);
    EXPECT_EQ(notifier.records.front().sender, root);
    EXPECT_TRUE(PumpUntil([&] { return notifier.Count(L"windowsize") >= 1; }));
    EXPECT_EQ(UiRect(inner->GetPos()), UiRect(20, 30, 120, 110));

    // A control added after the first paint: only its container is laid out,
    // on the next paint, and no second "windowinit" follows.
    auto* late = new CControlUI;
    late->SetFloat(true);
    late->SetFixedXY(SIZE{5, 6});
    late->SetFixedWidth(10);
    late->SetFixedHeight(12);
    inner->Add(late);
    EXPECT_TRUE(late->IsUpdateNeeded());
    EXPECT_FALSE(root->IsUpdateNeeded());
    window.Paint();
    EXPECT_EQ(UiRect(late->GetPos()), UiRect(25, 36, 35, 48));
    EXPECT_FALSE(late->IsUpdateNeeded());
    Pump(30);
    EXPECT_EQ(notifier.Count(L"windowinit"), 1);
}

TEST(FirstLayout, ResizingTheWindowLaysTheRootOutAgain) {
    TestWindow window(RECT{100, 100, 300, 250});
    auto* root = new CContainerUI;
    window.manager.AttachTree(root);
    window.Paint();
    EXPECT_EQ(UiRect(root->GetPos()), UiRect(0, 0, 200, 150));
    SetWindowPos(window.hwnd(), nullptr, 0, 0, 260, 170, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    window.Paint();
    EXPECT_EQ(UiRect(root->GetPos()), UiRect(0, 0, 260, 170));
}

TEST(FirstLayout, ReplacedTreeGoesToDelayedCleanup) {
    TestWindow window(RECT{100, 100, 300, 250});
    bool destroyed = false;
    struct Flag {
        bool* destroyed;
        bool OnDestroy(void*) {
            *destroyed = true;
            return true;
        }
    } flag{&destroyed};
    auto* first = new CContainerUI;
    first->OnDestroy += MakeDelegate(&flag, &Flag::OnDestroy);
    window.manager.AttachTree(first);
    window.Paint();
    window.manager.AttachTree(new CContainerUI);
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(PumpUntil([&] { return destroyed; }));
}

TEST_F(TimerTest, MessageLoopDispatchesUntilQuitAndReturnsItsCode) {
    window->manager.SendNotify(control, L"queued", 0, 0, true);
    PostQuitMessage(7);
    EXPECT_EQ(CPaintManagerUI::MessageLoop(), 7);
    EXPECT_EQ(notifier.Count(L"queued"), 1);
}
