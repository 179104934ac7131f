// Start-up accounting: nested phases count only their own time, moments are
// kept from their first time, and other threads count nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "core/UiPhaseClock.h"

using namespace Veneer;

namespace {

// The milliseconds after "<name> " in the report, or -1.
double Figure(const std::wstring& report, const std::wstring& name) {
    const size_t at = report.find(name + L" ");
    return at == std::wstring::npos ? -1.0 : std::wcstod(report.c_str() + at + name.size() + 1, nullptr);
}

}  // namespace

TEST(UiPhaseClock, NestedPhasesAreExclusiveMomentsStayFirstAndOtherThreadsCountNothing) {
    {
        const UiPhaseScope outer("test outer");
        ::Sleep(30);
        {
            const UiPhaseScope inner("test inner");
            ::Sleep(30);
        }
        const UiPhaseScope again("test inner");  // counted twice, time added
    }
    UiMarkMoment("test moment");
    std::thread([] {
        const UiPhaseScope elsewhere("test elsewhere");
        UiMarkMoment("test elsewhere moment");
    }).join();
    ::Sleep(20);
    UiMarkMoment("test moment");

    const std::wstring report = UiPhaseReport();
    const double outer = Figure(report, L"test outer");
    const double inner = Figure(report, L"test inner");
    EXPECT_GE(outer, 25.0) << report;
    EXPECT_LT(outer, 55.0) << report;  // not the 60 ms that include the inner phase
    EXPECT_GE(inner, 25.0) << report;
    EXPECT_NE(report.find(L"(2x)"), std::wstring::npos) << report;
    EXPECT_EQ(report.find(L"elsewhere"), std::wstring::npos) << report;
    const size_t moment = report.find(L"; test moment at ");
    ASSERT_NE(moment, std::wstring::npos) << report;
    EXPECT_EQ(report.find(L"test moment", moment + 5), std::wstring::npos) << report;
}
