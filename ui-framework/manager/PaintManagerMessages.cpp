// The message handler (input, focus, hover, tooltips, timers, async queue,
// reflected child messages) and the pre-translation of queued messages.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <memory>

#include "controls/CControlUI.h"
#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"

namespace Veneer {

WORD MapKeyState() {
    WORD state = 0;
    if (::GetKeyState(VK_LBUTTON) < 0) state |= kKeyStateLButton;
    if (::GetKeyState(VK_RBUTTON) < 0) state |= kKeyStateRButton;
    if (::GetKeyState(VK_SHIFT) < 0) state |= kKeyStateShift;
    if (::GetKeyState(VK_CONTROL) < 0) state |= kKeyStateControl;
    if (::GetKeyState(VK_MENU) < 0) state |= kKeyStateAlt;
    return state;
}

namespace {

POINT PointFromLParam(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

struct ShortcutSearch {
    wchar_t ch;
};

CControlUI* FindControlFromShortcut(CControlUI* control, void* data) {
    const auto* search = static_cast<const ShortcutSearch*>(data);
    return control->GetShortcut() != 0 && control->GetShortcut() == search->ch ? control : nullptr;
}

}  // namespace

TUiEvent CPaintManagerUI::MakeEvent(UiEventKind kind, CControlUI* target, WPARAM wParam, LPARAM lParam) const {
    TUiEvent event;
    event.kind = kind;
    event.sender = target;
    event.timestamp = ::GetTickCount();
    event.mouse = m_lastMouse;
    event.keyState = MapKeyState();
    event.wParam = wParam;
    event.lParam = lParam;
    return event;
}

void CPaintManagerUI::SendEvent(CControlUI* target, UiEventKind kind, WPARAM wParam, LPARAM lParam) {
    if (!target) return;
    TUiEvent event = MakeEvent(kind, target, wParam, lParam);
    if (IsMouseEventKind(kind) || (kind > UiEventKind::UIEVT_KEYBEGIN && kind < UiEventKind::UIEVT_KEYEND)) {
        event.keyChar = static_cast<wchar_t>(wParam & 0xFFFF);
    }
    target->Event(event);
}

void CPaintManagerUI::StoreMousePointForFilteredMessage(UINT msg, LPARAM lParam) {
    switch (msg) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            m_lastMouse = PointFromLParam(lParam);
            break;
        case WM_MOUSEWHEEL:
        case WM_CONTEXTMENU: {
            POINT pt = PointFromLParam(lParam);
            ::ScreenToClient(m_hwnd, &pt);
            m_lastMouse = pt;
            break;
        }
        default:
            break;
    }
}

bool CPaintManagerUI::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (!m_hwnd) return false;

    bool handled = false;
    const UiWalk filters = m_messageFilters.ForEach([&](IMessageFilterUI* filter) {
        result = filter->MessageHandler(msg, wParam, lParam, handled);
        return handled;
    });
    if (filters == UiWalk::OwnerGone) return true;  // a filter destroyed the window
    if (handled) {
        StoreMousePointForFilteredMessage(msg, lParam);
        return true;
    }
    result = 0;

    if (m_layered) {
        switch (msg) {
            case WM_NCCALCSIZE:
            case WM_NCPAINT:
                return true;
            case WM_NCACTIVATE:
                if (!::IsIconic(m_hwnd)) {
                    result = wParam == 0 ? TRUE : FALSE;
                    return true;
                }
                break;
            default:
                break;
        }
    }

    switch (msg) {
        case WM_PAINT:
            return OnPaint();
        case WM_PRINTCLIENT:
            OnPrintClient(reinterpret_cast<HDC>(wParam), lParam);
            return true;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_SIZE:
            if (m_focus) SendEvent(m_focus, UiEventKind::UIEVT_WINDOWSIZE, wParam, lParam);
            if (m_root) m_root->NeedUpdate();
            return true;
        case WM_SETFOCUS:
            if (m_focus) SendEvent(m_focus, UiEventKind::UIEVT_SETFOCUS, wParam, lParam);
            return false;
        case WM_KILLFOCUS:
            if (m_mouseCapture) ReleaseCapture();
            return false;
        case WM_TIMER:
            return OnTimer(wParam, lParam);
        case WM_MOUSEMOVE:
            OnMouseMove(wParam, lParam);
            return false;
        case WM_MOUSEHOVER:
            OnMouseHover(wParam, lParam);
            return false;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            return false;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            // Mouse users see no ring unless the system asks for keyboard cues.
            BOOL cues = FALSE;
            ShowFocusRing(::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0) && cues);
            OnButtonDown(msg, wParam, lParam);
            return false;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            OnButtonUp(msg, wParam, lParam);
            return false;
        case WM_CONTEXTMENU:
            OnContextMenu(wParam, lParam);
            return false;
        case WM_MOUSEWHEEL:
            OnMouseWheel(wParam, lParam);
            return false;
        case WM_SETCURSOR:
            return OnSetCursor(wParam, lParam);
        case WM_KEYDOWN:
            if (m_root && m_focus) {
                m_key = m_focus;
                SendEvent(m_focus, UiEventKind::UIEVT_KEYDOWN, wParam, lParam);
            }
            return false;
        case WM_KEYUP:
            if (m_key) {
                CControlUI* key = m_key;
                SendEvent(key, UiEventKind::UIEVT_KEYUP, wParam, lParam);
                m_key = nullptr;
            }
            return false;
        case WM_CHAR:
            if (m_root && m_focus) SendEvent(m_focus, UiEventKind::UIEVT_CHAR, wParam, lParam);
            return false;
        case WM_CLOSE:
            OnClose();
            return false;
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            ForgetSystemColors();
            Invalidate();
            return false;
        case kWmGetDpiScaledSize:
            result = ScaledSizeForDpi(LOWORD(wParam), reinterpret_cast<SIZE*>(lParam)) ? TRUE : FALSE;
            return true;
        case kWmDpiChanged:
            OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return true;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            const SIZE minSize = GetMinInfo();
            const SIZE maxSize = GetMaxInfo();
            if (minSize.cx > 0) info->ptMinTrackSize.x = minSize.cx;
            if (minSize.cy > 0) info->ptMinTrackSize.y = minSize.cy;
            if (maxSize.cx > 0) info->ptMaxTrackSize.x = info->ptMaxSize.x = maxSize.cx;
            if (maxSize.cy > 0) info->ptMaxTrackSize.y = info->ptMaxSize.y = maxSize.cy;
            return false;
        }
        case kAsyncNotifyMessage:
            ProcessAsync();
            return true;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!header || !header->hwndFrom) return false;
            result = ::SendMessageW(header->hwndFrom, kReflectedMessageBase + msg, wParam, lParam);
            return true;
        }
        case WM_COMMAND:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: {
            if (lParam == 0) return false;
            result = ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectedMessageBase + msg, wParam, lParam);
            return result != 0;
        }
        default:
            return false;
    }
}

void CPaintManagerUI::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    if (!m_mouseTracking) {
        TRACKMOUSEEVENT track{sizeof(track), TME_HOVER | TME_LEAVE, m_hwnd, static_cast<DWORD>(m_hoverTime)};
        if (m_tooltip) {
            track.dwHoverTime = static_cast<DWORD>(::SendMessageW(m_tooltip.Get(), TTM_GETDELAYTIME, TTDT_INITIAL, 0));
        }
        ::TrackMouseEvent(&track);
        m_mouseTracking = true;
    }

    m_lastMouse = PointFromLParam(lParam);
    CControlUI* found = FindControl(m_lastMouse);
    if (found && found->GetManager() != this) return;
    // Bitmap drag-and-drop is not supported: an armed drag is simply dropped.
    m_dragArmed = false;

    if (!m_mouseCapture) {
        if (found != m_hover && m_hover) {
            // Controls may leave the list (or the tree) while it runs.
            const UiWalk walk = m_mouseLeaveNeeded.ForEach([&](CControlUI* control) {
                SendEvent(control, UiEventKind::UIEVT_MOUSELEAVE, wParam, lParam);
                return false;
            });
            if (walk == UiWalk::OwnerGone) return;
            if (m_hover) SendEvent(m_hover, UiEventKind::UIEVT_MOUSELEAVE, wParam, lParam);
            m_hover = nullptr;
            HideTooltip();
        }
        if (found != m_hover && found) {
            m_hover = found;
            SendEvent(found, UiEventKind::UIEVT_MOUSEENTER, wParam, lParam);
        }
    }
    if (m_click) {
        SendEvent(m_click, UiEventKind::UIEVT_MOUSEMOVE, wParam, lParam);
    } else if (found) {
        SendEvent(found, UiEventKind::UIEVT_MOUSEMOVE, wParam, lParam);
    }
}

void CPaintManagerUI::OnMouseHover(WPARAM wParam, LPARAM lParam) {
    m_mouseTracking = false;
    const POINT pt = PointFromLParam(lParam);
    CControlUI* found = FindControl(pt);
    if (!found) return;
    if (m_hover) {
        TUiEvent event = MakeEvent(UiEventKind::UIEVT_MOUSEHOVER, m_hover, wParam, lParam);
        event.mouse = pt;
        event.keyChar = static_cast<wchar_t>(wParam & 0xFFFF);
        m_hover->Event(event);
    }
    const UiString tip = found->GetToolTip();
    if (tip.IsEmpty()) return;

    m_tooltipText = tip;
    m_toolInfo = TOOLINFOW{};
    m_toolInfo.cbSize = sizeof(TOOLINFOW);
    m_toolInfo.uFlags = TTF_IDISHWND;
    m_toolInfo.hwnd = m_hwnd;
    m_toolInfo.uId = reinterpret_cast<UINT_PTR>(m_hwnd);
    m_toolInfo.hinst = GetInstance();
    m_toolInfo.lpszText = const_cast<wchar_t*>(m_tooltipText.GetData());
    m_toolInfo.rect = found->GetPos();
    if (!m_tooltip) {
        // The common controls are loaded with the first tooltip, not at
        // start: loading them costs a window's first frame tens of ms.
        static const bool registered = [] {
            INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
            return ::InitCommonControlsEx(&controls) != FALSE;
        }();
        (void)registered;
        m_tooltip.Reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd,
                                          nullptr, GetInstance(), nullptr));
        if (!m_tooltip) return;
        ::SendMessageW(m_tooltip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_toolInfo));
    }
    ::SendMessageW(m_tooltip.Get(), TTM_SETMAXTIPWIDTH, 0, found->GetToolTipWidth());
    if (!::IsWindowVisible(m_tooltip.Get())) {
        ::SendMessageW(m_tooltip.Get(), TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&m_toolInfo));
        ::SendMessageW(m_tooltip.Get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&m_toolInfo));
    }
}

void CPaintManagerUI::HideTooltip() {
    if (m_tooltip) ::SendMessageW(m_tooltip.Get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_toolInfo));
}

void CPaintManagerUI::OnMouseLeave() {
    HideTooltip();
    if (m_mouseTracking) {
        // Still over the client area (e.g. over a tooltip or a child window):
        // refresh the hover state at the cursor; otherwise clear it with the
        // point (-1, -1).
        POINT pt{};
        ::GetCursorPos(&pt);
        RECT window{};
        ::GetWindowRect(m_hwnd, &window);
        LPARAM point = -1;
        if (!::IsIconic(m_hwnd) && ::GetActiveWindow() == m_hwnd && ::PtInRect(&window, pt) &&
            ::SendMessageW(m_hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)) == HTCLIENT) {
            ::ScreenToClient(m_hwnd, &pt);
            point = MAKELPARAM(pt.x, pt.y);
        }
        ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, point);
    }
    m_mouseTracking = false;
}

void CPaintManagerUI::OnButtonDown(UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool left = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK;
    if (!left || !m_noActivate) ::SetFocus(m_hwnd);
    if (!m_root) return;
    m_lastMouse = PointFromLParam(lParam);
    CControlUI* control = FindControl(m_lastMouse);
    if (!control || control->GetManager() != this) return;

    switch (msg) {
        case WM_LBUTTONDOWN:
            SetCapture();
            m_click = control;
            control->SetFocus();
            SendEvent(control, UiEventKind::UIEVT_BUTTONDOWN, wParam, lParam);
            break;
        case WM_LBUTTONDBLCLK:
            SetCapture();
            m_click = control;
            SendEvent(control, UiEventKind::UIEVT_DBLCLICK, wParam, lParam);
            break;
        default:
            control->SetFocus();
            SetCapture();
            m_click = control;
            SendEvent(control,
                      msg == WM_RBUTTONDOWN ? UiEventKind::UIEVT_RBUTTONDOWN : UiEventKind::UIEVT_MBUTTONDOWN,
                      wParam, lParam);
            break;
    }
}

void CPaintManagerUI::OnButtonUp(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONUP) {
        m_lastMouse = PointFromLParam(lParam);
        if (!m_click) return;
        ReleaseCapture();
        CControlUI* click = m_click;
        m_click = nullptr;
        SendEvent(click, UiEventKind::UIEVT_BUTTONUP, wParam, lParam);
        return;
    }
    // Right and middle buttons: the release goes to the control under the
    // cursor, which may differ from the one pressed.
    if (m_mouseCapture) ReleaseCapture();
    m_lastMouse = PointFromLParam(lParam);
    m_click = FindControl(m_lastMouse);
    if (!m_click) return;
    if (m_click->GetManager() != this) {
        m_click = nullptr;
        return;
    }
    SendEvent(m_click, msg == WM_RBUTTONUP ? UiEventKind::UIEVT_RBUTTONUP : UiEventKind::UIEVT_MBUTTONUP, wParam,
              lParam);
}

void CPaintManagerUI::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    if (!m_root) return;
    POINT pt = PointFromLParam(lParam);
    ::ScreenToClient(m_hwnd, &pt);
    m_lastMouse = pt;
    if (!m_click) return;
    ReleaseCapture();
    CControlUI* click = m_click;
    SendEvent(click, UiEventKind::UIEVT_CONTEXTMENU, wParam, lParam);
    m_click = nullptr;
}

void CPaintManagerUI::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    if (!m_root) return;
    POINT pt = PointFromLParam(lParam);
    ::ScreenToClient(m_hwnd, &pt);
    m_lastMouse = pt;
    CControlUI* control = FindControl(pt);
    if (!control || control->GetManager() != this) return;
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    const WPARAM wheel = (static_cast<WPARAM>(HIWORD(wParam)) << 16) | (delta < 0 ? SB_LINEDOWN : SB_LINEUP);
    SendEvent(control, UiEventKind::UIEVT_SCROLLWHEEL, wheel, lParam);
    ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(m_lastMouse.x, m_lastMouse.y));
}

bool CPaintManagerUI::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    if (!m_root || LOWORD(lParam) != HTCLIENT) return false;
    if (m_mouseCapture) return true;
    POINT pt{};
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hwnd, &pt);
    CControlUI* control = FindControl(pt);
    if (!control || (control->GetControlFlags() & CTLFLAG_SETCURSOR) == 0) return false;
    TUiEvent event = MakeEvent(UiEventKind::UIEVT_SETCURSOR, control, wParam, lParam);
    event.mouse = pt;
    control->Event(event);
    return true;
}

void CPaintManagerUI::OnClose() {
    // Matching "closing" events for a press or hover still in progress.
    if (m_hover) SendEvent(m_hover, UiEventKind::UIEVT_MOUSELEAVE, 0, 0);
    if (m_click) SendEvent(m_click, UiEventKind::UIEVT_BUTTONUP, 0, 0);
    m_hover = nullptr;
    m_click = nullptr;
    SetFocus(nullptr);
    if (::GetActiveWindow() == m_hwnd) {
        HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
        if (owner) ::SetFocus(owner);
    }
    m_tooltip.Reset();
}

bool CPaintManagerUI::PreMessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    bool handled = false;
    const UiWalk filters = m_preMessageFilters.ForEach([&](IMessageFilterUI* filter) {
        result = filter->MessageHandler(msg, wParam, lParam, handled);
        return handled;
    });
    if (filters == UiWalk::OwnerGone || handled) return true;
    result = 0;
    switch (msg) {
        case WM_KEYDOWN:
            ShowFocusRing(true);
            if (wParam == VK_TAB) {
                SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
                return true;
            }
            return false;
        case WM_SYSKEYDOWN:
            ShowFocusRing(true);
            if (m_focus) SendEvent(m_focus, UiEventKind::UIEVT_SYSKEY, wParam, lParam);
            return false;
        case WM_SYSCHAR: {
            if (!m_root) return false;
            ShortcutSearch search{static_cast<wchar_t>(::towupper(static_cast<wint_t>(wParam)))};
            CControlUI* control = m_root->FindControl(FindControlFromShortcut, &search,
                                                      FINDF_VISIBLE | FINDF_ENABLED | FINDF_MEFIRST | FINDF_TOPFIRST);
            if (!control) return false;
            control->SetFocus();
            control->Activate();
            return true;
        }
        default:
            return false;
    }
}

// ---- notifications ----

void CPaintManagerUI::SendNotify(CControlUI* sender, const wchar_t* type, WPARAM wParam, LPARAM lParam, bool async) {
    TUiNotify msg;
    msg.sender = sender;
    msg.type = type;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, async);
}

void CPaintManagerUI::SendNotify(TUiNotify& msg, bool async) {
    msg.mouse = m_lastMouse;
    msg.timestamp = ::GetTickCount();
    if (m_usedVirtualWnd && msg.sender) msg.virtualWnd = msg.sender->GetVirtualWnd();
    if (async) {
        m_asyncQueue.push_back(std::make_unique<TUiNotify>(msg));
        PostAsyncNotify();
        return;
    }
    DeliverNotify(msg);
}

bool CPaintManagerUI::DeliverNotify(TUiNotify& msg) {
    // While it is delivered, the message is among those whose sender is
    // cleared when the sender goes away.
    m_delivering.push_back(&msg);
    if (msg.sender && msg.sender->OnNotify) {
        const std::shared_ptr<bool> alive = m_alive;
        msg.sender->OnNotify(&msg);
        if (!*alive) return false;
    }
    const UiWalk walk = m_notifiers.ForEach([&msg](INotifyUI* notifier) {
        notifier->Notify(msg);
        return false;
    });
    if (walk == UiWalk::OwnerGone) return false;
    m_delivering.erase(std::find(m_delivering.begin(), m_delivering.end(), &msg));
    return true;
}

bool CPaintManagerUI::PostAsyncNotify() {
    if (!m_asyncPosted && m_hwnd) m_asyncPosted = ::PostMessageW(m_hwnd, kAsyncNotifyMessage, 0, 0) != FALSE;
    return m_asyncPosted;
}

void CPaintManagerUI::ProcessAsync() {
    // Pass 1: controls removed from the tree are deleted now that no handler of
    // theirs is running.
    std::vector<std::unique_ptr<CControlUI>> cleanup;
    cleanup.swap(m_delayedCleanup);
    cleanup.clear();
    m_asyncPosted = false;

    // Pass 2: queued notifications, one at a time from the front, until a
    // listener destroys the window.
    while (!m_asyncQueue.empty()) {
        std::unique_ptr<TUiNotify> msg = std::move(m_asyncQueue.front());
        m_asyncQueue.pop_front();
        if (!DeliverNotify(*msg)) return;
    }
}

void CPaintManagerUI::FreeAsyncQueue() { m_asyncQueue.clear(); }

}  // namespace Veneer
