#include <gtest/gtest.h>

#include <vector>

#include "installer/ui/CMonitorTable.h"
#include "installer/ui/CZKObjectWnd.h"

using namespace ZKInstaller;

TEST(CenterPosition, BoundsThenAShownOwnerThenThePrimaryMonitor) {
    const RECT primary{0, 0, 1600, 1000};
    const RECT owner{1700, 100, 2400, 520};  // on a second monitor
    const SIZE box{400, 200};
    const struct {
        const char* what;
        RECT bounds;
        const RECT* owner;
        POINT offset;
        POINT expected;
    } cases[] = {
        {"no owner: the primary monitor", RECT{}, nullptr, POINT{}, POINT{600, 400}},
        {"a shown owner: its width, the primary's height", RECT{}, &owner, POINT{}, POINT{1850, 400}},
        {"bounds win over the owner", RECT{100, 100, 700, 500}, &owner, POINT{}, POINT{200, 200}},
        {"offset moves the centre", RECT{}, nullptr, POINT{10, -20}, POINT{610, 380}},
        {"kept inside the bounds", RECT{0, 0, 500, 300}, nullptr, POINT{300, 300}, POINT{100, 100}},
        {"larger than the bounds: left and top win", RECT{50, 60, 250, 160}, nullptr, POINT{}, POINT{50, 60}},
    };
    for (const auto& test : cases) {
        const POINT at = CenterPosition(box, test.bounds, test.owner, primary, test.offset);
        EXPECT_EQ(at.x, test.expected.x) << test.what;
        EXPECT_EQ(at.y, test.expected.y) << test.what;
    }
}

TEST(MonitorTable, KeepsTheFirst63AndFindsThePrimary) {
    std::vector<TMonitorEntry> monitors(70);
    for (size_t i = 0; i < monitors.size(); ++i) monitors[i].rect = RECT{static_cast<LONG>(i) * 100, 0, 0, 0};
    monitors[2].primary = true;
    monitors[2].rect = RECT{-1920, 0, 0, 1080};
    const CMonitorTable table = CMonitorTable::FromMonitors(monitors);
    EXPECT_EQ(table.Entries().size(), 63u);
    EXPECT_EQ(table.Entries()[62].label, L"显示器 63");
    EXPECT_EQ(table.PrimaryRect().left, -1920);
    EXPECT_FALSE(CMonitorTable::Get().Entries().empty());
}
