#include <gtest/gtest.h>

#include "core/CDpiScaler.h"

using Veneer::CDpiScaler;
using Veneer::DpiAwareness;

namespace {
CDpiScaler ScalerAt(int dpi) {
    CDpiScaler scaler;
    scaler.SetScale(dpi);
    return scaler;
}

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace

TEST(CDpiScaler, PercentScaleForCommonDpis) {
    const int cases[][2] = {{96, 100}, {120, 125}, {144, 150}, {168, 175}, {192, 200}};
    for (const auto& c : cases) {
        const CDpiScaler scaler = ScalerAt(c[0]);
        EXPECT_EQ(scaler.GetScale(), c[1]) << c[0];
        EXPECT_EQ(scaler.GetDPI(), c[0]) << c[0];
    }
}

TEST(CDpiScaler, ValuesRoundHalvesAwayFromZero) {
    const CDpiScaler scaler = ScalerAt(144);
    EXPECT_EQ(scaler.Scale(20), 30);
    EXPECT_EQ(scaler.Scale(11), 17);
    EXPECT_EQ(scaler.Scale(-11), -17);
    EXPECT_EQ(scaler.ScaleBack(445), 297);
    EXPECT_EQ(scaler.Scale(SIZE{700, 420}).cx, 1050);
}

TEST(CDpiScaler, RectanglesKeepTheirScaledSizeWhereverTheyStand) {
    const CDpiScaler scaler = ScalerAt(144);
    EXPECT_TRUE(Same(scaler.Scale(RECT{1, 1, 2, 2}), RECT{2, 2, 4, 4}));
    EXPECT_TRUE(Same(scaler.Scale(RECT{0, 0, 1, 1}), RECT{0, 0, 2, 2}));
    EXPECT_TRUE(Same(scaler.Scale(RECT{3, 5, 13, 10}), RECT{5, 8, 20, 16}));
    EXPECT_TRUE(Same(scaler.ScaleBack(RECT{30, 30, 60, 45}), RECT{20, 20, 40, 30}));
}

TEST(CDpiScaler, UnawareScalesNothingAndSystemScaleIsFixedByTheFirstCall) {
    CDpiScaler scaler = ScalerAt(144);
    scaler.SetStoredAwareness(DpiAwareness::Unaware);
    EXPECT_EQ(scaler.GetScale(), 100);
    EXPECT_EQ(scaler.Scale(11), 11);
    EXPECT_EQ(scaler.ScaleBack(445), 445);
    EXPECT_EQ(scaler.GetDPI(), 96);
    // The constructor's SetScale(96) fixed the system-aware scale at 100.
    scaler.SetStoredAwareness(DpiAwareness::SystemAware);
    EXPECT_EQ(scaler.GetScale(), 100);
    scaler.SetStoredAwareness(DpiAwareness::PerMonitorAware);
    EXPECT_EQ(scaler.GetScale(), 150);
}

TEST(CDpiScaler, ProcessScaleFollowsTheProcessDpi) {
    CDpiScaler::SetProcessDpi(144);
    EXPECT_DOUBLE_EQ(CDpiScaler::GetProcessScale(), 1.5);
    CDpiScaler::SetProcessDpi(120);
    EXPECT_DOUBLE_EQ(CDpiScaler::GetProcessScale(), 1.25);
    CDpiScaler::SetProcessDpi(96);
    EXPECT_EQ(CDpiScaler::GetProcessDpi(), 96);
}

TEST(CDpiScaler, UnusableDpisAreRefusedAndTheScaleStays) {
    for (const int dpi : {0, -96, -1, 961, 0x7FFFFFFF, static_cast<int>(0x80000000)}) {
        CDpiScaler scaler = ScalerAt(144);
        scaler.SetScale(dpi);
        EXPECT_EQ(scaler.GetScale(), 150) << dpi;
        EXPECT_EQ(scaler.ScaleBack(30), 20) << dpi;
        CDpiScaler::SetProcessDpi(120);
        CDpiScaler::SetProcessDpi(dpi);
        EXPECT_EQ(CDpiScaler::GetProcessDpi(), 120) << dpi;
        EXPECT_DOUBLE_EQ(CDpiScaler::GetProcessScale(), 1.25) << dpi;
    }
    CDpiScaler::SetProcessDpi(96);
}

TEST(CDpiScaler, MulDivRoundedAnswersWhatTheSystemsMulDivAnswers) {
    const int numbers[] = {0,   1,    -1,    2,     -3,     7,          49,         -50, 51,
                           99, 150, -151, 9999, 65536, -65537, 2147483647, -2147483647};
    const int factors[] = {0, 1, -1, 96, 100, 125, 150, 175, 200, -150, 1000, 65536};
    for (int number : numbers)
        for (int numerator : factors)
            for (int denominator : factors)
                EXPECT_EQ(Veneer::MulDivRounded(number, numerator, denominator),
                          ::MulDiv(number, numerator, denominator))
                    << number << " * " << numerator << " / " << denominator;
}
