#pragma once
// The installer's window: the four pages in the tab layout "tabInstall", the
// install sequence behind them, and the drop shadow. Launched modally at
// start-up; it frees itself when its window is gone, which ends the program.
#include <windows.h>

#include <array>
#include <functional>

#include "installer/engine/ComApartment.h"
#include "installer/engine/DownloadEventQueue.h"
#include "installer/engine/InstallSession.h"
#include "installer/ui/CWndShadow.h"
#include "installer/ui/CZKInstallPage.h"
#include "installer/ui/CZKObjectWnd.h"

namespace ZKInstaller {

// Posted by the download's worker thread when it queues a notification into
// an empty queue: the window drains the queue.
constexpr UINT kDownloadEventMessage = WM_APP + 20;
constexpr UINT_PTR kPollTimerId = 268;   // 108 ms while the package runs
constexpr UINT_PTR kCloseTimerId = 286;  // 3000 ms after the finished page shows
constexpr UINT kCloseDelayMs = 3000;
// Timers come after painting: this one fires once the first frame is out.
constexpr UINT_PTR kAfterFirstFrameTimerId = 291;

class ZKMainFrame : public CZKObjectWnd, private IInstallSink {
public:
    ZKMainFrame();
    ~ZKMainFrame() override;

    // InstallEvent codes: select a page (the progress page also starts an
    // install), start an install.
    void OnEvent(uint32_t code, uint32_t argument, uint32_t extra) override;

    // The frame's result callback, as one that hears how the install stood
    // (the session's state) when the window went.
    static std::function<void(int)> StateReporter(std::function<void(InstallState)> onClosed);

    const CInstallSession& Session() const { return m_session; }
    bool SetsIconAfterFirstFrame() const override { return true; }

protected:
    void InitWindow() override;
    Veneer::CControlUI* GetCloseControl() override;
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT OnTimerHook(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnFinalMessage(HWND hwnd) override;

private:
    // IInstallSink
    void PostDownloadEvent(unsigned generation, int code, double value) override;
    void OnProgress(int percent) override;
    void OnTransfer(const TransferFigures* figures) override;
    void OnCompleted() override;
    void OnFailed(InstallFailure reason) override;
    void StartPollTimer() override;
    void StopPollTimer() override;

    void SelectPage(InstallPage page);
    std::array<const CZKInstallPage*, 4> Pages() const;

    CComApartment m_com;  // joined after the first frame; first, so left last
    CZKInstallPage0 m_page0;
    CZKInstallPage1 m_page1;
    CZKInstallPage2 m_page2;
    CZKInstallPage3 m_page3;
    Veneer::CControlUI* m_rootLayout = nullptr;  // "verRoot", owned by the manager
    Veneer::CControlUI* m_tabLayout = nullptr;   // "tabInstall", owned by the manager
    CWndShadow m_shadow;
    CDownloadEventQueue m_downloadEvents;
    CInstallSession m_session;  // last: stops its download before the rest goes
};

}  // namespace ZKInstaller
