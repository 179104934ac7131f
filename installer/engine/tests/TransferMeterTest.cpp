#include <gtest/gtest.h>

#include "installer/engine/TransferMeter.h"

using ZKInstaller::CTransferMeter;

// Samples every 100 ms refresh the figures only every 250 ms; the speed of a
// steady 1,000,000 B/s link settles on it and the time left follows.
TEST(TransferMeter, RefreshesFourTimesASecondWithTheSteadySpeedAndTimeLeft) {
    CTransferMeter meter;
    const long long total = 10'000'000;
    int refreshes = 0;
    for (uint32_t ms = 0; ms <= 3000; ms += 100) {
        if (meter.Update(ms, ms * 1000LL, total)) ++refreshes;
    }
    EXPECT_EQ(refreshes, 11);  // 0, then every third sample (300 ms)
    EXPECT_DOUBLE_EQ(meter.Figures().bytesPerSecond, 1'000'000.0);
    EXPECT_EQ(meter.Figures().received, 3'000'000);
    EXPECT_EQ(meter.Figures().secondsLeft, 7);
}

// One burst moves the smoothed speed by 30 % of the difference only; a
// download that starts over keeps its speed and refreshes at once; a tick
// wrapping past 2^32 ms is still 300 ms.
TEST(TransferMeter, SmoothsBurstsSurvivesAStartOverAndATickWrap) {
    CTransferMeter meter;
    const uint32_t start = 0xFFFFFF00u;
    meter.Update(start, 0, -1);
    ASSERT_TRUE(meter.Update(start + 300, 300'000, -1));
    EXPECT_DOUBLE_EQ(meter.Figures().bytesPerSecond, 1'000'000.0);
    EXPECT_EQ(meter.Figures().secondsLeft, -1);  // no total
    ASSERT_TRUE(meter.Update(start + 600, 1'500'000, -1));
    EXPECT_DOUBLE_EQ(meter.Figures().bytesPerSecond, 0.3 * 4'000'000.0 + 0.7 * 1'000'000.0);
    ASSERT_TRUE(meter.Update(start + 610, 0, 5'000'000));
    EXPECT_EQ(meter.Figures().received, 0);
    EXPECT_EQ(meter.Figures().total, 5'000'000);
    EXPECT_DOUBLE_EQ(meter.Figures().bytesPerSecond, 1'900'000.0);
    EXPECT_EQ(meter.Figures().secondsLeft, 3);  // 2.63 s rounded up
    EXPECT_FALSE(meter.Update(start + 700, 100, 5'000'000));
}
