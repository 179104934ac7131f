#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "render/UiTextFit.h"

using Veneer::FitWithEllipsis;

TEST(FitWithEllipsis, KeepsWhatFitsAndEndsACutTextInAnEllipsisThatFits) {
    // A rectangle that holds `capacity` characters, whatever they are.
    const struct {
        const wchar_t* text;
        size_t capacity;
        const wchar_t* shown;
    } cases[] = {
        {L"short", 10, L"short"},
        {L"exactly ten", 11, L"exactly ten"},
        {L"a long message", 8, L"a long\u2026"},       // 7 fit; the blank before the cut goes
        {L"abcdefghij", 4, L"abc\u2026"},
        {L"abcdef", 1, L"\u2026"},
        {L"abcdef", 0, L"\u2026"},
    };
    for (const auto& test : cases) {
        const std::wstring shown = FitWithEllipsis(
            test.text, [&](const std::wstring& candidate) { return std::min(candidate.size(), test.capacity); });
        EXPECT_EQ(shown, test.shown) << std::string(shown.begin(), shown.end());
    }
}
