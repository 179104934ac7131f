#include <gtest/gtest.h>

#include "ZKCore/ZKString.h"

using namespace ZKCore;

TEST(Utf8ToWide, ConvertsBasicAndSupplementaryCharacters) {
    EXPECT_EQ(Utf8ToWide("abc"), L"abc");
    // 中文 (basic plane) and U+1F600 (a surrogate pair).
    EXPECT_EQ(Utf8ToWide("\xE4\xB8\xAD\xE6\x96\x87"), L"\x4E2D\x6587");
    const std::wstring emoji = Utf8ToWide("\xF0\x9F\x98\x80");
    ASSERT_EQ(emoji.size(), 2u);
    EXPECT_EQ(emoji[0], 0xD83D);
    EXPECT_EQ(emoji[1], 0xDE00);
}

TEST(Utf8ToWide, StopsAtAnEmbeddedZeroAndReportsEmptyInput) {
    EXPECT_EQ(Utf8ToWide(std::string("ab\0cd", 5)), L"ab");
    testing::internal::CaptureStdout();
    EXPECT_EQ(Utf8ToWide(""), L"");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "str_in is empty\n");
}

TEST(Utf8ToWide, InvalidSequencesAreConvertedNotRejected) {
    // No strict flag: the platform substitutes, the call still succeeds.
    const std::wstring converted = Utf8ToWide("a\xC3(b");
    EXPECT_FALSE(converted.empty());
    EXPECT_EQ(converted.front(), L'a');
    EXPECT_EQ(converted.back(), L'b');
}

TEST(MultiByteConversions, RoundTripThroughUtf8AndEmptyOnEmpty) {
    EXPECT_EQ(WideToMultiByte(L"\x00E9t\x00E9", kCodePageUtf8), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(MultiByteToWide("\xC3\xA9t\xC3\xA9", kCodePageUtf8), L"\x00E9t\x00E9");
    EXPECT_EQ(WideToMultiByte(L"", kCodePageUtf8), "");
    EXPECT_EQ(MultiByteToWide("", kCodePageUtf8), L"");
    EXPECT_EQ(WideToMultiByte(L"ABDEF", kCodePageAnsi), "ABDEF");
}

TEST(EscapeUrlBytes, EscapesEveryByteOutsidePrintableAscii) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"a b", "a+b"},
        {"\t", "%09"},
        {"\x7F", "%7F"},
        {"\xC3\xA9", "%C3%A9"},
        {"%41?x=1&y=/:", "%41?x=1&y=/:"},  // existing escapes and delimiters pass
        {"~!", "~!"},
        {std::string("\0", 1), "%00"},
        {"\x80\xFF", "%80%FF"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeUrlBytes(c.in), c.out) << c.in;
}

TEST(PrepareDownloadUrl, PrintableUrlUnchangedOthersEscapedAsUtf8) {
    const std::wstring plain = L"http://127.0.0.1:8080/openapi/download?ch=10009&app=50000";
    EXPECT_EQ(PrepareDownloadUrl(plain), plain);
    EXPECT_EQ(PrepareDownloadUrl(L"http://h/a b/\x00E9?q=%20"), L"http://h/a+b/%C3%A9?q=%20");
    EXPECT_EQ(PrepareDownloadUrl(L""), L"");
}
