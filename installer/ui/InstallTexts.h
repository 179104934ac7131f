#pragma once
// Every text the installer's code shows (the skin carries the rest): box
// titles, messages and details, button captions, the progress line.
#include "core/UiString.h"
#include "installer/engine/InstallSession.h"
#include "installer/engine/TransferMeter.h"

namespace ZKInstaller {

struct BoxTexts {
    const wchar_t* message;
    const wchar_t* detail;
};

constexpr wchar_t kProductTitle[] = L"Scrivla";
constexpr wchar_t kOkText[] = L"确定";
constexpr wchar_t kCancelText[] = L"取消";
// The page-2 label; %d is the whole percent.
constexpr wchar_t kProgressFormat[] = L"正在安装，请不要关闭 %d%%";

// The line under the progress bar: "12.3 MB / 48.0 MB · 5.2 MB/s · 剩余约 7 秒";
// the parts not known yet are left out.
Veneer::UiString FormatTransferLine(const TransferFigures& figures);

constexpr BoxTexts kCloseQuestion{L"确定关闭？", L"关闭后将中断安装流程"};

// The box that tells why an install stopped.
constexpr BoxTexts FailureTexts(InstallFailure reason) {
    switch (reason) {
    case InstallFailure::Download:
        return {L"下载失败！", L"请检查网络"};
    case InstallFailure::DiskSpace:
        return {L"下载失败！", L"磁盘空间不足"};
    case InstallFailure::Verification:
        return {L"安装包校验失败！", L"安装包已损坏或来源不可信，请重新下载"};
    case InstallFailure::PackageStart:
    case InstallFailure::PackageIncomplete:
        break;
    }
    return {L"安装未完成！", L"安装程序未能完成，请重新安装"};
}

}  // namespace ZKInstaller
