// The control base, its listener lists and the generic container, without a
// window: geometry, scaling, dirty marking, event routing, tree search and
// clipped painting into a memory bitmap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/CContainerUI.h"
#include "controls/CControlUI.h"
#include "manager/CPaintManagerUI.h"

using namespace Veneer;
using K = UiEventKind;

namespace {

struct Listener {
    std::vector<std::string>* calls;
    std::string name;
    bool answer = true;
    bool Call(void*) {
        calls->push_back(name);
        return answer;
    }
};

int g_staticCalls = 0;
bool StaticListener(void*) {
    ++g_staticCalls;
    return true;
}

}  // namespace

TEST(EventSource, RunsInOrderStopsAtFalseAndKeepsOneOfEqualDelegates) {
    std::vector<std::string> calls;
    Listener first{&calls, "first"};
    Listener second{&calls, "second"};
    CEventSource source;
    EXPECT_TRUE(source(nullptr));  // empty list
    source += MakeDelegate(&first, &Listener::Call);
    source += MakeDelegate(&first, &Listener::Call);  // equal: not added again
    source += MakeDelegate(&second, &Listener::Call);
    source += StaticListener;
    EXPECT_EQ(source.GetCount(), 3);
    EXPECT_TRUE(source(nullptr));
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(g_staticCalls, 1);

    calls.clear();
    first.answer = false;
    EXPECT_FALSE(source(nullptr));
    EXPECT_EQ(calls, (std::vector<std::string>{"first"}));

    source -= MakeDelegate(&first, &Listener::Call);
    source -= StaticListener;
    EXPECT_EQ(source.GetCount(), 1);
    calls.clear();
    EXPECT_TRUE(source(nullptr));
    EXPECT_EQ(calls, (std::vector<std::string>{"second"}));
}

TEST(EventSource, DelegatesDifferingInObjectOrFunctionAreDistinct) {
    std::vector<std::string> calls;
    Listener one{&calls, "one"};
    Listener two{&calls, "two"};
    EXPECT_TRUE(MakeDelegate(&one, &Listener::Call).Equals(MakeDelegate(&one, &Listener::Call)));
    EXPECT_FALSE(MakeDelegate(&one, &Listener::Call).Equals(MakeDelegate(&two, &Listener::Call)));
    EXPECT_FALSE(MakeDelegate(&one, &Listener::Call).Equals(MakeDelegate(StaticListener)));
}

TEST(ControlText, LineBreakMarkersAreReplaced) {
    CControlUI control;
    control.SetText(L"a{\\n}b{\\n}");
    EXPECT_STREQ(control.GetText().GetData(), L"a\nb\n");
    control.SetToolTip(L"x<n>y");
    EXPECT_STREQ(control.GetToolTip().GetData(), L"x\r\ny");
    control.SetText(nullptr);
    EXPECT_TRUE(control.GetText().IsEmpty());
}

TEST(ControlGeometry, DesignUnitsAreScaledByTheManagerOnly) {
    CControlUI control;
    control.SetFixedWidth(11);
    control.SetFixedHeight(20);
    control.SetFixedXY(SIZE{1, -3});
    control.SetMinWidth(4);
    control.SetToolTipWidth(300);
    EXPECT_EQ(control.GetFixedWidth(), 11);
    EXPECT_EQ(control.EstimateSize(SIZE{0, 0}).cy, 20);

    CPaintManagerUI manager;
    manager.GetDPIObj()->SetScale(144);
    control.SetManager(&manager, nullptr, false);
    EXPECT_EQ(control.GetFixedWidth(), 17);
    EXPECT_EQ(control.GetFixedHeight(), 30);
    EXPECT_EQ(control.GetFixedXY().cx, 2);
    EXPECT_EQ(control.GetFixedXY().cy, -5);
    EXPECT_EQ(control.GetMinWidth(), 6);
    EXPECT_EQ(control.GetToolTipWidth(), 450);
    EXPECT_EQ(control.EstimateSize(SIZE{0, 0}).cx, 17);
    control.SetManager(nullptr, nullptr, false);
}

TEST(ControlGeometry, NegativeSizesAreIgnored) {
    CControlUI control;
    control.SetFixedWidth(10);
    control.SetFixedWidth(-1);
    control.SetMaxHeight(50);
    control.SetMaxHeight(-5);
    control.SetMinHeight(-5);
    EXPECT_EQ(control.GetFixedWidth(), 10);
    EXPECT_EQ(control.GetMaxHeight(), 50);
    EXPECT_EQ(control.GetMinHeight(), 0);
    EXPECT_EQ(control.GetMaxWidth(), 9999);
}

TEST(ControlGeometry, SetPosCorrectsInvertedRectanglesAndRunsSizeListenersWithAManager) {
    std::vector<std::string> calls;
    Listener sized{&calls, "size"};
    CControlUI control;
    control.OnSize += MakeDelegate(&sized, &Listener::Call);
    control.SetPos(RECT{10, 20, 5, 8});
    EXPECT_EQ(UiRect(control.GetPos()), UiRect(10, 20, 10, 20));
    EXPECT_TRUE(calls.empty());  // without a manager the listeners do not run
    EXPECT_TRUE(control.IsUpdateNeeded());

    CPaintManagerUI manager;
    control.SetManager(&manager, nullptr, false);
    control.SetPos(RECT{1, 2, 30, 40});
    EXPECT_EQ(calls, (std::vector<std::string>{"size"}));
    EXPECT_FALSE(control.IsUpdateNeeded());
    control.SetManager(nullptr, nullptr, false);
}

TEST(ControlGeometry, RelativePosIsOffsetByTheParent) {
    CContainerUI parent;
    auto* child = new CControlUI;
    parent.Add(child);
    child->SetManager(nullptr, &parent, false);
    parent.SetPos(RECT{100, 50, 300, 200});
    child->SetPos(RECT{110, 70, 120, 80});
    EXPECT_EQ(UiRect(child->GetRelativePos()), UiRect(10, 20, 20, 30));
    CControlUI orphan;
    EXPECT_EQ(UiRect(orphan.GetRelativePos()), UiRect(0, 0, 0, 0));
}

namespace {

class LoggingControl : public CControlUI {
public:
    std::vector<K>* log;
    explicit LoggingControl(std::vector<K>* target) : log(target) {}
    void DoEvent(TUiEvent& event) override {
        log->push_back(event.kind);
        CControlUI::DoEvent(event);
    }
};

class LoggingContainer : public CContainerUI {
public:
    std::vector<K>* log;
    explicit LoggingContainer(std::vector<K>* target) : log(target) {}
    void DoEvent(TUiEvent& event) override {
        log->push_back(event.kind);
        CContainerUI::DoEvent(event);
    }
};

TUiEvent MakeEvent(K kind, WPARAM wParam = 0) {
    TUiEvent event;
    event.kind = kind;
    event.wParam = wParam;
    return event;
}

struct Notes : INotifyUI {
    std::vector<std::wstring> types;
    std::vector<WPARAM> wParams;
    void Notify(TUiNotify& msg) override {
        types.push_back(msg.type.GetData());
        wParams.push_back(msg.wParam);
    }
};

}  // namespace

TEST(ControlEvents, EventListenersGateDoEvent) {
    std::vector<K> seen;
    LoggingControl control(&seen);
    std::vector<std::string> calls;
    Listener gate{&calls, "gate", false};
    control.OnEvent += MakeDelegate(&gate, &Listener::Call);
    TUiEvent event = MakeEvent(K::UIEVT_MOUSEMOVE);
    control.Event(event);
    EXPECT_TRUE(seen.empty());
    gate.answer = true;
    control.Event(event);
    EXPECT_EQ(seen, (std::vector<K>{K::UIEVT_MOUSEMOVE}));
}

TEST(ControlEvents, BaseHandlesFocusTimerAndMenuAndPassesTheRestToTheParent) {
    std::vector<K> parentSeen;
    std::vector<K> childSeen;
    CPaintManagerUI manager;
    Notes notes;
    manager.AddNotifier(&notes);
    auto* parent = new LoggingContainer(&parentSeen);
    auto* child = new LoggingControl(&childSeen);
    parent->Add(child);
    manager.InitControls(parent);

    TUiEvent focus = MakeEvent(K::UIEVT_SETFOCUS);
    child->Event(focus);
    EXPECT_TRUE(child->IsFocused());
    TUiEvent kill = MakeEvent(K::UIEVT_KILLFOCUS);
    child->Event(kill);
    EXPECT_FALSE(child->IsFocused());

    TUiEvent timer = MakeEvent(K::UIEVT_TIMER, 12);
    child->Event(timer);
    TUiEvent menu = MakeEvent(K::UIEVT_CONTEXTMENU);
    child->Event(menu);  // not a menu control: goes up
    child->SetContextMenuUsed(true);
    child->Event(menu);
    TUiEvent move = MakeEvent(K::UIEVT_MOUSEMOVE);
    child->Event(move);

    EXPECT_EQ(notes.types, (std::vector<std::wstring>{L"timer", L"menu"}));
    EXPECT_EQ(notes.wParams.front(), 12u);
    EXPECT_EQ(parentSeen, (std::vector<K>{K::UIEVT_CONTEXTMENU, K::UIEVT_MOUSEMOVE}));
    manager.RemoveNotifier(&notes);
    delete parent;
}

TEST(ControlLifecycle, InitRunsDoInitThenListenersOnlyForControlsWithAParent) {
    std::vector<std::string> calls;
    Listener init{&calls, "init"};
    CPaintManagerUI manager;
    auto* root = new CContainerUI;
    auto* child = new CControlUI;
    root->OnInit += MakeDelegate(&init, &Listener::Call);
    child->OnInit += MakeDelegate(&init, &Listener::Call);
    root->Add(child);
    manager.InitControls(root);
    EXPECT_EQ(calls.size(), 1u);  // the child; the root has no parent
    EXPECT_EQ(child->GetManager(), &manager);
    EXPECT_EQ(child->GetParent(), root);
    delete root;
}

TEST(ControlLifecycle, NamedControlsAreRegisteredAndForgottenWhenDestroyed) {
    CPaintManagerUI manager;
    auto* root = new CContainerUI;
    auto* child = new CControlUI;
    child->SetName(L"ok");
    root->Add(child);
    manager.InitControls(root);
    EXPECT_EQ(manager.FindControl(L"ok"), child);
    std::vector<std::string> calls;
    Listener destroyed{&calls, "destroyed"};
    child->OnDestroy += MakeDelegate(&destroyed, &Listener::Call);
    root->SetDelayedDestroy(false);
    root->Remove(child);
    EXPECT_EQ(calls, (std::vector<std::string>{"destroyed"}));
    EXPECT_EQ(manager.FindControl(L"ok"), nullptr);
    delete root;
}

TEST(ControlTree, VirtualWindowNameIsInheritedFromTheNearestAncestor) {
    CContainerUI root;
    auto* page = new CContainerUI;
    auto* leaf = new CControlUI;
    root.Add(page);
    page->Add(leaf);
    leaf->SetManager(nullptr, page, false);
    page->SetManager(nullptr, &root, false);
    EXPECT_TRUE(leaf->GetVirtualWnd().IsEmpty());
    root.SetVirtualWnd(L"outer");
    EXPECT_STREQ(leaf->GetVirtualWnd().GetData(), L"outer");
    page->SetVirtualWnd(L"inner");
    EXPECT_STREQ(leaf->GetVirtualWnd().GetData(), L"inner");
}

TEST(ControlTree, HidingAControlAsksItsParentForLayout) {
    CPaintManagerUI manager;
    auto* root = new CContainerUI;
    auto* child = new CControlUI;
    root->Add(child);
    manager.InitControls(root);
    root->SetPos(RECT{0, 0, 100, 100});
    child->SetPos(RECT{0, 0, 10, 10});
    ASSERT_FALSE(root->IsUpdateNeeded());
    child->SetVisible(false);
    EXPECT_TRUE(root->IsUpdateNeeded());
    EXPECT_TRUE(manager.IsUpdateNeeded());
    EXPECT_FALSE(child->IsVisible());
    EXPECT_TRUE(child->IsEnabled());
    // Hiding the container hides the child by intern visibility.
    child->SetVisible(true);
    root->SetVisible(false);
    EXPECT_TRUE(child->IsOwnVisible());
    EXPECT_FALSE(child->IsVisible());
    root->SetVisible(true);
    EXPECT_TRUE(child->IsVisible());
    delete root;
}

// ---- container ----

namespace {

CControlUI* ReturnSelf(CControlUI* control, void*) { return control; }

CControlUI* Collect(CControlUI* control, void* data) {
    static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    return nullptr;
}

CControlUI* CollectUpdates(CControlUI* control, void* data) {
    if (!control->IsUpdateNeeded()) return nullptr;
    static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    return control;
}

CControlUI* Floating(RECT pos) {
    auto* control = new CControlUI;
    control->SetFloat(true);
    control->SetFixedXY(SIZE{pos.left, pos.top});
    control->SetFixedWidth(pos.right - pos.left);
    control->SetFixedHeight(pos.bottom - pos.top);
    return control;
}

}  // namespace

TEST(ContainerSearch, HitTestFindsTheTopmostVisibleMouseEnabledChild) {
    CContainerUI root;
    CControlUI* under = Floating(RECT{0, 0, 50, 50});
    CControlUI* over = Floating(RECT{25, 25, 75, 75});
    root.Add(under);
    root.Add(over);
    root.SetPos(RECT{0, 0, 100, 100});
    const UINT flags = FINDF_VISIBLE | FINDF_HITTEST | FINDF_TOPFIRST;
    POINT both{30, 30};
    EXPECT_EQ(root.FindControl(ReturnSelf, &both, flags), over);
    EXPECT_EQ(root.FindControl(ReturnSelf, &both, FINDF_VISIBLE | FINDF_HITTEST), under);
    over->SetMouseEnabled(false);
    EXPECT_EQ(root.FindControl(ReturnSelf, &both, flags), under);
    under->SetVisible(false);
    EXPECT_EQ(root.FindControl(ReturnSelf, &both, flags), &root);  // the container itself
    root.SetMouseChildEnabled(false);
    over->SetMouseEnabled(true);
    EXPECT_EQ(root.FindControl(ReturnSelf, &both, flags), &root);
    POINT outside{150, 30};
    EXPECT_EQ(root.FindControl(ReturnSelf, &outside, flags), nullptr);
}

TEST(ContainerSearch, EnabledFilterAndTreeOrderWithMeFirst) {
    CContainerUI root;
    auto* inner = new CContainerUI;
    auto* a = new CControlUI;
    auto* b = new CControlUI;
    inner->Add(a);
    root.Add(inner);
    root.Add(b);
    std::vector<CControlUI*> order;
    root.FindControl(Collect, &order, FINDF_MEFIRST);
    EXPECT_EQ(order, (std::vector<CControlUI*>{&root, inner, a, b}));
    order.clear();
    root.FindControl(Collect, &order, FINDF_ALL);
    EXPECT_EQ(order, (std::vector<CControlUI*>{a, inner, b, &root}));
    order.clear();
    inner->SetEnabled(false);
    EXPECT_FALSE(a->IsEnabled());  // passed down
    root.FindControl(Collect, &order, FINDF_MEFIRST | FINDF_ENABLED);
    EXPECT_EQ(order, (std::vector<CControlUI*>{&root, b}));
}

TEST(ContainerSearch, UpdateTestStopsBelowAControlThatNeedsLayoutAndFindsEverySibling) {
    CPaintManagerUI manager;  // SetPos clears the layout flag only with a manager
    auto* root = new CContainerUI;
    auto* inner = new CContainerUI;
    auto* leaf = new CControlUI;
    auto* sibling = new CControlUI;
    auto* last = new CControlUI;
    inner->Add(leaf);
    root->Add(inner);
    root->Add(sibling);
    root->Add(last);
    manager.InitControls(root);
    root->SetPos(RECT{0, 0, 10, 10});  // lays out every control: none needs layout now
    inner->NeedUpdate();
    leaf->NeedUpdate();
    sibling->NeedUpdate();
    last->NeedUpdate();
    std::vector<CControlUI*> found;
    root->FindControl(CollectUpdates, &found, FINDF_VISIBLE | FINDF_MEFIRST | FINDF_UPDATETEST);
    EXPECT_EQ(found, (std::vector<CControlUI*>{inner, sibling, last}));
    delete root;
}

TEST(ContainerLayout, FloatingChildrenUseFixedPositionAnchorsAndAlignment) {
    CContainerUI root;
    CControlUI* plain = Floating(RECT{246, 264, 454, 308});
    CControlUI* anchored = Floating(RECT{-60, 0, -10, 20});
    CControlUI* centred = Floating(RECT{0, 0, 100, 50});
    centred->SetFloatAlign(1 | 8);  // centre, bottom
    auto* stacked = new CControlUI;
    stacked->SetMaxHeight(40);
    root.Add(plain);
    root.Add(anchored);
    root.Add(centred);
    root.Add(stacked);
    root.SetPos(RECT{10, 20, 710, 440});
    EXPECT_EQ(UiRect(plain->GetPos()), UiRect(256, 284, 464, 328));
    EXPECT_EQ(UiRect(anchored->GetPos()), UiRect(650, 20, 700, 40));
    EXPECT_EQ(UiRect(centred->GetPos()), UiRect(310, 390, 410, 440));
    EXPECT_EQ(UiRect(stacked->GetPos()), UiRect(10, 20, 710, 60));
}

TEST(ContainerList, AddRemoveAndReorderChildren) {
    CContainerUI root;
    auto* a = new CControlUI;
    auto* b = new CControlUI;
    auto* c = new CControlUI;
    EXPECT_FALSE(root.Add(nullptr));
    EXPECT_TRUE(root.Add(a));
    EXPECT_TRUE(root.Add(b));
    EXPECT_FALSE(root.AddAt(c, 5));
    EXPECT_TRUE(root.AddAt(c, 0));
    EXPECT_EQ(root.GetItemIndex(c), 0);
    EXPECT_TRUE(root.SetItemIndex(c, 2));
    EXPECT_EQ(root.GetItemAt(2), c);
    EXPECT_EQ(root.GetItemAt(3), nullptr);
    CControlUI stranger;
    EXPECT_FALSE(root.Remove(&stranger));
    EXPECT_TRUE(root.RemoveAt(0));  // a, deleted at once without a manager
    EXPECT_EQ(root.GetCount(), 2);
    root.RemoveAll();
    EXPECT_EQ(root.GetCount(), 0);
}

TEST(ContainerList, RemovalWithAManagerIsDelayedUntilTheAsyncPass) {
    std::vector<std::string> calls;
    Listener destroyed{&calls, "destroyed"};
    {
        CPaintManagerUI manager;  // no window: the clean-up waits for the manager
        auto* root = new CContainerUI;
        auto* child = new CControlUI;
        root->Add(child);
        manager.InitControls(root);
        child->OnDestroy += MakeDelegate(&destroyed, &Listener::Call);
        EXPECT_TRUE(root->Remove(child));
        EXPECT_TRUE(calls.empty());
        delete root;
        EXPECT_TRUE(calls.empty());
    }
    // The manager's destructor frees what waits for clean-up.
    EXPECT_EQ(calls, (std::vector<std::string>{"destroyed"}));
}

TEST(ContainerPaint, ChildrenArePaintedInsideTheContainerOnly) {
    CPaintManagerUI manager;  // starts the graphics library
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 100);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 100, 100, WHITENESS);

    CContainerUI outer;
    auto* box = new CContainerUI;
    box->SetFloat(true);
    box->SetFixedXY(SIZE{10, 10});
    box->SetFixedWidth(40);
    box->SetFixedHeight(40);
    CControlUI* wide = Floating(RECT{0, 0, 80, 80});  // overflows the box
    wide->SetBkColor(0xFF0000FF);
    box->Add(wide);
    outer.Add(box);
    outer.SetPos(RECT{0, 0, 100, 100});
    EXPECT_TRUE(outer.Paint(dc, RECT{0, 0, 100, 100}, nullptr));
    EXPECT_EQ(GetPixel(dc, 30, 30), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 9, 30), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 60, 60), RGB(255, 255, 255));
    // Painting stops at the stop control.
    PatBlt(dc, 0, 0, 100, 100, WHITENESS);
    EXPECT_FALSE(outer.Paint(dc, RECT{0, 0, 100, 100}, wide));
    EXPECT_EQ(GetPixel(dc, 30, 30), RGB(255, 255, 255));

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST(ContainerPaint, TranslucentAndTransparentBackgrounds) {
    CPaintManagerUI manager;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 20);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 20, 20, WHITENESS);
    CControlUI control;
    control.SetPos(RECT{0, 0, 20, 20});
    control.SetBkColor(0x00FF0000);  // alpha 0: nothing
    control.Paint(dc, RECT{0, 0, 20, 20}, nullptr);
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 255, 255));
    control.SetBkColor(0x80000000);  // half black over white
    control.Paint(dc, RECT{0, 0, 20, 20}, nullptr);
    const COLORREF grey = GetPixel(dc, 5, 5);
    EXPECT_NEAR(GetRValue(grey), 127, 2);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}
