#include <gtest/gtest.h>

#include <string>

#include "core/UiString.h"

using Veneer::UiString;

namespace {
std::wstring Repeat(wchar_t ch, int count) { return std::wstring(static_cast<size_t>(count), ch); }
}  // namespace

TEST(UiStringStorage, TextsUpToTheInlineMaximumStayInlineAndOneMoreMovesToTheHeap) {
    UiString text(Repeat(L'x', UiString::kInlineMax).c_str());
    EXPECT_TRUE(text.IsInline());
    text += L'y';
    EXPECT_FALSE(text.IsInline());
    EXPECT_EQ(std::wstring(text.GetData()), Repeat(L'x', UiString::kInlineMax) + L"y");
    text = L"short";
    EXPECT_TRUE(text.IsInline());
    EXPECT_STREQ(text.GetData(), L"short");
}

TEST(UiStringStorage, HeapBlockIsReusedWhenShrinkingAndGrownWhenLonger) {
    UiString text(Repeat(L'a', 100).c_str());
    text.Assign(Repeat(L'b', 70).c_str());
    EXPECT_EQ(text.GetLength(), 70);
    text.Assign(Repeat(L'c', 300).c_str());
    EXPECT_EQ(std::wstring(text.GetData()), Repeat(L'c', 300));
    text.Append(Repeat(L'd', 5).c_str());
    EXPECT_EQ(text.GetLength(), 305);
}

TEST(UiStringStorage, AssignAndAppendFromOwnBufferAreSafe) {
    UiString text(Repeat(L'q', 80).c_str());
    text.Assign(text.GetData() + 10);  // source inside the heap block
    EXPECT_EQ(text.GetLength(), 70);
    text.Append(text.GetData());  // appending itself, crossing to a bigger block
    EXPECT_EQ(std::wstring(text.GetData()), Repeat(L'q', 140));
    UiString small(L"abc");
    small.Append(small.GetData());
    EXPECT_STREQ(small.GetData(), L"abcabc");
}

TEST(UiStringStorage, NullAndLengthArguments) {
    UiString text(L"keep");
    text.Append(nullptr);
    EXPECT_STREQ(text.GetData(), L"keep");
    text.Assign(nullptr);
    EXPECT_TRUE(text.IsEmpty());
    text.Assign(L"abcdef", 3);
    EXPECT_STREQ(text.GetData(), L"abc");
    EXPECT_STREQ((UiString(L"x") + static_cast<const wchar_t*>(nullptr)).GetData(), L"x");
}

TEST(UiStringStorage, AnsiTextIsConvertedWithTheSystemCodePage) {
    UiString text("plain ascii");
    EXPECT_STREQ(text.GetData(), L"plain ascii");
    text.AppendAnsi("!");
    EXPECT_STREQ(text.GetData(), L"plain ascii!");
}

struct SubstringCase {
    const wchar_t* source;
    const char* op;
    int a;
    int b;
    const wchar_t* expected;
};

TEST(UiStringSubstrings, LeftMidRightClampTheirArguments) {
    const SubstringCase cases[] = {
        {L"abcdef", "mid", 3, -1, L"def"}, {L"abcdef", "mid", 4, 10, L"ef"}, {L"abcdef", "mid", 2, 0, L""},
        {L"abcdef", "mid", 9, 2, L""},     {L"abcdef", "left", -2, 0, L""},  {L"abcdef", "left", 2, 0, L"ab"},
        {L"abcdef", "left", 99, 0, L"abcdef"}, {L"abc", "right", 10, 0, L"abc"}, {L"abc", "right", 2, 0, L"bc"},
        {L"abc", "right", -1, 0, L""},
    };
    for (const auto& c : cases) {
        UiString s(c.source);
        UiString r = std::string(c.op) == "mid" ? s.Mid(c.a, c.b) : std::string(c.op) == "left" ? s.Left(c.a) : s.Right(c.a);
        EXPECT_STREQ(r.GetData(), c.expected) << c.op << "(" << c.a << "," << c.b << ")";
    }
}

TEST(UiStringSearch, FindRespectsTheStartBounds) {
    UiString abc(L"abc");
    EXPECT_EQ(abc.Find(L"b", 4), -1);
    EXPECT_EQ(abc.Find(L"b", 3), -1);
    EXPECT_EQ(abc.Find(L"bc", 1), 1);
    EXPECT_EQ(abc.Find(L'c', 3), -1);
    EXPECT_EQ(abc.Find(L'c', 2), 2);
    EXPECT_EQ(abc.Find(L'a', -1), -1);
    EXPECT_EQ(UiString().Find(L'a', 0), -1);
    EXPECT_EQ(UiString(L"a/b/c").ReverseFind(L'/'), 3);
    EXPECT_EQ(UiString(L"abc").ReverseFind(L'/'), -1);
}

TEST(UiStringEditing, ReplaceResumesAfterTheInsertedText) {
    UiString text(L"aXa");
    EXPECT_EQ(text.Replace(L"a", L"aa"), 2);
    EXPECT_STREQ(text.GetData(), L"aaXaa");
    EXPECT_EQ(text.Replace(L"zz", L"y"), 0);
    EXPECT_STREQ(text.GetData(), L"aaXaa");
    UiString quoted(L"a=&quot;1&quot;");
    EXPECT_EQ(quoted.Replace(L"&quot;", L"\""), 2);
    EXPECT_STREQ(quoted.GetData(), L"a=\"1\"");
}

TEST(UiStringEditing, CaseAndComparison) {
    UiString text(L"MiXeD");
    EXPECT_STREQ(text.ToLower().GetData(), L"mixed");
    EXPECT_STREQ(text.ToUpper().GetData(), L"MIXED");
    EXPECT_EQ(text.CompareNoCase(L"mixed"), 0);
    EXPECT_NE(text.Compare(L"mixed"), 0);
    EXPECT_TRUE(text == L"MiXeD");
    EXPECT_TRUE(UiString(L"a") < L"b");
    EXPECT_TRUE(UiString(L"b") >= L"b");
}

TEST(UiStringFormat, FormatMeasuresExactlyAndSmallFormatCutsAt127) {
    UiString text;
    EXPECT_EQ(text.Format(L"%s\\Roaming\\%s", L"C:\\Users\\u\\AppData", L"ZKPDFEditor"), 38);
    EXPECT_STREQ(text.GetData(), L"C:\\Users\\u\\AppData\\Roaming\\ZKPDFEditor");
    EXPECT_EQ(text.Format(L"%d-%04X", 42, 0xBEEF), 7);
    EXPECT_STREQ(text.GetData(), L"42-BEEF");
    const std::wstring longText = Repeat(L'z', 300);
    EXPECT_EQ(text.Format(L"%s", longText.c_str()), 300);
    EXPECT_EQ(std::wstring(text.GetData()), longText);
    text.SmallFormat(L"%s", longText.c_str());
    EXPECT_EQ(text.GetLength(), 127);
}
