#include "installer/ui/ZKMainFrame.h"

#include <utility>

#include "controls/CTabLayoutUI.h"
#include "core/UiPhaseClock.h"
#include "installer/engine/InstallLog.h"
#include "installer/engine/PackageInterface.h"
#include "installer/ui/CZKMsgBox.h"
#include "installer/ui/CZKVeil.h"
#include "installer/ui/InstallEvents.h"
#include "installer/ui/InstallTexts.h"

namespace ZKInstaller {

namespace {
constexpr const wchar_t* kPageNames[] = {L"install0", L"install1", L"install2", L"install3"};
}  // namespace

ZKMainFrame::ZKMainFrame()
    : CZKObjectWnd(L"ZKMainFrame.xml", L"zkmainframe"),
      m_page0(m_manager),
      m_page1(m_manager),
      m_page2(m_manager),
      m_page3(m_manager),
      m_session(*this, GetInstallOptions(), kDownloadUrl) {
    CZKInstallPage* pages[] = {&m_page0, &m_page1, &m_page2, &m_page3};
    for (int i = 0; i < 4; ++i) {
        AddVirtualWnd(kPageNames[i], pages[i]);
        pages[i]->SetOwner(this);
    }
}

ZKMainFrame::~ZKMainFrame() {
    for (const wchar_t* name : kPageNames) RemoveVirtualWnd(name);
}

void ZKMainFrame::InitWindow() {
    m_manager.SetUsedVirtualWnd(true);
    m_rootLayout = m_manager.FindControl(L"verRoot");
    m_tabLayout = m_manager.FindControl(L"tabInstall");
    m_page0.SetUp();
    m_page1.SetUp();
    m_page2.SetUp();
    m_page3.SetUp();
    SelectPage(InstallPage::Agreement);
    // The shadow window is made once the first frame is out (see the timer).
    m_shadow.SetSize(8);
    m_shadow.SetColor(RGB(100, 100, 100));
    m_shadow.SetDarkness(24);
    m_shadow.SetSharpness(10);
    m_shadow.SetPosition(0, 0);
    ::SetTimer(m_hwnd, kAfterFirstFrameTimerId, 0, nullptr);
}

void ZKMainFrame::SelectPage(InstallPage page) {
    auto* tab = m_tabLayout ? static_cast<Veneer::CTabLayoutUI*>(m_tabLayout->GetInterface(L"TabLayout")) : nullptr;
    if (!tab || !tab->SelectItem(static_cast<int>(page))) return;
    const auto index = static_cast<size_t>(page);
    if (index < 4) m_manager.SetFocusTarget(Pages()[index]->DefaultControl());
}

std::array<const CZKInstallPage*, 4> ZKMainFrame::Pages() const { return {&m_page0, &m_page1, &m_page2, &m_page3}; }

Veneer::CControlUI* ZKMainFrame::GetCloseControl() {
    // Hidden pages' buttons are invisible: the shown page's is the one.
    for (const CZKInstallPage* page : Pages()) {
        Veneer::CControlUI* close = page->CloseButton();
        if (close && close->IsVisible()) return close;
    }
    return nullptr;
}

void ZKMainFrame::OnEvent(uint32_t code, uint32_t argument, uint32_t) {
    switch (static_cast<InstallEvent>(code)) {
    case InstallEvent::SelectPage:
        // The tab layout ignores an index beyond its pages.
        SelectPage(static_cast<InstallPage>(argument));
        if (argument == PageArgument(InstallPage::Progress)) OnEvent(EventCode(InstallEvent::StartInstall), 0, 0);
        break;
    case InstallEvent::StartInstall:
        m_session.Start();
        break;
    }
}

LRESULT ZKMainFrame::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == kDownloadEventMessage) {
        m_downloadEvents.DrainInto(m_session);
        handled = true;
        return 0;
    }
    if (msg == Veneer::kDpiChangedMessage) m_shadow.SetScale(m_manager.GetDPIObj()->GetScale());
    // A screen reader asking before the first frame brings COM forward: the
    // accessible object is handed over through it.
    if (msg == WM_GETOBJECT) m_com.Join();
    return CZKObjectWnd::HandleCustomMessage(msg, wParam, lParam, handled);
}

LRESULT ZKMainFrame::OnTimerHook(UINT, WPARAM wParam, LPARAM, bool&) {
    if (wParam == kPollTimerId) {
        m_session.Poll();
    } else if (wParam == kAfterFirstFrameTimerId) {
        ::KillTimer(m_hwnd, kAfterFirstFrameTimerId);
        {
            // The folder picker and links need the thread in COM, and none
            // of them can be asked for before this first frame.
            const Veneer::UiPhaseScope phase("com");
            if (!m_com.Join()) InstallLog().Write(L"COM did not start: the folder picker and links may not open");
        }
        m_shadow.SetScale(m_manager.GetDPIObj()->GetScale());
        m_shadow.Create(m_hwnd);
        SetIcon(kProgramIconId);
        InstallLog().Write(L"Start-up, ms: " + Veneer::UiPhaseReport());
    } else if (wParam == kCloseTimerId) {
        ::KillTimer(m_hwnd, kCloseTimerId);
        ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    }
    return 0;
}

std::function<void(int)> ZKMainFrame::StateReporter(std::function<void(InstallState)> onClosed) {
    return [onClosed = std::move(onClosed)](int state) { onClosed(static_cast<InstallState>(state)); };
}

void ZKMainFrame::OnFinalMessage(HWND hwnd) {
    // A download still running stops now and its partial file goes; the
    // process ends with the modal loop right after. The start-up learns how
    // the install stood when the window went (see StateReporter).
    ReportResult(static_cast<int>(m_session.State()));
    m_session.Cancel();
    CZKObjectWnd::OnFinalMessage(hwnd);  // deletes the frame
}

// ---- the install session's sink ----

void ZKMainFrame::PostDownloadEvent(unsigned generation, int code, double value) {
    // Worker thread: only hand the values over, in order, to the UI thread.
    if (m_downloadEvents.Push(generation, code, value)) ::PostMessageW(m_hwnd, kDownloadEventMessage, 0, 0);
}

void ZKMainFrame::OnProgress(int percent) { m_page2.SetProgress(percent); }

void ZKMainFrame::OnTransfer(const TransferFigures* figures) {
    m_page2.SetTransferLine(figures ? FormatTransferLine(*figures) : Veneer::UiString());
}

void ZKMainFrame::OnCompleted() {
    ZkBase* sink = GetOwner() ? GetOwner() : this;
    sink->OnEvent(EventCode(InstallEvent::SelectPage), PageArgument(InstallPage::Finished), 0);
    ::SetTimer(m_hwnd, kCloseTimerId, kCloseDelayMs, nullptr);
}

void ZKMainFrame::OnFailed(InstallFailure reason) {
    const BoxTexts texts = FailureTexts(reason);
    int answer = 0;
    {
        const CZKVeil veil(m_rootLayout);
        answer = CZKMsgBox::ShowModal(m_hwnd, kProductTitle, texts.message, texts.detail, kOkText, kCancelText,
                                      nullptr, kMsgBoxStyle, kMsgBoxExStyle, true);
    }
    if (answer == static_cast<int>(MsgBoxResult::Ok)) SelectPage(InstallPage::Agreement);
}

void ZKMainFrame::StartPollTimer() { ::SetTimer(m_hwnd, kPollTimerId, kPollIntervalMs, nullptr); }

void ZKMainFrame::StopPollTimer() { ::KillTimer(m_hwnd, kPollTimerId); }

}  // namespace ZKInstaller
