#include "installer/ui/InstallTexts.h"

namespace ZKInstaller {

namespace {
constexpr double kKilobyte = 1024.0;
constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr wchar_t kSeparator[] = L" · ";

Veneer::UiString Amount(double bytes, const wchar_t* perSecond) {
    Veneer::UiString text;
    if (bytes >= kMegabyte) {
        text.Format(L"%.1f MB%s", bytes / kMegabyte, perSecond);
    } else {
        text.Format(L"%.1f KB%s", bytes / kKilobyte, perSecond);
    }
    return text;
}
}  // namespace

Veneer::UiString FormatTransferLine(const TransferFigures& figures) {
    Veneer::UiString line = Amount(static_cast<double>(figures.received), L"");
    if (figures.total > 0) {
        line += L" / ";
        line += Amount(static_cast<double>(figures.total), L"");
    }
    if (figures.bytesPerSecond > 0) {
        line += kSeparator;
        line += Amount(figures.bytesPerSecond, L"/s");
    }
    if (figures.secondsLeft >= 0) {
        Veneer::UiString left;
        if (figures.secondsLeft < 60) {
            left.Format(L"剩余约 %d 秒", static_cast<int>(figures.secondsLeft));
        } else {
            left.Format(L"剩余约 %d 分钟", static_cast<int>((figures.secondsLeft + 59) / 60));
        }
        line += kSeparator;
        line += left;
    }
    return line;
}

}  // namespace ZKInstaller
