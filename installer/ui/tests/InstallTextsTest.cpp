#include <gtest/gtest.h>

#include <string>

#include "installer/ui/InstallTexts.h"

using ZKInstaller::FormatTransferLine;
using ZKInstaller::TransferFigures;

TEST(TransferLine, ShowsWhatIsKnownInKilobytesOrMegabytes) {
    const struct {
        TransferFigures figures;
        const wchar_t* line;
    } cases[] = {
        {{12'897'485, 50'331'648, 5'452'595, 7}, L"12.3 MB / 48.0 MB · 5.2 MB/s · 剩余约 7 秒"},
        {{512, -1, 0, -1}, L"0.5 KB"},
        {{2048, 4096, 1024, 2}, L"2.0 KB / 4.0 KB · 1.0 KB/s · 剩余约 2 秒"},
        {{1'048'576, -1, 1'048'576, -1}, L"1.0 MB · 1.0 MB/s"},
        {{0, 10'485'760, 1024, 600}, L"0.0 KB / 10.0 MB · 1.0 KB/s · 剩余约 10 分钟"},
        {{0, 10'485'760, 1024, 61}, L"0.0 KB / 10.0 MB · 1.0 KB/s · 剩余约 2 分钟"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::wstring(FormatTransferLine(c.figures).GetData()), c.line);
    }
}
