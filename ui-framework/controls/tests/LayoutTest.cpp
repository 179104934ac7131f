// Layout geometry of the containers without a window: exact rectangles for
// vertical, horizontal and tab layouts and floating children, with paddings,
// child padding, alignment, min/max clamps and scroll bars; the child list of
// a tab layout and its selection.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "controls/CContainerUI.h"
#include "controls/CHorizontalLayoutUI.h"
#include "controls/CScrollBarUI.h"
#include "controls/CTabLayoutUI.h"
#include "controls/CVerticalLayoutUI.h"
#include "manager/CPaintManagerUI.h"

using namespace Veneer;

namespace {

CControlUI* Sized(int width, int height, const wchar_t* attributes = nullptr) {
    auto* control = new CControlUI;
    control->SetFixedWidth(width);
    control->SetFixedHeight(height);
    if (attributes) control->ApplyAttributeList(attributes);
    return control;
}

UiRect At(const CControlUI* control) { return UiRect(control->GetPos()); }

struct NotifyLog : INotifyUI {
    struct Entry {
        UiString type;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Entry> entries;
    void Notify(TUiNotify& msg) override {
        if (msg.type == L"tabselect") entries.push_back({msg.type, msg.wParam, msg.lParam});
    }
};

}  // namespace

TEST(VerticalLayout, FixedChildrenStackWithChildPaddingFromTheTop) {
    CVerticalLayoutUI layout;
    layout.SetAttribute(L"childpadding", L"5");
    for (int i = 0; i < 5; ++i) layout.Add(Sized(0, 20));
    layout.SetPos(RECT{0, 0, 300, 179});
    for (int i = 0; i < 5; ++i) EXPECT_EQ(At(layout.GetItemAt(i)), UiRect(0, 25 * i, 300, 25 * i + 20)) << i;
}

// Both axes: the same cases with the roles of x and y exchanged.
TEST(BoxLayouts, StretchChildrenShareTheRestAndTheLastTakesTheLeftovers) {
    struct Case {
        int fixed;            // a fixed child of this size first (0: none)
        int gap;              // child padding
        int extent;           // layout extent along the axis
        std::vector<int> expected;  // extents along the axis, in order
    };
    const Case cases[] = {
        {0, 0, 101, {50, 51}},         // two stretch children
        {20, 5, 100, {20, 35, 35}},    // 100 - 20 - 2 * 5 = 70 over two
        {20, 0, 103, {20, 41, 42}},    // odd leftover to the last
        {90, 10, 80, {90, 0, 0}},      // over-full: stretch children get nothing
    };
    for (const Case& c : cases) {
        for (bool vertical : {true, false}) {
            CContainerUI* layout = vertical ? static_cast<CContainerUI*>(new CVerticalLayoutUI)
                                            : static_cast<CContainerUI*>(new CHorizontalLayoutUI);
            layout->SetChildPadding(c.gap);
            if (c.fixed) layout->Add(vertical ? Sized(0, c.fixed) : Sized(c.fixed, 0));
            layout->Add(new CControlUI);
            layout->Add(new CControlUI);
            layout->SetPos(vertical ? RECT{0, 0, 50, c.extent} : RECT{0, 0, c.extent, 50});
            int start = 0;
            for (int i = 0; i < layout->GetCount(); ++i) {
                const UiRect r = At(layout->GetItemAt(i));
                const int along = vertical ? r.bottom - r.top : r.right - r.left;
                EXPECT_EQ(along, c.expected[i]) << (vertical ? "vertical " : "horizontal ") << c.extent << " #" << i;
                EXPECT_EQ(vertical ? r.top : r.left, start);
                EXPECT_EQ(vertical ? r.right - r.left : r.bottom - r.top, 50);  // the cross axis is filled
                start += along + c.gap;
            }
            delete layout;
        }
    }
}

TEST(HorizontalLayout, SpacerBeforeTwoPaddedButtonsTakesTheRest) {
    CHorizontalLayoutUI layout;
    auto* spacer = new CControlUI;
    CControlUI* first = Sized(20, 20, L"padding=\"0,11,11,0\"");
    CControlUI* second = Sized(20, 20, L"padding=\"0,11,11,0\"");
    layout.Add(spacer);
    layout.Add(first);
    layout.Add(second);
    layout.SetPos(RECT{100, 50, 800, 90});
    EXPECT_EQ(At(spacer), UiRect(100, 50, 738, 90));  // 700 - 2 * (20 + 11)
    EXPECT_EQ(At(first), UiRect(738, 61, 758, 81));
    EXPECT_EQ(At(second), UiRect(769, 61, 789, 81));
}

TEST(VerticalLayout, InsetPaddingAndAlignmentPlaceEachChild) {
    struct Case {
        const wchar_t* align;
        UiRect expected;
    };
    // Client area 10..190 wide; the child is 40 wide with padding 3,2,7,4.
    const Case cases[] = {
        {L"left", UiRect(13, 7, 53, 27)},
        {L"center", UiRect(80, 7, 120, 27)},
        {L"right", UiRect(143, 7, 183, 27)},
    };
    for (const Case& c : cases) {
        CVerticalLayoutUI layout;
        layout.ApplyAttributeList(L"inset=\"10,5,10,5\"");
        layout.SetAttribute(L"childalign", c.align);
        CControlUI* child = Sized(40, 20, L"padding=\"3,2,7,4\"");
        CControlUI* next = Sized(0, 10);
        layout.Add(child);
        layout.Add(next);
        layout.SetPos(RECT{0, 0, 200, 100});
        EXPECT_EQ(At(child), c.expected) << c.align;
        EXPECT_EQ(At(next).top, 31);  // 5 + 2 + 20 + 4
    }
}

TEST(BoxLayouts, CrossAlignmentCentresAFixedGroupButNotAStretchedOne) {
    CVerticalLayoutUI layout;
    layout.SetAttribute(L"childvalign", L"vcenter");
    CControlUI* a = Sized(0, 20);
    CControlUI* b = Sized(0, 30);
    layout.Add(a);
    layout.Add(b);
    layout.SetPos(RECT{0, 0, 10, 100});
    EXPECT_EQ(At(a), UiRect(0, 25, 10, 45));
    EXPECT_EQ(At(b), UiRect(0, 45, 10, 75));
    layout.SetAttribute(L"childvalign", L"bottom");
    layout.SetPos(RECT{0, 0, 10, 100});
    EXPECT_EQ(At(b).bottom, 100);
    layout.SetAttribute(L"childvalign", L"Bottom");  // words are exact: unchanged
    EXPECT_EQ(layout.GetChildVAlign(), kChildAlignBottom);
    layout.SetAttribute(L"childvalign", L"vcenter");
    auto* stretch = new CControlUI;
    layout.Add(stretch);
    layout.SetPos(RECT{0, 0, 10, 100});
    EXPECT_EQ(At(a).top, 0);
    EXPECT_EQ(At(stretch), UiRect(0, 50, 10, 100));

    CHorizontalLayoutUI row;
    row.SetAttribute(L"childalign", L"right");
    row.SetAttribute(L"childvalign", L"vcenter");
    CControlUI* c = Sized(30, 10);
    row.Add(c);
    row.SetPos(RECT{0, 0, 100, 40});
    EXPECT_EQ(At(c), UiRect(70, 15, 100, 25));
}

TEST(BoxLayouts, MinimumAndMaximumSizesClampEveryChild) {
    CVerticalLayoutUI layout;
    CControlUI* raised = Sized(0, 10, L"minheight=\"30\"");
    CControlUI* capped = Sized(0, 0, L"maxheight=\"40\" maxwidth=\"60\"");
    CControlUI* wide = Sized(500, 10, L"minwidth=\"20\"");
    CControlUI* fixedOverMax = Sized(90, 10, L"maxwidth=\"50\"");
    auto* last = new CControlUI;
    layout.Add(raised);
    layout.Add(capped);
    layout.Add(wide);
    layout.Add(fixedOverMax);
    layout.Add(last);
    layout.SetPos(RECT{0, 0, 200, 200});
    EXPECT_EQ(At(raised), UiRect(0, 0, 200, 30));
    EXPECT_EQ(At(capped), UiRect(0, 30, 60, 70));  // a stretch child stops at its maximum
    EXPECT_EQ(At(wide), UiRect(0, 70, 200, 80));   // never wider than the layout
    EXPECT_EQ(At(fixedOverMax), UiRect(0, 80, 50, 90));  // the maximum wins over the fixed width
    EXPECT_EQ(At(last), UiRect(0, 90, 200, 200));

    CHorizontalLayoutUI row;
    CControlUI* tall = Sized(10, 0);
    CControlUI* fixedHeight = Sized(10, 15);
    CControlUI* minHeight = Sized(10, 5, L"minheight=\"80\"");
    CControlUI* maxHeight = Sized(10, 0, L"maxheight=\"12\"");
    row.Add(tall);
    row.Add(fixedHeight);
    row.Add(minHeight);
    row.Add(maxHeight);
    row.SetPos(RECT{0, 0, 100, 50});
    EXPECT_EQ(At(tall), UiRect(0, 0, 10, 50));
    EXPECT_EQ(At(fixedHeight), UiRect(10, 0, 20, 15));
    EXPECT_EQ(At(minHeight), UiRect(20, 0, 30, 80));
    EXPECT_EQ(At(maxHeight), UiRect(30, 0, 40, 12));
}

TEST(BoxLayouts, DesignUnitsAreScaledByTheManager) {
    CPaintManagerUI manager;
    manager.GetDPIObj()->SetScale(144);
    auto* layout = new CVerticalLayoutUI;
    layout->ApplyAttributeList(L"inset=\"10,10,0,0\" childpadding=\"4\"");
    CControlUI* a = Sized(0, 20);
    CControlUI* b = Sized(0, 20);
    layout->Add(a);
    layout->Add(b);
    manager.InitControls(layout);
    layout->SetPos(RECT{0, 0, 300, 300});
    EXPECT_EQ(At(a), UiRect(15, 15, 300, 45));
    EXPECT_EQ(At(b), UiRect(15, 51, 300, 81));
    delete layout;
}

TEST(FloatingChildren, PlacedByOffsetsAnchorsAndPercentagesOutsideTheFlow) {
    CPaintManagerUI manager;  // parents are set when the tree meets its manager
    auto* root = new CVerticalLayoutUI;
    CVerticalLayoutUI& layout = *root;
    CControlUI* first = Sized(0, 30);
    CControlUI* anchored = Sized(0, 0, L"float=\"true\" pos=\"-10,0,-60,20\"");
    CControlUI* button = Sized(0, 0, L"float=\"true\" pos=\"246,264,454,308\"");
    CControlUI* percent = Sized(0, 0, L"pos=\"0,0,10,10\" float=\"0.5,0,1,0.5\"");
    CControlUI* second = Sized(0, 30);
    layout.Add(first);
    layout.Add(anchored);
    layout.Add(button);
    layout.Add(percent);
    layout.Add(second);
    layout.ApplyAttributeList(L"inset=\"5,5,5,5\"");
    manager.InitControls(root);
    layout.SetPos(RECT{100, 100, 800, 500});
    EXPECT_EQ(At(anchored), UiRect(740, 100, 790, 120));
    EXPECT_EQ(At(button), UiRect(346, 364, 554, 408));
    EXPECT_EQ(At(percent), UiRect(450, 100, 810, 310));
    EXPECT_EQ(At(second), UiRect(105, 135, 795, 165));  // floating children take no room

    // Relayout of one floating child goes through its container.
    button->SetFixedXY(SIZE{0, 0});
    button->Relayout();
    EXPECT_EQ(At(button), UiRect(100, 100, 308, 144));
    delete root;
}

TEST(FloatingChildren, MovingAContainerMovesItsFloatingChildrenOnce) {
    CContainerUI root;
    auto* box = new CContainerUI;
    box->ApplyAttributeList(L"float=\"true\" pos=\"10,10,110,110\"");
    CControlUI* inner = Sized(0, 0, L"float=\"true\" pos=\"5,5,15,15\"");
    box->Add(inner);
    root.Add(box);
    root.SetPos(RECT{0, 0, 400, 400});
    box->Move(SIZE{20, 0});
    root.SetPos(RECT{0, 0, 400, 400});
    EXPECT_EQ(At(box), UiRect(30, 10, 130, 110));
    EXPECT_EQ(At(inner), UiRect(35, 15, 45, 25));
}

// Attribute values far beyond any screen: the edges stop at the int range
// instead of wrapping round (a fraction that is no number counts as 0).
TEST(FloatingChildren, ExtremeOffsetsAndFractionsStopAtTheIntRange) {
    auto place = [](const wchar_t* attributes, const RECT& container) {
        CContainerUI root;
        CControlUI* child = Sized(0, 0, attributes);
        root.Add(child);
        root.SetPos(container);
        return At(child);
    };
    const RECT box{100, 100, 800, 500};
    EXPECT_EQ(place(L"pos=\"0,0,10,10\" float=\"1e300,nan,0,-1e300\"", box), UiRect(INT_MAX, 100, INT_MAX, 100));
    EXPECT_EQ(place(L"float=\"true\" pos=\"2147483600,0,2147483647,10\"", box), UiRect(INT_MAX, 100, INT_MAX, 110));
    // Width 2147483647 aligned right in a container left of the origin.
    EXPECT_EQ(place(L"float=\"true\" floatalign=\"right\" pos=\"0,0,-2147483648,10\"", RECT{-1000, 100, -300, 500}),
              UiRect(INT_MIN, 100, -300, 110));
}

TEST(TabLayout, OnlyTheSelectedPageIsShownAndPlaced) {
    CTabLayoutUI tab;
    tab.ApplyAttributeList(L"inset=\"2,2,2,2\"");
    CControlUI* page0 = Sized(0, 0, L"padding=\"1,1,1,1\"");
    CControlUI* page1 = Sized(50, 0);
    CControlUI* hiddenFirst = Sized(0, 0, L"visible=\"false\"");
    EXPECT_TRUE(tab.Add(hiddenFirst));
    EXPECT_EQ(tab.GetCurSel(), -1);  // an invisible page is not selected
    tab.Add(page0);
    tab.Add(page1);
    EXPECT_EQ(tab.GetCurSel(), 1);
    EXPECT_FALSE(page1->IsVisible());
    tab.SetPos(RECT{0, 0, 100, 80});
    EXPECT_EQ(At(page0), UiRect(3, 3, 97, 77));
    EXPECT_TRUE(::IsRectEmpty(&page1->GetPos()));
    EXPECT_TRUE(tab.SelectItem(page1));
    EXPECT_FALSE(page0->IsVisible());
    EXPECT_EQ(At(page1), UiRect(2, 2, 52, 78));
    EXPECT_FALSE(tab.SelectItem(3));
    CControlUI stranger;
    EXPECT_FALSE(tab.SelectItem(&stranger));
    EXPECT_EQ(tab.GetCurSel(), 2);
}

TEST(TabLayout, SelectionNotifiesWithNewAndOldIndexButRemovalDoesNot) {
    CPaintManagerUI manager;
    NotifyLog log;
    manager.AddNotifier(&log);
    auto* tab = new CTabLayoutUI;
    CControlUI* pages[3] = {new CControlUI, new CControlUI, new CControlUI};
    for (CControlUI* page : pages) tab->Add(page);
    manager.InitControls(tab);
    EXPECT_TRUE(pages[0]->IsVisible());
    EXPECT_FALSE(pages[1]->IsVisible());
    EXPECT_TRUE(tab->SelectItem(0));  // already selected: nothing sent
    EXPECT_TRUE(log.entries.empty());
    EXPECT_TRUE(tab->SelectItem(1));
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_STREQ(log.entries[0].type.GetData(), L"tabselect");
    EXPECT_EQ(log.entries[0].wParam, 1u);
    EXPECT_EQ(log.entries[0].lParam, 0);
    EXPECT_TRUE(tab->Remove(pages[1]));
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_TRUE(pages[0]->IsVisible());
    EXPECT_EQ(log.entries.size(), 1u);
    tab->SetAttribute(L"selectedid", L"1");
    EXPECT_EQ(tab->GetCurSel(), 1);
    EXPECT_STREQ(tab->GetCustomAttribute(L"selectedid"), L"1");  // the pair goes on down
    manager.RemoveNotifier(&log);
    delete tab;
}

TEST(TabLayout, InsertionsRemovalsAndReorderingKeepTheSelectedPage) {
    CTabLayoutUI tab;
    auto* a = new CControlUI;
    auto* b = new CControlUI;
    auto* c = new CControlUI;
    auto* d = new CControlUI;
    tab.Add(a);
    tab.Add(b);
    tab.SelectItem(1);
    EXPECT_TRUE(tab.AddAt(c, 0));  // before the selection: hidden, selection moves up
    EXPECT_EQ(tab.GetCurSel(), 2);
    EXPECT_FALSE(c->IsVisible());
    EXPECT_TRUE(tab.AddAt(d, 3));
    EXPECT_FALSE(d->IsVisible());
    EXPECT_TRUE(tab.SetItemIndex(b, 0));
    EXPECT_EQ(tab.GetCurSel(), 0);
    EXPECT_EQ(tab.GetItemAt(tab.GetCurSel()), b);
    EXPECT_TRUE(tab.Remove(c));  // after the selection
    EXPECT_EQ(tab.GetItemAt(tab.GetCurSel()), b);
    EXPECT_TRUE(tab.SetItemIndex(b, 2));
    EXPECT_TRUE(tab.Remove(a));  // before the selection
    EXPECT_EQ(tab.GetItemAt(tab.GetCurSel()), b);
    tab.RemoveAll();
    EXPECT_EQ(tab.GetCurSel(), -1);
}

TEST(ContainerList, RejectsTheSameChildTwiceAndPositionsPastTheEnd) {
    CVerticalLayoutUI layout;
    auto* a = new CControlUI;
    auto* b = new CControlUI;
    EXPECT_TRUE(layout.Add(a));
    EXPECT_TRUE(layout.Add(b));
    EXPECT_FALSE(layout.Add(a));
    EXPECT_FALSE(layout.AddAt(b, 0));
    EXPECT_FALSE(layout.Add(&layout));
    EXPECT_FALSE(layout.SetItemIndex(a, 2));
    EXPECT_EQ(layout.GetCount(), 2);
    EXPECT_EQ(layout.GetItemAt(0), a);
    EXPECT_TRUE(layout.SetItemIndex(a, 1));
    EXPECT_EQ(layout.GetItemAt(1), a);
}

// One owner at a time: a child of one container is refused by another (it
// would be deleted twice) until its owner lets it go.
TEST(ContainerList, AChildOfAnotherContainerIsRefusedUntilRemovedFromIt) {
    for (bool withManager : {false, true}) {
        SCOPED_TRACE(withManager ? "with a manager" : "without a manager");
        CPaintManagerUI manager;
        CHorizontalLayoutUI second;
        CVerticalLayoutUI first;
        if (withManager) first.SetManager(&manager, nullptr, false);
        auto* child = new CControlUI;
        ASSERT_TRUE(first.Add(child));
        EXPECT_EQ(child->GetParent(), &first);
        EXPECT_FALSE(second.Add(child));
        EXPECT_FALSE(second.AddAt(child, 0));
        EXPECT_EQ(second.GetCount(), 0);
        EXPECT_EQ(child->GetParent(), &first);

        first.SetAutoDestroy(false);
        ASSERT_TRUE(first.Remove(child));
        EXPECT_TRUE(second.Add(child));
        EXPECT_EQ(child->GetParent(), &second);
    }
}

// Without auto-destroy a removed child is let go whole: no parent, no
// manager (for it and below it), unknown to the window, ready to be added
// elsewhere.
TEST(ContainerList, RemovingWithoutAutoDestroyDetachesTheChildFromParentAndManager) {
    CHorizontalLayoutUI elsewhere;
    CPaintManagerUI manager;
    auto* root = new CVerticalLayoutUI;
    ASSERT_TRUE(manager.AttachTree(root));
    root->SetAutoDestroy(false);
    auto* box = new CContainerUI;
    auto* inner = new CControlUI;
    inner->SetName(L"inner");
    box->Add(inner);
    root->Add(box);
    ASSERT_EQ(inner->GetManager(), &manager);
    ASSERT_EQ(manager.FindControl(L"inner"), inner);

    ASSERT_TRUE(root->Remove(box));
    EXPECT_EQ(box->GetParent(), nullptr);
    EXPECT_EQ(box->GetManager(), nullptr);
    EXPECT_EQ(inner->GetManager(), nullptr);
    EXPECT_EQ(inner->GetParent(), box);
    EXPECT_EQ(manager.FindControl(L"inner"), nullptr);

    EXPECT_TRUE(elsewhere.Add(box));  // `elsewhere` owns it now
    EXPECT_EQ(box->GetParent(), &elsewhere);
}

// A size listener may change its layout's child list while the layout
// places the children: the layout places the children present when it
// reaches them and never reads past the end of the list.
TEST(BoxLayouts, SizeListenerThatRemovesOrAddsASiblingLeavesAConsistentLine) {
    struct Change {
        CContainerUI* layout;
        bool add;
        bool done = false;
        bool OnSize(void*) {
            if (done) return true;
            done = true;
            if (add) {
                layout->Add(Sized(20, 20));
            } else {
                layout->RemoveAt(layout->GetCount() - 1);
            }
            return true;
        }
    };
    for (bool vertical : {true, false}) {
        for (bool add : {false, true}) {
            SCOPED_TRACE(testing::Message() << (vertical ? "vertical " : "horizontal ") << (add ? "add" : "remove"));
            CPaintManagerUI manager;  // size listeners run only with a manager
            std::unique_ptr<CContainerUI> layout(vertical ? static_cast<CContainerUI*>(new CVerticalLayoutUI)
                                                          : static_cast<CContainerUI*>(new CHorizontalLayoutUI));
            layout->SetManager(&manager, nullptr, false);
            layout->SetDelayedDestroy(false);  // a removed child goes at once
            for (int i = 0; i < 3; ++i) layout->Add(Sized(20, 20));
            Change change{layout.get(), add};
            layout->GetItemAt(0)->OnSize += MakeDelegate(&change, &Change::OnSize);
            layout->SetPos(RECT{0, 0, 100, 100}, false);
            ASSERT_TRUE(change.done);
            ASSERT_EQ(layout->GetCount(), add ? 4 : 2);
            for (int i = 0; i < layout->GetCount(); ++i) {
                const UiRect expected = vertical ? UiRect(0, 20 * i, 20, 20 * i + 20) : UiRect(20 * i, 0, 20 * i + 20, 20);
                EXPECT_EQ(At(layout->GetItemAt(i)), expected) << i;
            }
        }
    }
}

TEST(ScrollBars, ShownOnlyWhileTheContentOverflowsAndScrollTheChildren) {
    CVerticalLayoutUI layout;
    layout.SetAttribute(L"vscrollbar", L"true");
    layout.SetAttribute(L"vscrollbarstyle", L"width=\"10\" bkcolor=\"#FF00FF00\"");
    CScrollBarUI* bar = layout.GetVerticalScrollBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetFixedWidth(), 10);
    EXPECT_EQ(bar->GetBkColor(), 0xFF00FF00u);
    CControlUI* a = Sized(0, 60);
    CControlUI* b = Sized(0, 60);
    layout.Add(a);
    layout.Add(b);
    layout.SetPos(RECT{0, 0, 100, 200});
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(At(a), UiRect(0, 0, 100, 60));

    layout.SetPos(RECT{0, 0, 100, 100});
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_EQ(At(bar), UiRect(90, 0, 100, 100));
    EXPECT_EQ(At(a), UiRect(0, 0, 90, 60));
    EXPECT_EQ(layout.GetScrollRange().cy, 20);
    layout.SetScrollPos(SIZE{0, 50});  // clamped to the range
    EXPECT_EQ(layout.GetScrollPos().cy, 20);
    EXPECT_EQ(At(b), UiRect(0, 40, 90, 100));
    POINT onBar{95, 50};
    EXPECT_EQ(layout.FindControl([](CControlUI* c, void*) { return c; }, &onBar, FINDF_VISIBLE | FINDF_HITTEST),
              bar);

    layout.SetPos(RECT{0, 0, 100, 300});
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(At(a), UiRect(0, 0, 100, 60));
    layout.SetAttribute(L"vscrollbar", L"false");
    EXPECT_EQ(layout.GetVerticalScrollBar(), nullptr);
}

TEST(ScrollBars, AnExternalBarTakesNoRoomAndMayGoFirst) {
    CVerticalLayoutUI layout;
    auto* bar = new CScrollBarUI;
    layout.AttachVerticalScrollBar(bar);
    CControlUI* a = Sized(0, 150);
    layout.Add(a);
    layout.SetPos(RECT{0, 0, 100, 100});
    EXPECT_EQ(At(a), UiRect(0, 0, 100, 150));
    EXPECT_EQ(bar->GetScrollRange(), 50);
    layout.SetScrollPos(SIZE{0, 30});
    EXPECT_EQ(At(a), UiRect(0, -30, 100, 120));
    delete bar;  // the layout forgets it
    EXPECT_EQ(layout.GetVerticalScrollBar(), nullptr);
    layout.SetPos(RECT{0, 0, 100, 100});
    EXPECT_EQ(At(a).top, 0);
}
