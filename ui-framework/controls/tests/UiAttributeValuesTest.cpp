// Value grammars of control attributes and the attribute-list syntax.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "controls/UiAttributeTable.h"
#include "controls/UiAttributeValues.h"
#include "render/tests/GuardedBuffer.h"

using namespace Veneer;
using Veneer::Testing::GuardedBuffer;
using Veneer::Testing::Lcg;

namespace {

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

Pairs Split(const wchar_t* list, int* applied = nullptr) {
    Pairs pairs;
    const int count =
        ForEachAttribute(list, [&](const wchar_t* name, const wchar_t* value) { pairs.emplace_back(name, value); });
    if (applied) *applied = count;
    return pairs;
}

}  // namespace

TEST(AttributeScalars, BooleansAndIntegers) {
    const struct {
        const wchar_t* text;
        bool value;
    } booleans[] = {{L"true", true}, {L"TRUE", true}, {L"True", true}, {L"false", false}, {L"1", false},
                    {L" true", false}, {L"truey", false}, {L"", false}, {nullptr, false}};
    for (const auto& c : booleans) EXPECT_EQ(ParseAttributeBool(c.text), c.value) << (c.text ? c.text : L"null");

    const struct {
        const wchar_t* text;
        int value;
    } integers[] = {{L"12", 12}, {L"  -7", -7}, {L"+3", 3}, {L"42px", 42}, {L"px", 0},
                    {L"", 0},    {nullptr, 0},  {L"0x10", 0}, {L"2147483647", 2147483647}};
    for (const auto& c : integers) EXPECT_EQ(ParseAttributeInt(c.text), c.value) << (c.text ? c.text : L"null");
}

TEST(AttributeRectangles, OneSeparatorAfterEachNumberAndNeverPastTheEnd) {
    const struct {
        const wchar_t* text;
        const char* rect;
    } cases[] = {
        {L"246,264,454,308", "246,264,454,308"},
        {L" 1, 2, 3, 4", "1,2,3,4"},        // blanks before numbers
        {L"1 2 3 4", "1,2,3,4"},            // any one character separates
        {L"-10,0,-60,20", "-10,0,-60,20"},
        {L"1,,3,4", "1,0,3,4"},             // a missing number is 0
        {L"1,2 ,3,4", "1,2,0,3"},           // the blank takes the separator's place
        {L"5", "5,0,0,0"},                  // stops at the end
        {L"5,", "5,0,0,0"},
        {L"1,2,3", "1,2,3,0"},
        {L"", "0,0,0,0"},
        {L"a,b,c,d", "0,0,0,0"},
    };
    for (const auto& c : cases) {
        // The terminator is the last readable character of the page.
        GuardedBuffer guarded{std::wstring(c.text)};
        EXPECT_EQ(Describe(ParseAttributeRect(guarded.Text())), c.rect) << c.text;
    }
    EXPECT_EQ(Describe(ParseAttributeRect(nullptr)), "0,0,0,0");
    const UiSize round = ParseAttributeSize(L"6,8");
    EXPECT_EQ(round.cx, 6);
    EXPECT_EQ(round.cy, 8);
    GuardedBuffer lone{std::wstring(L"6")};
    EXPECT_EQ(ParseAttributeSize(lone.Text()).cy, 0);
}

TEST(AttributeRectangles, PosPlacesByTheNonNegativeEdgeAndTakesAbsoluteSizes) {
    const struct {
        const wchar_t* text;
        int x, y, width, height;
    } cases[] = {
        {L"246,264,454,308", 246, 264, 208, 44},
        {L"-10,0,-60,20", -60, 0, 50, 20},
        {L"0,-5,10,-25", 0, -25, 10, 20},
        {L"10,10", 10, 10, 10, 10},
    };
    for (const auto& c : cases) {
        const TPosAttribute pos = ParsePosAttribute(c.text);
        EXPECT_EQ(pos.xy.cx, c.x) << c.text;
        EXPECT_EQ(pos.xy.cy, c.y) << c.text;
        EXPECT_EQ(pos.width, c.width) << c.text;
        EXPECT_EQ(pos.height, c.height) << c.text;
    }
}

TEST(AttributeColours, FormASkipsBlanksAndHashFormBOnlyALeadingHash) {
    const struct {
        const wchar_t* text;
        DWORD a, b;
    } cases[] = {
        {L"#FF112233", 0xFF112233, 0xFF112233},
        {L"FF112233", 0xFF112233, 0xFF112233},
        {L" #FF112233", 0xFF112233, 0},   // form B does not skip the blank
        {L"\t#ff112233", 0xFF112233, 0},
        {L"##FF112233", 0, 0},           // one "#" only
        {L"#FFFFFF", 0x00FFFFFF, 0x00FFFFFF},
        {L"#FF11ZZ", 0xFF11, 0xFF11},     // digits up to the first non-digit
        {L"#1FF112233", 0xFFFFFFFF, 0xFFFFFFFF},  // too many digits saturate
        {L"0xFF", 0, 0},
        {L"-FF", 0, 0},
        {L"", 0, 0},
        {L"#", 0, 0},
    };
    for (const auto& c : cases) {
        GuardedBuffer guarded{std::wstring(c.text)};
        EXPECT_EQ(ParseColorA(guarded.Text()), c.a) << c.text;
        EXPECT_EQ(ParseColorB(guarded.Text()), c.b) << c.text;
    }
    EXPECT_EQ(ParseColorA(nullptr), 0u);
    EXPECT_EQ(ParseColorB(nullptr), 0u);
}

TEST(AttributeFloat, FractionsNeedACommaAndAlignWordsEditTheBits) {
    double f[4] = {-1, -1, -1, -1};
    EXPECT_FALSE(ParseFloatPercent(L"true", f));
    EXPECT_EQ(f[0], -1);
    ASSERT_TRUE(ParseFloatPercent(L"0.1,0.2,0.5,0.6", f));
    EXPECT_DOUBLE_EQ(f[0], 0.1);
    EXPECT_DOUBLE_EQ(f[1], 0.2);
    EXPECT_DOUBLE_EQ(f[2], 0.5);
    EXPECT_DOUBLE_EQ(f[3], 0.6);
    GuardedBuffer shortList{std::wstring(L"0.5,")};
    ASSERT_TRUE(ParseFloatPercent(shortList.Text(), f));
    EXPECT_DOUBLE_EQ(f[0], 0.5);
    EXPECT_EQ(f[1], 0.0);
    EXPECT_EQ(f[3], 0.0);

    // Every form wcstod reads; a part with no number is 0 and is not skipped.
    const struct {
        const wchar_t* text;
        double a, b, c, d;
    } forms[] = {
        {L" +.5, -2., 1.25e2,7E-1", 0.5, -2.0, 125.0, 0.7},
        {L"0.000000000000000000001,12345678901234567890123,3e+1,-0", 1e-21, 1.2345678901234568e22, 30.0, 0.0},
        {L"x,1,2,3", 0.0, 0.0, 1.0, 2.0},
        {L"1e-320,1e400,-INF,Infinity", 1e-320, HUGE_VAL, -HUGE_VAL, HUGE_VAL},
    };
    for (const auto& form : forms) {
        ASSERT_TRUE(ParseFloatPercent(form.text, f)) << form.text;
        EXPECT_DOUBLE_EQ(f[0], form.a) << form.text;
        EXPECT_DOUBLE_EQ(f[1], form.b) << form.text;
        EXPECT_DOUBLE_EQ(f[2], form.c) << form.text;
        EXPECT_DOUBLE_EQ(f[3], form.d) << form.text;
    }
    ASSERT_TRUE(ParseFloatPercent(L"nan,0", f));
    EXPECT_TRUE(std::isnan(f[0]));

    const struct {
        const wchar_t* words;
        UINT start, result;
    } aligns[] = {
        {L"center", 0, 0x1},         {L"right", 0x1, 0x2},         {L"left", 0x3, 0x0},
        {L"vcenter", 0x8, 0x4},      {L"bottom", 0x4, 0x8},        {L"top", 0xF, 0x3},
        {L"null", 0xF, 0x0},         {L"right,bottom", 0, 0xA},    {L"center vcenter", 0, 0x5},
        {L"middle", 0x2, 0x2},       {L"null,right", 0xF, 0x2},    {L" , ,", 0x9, 0x9},
    };
    for (const auto& c : aligns) EXPECT_EQ(ParseFloatAlign(c.words, c.start), c.result) << c.words;
}

TEST(AttributeCursors, NamesMapToSystemIdsAndBack) {
    const struct {
        const wchar_t* name;
        WORD id;
    } cursors[] = {{L"arrow", 32512},    {L"ibeam", 32513},    {L"wait", 32514},   {L"cross", 32515},
                   {L"uparrow", 32516},  {L"size", 32640},     {L"icon", 32641},   {L"sizenwse", 32642},
                   {L"sizenesw", 32643}, {L"sizewe", 32644},   {L"sizens", 32645}, {L"sizeall", 32646},
                   {L"no", 32648},       {L"hand", 32649}};
    for (const auto& c : cursors) {
        EXPECT_EQ(CursorIdFromName(c.name), c.id) << c.name;
        EXPECT_STREQ(CursorNameFromId(c.id), c.name);
    }
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(IDC_HAND), CursorIdFromName(L"hand"));
    EXPECT_EQ(CursorIdFromName(L"pointer"), 0);
    EXPECT_EQ(CursorIdFromName(L""), 0);
    EXPECT_EQ(CursorIdFromName(nullptr), 0);
    EXPECT_STREQ(CursorNameFromId(32647), L"");
    EXPECT_STREQ(CursorNameFromId(0), L"");
}

TEST(AttributeLists, PairsSeparateByBlankOrCommaAndStopAtTheFirstFault) {
    struct Case {
        const wchar_t* list;
        Pairs pairs;
    };
    const Case cases[] = {
        {L"a=\"1\" b=\"2\"", {{L"a", L"1"}, {L"b", L"2"}}},
        {L"a=\"1\",b=\"2\"", {{L"a", L"1"}, {L"b", L"2"}}},
        {L"a=\"1\";b=\"2\"", {{L"a", L"1"}}},                  // ";" is no separator
        {L"a=\"1\"b=\"2\"", {{L"a", L"1"}}},                   // nor is nothing
        {L"a=&quot;1&quot; b=&quot;x y&quot;", {{L"a", L"1"}, {L"b", L"x y"}}},
        {L"bkimage=\"file='x.png' corner='1,1,1,1'\" width=\"20\"",
         {{L"bkimage", L"file='x.png' corner='1,1,1,1'"}, {L"width", L"20"}}},
        {L"a=\"\" b=\"2\"", {{L"a", L""}, {L"b", L"2"}}},
        {L"a=\"1\"  \n  b=\"2\" ", {{L"a", L"1"}, {L"b", L"2"}}},  // extra blanks forgiven
        {L"a = \"1\"", {}},                                    // the quote must follow "=" at once
        {L"a=1 b=\"2\"", {}},
        {L"a=\"1", {}},
        {L"a", {}},
        {L"", {}},
        {L"a=\"1\" b", {{L"a", L"1"}}},
        {L"a=\"1\" b=", {{L"a", L"1"}}},
        {L"a=\"&quot;\"", {{L"a", L""}}},  // the entity closes the value
    };
    for (const Case& c : cases) {
        GuardedBuffer guarded{std::wstring(c.list)};
        int applied = -1;
        EXPECT_EQ(Split(guarded.Text(), &applied), c.pairs) << c.list;
        EXPECT_EQ(applied, static_cast<int>(c.pairs.size())) << c.list;
    }
    EXPECT_EQ(ForEachAttribute(nullptr, [](const wchar_t*, const wchar_t*) {}), 0);
}

TEST(AttributeMutation, ListsAndValuesNeverCrashOrReadPastTheirEnd) {
    const std::wstring seeds[] = {
        L"pos=\"246,264,454,308\" bkcolor=\"#FF112233\" bordercolor=\" #FF112233\" float=\"0.1,0.2,0.5,0.6\"",
        L"floatalign=\"right,bottom\" cursor=\"hand\" bordersize=\"1,0,1,0\" borderround=\"6,6\"",
        L"innerstyle=&quot;a=&quot;1&quot;&quot;,name=\"x\" text=\"&amp;&quot;\"",
    };
    static const wchar_t kAlphabet[] = L"=\", #&;quot0123456789.-abcdefxyz\t";
    Lcg random(4242);
    int lists = 0;
    for (const std::wstring& seed : seeds) {
        for (int i = 0; i < 3000; ++i) {
            std::wstring text = seed;
            const int edits = 1 + static_cast<int>(random.Below(5));
            for (int e = 0; e < edits; ++e) {
                const size_t at = text.empty() ? 0 : random.Below(static_cast<uint32_t>(text.size()));
                const wchar_t ch = kAlphabet[random.Below(sizeof(kAlphabet) / sizeof(wchar_t) - 1)];
                switch (random.Below(4)) {
                    case 0: if (!text.empty()) text.erase(at, 1); break;
                    case 1: text.insert(at, 1, ch); break;
                    case 2: if (!text.empty()) text[at] = ch; break;
                    default: text.resize(at); break;
                }
            }
            GuardedBuffer guarded(text);
            ForEachAttribute(guarded.Text(), [](const wchar_t* name, const wchar_t* value) {
                // Every grammar on every value, as the attribute table would.
                GuardedBuffer v{std::wstring(value)};
                double fractions[4];
                (void)ParseAttributeRect(v.Text());
                (void)ParseAttributeSize(v.Text());
                (void)ParseColorA(v.Text());
                (void)ParseColorB(v.Text());
                (void)ParseAttributeInt(v.Text());
                (void)ParseAttributeBool(v.Text());
                (void)ParseFloatPercent(v.Text(), fractions);
                (void)ParseFloatAlign(v.Text(), 0);
                (void)ParsePosAttribute(v.Text());
                (void)CursorIdFromName(name);
            });
            ++lists;
        }
    }
    EXPECT_EQ(lists, 9000);
}

// The index finds a name in any case, tries the rows of one name in table
// order (a row that declines passes on), honours exact-case rows and never
// confuses a name with its prefix.
TEST(AttributeIndex, FindsRowsOfANameInTableOrderWhateverTheirCase) {
    struct Log {
        std::wstring calls;
    };
    using Row = TAttributeRow<Log>;
    static const Row rows[] = {
        {L"pos", [](Log& l, const wchar_t*) { l.calls += L"pos1,"; return false; }},
        {L"Text", [](Log& l, const wchar_t*) { l.calls += L"exact,"; return true; }, true},
        {L"position", [](Log& l, const wchar_t*) { l.calls += L"position,"; return true; }},
        {L"POS", [](Log& l, const wchar_t*) { l.calls += L"pos2,"; return true; }},
        {L"text", [](Log& l, const wchar_t*) { l.calls += L"text,"; return true; }},
    };
    static const TAttributeIndex<Row> index(rows);
    const struct {
        const wchar_t* name;
        bool taken;
        const wchar_t* calls;
    } cases[] = {
        {L"pos", true, L"pos1,pos2,"},   {L"PoS", true, L"pos1,pos2,"}, {L"position", true, L"position,"},
        {L"Text", true, L"exact,"},      {L"TEXT", true, L"text,"},     {L"po", false, L""},
        {L"positions", false, L""},      {L"", false, L""},             {L"p\u00f6s", false, L""},
    };
    for (const auto& c : cases) {
        Log log;
        EXPECT_EQ(ApplyAttributeRow(index, log, c.name, L"v"), c.taken) << c.name;
        EXPECT_EQ(log.calls, c.calls) << c.name;
    }
}
