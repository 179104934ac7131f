#pragma once
// The four pages of the installer window. Each finds its controls when the
// main frame is initialised, handles the notifications of its own virtual
// window, and asks the frame (its owner) for another page or an install.
#include "controls/CControlUI.h"
#include "installer/ui/InstallEvents.h"
#include "installer/ui/ZkBase.h"
#include "manager/CPaintManagerUI.h"
#include "windows/CNotifyPump.h"

namespace ZKInstaller {

class CZKInstallPage : public Veneer::CNotifyPump, public ZkBase {
public:
    explicit CZKInstallPage(Veneer::CPaintManagerUI& manager) : m_manager(manager) {}
    // Finds the page's controls (the skin is built by now).
    virtual void SetUp() = 0;
    // The title row's close button, which Escape and Alt+F4 press.
    Veneer::CControlUI* CloseButton() const { return m_close; }
    // What has the keyboard focus when the page is shown (Enter presses it).
    Veneer::CControlUI* DefaultControl() const { return m_default; }

protected:
    // Every page hears "click"; pages with options also "selectchanged".
    const Veneer::TNotifyTable* GetNotifyTable() const override;
    virtual void OnClick(Veneer::TUiNotify& msg) = 0;
    virtual void OnSelectChanged(Veneer::TUiNotify&) {}
    // The page root and its title row's buttons, by their names on this page.
    void FindTitleRow(const wchar_t* root, const wchar_t* minimise, const wchar_t* close);
    // Minimise, or close (asking first when `confirm`); false for other senders.
    bool OnTitleRowClick(const Veneer::CControlUI* sender, bool confirm);
    Veneer::CControlUI* Find(const wchar_t* name) const { return m_manager.FindControl(name); }
    HWND MainWindow() const { return m_manager.GetPaintWindow(); }
    void Minimise() const;
    void CloseNow() const;
    // Asks under a veil whether to stop; closes the window when confirmed.
    void ConfirmClose() const;
    void RequestPage(InstallPage page) { NotifyOwner(EventCode(InstallEvent::SelectPage), PageArgument(page)); }

    Veneer::CPaintManagerUI& m_manager;  // the main window's, not owned
    Veneer::CControlUI* m_root = nullptr;
    Veneer::CControlUI* m_minimise = nullptr;
    Veneer::CControlUI* m_close = nullptr;
    Veneer::CControlUI* m_default = nullptr;
};

// Agreement and quick install.
class CZKInstallPage0 : public CZKInstallPage {
public:
    using CZKInstallPage::CZKInstallPage;
    void SetUp() override;

protected:
    void OnClick(Veneer::TUiNotify& msg) override;
    void OnSelectChanged(Veneer::TUiNotify& msg) override;

private:
    Veneer::CControlUI* m_agreement = nullptr;  // the option
    Veneer::CControlUI* m_install = nullptr;
    Veneer::CControlUI* m_agreementLink = nullptr;
    Veneer::CControlUI* m_custom = nullptr;
};

// Custom install: folder and options.
class CZKInstallPage1 : public CZKInstallPage {
public:
    using CZKInstallPage::CZKInstallPage;
    void SetUp() override;

protected:
    void OnClick(Veneer::TUiNotify& msg) override;
    void OnSelectChanged(Veneer::TUiNotify& msg) override;

private:
    void ChooseFolder();

    Veneer::CControlUI* m_goBack = nullptr;
    Veneer::CControlUI* m_install = nullptr;
    Veneer::CControlUI* m_path = nullptr;
    Veneer::CControlUI* m_modify = nullptr;
    Veneer::CControlUI* m_shortcutLabel = nullptr;
    Veneer::CControlUI* m_quickStartLabel = nullptr;
    Veneer::CControlUI* m_pathTitle = nullptr;
    Veneer::CControlUI* m_pathRow = nullptr;
    Veneer::CControlUI* m_shortcut = nullptr;  // option
    Veneer::CControlUI* m_taskbar = nullptr;   // option
};

// Progress.
class CZKInstallPage2 : public CZKInstallPage {
public:
    using CZKInstallPage::CZKInstallPage;
    void SetUp() override;
    // "正在安装，请不要关闭 45%" and the bar at 45 for 45.7.
    void SetProgress(double percent);
    // The line under the bar: bytes, speed and time left; empty hides it.
    void SetTransferLine(const Veneer::UiString& line);

protected:
    void OnClick(Veneer::TUiNotify& msg) override;

private:
    Veneer::CControlUI* m_bar = nullptr;
    Veneer::CControlUI* m_label = nullptr;
    Veneer::CControlUI* m_transferLine = nullptr;
};

// Finished.
class CZKInstallPage3 : public CZKInstallPage {
public:
    using CZKInstallPage::CZKInstallPage;
    void SetUp() override;

protected:
    void OnClick(Veneer::TUiNotify& msg) override;

private:
    Veneer::CControlUI* m_complete = nullptr;
};

}  // namespace ZKInstaller
