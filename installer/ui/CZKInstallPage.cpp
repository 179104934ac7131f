#include "installer/ui/CZKInstallPage.h"

#include "ZKCore/ZKSystem.h"
#include "controls/COptionUI.h"
#include "controls/CProgressUI.h"
#include "installer/engine/InstallOptions.h"
#include "installer/engine/PackageInterface.h"
#include "installer/ui/CZKMsgBox.h"
#include "installer/ui/CZKVeil.h"
#include "installer/ui/InstallEvents.h"
#include "installer/ui/InstallTexts.h"

namespace ZKInstaller {

using Veneer::CControlUI;
using Veneer::NotifyEntry;
using Veneer::TNotifyEntry;
using Veneer::TNotifyTable;
using Veneer::TUiNotify;

namespace {

Veneer::COptionUI* AsOption(CControlUI* control) {
    return control ? static_cast<Veneer::COptionUI*>(control->GetInterface(L"Option")) : nullptr;
}

}  // namespace

// ---- shared ----

const TNotifyTable* CZKInstallPage::GetNotifyTable() const {
    static const TNotifyEntry entries[] = {
        NotifyEntry<CZKInstallPage>(L"click", L"", &CZKInstallPage::OnClick),
        NotifyEntry<CZKInstallPage>(L"selectchanged", L"", &CZKInstallPage::OnSelectChanged),
        Veneer::kNotifyTableEnd};
    static const TNotifyTable table{nullptr, entries};
    return &table;
}

void CZKInstallPage::FindTitleRow(const wchar_t* root, const wchar_t* minimise, const wchar_t* close) {
    m_root = Find(root);
    m_minimise = Find(minimise);
    m_close = Find(close);
}

bool CZKInstallPage::OnTitleRowClick(const CControlUI* sender, bool confirm) {
    if (sender == m_minimise) {
        Minimise();
    } else if (sender == m_close) {
        if (confirm) {
            ConfirmClose();
        } else {
            CloseNow();
        }
    } else {
        return false;
    }
    return true;
}

void CZKInstallPage::Minimise() const { ::SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0); }

void CZKInstallPage::CloseNow() const { ::PostMessageW(MainWindow(), WM_CLOSE, 0, 0); }

void CZKInstallPage::ConfirmClose() const {
    int answer = 0;
    {
        const CZKVeil veil(Find(L"verRoot"));
        answer = CZKMsgBox::ShowModal(MainWindow(), kProductTitle, kCloseQuestion.message, kCloseQuestion.detail,
                                      kOkText, kCancelText, nullptr, kMsgBoxStyle, kMsgBoxExStyle, true);
    }
    if (answer == static_cast<int>(MsgBoxResult::Ok)) CloseNow();
}

// ---- page 0: agreement and quick install ----

void CZKInstallPage0::SetUp() {
    FindTitleRow(L"verroot0", L"minbtn", L"closebtn");
    m_agreement = Find(L"protocalOpt");
    m_install = Find(L"installBtn");
    m_default = m_install;
    m_agreementLink = Find(L"zk_btn_protocal");
    m_custom = Find(L"customBtn");
}

void CZKInstallPage0::OnClick(TUiNotify& msg) {
    if (!msg.sender || OnTitleRowClick(msg.sender, true)) return;
    if (msg.sender == m_install) {
        RequestPage(InstallPage::Progress);
    } else if (msg.sender == m_custom) {
        RequestPage(InstallPage::Custom);
    } else if (msg.sender == m_agreementLink) {
        ZKCore::OpenAsDesktopUser(kAgreementUrl);
    }
}

void CZKInstallPage0::OnSelectChanged(TUiNotify& msg) {
    if (!msg.sender || msg.sender != m_agreement) return;
    // Installing needs the agreement accepted.
    const Veneer::COptionUI* option = AsOption(m_agreement);
    const bool accepted = option && option->IsSelected();
    if (m_install) m_install->SetEnabled(accepted);
    if (m_custom) m_custom->SetEnabled(accepted);
}

// ---- page 1: custom install ----

void CZKInstallPage1::SetUp() {
    FindTitleRow(L"verroot1", L"minbtn1", L"closebtn1");
    m_goBack = Find(L"gobackbtn");
    m_install = Find(L"installBtn1");
    m_default = m_install;
    m_path = Find(L"pathLab");
    m_modify = Find(L"modifyBtn");
    m_shortcutLabel = Find(L"wz_desktop_short_cut");
    m_quickStartLabel = Find(L"wz_quick_start_up_lab");
    m_pathTitle = Find(L"wz_install_path");
    m_pathRow = Find(L"wz_hor_path_root");
    m_shortcut = Find(L"desktopShortCutOpt");
    m_taskbar = Find(L"addtaskbarOpt");

    const InstallOptions& options = GetInstallOptions();
    if (m_path) m_path->SetText(options.installFolder);
    if (auto* shortcut = AsOption(m_shortcut)) shortcut->Selected(options.desktopShortcut, true);
    if (auto* taskbar = AsOption(m_taskbar)) taskbar->Selected(options.taskbar, true);
}

void CZKInstallPage1::OnClick(TUiNotify& msg) {
    if (!msg.sender || OnTitleRowClick(msg.sender, true)) return;
    if (msg.sender == m_install) {
        RequestPage(InstallPage::Progress);
    } else if (msg.sender == m_goBack) {
        RequestPage(InstallPage::Agreement);
    } else if (msg.sender == m_modify) {
        ChooseFolder();
    }
}

// The user's choice counts: the package gets the shortcut flag as ticked here.
void CZKInstallPage1::OnSelectChanged(TUiNotify& msg) {
    if (!msg.sender) return;
    InstallOptions& options = GetInstallOptions();
    if (msg.sender == m_shortcut) {
        if (const auto* shortcut = AsOption(m_shortcut)) options.desktopShortcut = shortcut->IsSelected();
    } else if (msg.sender == m_taskbar) {
        if (const auto* taskbar = AsOption(m_taskbar)) options.taskbar = taskbar->IsSelected();
    }
}

void CZKInstallPage1::ChooseFolder() {
    InstallOptions& options = GetInstallOptions();
    const Veneer::UiString picked = ZKCore::BrowseForFolder(MainWindow(), options.installFolder);
    if (picked.IsEmpty()) return;  // cancelled: the folder stays
    const Veneer::UiString folder = InstallFolderIn(picked);
    options.installFolder = folder;
    if (m_path) m_path->SetText(folder);
}

// ---- page 2: progress ----

void CZKInstallPage2::SetUp() {
    FindTitleRow(L"verroot2", L"minbtn2", L"closebtn2");
    m_bar = Find(L"installPrg");
    m_label = Find(L"installproglab");
    m_transferLine = Find(L"installspeedlab");
    if (auto* bar = m_bar ? static_cast<Veneer::CProgressUI*>(m_bar->GetInterface(L"Progress")) : nullptr) {
        bar->SetValue(0);
    }
}

void CZKInstallPage2::SetProgress(double percent) {
    const int whole = static_cast<int>(percent);  // truncated: 45.7 shows 45
    if (m_label) {
        Veneer::UiString text;
        text.Format(kProgressFormat, whole);
        m_label->SetText(text);
    }
    if (auto* bar = m_bar ? static_cast<Veneer::CProgressUI*>(m_bar->GetInterface(L"Progress")) : nullptr) {
        bar->SetValue(whole);
    }
}

void CZKInstallPage2::SetTransferLine(const Veneer::UiString& line) {
    if (m_transferLine) m_transferLine->SetText(line);
}

void CZKInstallPage2::OnClick(TUiNotify& msg) {
    if (msg.sender) OnTitleRowClick(msg.sender, true);
}

// ---- page 3: finished ----

void CZKInstallPage3::SetUp() {
    FindTitleRow(L"verroot3", L"minbtn3", L"closebtn3");
    m_complete = Find(L"completeBtn");
    m_default = m_complete;
}

// The finished page closes without asking.
void CZKInstallPage3::OnClick(TUiNotify& msg) {
    if (!msg.sender || OnTitleRowClick(msg.sender, false)) return;
    if (msg.sender == m_complete) CloseNow();
}

}  // namespace ZKInstaller
