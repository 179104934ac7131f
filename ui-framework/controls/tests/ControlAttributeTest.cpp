// The attribute table of the control base: every name reaches its setter,
// unknown names become custom attributes, attribute lists, styles and default
// lists apply in document order, malformed values change nothing, and mutated
// lists never crash.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "controls/CContainerUI.h"
#include "controls/CControlUI.h"
#include "core/CSkinResources.h"
#include "manager/CPaintManagerUI.h"

using namespace Veneer;

namespace {

struct AttributeCase {
    const wchar_t* name;
    const wchar_t* value;
    std::function<bool(CControlUI&)> reached;
};

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

}  // namespace

TEST(ControlAttributes, EveryTableNameReachesItsSetter) {
    CPaintManagerUI manager;
    manager.AddStyle(L"red", L"bkcolor=\"#FFFF0000\"");
    const std::vector<AttributeCase> cases = {
        {L"style", L"red", [](CControlUI& c) { return c.GetBkColor() == 0xFFFF0000; }},
        {L"innerstyle", L"width=&quot;7&quot;", [](CControlUI& c) { return c.GetFixedWidth() == 7; }},
        {L"pos", L"1,2,11,22",
         [](CControlUI& c) {
             return c.GetFixedXY().cx == 1 && c.GetFixedXY().cy == 2 && c.GetFixedWidth() == 10 &&
                    c.GetFixedHeight() == 20;
         }},
        {L"float", L"true", [](CControlUI& c) { return c.IsFloat(); }},
        {L"floatalign", L"right,bottom", [](CControlUI& c) { return c.GetFloatAlign() == (2u | 8u); }},
        {L"padding", L"1,2,3,4", [](CControlUI& c) { return Same(c.GetPadding(), RECT{1, 2, 3, 4}); }},
        {L"gradient", L"hor", [](CControlUI& c) { return c.GetGradient() == L"hor"; }},
        {L"bkcolor", L"#FF010203", [](CControlUI& c) { return c.GetBkColor() == 0xFF010203; }},
        {L"bkcolor1", L"#FF010204", [](CControlUI& c) { return c.GetBkColor() == 0xFF010204; }},
        {L"bkcolor2", L"#FF010205", [](CControlUI& c) { return c.GetBkColor2() == 0xFF010205; }},
        {L"bkcolor3", L"#FF010206", [](CControlUI& c) { return c.GetBkColor3() == 0xFF010206; }},
        {L"forecolor", L"#FF010207", [](CControlUI& c) { return c.GetForeColor() == 0xFF010207; }},
        {L"bordercolor", L"#FF010208", [](CControlUI& c) { return c.GetBorderColor() == 0xFF010208; }},
        {L"focusbordercolor", L"#FF010209", [](CControlUI& c) { return c.GetFocusBorderColor() == 0xFF010209; }},
        {L"colorhsl", L"TRUE", [](CControlUI& c) { return c.IsColorHSL(); }},
        {L"bordersize", L"3", [](CControlUI& c) { return c.GetBorderSize() == 3; }},
        {L"leftbordersize", L"1", [](CControlUI& c) { return c.GetBorderRectSize().left == 1; }},
        {L"topbordersize", L"2", [](CControlUI& c) { return c.GetBorderRectSize().top == 2; }},
        {L"rightbordersize", L"3", [](CControlUI& c) { return c.GetBorderRectSize().right == 3; }},
        {L"bottombordersize", L"4", [](CControlUI& c) { return c.GetBorderRectSize().bottom == 4; }},
        {L"borderstyle", L"2", [](CControlUI& c) { return c.GetBorderStyle() == 2; }},
        {L"borderround", L"9,8", [](CControlUI& c) { return c.GetBorderRound().cx == 9 && c.GetBorderRound().cy == 8; }},
        {L"bkimage", L"a.png", [](CControlUI& c) { return c.GetBkImage() == L"a.png"; }},
        {L"foreimage", L"b.png", [](CControlUI& c) { return c.GetForeImage() == L"b.png"; }},
        {L"width", L"5", [](CControlUI& c) { return c.GetFixedWidth() == 5; }},
        {L"height", L"6", [](CControlUI& c) { return c.GetFixedHeight() == 6; }},
        {L"minwidth", L"7", [](CControlUI& c) { return c.GetMinWidth() == 7; }},
        {L"minheight", L"8", [](CControlUI& c) { return c.GetMinHeight() == 8; }},
        {L"maxwidth", L"9", [](CControlUI& c) { return c.GetMaxWidth() == 9; }},
        {L"maxheight", L"10", [](CControlUI& c) { return c.GetMaxHeight() == 10; }},
        {L"name", L"n1", [](CControlUI& c) { return c.GetName() == L"n1"; }},
        {L"drag", L"true", [](CControlUI& c) { return c.IsDragEnabled(); }},
        {L"drop", L"true", [](CControlUI& c) { return c.IsDropEnabled(); }},
        {L"resourcetext", L"true", [](CControlUI& c) { return c.IsResourceText(); }},
        {L"richevent", L"true", [](CControlUI& c) { return c.IsRichEvent(); }},
        {L"autotextsizeenable", L"true", [](CControlUI& c) { return c.IsAutoTextSize(); }},
        {L"text", L"t{\\n}u", [](CControlUI& c) { return c.GetText() == L"t\nu"; }},
        {L"tooltip", L"tip", [](CControlUI& c) { return c.GetToolTip() == L"tip"; }},
        {L"userdata", L"ud", [](CControlUI& c) { return c.GetUserData() == L"ud"; }},
        {L"enabled", L"false", [](CControlUI& c) { return !c.IsEnabled(); }},
        {L"mouse", L"false", [](CControlUI& c) { return !c.IsMouseEnabled(); }},
        {L"keyboard", L"false", [](CControlUI& c) { return !c.IsKeyboardEnabled(); }},
        {L"visible", L"false", [](CControlUI& c) { return !c.IsOwnVisible(); }},
        {L"shortcut", L"Qx", [](CControlUI& c) { return c.GetShortcut() == L'Q'; }},
        {L"menu", L"true", [](CControlUI& c) { return c.IsContextMenuUsed(); }},
        {L"cursor", L"hand", [](CControlUI& c) { return c.GetCursor() == 32649; }},
        {L"virtualwnd", L"page", [](CControlUI& c) { return c.GetVirtualWnd() == L"page"; }},
    };

    std::set<std::wstring> covered;
    for (const AttributeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "attribute index " << covered.size());
        // Names compare without case: upper-case every other name.
        std::wstring name = c.name;
        if (covered.size() % 2 == 1)
            for (wchar_t& ch : name) ch = static_cast<wchar_t>(towupper(ch));
        CControlUI control;
        control.SetManager(&manager, nullptr, false);
        control.SetAttribute(name.c_str(), c.value);
        EXPECT_TRUE(c.reached(control));
        EXPECT_EQ(control.GetCustomAttribute(c.name), nullptr);
        covered.insert(c.name);
        control.SetManager(nullptr, nullptr, false);
    }
    // The table has no name the cases above miss.
    int count = 0;
    const wchar_t* const* names = CControlUI::GetAttributeNames(&count);
    for (int i = 0; i < count; ++i) EXPECT_EQ(covered.count(names[i]), 1u) << i;
    EXPECT_EQ(static_cast<size_t>(count), covered.size());
}

TEST(ControlAttributes, UnknownNamesBecomeCustomAttributesKeepingTheFirstValue) {
    CControlUI control;
    control.SetAttribute(L"myKey", L"one");
    control.SetAttribute(L"myKey", L"two");
    control.SetAttribute(L"empty", L"");
    control.SetAttribute(L"style", L"no-such-style");  // without a style: custom
    EXPECT_STREQ(control.GetCustomAttribute(L"myKey"), L"one");
    EXPECT_EQ(control.GetCustomAttribute(L"empty"), nullptr);
    EXPECT_STREQ(control.GetCustomAttribute(L"style"), L"no-such-style");
    EXPECT_EQ(control.GetCustomAttribute(L""), nullptr);
    EXPECT_FALSE(control.RemoveCustomAttribute(L"unknown"));
    EXPECT_FALSE(control.RemoveCustomAttribute(L""));
    EXPECT_TRUE(control.RemoveCustomAttribute(L"myKey"));
    EXPECT_EQ(control.GetCustomAttribute(L"myKey"), nullptr);
    control.AddCustomAttribute(L"myKey", L"three");
    EXPECT_STREQ(control.GetCustomAttribute(L"myKey"), L"three");
    control.RemoveAllCustomAttributes();
    EXPECT_EQ(control.GetCustomAttribute(L"style"), nullptr);
    control.AddCustomAttribute(L"left", L"for the destructor");
}

TEST(ControlAttributes, ValueGrammarsThroughTheTable) {
    struct Case {
        const wchar_t* list;
        std::function<bool(CControlUI&)> expected;
    };
    const std::vector<Case> cases = {
        {L"pos=\"246,264,454,308\"",
         [](CControlUI& c) {
             return c.GetFixedXY().cx == 246 && c.GetFixedXY().cy == 264 && c.GetFixedWidth() == 208 &&
                    c.GetFixedHeight() == 44;
         }},
        {L"pos=\"-2147483648,0,2147483647,-2147483648\"",  // distances past an int are capped
         [](CControlUI& c) { return c.GetFixedWidth() == INT_MAX && c.GetFixedHeight() == INT_MAX; }},
        {L"pos=\"-10,0,-60,20\"",
         [](CControlUI& c) { return c.GetFixedXY().cx == -60 && c.GetFixedXY().cy == 0 && c.GetFixedWidth() == 50; }},
        {L"float=\"0.1,0.2,0.5,0.6\"",
         [](CControlUI& c) {
             const auto p = c.GetFloatPercent();
             return c.IsFloat() && p.left == 0.1 && p.top == 0.2 && p.right == 0.5 && p.bottom == 0.6;
         }},
        {L"bordersize=\"2\" bordersize=\"1,0,1,0\"",
         [](CControlUI& c) { return c.GetBorderSize() == 2 && Same(c.GetBorderRectSize(), RECT{1, 0, 1, 0}); }},
        {L"bordersize=\"1,0,1,0\" bordersize=\"2\"",
         [](CControlUI& c) { return c.GetBorderSize() == 2 && Same(c.GetBorderRectSize(), RECT{0, 0, 0, 0}); }},
        {L"bkcolor=\" #FF112233\"", [](CControlUI& c) { return c.GetBkColor() == 0xFF112233; }},
        {L"bkcolor=\"FF112233\"", [](CControlUI& c) { return c.GetBkColor() == 0xFF112233; }},
        {L"bordercolor=\" #FF112233\"", [](CControlUI& c) { return c.GetBorderColor() == 0; }},
        {L"bordercolor=\"#FF112233\"", [](CControlUI& c) { return c.GetBorderColor() == 0xFF112233; }},
        {L"padding=\"5\"", [](CControlUI& c) { return Same(c.GetPadding(), RECT{5, 0, 0, 0}); }},
        {L"borderround=\"7\"", [](CControlUI& c) { return c.GetBorderRound().cx == 7 && c.GetBorderRound().cy == 0; }},
        {L"floatalign=\"center vcenter\" floatalign=\"left\"", [](CControlUI& c) { return c.GetFloatAlign() == 4u; }},
        {L"floatalign=\"right\" floatalign=\"null\"", [](CControlUI& c) { return c.GetFloatAlign() == 0u; }},
        {L"visible=\"yes\"", [](CControlUI& c) { return !c.IsOwnVisible(); }},  // only "true" is true
        {L"tooltip=\"a<n>b\"", [](CControlUI& c) { return c.GetToolTip() == L"a\r\nb"; }},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        CControlUI control;
        control.ApplyAttributeList(cases[i].list);
        EXPECT_TRUE(cases[i].expected(control));
    }
}

TEST(ControlAttributes, MalformedValuesLeaveTheControlUnchanged) {
    CControlUI control;
    control.ApplyAttributeList(L"width=\"30\" cursor=\"hand\" minwidth=\"4\"");
    control.ApplyAttributeList(L"width=\"-5\" cursor=\"pointer\" minwidth=\"-1\" maxheight=\"-3\"");
    EXPECT_EQ(control.GetFixedWidth(), 30);
    EXPECT_EQ(control.GetCursor(), 32649);
    EXPECT_STREQ(control.GetCursorName(), L"hand");
    EXPECT_EQ(control.GetMinWidth(), 4);
    EXPECT_EQ(control.GetMaxHeight(), 9999);
    EXPECT_EQ(control.GetCustomAttribute(L"cursor"), nullptr);
    control.SetCursor(1234);
    EXPECT_STREQ(control.GetCursorName(), L"");
}

TEST(ControlAttributes, AttributeListSeparatorsAndQuotes) {
    struct Case {
        const wchar_t* list;
        const wchar_t* a;  // expected custom attribute "a"
        const wchar_t* b;  // expected custom attribute "b"
    };
    const Case cases[] = {
        {L"a=\"1\" b=\"2\"", L"1", L"2"},
        {L"a=\"1\",b=\"2\"", L"1", L"2"},
        {L"a=\"1\";b=\"2\"", L"1", nullptr},
        {L"a=&quot;1&quot; b=&quot;2&quot;", L"1", L"2"},
        {L"a=\"x&quot; b=\"2\"", L"x", L"2"},  // the entity closes the value
        {L"a=1 b=\"2\"", nullptr, nullptr},
        {L"a=\"1\" b=\"2", L"1", nullptr},
        {L"a\"1\"", nullptr, nullptr},
        {L"", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(&c - cases));
        CControlUI control;
        control.ApplyAttributeList(c.list);
        const wchar_t* a = control.GetCustomAttribute(L"a");
        const wchar_t* b = control.GetCustomAttribute(L"b");
        if (c.a) {
            EXPECT_STREQ(a, c.a);
        } else {
            EXPECT_EQ(a, nullptr);
        }
        if (c.b) {
            EXPECT_STREQ(b, c.b);
        } else {
            EXPECT_EQ(b, nullptr);
        }
    }
}

TEST(ControlAttributes, DefaultListThenAttributesInDocumentOrderWithStylesInPlace) {
    CPaintManagerUI manager;
    manager.AddDefaultAttributeList(L"Control", L"bkcolor=\"#FF000001\" width=\"10\" height=\"11\"");
    manager.AddStyle(L"wide", L"width=\"50\" bordercolor=\"#FF000002\"");
    manager.AddStyle(L"alias", L"wide");                       // a list that is a style name
    manager.AddStyle(L"loop", L"style=\"loop\" height=\"12\"");  // reaches itself

    // As the dialog builder does it: manager without parent, the default list
    // of the element name, then each attribute in document order.
    CControlUI control;
    control.SetManager(&manager, nullptr, false);
    control.ApplyAttributeList(manager.GetDefaultAttributeList(L"Control"));
    control.SetAttribute(L"width", L"20");
    control.SetAttribute(L"style", L"alias");  // overrides the width before it
    control.SetAttribute(L"bordercolor", L"#FF000003");  // overrides the style's colour
    EXPECT_EQ(control.GetBkColor(), 0xFF000001u);
    EXPECT_EQ(control.GetFixedWidth(), 50);
    EXPECT_EQ(control.GetFixedHeight(), 11);
    EXPECT_EQ(control.GetBorderColor(), 0xFF000003u);
    EXPECT_EQ(control.GetCustomAttribute(L"style"), nullptr);

    // A style that names itself ends instead of recursing without bound.
    control.SetAttribute(L"style", L"loop");
    EXPECT_EQ(control.GetFixedHeight(), 12);
    control.SetManager(nullptr, nullptr, false);
}

TEST(ControlAttributes, ContainerTakesItsOwnNamesAndPassesTheRestOn) {
    CContainerUI container;
    container.ApplyAttributeList(L"inset=\"1,2,3,4\" mousechild=\"false\" bkcolor=\"#FF102030\" other=\"x\"");
    EXPECT_TRUE(Same(container.GetInset(), RECT{1, 2, 3, 4}));
    EXPECT_FALSE(container.IsMouseChildEnabled());
    EXPECT_EQ(container.GetBkColor(), 0xFF102030u);
    EXPECT_STREQ(container.GetCustomAttribute(L"other"), L"x");
}

TEST(ControlAttributes, DesignUnitsOfDecorationAreScaledPerSide) {
    CPaintManagerUI manager;
    manager.GetDPIObj()->SetScale(144);
    CControlUI control;
    control.SetManager(&manager, nullptr, false);
    control.ApplyAttributeList(L"padding=\"1,0,2,0\" bordersize=\"2\" borderround=\"9,9\"");
    control.SetAttribute(L"bordersize", L"1,1,2,2");
    EXPECT_TRUE(Same(control.GetPadding(), RECT{2, 0, 3, 0}));
    EXPECT_TRUE(Same(control.GetBorderRectSize(), RECT{2, 2, 3, 3}));
    EXPECT_EQ(control.GetBorderSize(), 3);
    EXPECT_EQ(control.GetBorderRound().cx, 14);
    control.SetManager(nullptr, nullptr, false);
}

// Deterministic mutations of realistic lists: replaced, inserted and deleted
// characters and truncation. Applying and painting must never crash, and
// painting changes pixels only inside the paint area: the canvas is larger
// than the area and starts in a colour no list names.
TEST(ControlAttributes, MutatedAttributeListsNeverCrash) {
    const std::wstring seeds[] = {
        L"pos=\"246,264,454,308\" float=\"0.1,0.2,0.5,0.6\" floatalign=\"right,bottom\" padding=\"1,2,3,4\"",
        L"bkcolor=\"#FF112233\" bkcolor2=\"#FF445566\" bkcolor3=\"#80FFFFFF\" gradient=\"hor\" borderround=\"9,9\"",
        L"bordersize=\"1,2,3,4\" bordercolor=\"#FF00FF00\" focusbordercolor=\"FF0000FF\" borderstyle=\"1\"",
        L"bkimage=\"file='img' source='0,0,8,8' corner='2,2,2,2' dest='1,1,30,30'\" foreimage=\"img\"",
        L"style=\"s\" innerstyle=\"width=&quot;5&quot; height=&quot;6&quot;\" cursor=\"hand\" text=\"a{\\n}b\"",
        L"visible=\"false\" visible=\"true\" enabled=\"false\" shortcut=\"x\" virtualwnd=\"v\" tooltip=\"t<n>\"",
    };
    const wchar_t alphabet[] = L"\"=, #0123456789-.abcfFx&quot;';\t";
    CPaintManagerUI manager;
    manager.AddStyle(L"s", L"bkcolor=\"#FF010101\" style=\"s\"");

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    constexpr int kCanvas = 96;
    constexpr RECT kArea{16, 16, 80, 80};
    constexpr DWORD kUntouched = 0xFF5A5A5A;
    info.bmiHeader.biWidth = kCanvas;
    info.bmiHeader.biHeight = -kCanvas;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<DWORD*>(bits);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    {
        // The image the descriptors name: 8 x 8, owned by the manager.
        void* imageBits = nullptr;
        info.bmiHeader.biWidth = 8;
        info.bmiHeader.biHeight = -8;
        HBITMAP image = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &imageBits, nullptr, 0);
        ASSERT_NE(manager.AddImage(L"img", image, 8, 8, true), nullptr);
    }

    uint32_t state = 12345;
    auto next = [&state](uint32_t bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    int drawnRounds = 0;  // rounds that changed a pixel inside the area
    int strayRounds = 0;  // rounds that changed a pixel outside it
    for (int round = 0; round < 1500; ++round) {
        std::wstring text = seeds[round % 6];
        const int edits = 1 + static_cast<int>(next(4));
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const size_t at = next(static_cast<uint32_t>(text.size()));
            const wchar_t ch = alphabet[next(sizeof(alphabet) / sizeof(alphabet[0]) - 1)];
            switch (next(4)) {
                case 0: text[at] = ch; break;
                case 1: text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), ch); break;
                case 2: text.erase(at, 1); break;
                default: text.resize(at); break;
            }
        }
        CContainerUI root;
        root.SetManager(&manager, nullptr, false);
        auto* control = new CControlUI;
        root.Add(control);
        control->ApplyAttributeList(text.c_str());
        root.ApplyAttributeList(text.c_str());
        GdiFlush();
        for (int i = 0; i < kCanvas * kCanvas; ++i) pixels[i] = kUntouched;
        root.SetPos(kArea, false);
        EXPECT_TRUE(root.Paint(dc, kArea, nullptr));
        GdiFlush();
        bool drawn = false;
        bool stray = false;
        for (int y = 0; y < kCanvas; ++y) {
            for (int x = 0; x < kCanvas; ++x) {
                if (pixels[y * kCanvas + x] == kUntouched) continue;
                const POINT p{x, y};
                (PtInRect(&kArea, p) ? drawn : stray) = true;
            }
        }
        drawnRounds += drawn ? 1 : 0;
        strayRounds += stray ? 1 : 0;
    }
    EXPECT_EQ(strayRounds, 0);
    // Many mutated lists still draw (about a quarter): the rounds reach the
    // painters rather than ending in hidden or empty controls.
    EXPECT_GT(drawnRounds, 1500 / 5);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

namespace {
class GreetingTexts : public IQueryControlText {
public:
    const wchar_t* QueryControlText(const wchar_t* id, const wchar_t*) override {
        return std::wstring(id) == L"controlTestGreeting" ? L"Hello" : nullptr;
    }
};
}  // namespace

TEST(ControlAttributes, ResourceTextLooksUpTextAndTooltipByKey) {
    GreetingTexts texts;
    CSkinResources::GetInstance()->SetTextQueryInterface(&texts);
    CControlUI control;
    control.ApplyAttributeList(L"text=\"controlTestGreeting\" tooltip=\"controlTestUnknown\"");
    EXPECT_TRUE(control.GetText() == L"controlTestGreeting");
    control.SetAttribute(L"resourcetext", L"true");
    EXPECT_TRUE(control.GetText() == L"Hello");
    EXPECT_TRUE(control.GetToolTip() == L"controlTestUnknown");  // an unknown key stands for itself
    CSkinResources::GetInstance()->SetTextQueryInterface(nullptr);
}
