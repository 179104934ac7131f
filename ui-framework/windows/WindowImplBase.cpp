#include "windows/WindowImplBase.h"

#include <cwchar>
#include <cwctype>
#include <string>

#include "controls/CContainerUI.h"
#include "core/UiPhaseClock.h"

namespace Veneer {

namespace {

using MessageSlot = LRESULT (WindowImplBase::*)(UINT, WPARAM, LPARAM, bool&);

// Controls a press may drag the window through: nothing that takes the mouse.
constexpr const wchar_t* kStaticClasses[] = {
    L"controlui",         L"textui",       L"labelui",         L"containerui",        L"horizontallayoutui",
    L"verticallayoutui",  L"tablayoutui",  L"childlayoutui",   L"dialoglayoutui",     L"progresscontainerui",
};

bool IsStaticClass(const wchar_t* className) {
    if (!className) return false;
    std::wstring lower(className);
    for (wchar_t& ch : lower) ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    for (const wchar_t* name : kStaticClasses) {
        if (lower == name) return true;
    }
    return false;
}

}  // namespace

// ---- the notification table: "click" from any control ----

const TNotifyTable* WindowImplBase::GetNotifyTable() const {
    static const TNotifyEntry entries[] = {NotifyEntry<WindowImplBase>(L"click", L"", &WindowImplBase::OnClick),
                                           kNotifyTableEnd};
    static const TNotifyTable table{CNotifyPump::GetNotifyTable(), entries};
    return &table;
}

void WindowImplBase::Notify(TUiNotify& msg) { NotifyPump(msg); }

LRESULT WindowImplBase::MessageHandler(UINT msg, WPARAM wParam, LPARAM, bool& handled) {
    if (msg != WM_KEYDOWN) return 0;
    if (wParam == VK_RETURN) return 0;
    if (wParam != VK_ESCAPE) return 0;
    if (!ResponseDefaultKeyEvent(wParam)) return FALSE;
    handled = PressCloseControl();
    return TRUE;
}

bool WindowImplBase::PressCloseControl() {
    CControlUI* close = GetCloseControl();
    if (!close || !close->IsVisible() || !close->IsEnabled()) return false;
    close->Activate();
    return true;
}

CControlUI* WindowImplBase::CreateControl(const wchar_t*) { return nullptr; }

const wchar_t* WindowImplBase::QueryControlText(const wchar_t*, const wchar_t*) { return nullptr; }

bool WindowImplBase::IsInStaticControl(CControlUI* control) {
    if (!control) return false;
    for (CControlUI* node = control; node; node = node->GetParent()) {
        if (!IsStaticClass(node->GetClass())) return false;
    }
    return true;
}

// ---- message routing ----

LRESULT WindowImplBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    static const struct {
        UINT msg;
        MessageSlot handler;
    } kSlots[] = {
        {WM_CREATE, &WindowImplBase::OnCreate},           {WM_CLOSE, &WindowImplBase::OnClose},
        {WM_DESTROY, &WindowImplBase::OnDestroy},         {WM_NCACTIVATE, &WindowImplBase::OnNcActivate},
        {WM_NCCALCSIZE, &WindowImplBase::OnNcCalcSize},   {WM_NCPAINT, &WindowImplBase::OnNcPaint},
        {WM_NCHITTEST, &WindowImplBase::OnNcHitTest},     {WM_GETMINMAXINFO, &WindowImplBase::OnGetMinMaxInfo},
        {WM_MOUSEWHEEL, &WindowImplBase::OnMouseWheel},   {WM_MOUSEHOVER, &WindowImplBase::OnMouseHover},
        {WM_SIZE, &WindowImplBase::OnSize},               {WM_CHAR, &WindowImplBase::OnChar},
        {WM_SYSCOMMAND, &WindowImplBase::OnSysCommand},   {WM_KEYDOWN, &WindowImplBase::OnKeyDown},
        {WM_KILLFOCUS, &WindowImplBase::OnKillFocus},     {WM_SETFOCUS, &WindowImplBase::OnSetFocus},
        {WM_LBUTTONDOWN, &WindowImplBase::OnLButtonDown}, {WM_LBUTTONUP, &WindowImplBase::OnLButtonUp},
        {WM_MOUSEMOVE, &WindowImplBase::OnMouseMove},
    };
    LRESULT result = 0;
    for (const auto& slot : kSlots) {
        if (slot.msg != msg) continue;
        bool handled = true;
        result = (this->*slot.handler)(msg, wParam, lParam, handled);
        if (handled) return result;
        break;
    }
    bool handled = false;
    result = HandleCustomMessage(msg, wParam, lParam, handled);
    if (handled) return result;
    if (m_manager.MessageHandler(msg, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void WindowImplBase::OnFinalMessage(HWND) {
    m_accessible.Detach();
    m_manager.RemovePreMessageFilter(this);
    m_manager.RemoveNotifier(this);
    m_manager.ReapControl(m_manager.GetRoot());
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LONG WindowImplBase::GetStyle() { return ::GetWindowLongW(m_hwnd, GWL_STYLE) & ~static_cast<LONG>(WS_CAPTION); }

// ---- creation ----

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    // Pass 1: no system frame; children and siblings are clipped.
    ::SetWindowLongW(m_hwnd, GWL_STYLE, GetStyle() | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);

    // Pass 2: the paint manager takes the window; key filtering runs first.
    {
        const UiPhaseScope phase("manager init");
        m_manager.Init(m_hwnd, GetManagerName());
    }
    m_manager.AddPreMessageFilter(this);
    m_accessible.Attach();

    // Pass 3: the skin, as a file name (or XML text) or as a numbered resource.
    CDialogBuilder builder;
    const wchar_t* type = GetSkinType();
    CControlUI* root = nullptr;
    if (!type || !*type) {
        root = builder.Create(GetSkinFile(), nullptr, this, &m_manager);
    } else {
        const int id = _wtoi(GetSkinFile());
        root = builder.Create(MAKEINTRESOURCEW(id), type, this, &m_manager);
    }
    if (!root) OnSkinLoadFailed();

    m_manager.AttachTree(root);
    m_manager.AddNotifier(this);
    const UiPhaseScope phase("init window");
    InitWindow();
    return 0;
}

void WindowImplBase::OnSkinLoadFailed() {
    const std::wstring text = std::wstring(L"加载资源文件失败：") + (GetSkinFile() ? GetSkinFile() : L"");
    ::MessageBoxW(nullptr, text.c_str(), L"Veneer", MB_OK | MB_ICONERROR);
    ::ExitProcess(1);
}

// ---- the frame: the whole window is client area ----

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, bool& handled) {
    if (::IsIconic(m_hwnd)) {
        handled = false;
        return 0;
    }
    return wParam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, bool&) { return 0; }

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool&) { return 0; }

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ScreenToClient(m_hwnd, &pt);
    RECT client{};
    ::GetClientRect(m_hwnd, &client);

    // Pass 1: the size box, in pixels of the window's DPI.
    if (!::IsZoomed(m_hwnd)) {
        const RECT box = m_manager.GetSizeBox();
        const bool left = pt.x < client.left + box.left;
        const bool right = pt.x >= client.right - box.right;
        if (pt.y < client.top + box.top) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
        if (pt.y >= client.bottom - box.bottom) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
    }

    // Pass 2: the caption (insets at the sides, absolute top and bottom; a
    // negative bottom reaches the client bottom) drags unless a control there
    // takes the mouse.
    const RECT caption = m_manager.GetCaptionRect();
    const LONG bottom = caption.bottom < 0 ? client.bottom : caption.bottom;
    if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right && pt.y >= caption.top &&
        pt.y < bottom) {
        CControlUI* control = m_manager.FindControl(pt);
        if (!control || IsInStaticControl(control)) return HTCAPTION;
    }
    return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool&) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    MONITORINFO primary{};
    primary.cbSize = sizeof(primary);
    HMONITOR primaryMonitor = ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    ::GetMonitorInfoW(primaryMonitor, &primary);
    RECT work = primary.rcWork;
    // The maximised position is relative to the window's own monitor.
    if (::MonitorFromWindow(m_hwnd, MONITOR_DEFAULTTONEAREST) != primaryMonitor) {
        ::OffsetRect(&work, -work.left, -work.top);
    }
    const LONG width = work.right - work.left;
    const LONG height = work.bottom - work.top;
    info->ptMaxPosition = POINT{work.left, work.top};
    info->ptMaxSize = POINT{width, height};
    const SIZE maxInfo = m_manager.GetMaxInfo();
    const SIZE minInfo = m_manager.GetMinInfo();
    info->ptMaxTrackSize = POINT{maxInfo.cx ? maxInfo.cx : width, maxInfo.cy ? maxInfo.cy : height};
    info->ptMinTrackSize = POINT{minInfo.cx, minInfo.cy};
    return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM wParam, LPARAM, bool& handled) {
    if (wParam != SIZE_MINIMIZED) {
        const SIZE corner = m_manager.GetRoundCorner();
        RECT window{};
        ::GetWindowRect(m_hwnd, &window);
        UiRegion region(::CreateRoundRectRgn(0, 0, window.right - window.left + 1, window.bottom - window.top + 1,
                                             corner.cx, corner.cy));
        // The system owns the region once it is set.
        if (region && ::SetWindowRgn(m_hwnd, region.Get(), TRUE)) region.Release();
    }
    handled = false;  // the paint manager lays the tree out again
    return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT msg, WPARAM wParam, LPARAM lParam, bool&) {
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        if (PressCloseControl()) return 0;
        ::SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    const bool wasZoomed = ::IsZoomed(m_hwnd) != FALSE;
    const LRESULT result = CWindowWnd::HandleMessage(msg, wParam, lParam);
    const bool zoomed = ::IsZoomed(m_hwnd) != FALSE;
    if (zoomed != wasZoomed) UpdateSystemButtons(zoomed);
    return result;
}

void WindowImplBase::UpdateSystemButtons(bool maximised) {
    if (CControlUI* maxButton = m_manager.FindControl(L"maxbtn")) maxButton->SetVisible(!maximised);
    if (CControlUI* restoreButton = m_manager.FindControl(L"restorebtn")) restoreButton->SetVisible(maximised);
    CControlUI* root = m_manager.GetRoot();
    auto* container = root ? static_cast<CContainerUI*>(root->GetInterface(L"Container")) : nullptr;
    if (!container) return;
    // The layered inset is in pixels; the container keeps design units.
    const RECT inset = m_manager.GetLayeredInset();
    const CDpiScaler* dpi = m_manager.GetDPIObj();
    container->SetInset(maximised ? RECT{0, 0, 0, 0}
                                  : RECT{dpi->ScaleBack(inset.left), dpi->ScaleBack(inset.top),
                                         dpi->ScaleBack(inset.right), dpi->ScaleBack(inset.bottom)});
}

void WindowImplBase::OnClick(TUiNotify& msg) {
    if (!msg.sender) return;
    const UiString name = msg.sender->GetName();
    if (name == L"closebtn") {
        Close(1);
    } else if (name == L"minbtn") {
        ::SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (name == L"maxbtn") {
        ::SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    } else if (name == L"restorebtn") {
        ::SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    }
}

// ---- messages the paint manager handles ----

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }
LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }
LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }
LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }
LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }
LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }
LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }
LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }
LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }
LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }
LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& handled) { return handled = false, 0; }

}  // namespace Veneer
