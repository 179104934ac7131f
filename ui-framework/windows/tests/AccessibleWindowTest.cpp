// A skinned window as screen readers see it, through the system's own entry
// point (AccessibleObjectFromWindow sends the window WM_GETOBJECT): the
// flattened tree's names, roles, states and screen locations, focus,
// navigation and hit testing, default actions, the WinEvents with their
// child ids, and a reader that outlives the window.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/CProgressUI.h"
#include "manager/tests/WindowTestSupport.h"
#include "windows/WindowImplBase.h"

using namespace VeneerTest;

namespace {

// Child ids in reading order: 1 title, 2 go, 3 tick (named by its label),
// 4 its label, 5 choice, 6 bar, 7 off, 8 close (by its tooltip). The hidden
// button, the hidden page's bar and the bare decoration are not seen.
constexpr wchar_t kSkin[] =
    L"<Window size=\"300,200\">"
    L"<VerticalLayout bkcolor=\"#FF336699\">"
    L"<Label name=\"title\" height=\"30\" text=\"Title text\"/>"
    L"<Button name=\"go\" float=\"true\" pos=\"10,40,110,70\" text=\"Go\"/>"
    L"<HorizontalLayout float=\"true\" pos=\"10,80,290,100\">"
    L"<CheckBox name=\"tick\" width=\"20\" selected=\"true\"/>"
    L"<Label name=\"tickLabel\" text=\"Remember me\"/>"
    L"</HorizontalLayout>"
    L"<Option name=\"choice\" group=\"g\" float=\"true\" pos=\"10,105,110,120\" text=\"Choice\"/>"
    L"<Progress name=\"bar\" float=\"true\" pos=\"10,125,290,135\" min=\"0\" max=\"200\" value=\"50\"/>"
    L"<Button name=\"off\" float=\"true\" pos=\"10,140,60,160\" text=\"Off\" enabled=\"false\"/>"
    L"<Button name=\"hidden\" float=\"true\" pos=\"70,140,120,160\" text=\"Hidden\" visible=\"false\"/>"
    L"<VerticalLayout float=\"true\" pos=\"0,0,1,1\" visible=\"false\">"
    L"<Progress name=\"hiddenBar\" value=\"10\"/></VerticalLayout>"
    L"<Control name=\"deco\" float=\"true\" pos=\"200,140,220,160\" bkcolor=\"#FFFF0000\"/>"
    L"<Button name=\"close\" float=\"true\" pos=\"270,5,290,25\" tooltip=\"Close\"/>"
    L"</VerticalLayout></Window>";

constexpr long kTitle = 1, kGo = 2, kTick = 3, kChoice = 5, kBar = 6, kOff = 7, kClose = 8, kCount = 8;

class AccessibleSkinWindow : public WindowImplBase {
public:
    std::vector<std::wstring> clicks;

protected:
    const wchar_t* GetWindowClassName() const override { return L"VeneerAccessibleTestWindow"; }
    const wchar_t* GetSkinFile() const override { return kSkin; }
    void OnClick(TUiNotify& msg) override {
        if (msg.sender) clicks.push_back(msg.sender->GetName().GetData());
    }
};

struct Releasing {
    void operator()(IAccessible* object) const { object->Release(); }
};
using AccessiblePtr = std::unique_ptr<IAccessible, Releasing>;

VARIANT Child(long id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

// The text a getter returns, empty on failure; the string is freed.
template <typename Getter>
std::wstring Text(Getter getter) {
    BSTR text = nullptr;
    const HRESULT result = getter(&text);
    std::wstring out = SUCCEEDED(result) && text ? text : L"";
    SysFreeString(text);
    return out;
}

class AccessibleWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
        window = std::make_unique<AccessibleSkinWindow>();
        ASSERT_NE(window->Create(nullptr, L"Readable window", WS_POPUP | WS_VISIBLE, 0, 200, 200, 300, 200), nullptr);
        SetForegroundWindow(*window);
        UpdateWindow(*window);
        Pump(50);
        IAccessible* object = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(*window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&object)),
                  S_OK);
        accessible.reset(object);
    }
    void TearDown() override {
        accessible.reset();
        if (window && IsWindow(*window)) DestroyWindow(*window);
        window.reset();
        CoUninitialize();
    }

    std::wstring Name(long id) const {
        return Text([&](BSTR* text) { return accessible->get_accName(Child(id), text); });
    }
    std::wstring Value(long id) const {
        return Text([&](BSTR* text) { return accessible->get_accValue(Child(id), text); });
    }
    std::wstring DefaultAction(long id) const {
        return Text([&](BSTR* text) { return accessible->get_accDefaultAction(Child(id), text); });
    }
    long Role(long id) const {
        VARIANT role{};
        return SUCCEEDED(accessible->get_accRole(Child(id), &role)) && role.vt == VT_I4 ? role.lVal : -1;
    }
    long State(long id) const {
        VARIANT state{};
        return SUCCEEDED(accessible->get_accState(Child(id), &state)) && state.vt == VT_I4 ? state.lVal : -1;
    }
    RECT Location(long id) const {
        long x = 0, y = 0, cx = 0, cy = 0;
        accessible->accLocation(&x, &y, &cx, &cy, Child(id));
        return RECT{x, y, x + cx, y + cy};
    }
    CControlUI* Control(const wchar_t* name) const { return window->GetPaintManager().FindControl(name); }

    std::unique_ptr<AccessibleSkinWindow> window;
    AccessiblePtr accessible;
};

}  // namespace

TEST_F(AccessibleWindowTest, VisibleMeaningfulControlsAreChildrenWithNamesRolesAndStates) {
    long count = 0;
    ASSERT_EQ(accessible->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, kCount);
    EXPECT_EQ(Name(CHILDID_SELF), L"Readable window");
    EXPECT_EQ(Role(CHILDID_SELF), ROLE_SYSTEM_CLIENT);
    const struct {
        long id;
        const wchar_t* name;
        long role;
    } expected[] = {
        {kTitle, L"Title text", ROLE_SYSTEM_STATICTEXT},  {kGo, L"Go", ROLE_SYSTEM_PUSHBUTTON},
        {kTick, L"Remember me", ROLE_SYSTEM_CHECKBUTTON}, {kChoice, L"Choice", ROLE_SYSTEM_RADIOBUTTON},
        {kBar, L"", ROLE_SYSTEM_PROGRESSBAR},            {kOff, L"Off", ROLE_SYSTEM_PUSHBUTTON},
        {kClose, L"Close", ROLE_SYSTEM_PUSHBUTTON},
    };
    for (const auto& child : expected) {
        EXPECT_EQ(Name(child.id), child.name) << child.id;
        EXPECT_EQ(Role(child.id), child.role) << child.id;
    }
    EXPECT_EQ(State(kClose), STATE_SYSTEM_FOCUSABLE);
    EXPECT_EQ(State(kTick), STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_CHECKED);
    EXPECT_EQ(State(kOff) & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE), STATE_SYSTEM_UNAVAILABLE);
    EXPECT_EQ(Value(kBar), L"25%");
    EXPECT_EQ(DefaultAction(kGo), L"Press");
    EXPECT_EQ(DefaultAction(kTick), L"Uncheck");
    // Ids beyond the tree are refused, not read.
    BSTR text = nullptr;
    EXPECT_EQ(accessible->get_accName(Child(kCount + 1), &text), E_INVALIDARG);
}

TEST_F(AccessibleWindowTest, LocationsAreScreenPixels) {
    const RECT go = Location(kGo);
    EXPECT_EQ(go.left, 210);
    EXPECT_EQ(go.top, 240);
    EXPECT_EQ(go.right - go.left, 100);
    EXPECT_EQ(go.bottom - go.top, 30);
    const RECT self = Location(CHILDID_SELF);
    EXPECT_EQ(self.left, 200);
    EXPECT_EQ(self.right - self.left, 300);
}

TEST_F(AccessibleWindowTest, FocusNavigationAndHitTestingUseTheSameChildIds) {
    window->GetPaintManager().SetFocus(Control(L"close"));
    EXPECT_EQ(State(kClose), STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
    EXPECT_EQ(State(kGo) & STATE_SYSTEM_FOCUSED, 0);
    EXPECT_EQ(State(CHILDID_SELF) & STATE_SYSTEM_FOCUSED, 0);
    VARIANT found{};
    ASSERT_EQ(accessible->get_accFocus(&found), S_OK);
    EXPECT_EQ(found.lVal, kClose);

    ASSERT_EQ(accessible->accNavigate(NAVDIR_FIRSTCHILD, Child(CHILDID_SELF), &found), S_OK);
    EXPECT_EQ(found.lVal, kTitle);
    ASSERT_EQ(accessible->accNavigate(NAVDIR_NEXT, Child(kTitle), &found), S_OK);
    EXPECT_EQ(found.lVal, kGo);
    ASSERT_EQ(accessible->accNavigate(NAVDIR_LASTCHILD, Child(CHILDID_SELF), &found), S_OK);
    EXPECT_EQ(found.lVal, kClose);
    EXPECT_EQ(accessible->accNavigate(NAVDIR_NEXT, Child(kClose), &found), S_FALSE);
    EXPECT_EQ(found.vt, VT_EMPTY);

    ASSERT_EQ(accessible->accHitTest(200 + 50, 200 + 50, &found), S_OK);
    EXPECT_EQ(found.lVal, kGo);
    ASSERT_EQ(accessible->accHitTest(200 + 150, 200 + 180, &found), S_OK);
    EXPECT_EQ(found.lVal, CHILDID_SELF);
    EXPECT_EQ(accessible->accHitTest(100, 100, &found), S_FALSE);
}

TEST_F(AccessibleWindowTest, DefaultActionsClickAndToggleAsTheMouseDoes) {
    ASSERT_EQ(accessible->accDoDefaultAction(Child(kGo)), S_OK);
    ASSERT_EQ(accessible->accDoDefaultAction(Child(kTick)), S_OK);
    // Run from the window's loop, not inside the reader's call.
    EXPECT_TRUE(window->clicks.empty());
    PumpUntil([&] { return window->clicks.size() == 2; });
    EXPECT_EQ(window->clicks, (std::vector<std::wstring>{L"go", L"tick"}));
    EXPECT_EQ(State(kTick) & STATE_SYSTEM_CHECKED, 0);
    EXPECT_EQ(accessible->accDoDefaultAction(Child(kOff)), E_FAIL);
    EXPECT_EQ(accessible->accDoDefaultAction(Child(kBar)), DISP_E_MEMBERNOTFOUND);
    // An action asked for a control that is hidden before it runs does nothing.
    ASSERT_EQ(accessible->accDoDefaultAction(Child(kGo)), S_OK);
    Control(L"go")->SetVisible(false);
    Pump(50);
    EXPECT_EQ(window->clicks.size(), 2u);
}

namespace {
struct WinEvent {
    DWORD event;
    HWND hwnd;
    LONG object;
    LONG child;
};
std::vector<WinEvent> g_events;
void CALLBACK RecordWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    g_events.push_back(WinEvent{event, hwnd, object, child});
}
}  // namespace

TEST_F(AccessibleWindowTest, FocusValueAndStateChangesRaiseWinEventsWithTreeChildIds) {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, RecordWinEvent,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    g_events.clear();
    window->GetPaintManager().SetFocus(Control(L"close"));
    static_cast<CProgressUI*>(Control(L"bar"))->SetValue(100);
    static_cast<CProgressUI*>(Control(L"hiddenBar"))->SetValue(20);  // not seen: no event
    Control(L"tick")->Activate();
    PumpUntil([] { return g_events.size() >= 3; }, 1000);
    Pump(50);
    UnhookWinEvent(hook);
    std::vector<std::pair<DWORD, LONG>> ours;
    for (const WinEvent& event : g_events) {
        if (event.hwnd == *window && event.object == OBJID_CLIENT) ours.emplace_back(event.event, event.child);
    }
    EXPECT_EQ(ours, (std::vector<std::pair<DWORD, LONG>>{
                        {EVENT_OBJECT_FOCUS, kClose}, {EVENT_OBJECT_VALUECHANGE, kBar}, {EVENT_OBJECT_STATECHANGE, kTick}}));
    EXPECT_EQ(Value(kBar), L"50%");
}

TEST_F(AccessibleWindowTest, AReaderHoldingTheObjectAfterTheWindowIsGoneGetsFailures) {
    DestroyWindow(*window);
    Pump(20);
    long count = -1;
    EXPECT_EQ(accessible->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(count, 0);
    BSTR text = nullptr;
    EXPECT_EQ(accessible->get_accName(Child(kGo), &text), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(accessible->accDoDefaultAction(Child(kGo)), CO_E_OBJNOTCONNECTED);
    long x = 0, y = 0, cx = 0, cy = 0;
    EXPECT_EQ(accessible->accLocation(&x, &y, &cx, &cy, Child(kGo)), CO_E_OBJNOTCONNECTED);
}
