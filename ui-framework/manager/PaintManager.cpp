// Construction, destruction, process-wide settings, the message loop and the
// pre-translation of queued messages.
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <cwchar>

#include "controls/CControlUI.h"
#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"

namespace Veneer {

PaintManagerShared& Shared() {
    static PaintManagerShared shared;
    return shared;
}

namespace {

// The first manager of the process sets up what every manager shares.
void InitialiseShared() {
    PaintManagerShared& shared = Shared();
    if (shared.initialised) return;
    shared.initialised = true;

    LOGFONTW lf{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    shared.defaultFont.font.Reset(::CreateFontIndirectW(&lf));
    shared.defaultFont.faceName = lf.lfFaceName;
    shared.defaultFont.size = -lf.lfHeight;
    shared.defaultFont.bold = lf.lfWeight >= FW_BOLD;
    shared.defaultFont.underline = lf.lfUnderline != 0;
    shared.defaultFont.italic = lf.lfItalic != 0;
    shared.defaultFont.metrics = TEXTMETRICW{};

    shared.updatePen.Reset(::CreatePen(PS_SOLID, 1, RGB(220, 0, 0)));

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() {
    InitialiseShared();
    for (int i = 0; i < 5; ++i) m_colors[i] = Shared().colors[i];

    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok) m_gdiplusToken = 0;
}

CPaintManagerUI::~CPaintManagerUI() {
    PaintManagerShared& shared = Shared();
    const int index = shared.managers.Find(this);
    if (index >= 0) shared.managers.Remove(index);

    // Controls waiting for clean-up and the tree go first: their destructors
    // reap themselves from this manager.
    for (int i = 0; i < m_delayedCleanup.GetSize(); ++i) delete static_cast<CControlUI*>(m_delayedCleanup[i]);
    m_delayedCleanup.Empty();
    CControlUI* root = m_root;
    m_root = nullptr;
    delete root;

    FreeAsyncQueue();
    RemoveAllTimers();
    RemoveAllOptionGroups();
    RemoveAllWindowCustomAttribute();
    FreeWindowAttributeTables();
    FreeWindowFonts();
    FreeWindowImages();
    RemoveAllDrawInfos();
    m_shadow.reset();
    m_tooltip.Reset();
    DropOffscreen();
    m_paintDc.reset();

    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
}

void CPaintManagerUI::Init(HWND hwnd, const wchar_t* name) {
    m_nameMap.Resize(83);
    RemoveAllTimers();
    m_name = name;
    if (hwnd != m_hwnd) {
        m_hwnd = hwnd;
        m_paintDc.reset(hwnd ? new UiWindowDc(hwnd) : nullptr);
        PaintManagerShared& shared = Shared();
        if (shared.managers.Find(this) < 0) shared.managers.Add(this);
        // Layered mode asked for before the window existed takes effect now.
        if (m_layeredRequested && !m_layered) SetLayered(true);
    }
}

HDC CPaintManagerUI::GetPaintDC() const { return m_paintDc ? m_paintDc->Get() : nullptr; }

SIZE CPaintManagerUI::GetClientSize() const {
    RECT client{};
    if (m_hwnd) ::GetClientRect(m_hwnd, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

// ---- process-wide settings ----

// The skin storage reads program resources from the effective resource
// instance, so every change is passed on.
void CPaintManagerUI::SetInstance(HINSTANCE instance) {
    Shared().instance = instance;
    CSkinStorage::SetResourceInstance(GetResourceInstance());
}

HINSTANCE CPaintManagerUI::GetInstance() { return Shared().instance; }

void CPaintManagerUI::SetResourceInstance(HINSTANCE instance) {
    Shared().resourceInstance = instance;
    CSkinStorage::SetResourceInstance(GetResourceInstance());
}

HINSTANCE CPaintManagerUI::GetResourceInstance() {
    const PaintManagerShared& shared = Shared();
    return shared.resourceInstance ? shared.resourceInstance : shared.instance;
}

UiString CPaintManagerUI::GetInstancePath() {
    HINSTANCE instance = Shared().instance;
    if (!instance) return UiString();
    wchar_t path[MAX_PATH + 1]{};
    const DWORD length = ::GetModuleFileNameW(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return UiString();
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash) return UiString();
    slash[1] = L'\0';
    return UiString(path);
}

void CPaintManagerUI::SetHSL(short hue, short saturation, short lightness) {
    PaintManagerShared& shared = Shared();
    shared.hue = hue;
    shared.saturation = saturation;
    shared.lightness = lightness;
}

void CPaintManagerUI::GetHSL(short* hue, short* saturation, short* lightness) {
    const PaintManagerShared& shared = Shared();
    if (hue) *hue = shared.hue;
    if (saturation) *saturation = shared.saturation;
    if (lightness) *lightness = shared.lightness;
}

DWORD CPaintManagerUI::AdjustColor(DWORD argb) {
    const PaintManagerShared& shared = Shared();
    return AdjustColorHsl(argb, shared.hue, shared.saturation, shared.lightness);
}

int CPaintManagerUI::GetPaintManagerCount() { return Shared().managers.GetSize(); }

CPaintManagerUI* CPaintManagerUI::GetPaintManager(int index) {
    return static_cast<CPaintManagerUI*>(Shared().managers.GetAt(index));
}

void CPaintManagerUI::SetDefaultColor(int index, DWORD color, bool shared) {
    if (shared) {
        // Windows that still use the shared colour follow it.
        PaintManagerShared& state = Shared();
        if (m_colors[index] == state.colors[index]) m_colors[index] = color;
        state.colors[index] = color;
    } else {
        m_colors[index] = color;
    }
}

// ---- message loop and pre-translation ----

int CPaintManagerUI::MessageLoop() {
    MSG msg{};
    // GetMessage answers -1 on failure: that ends the loop as well.
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        try {
            ::DispatchMessageW(&msg);
        } catch (...) {
            // A fault in one handler must not end the program's loop.
        }
    }
    return static_cast<int>(msg.wParam);
}

bool CPaintManagerUI::TranslateMessage(const MSG* msg) {
    if (!msg || !msg->hwnd) return false;
    // Handlers may destroy windows and their managers: work on a copy of the
    // list and check that a manager is still alive before calling it.
    const UiPtrArray managers(Shared().managers);
    const bool child = (::GetWindowLongW(msg->hwnd, GWL_STYLE) & WS_CHILD) != 0;
    for (int i = 0; i < managers.GetSize(); ++i) {
        auto* manager = static_cast<CPaintManagerUI*>(managers[i]);
        if (Shared().managers.Find(manager) < 0) continue;
        HWND window = manager->GetPaintWindow();
        bool ours = msg->hwnd == window;
        if (child && !ours && window) ours = ::IsChild(window, msg->hwnd) != FALSE;
        if (!ours) continue;
        MSG copy = *msg;
        if (manager->TranslateAccelerator(&copy)) return true;
        LRESULT result = 0;
        if (manager->PreMessageHandler(copy.message, copy.wParam, copy.lParam, result)) return true;
        if (!child) return false;
    }
    return false;
}

void CPaintManagerUI::SetAllDPI(int dpi) {
    const UiPtrArray managers(Shared().managers);
    for (int i = 0; i < managers.GetSize(); ++i) static_cast<CPaintManagerUI*>(managers[i])->SetDPI(dpi);
}

// ---- tree ----

namespace {

CControlUI* FindControlFromNameHash(CControlUI* control, void* data) {
    auto* map = static_cast<UiStringPtrMap*>(data);
    const UiString name = control->GetName();
    if (!name.IsEmpty()) map->Insert(name, control);  // the first control of a name keeps it
    return nullptr;
}

CControlUI* FindControlFromPoint(CControlUI* control, void* data) {
    return PtInRect(&control->GetPos(), *static_cast<const POINT*>(data)) ? control : nullptr;
}

}  // namespace

bool CPaintManagerUI::AttachTree(CControlUI* root) {
    if (!root) return false;
    if (m_shadow && m_shadow->IsShowShadow()) m_shadow->Create(this);
    m_focus = nullptr;
    m_key = nullptr;
    m_hover = nullptr;
    m_click = nullptr;
    m_focusTarget = nullptr;
    if (m_root && m_root != root) AddDelayedCleanup(m_root);
    m_root = root;
    m_updateNeeded = true;
    m_firstLayout = true;
    m_focusNeeded = true;
    SetDPI(CDpiScaler::GetProcessDpi());
    const bool initialised = InitControls(root);
    // A tree attached to a window that is already painted needs a paint too.
    Invalidate();
    return initialised;
}

bool CPaintManagerUI::InitControls(CControlUI* control, CControlUI* parent) {
    if (!control) return false;
    control->SetManager(this, parent ? parent : control->GetParent(), true);
    control->FindControl(FindControlFromNameHash, &m_nameMap, FINDF_ALL);
    return true;
}

void CPaintManagerUI::ReapControl(CControlUI* control) {
    if (!control) return;
    if (control == m_key) m_key = nullptr;
    if (control == m_hover) m_hover = nullptr;
    if (control == m_click) m_click = nullptr;
    if (control == m_focus) m_focus = nullptr;
    if (control == m_focusTarget) m_focusTarget = nullptr;
    KillTimer(control);
    const UiString name = control->GetName();
    if (!name.IsEmpty() && m_nameMap.Find(name, false) == control) m_nameMap.Remove(name);
    for (UiPtrArray* queue : {&m_asyncQueue, &m_asyncDelivering}) {
        for (int i = 0; i < queue->GetSize(); ++i) {
            auto* msg = static_cast<TUiNotify*>((*queue)[i]);
            if (msg->sender == control) msg->sender = nullptr;
        }
    }
    // Lists that would otherwise keep a dangling pointer.
    int index = m_mouseLeaveNeeded.Find(control);
    if (index >= 0) m_mouseLeaveNeeded.Remove(index);
    index = m_postPaintControls.Find(control);
    if (index >= 0) m_postPaintControls.Remove(index);
    while ((index = m_nativeWindowControls.Find(control)) >= 0) {
        m_nativeWindowControls.Remove(index);
        m_nativeWindows.Remove(index);
    }
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* control) {
    if (!control || m_delayedCleanup.Find(control) >= 0) return;
    control->SetManager(this, nullptr, false);
    m_delayedCleanup.Add(control);
    PostAsyncNotify();
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
    if (!m_root) return nullptr;
    return m_root->FindControl(FindControlFromPoint, &pt, FINDF_VISIBLE | FINDF_HITTEST | FINDF_TOPFIRST);
}

CControlUI* CPaintManagerUI::FindControl(const wchar_t* name) const {
    if (!name || !*name) return nullptr;
    return static_cast<CControlUI*>(m_nameMap.Find(name));
}

void CPaintManagerUI::Invalidate() {
    if (!m_hwnd) return;
    RECT client{};
    ::GetClientRect(m_hwnd, &client);
    Invalidate(client);
}

void CPaintManagerUI::Invalidate(const RECT& rect) {
    const RECT clamped = ClampUpdateRect(rect);
    ::UnionRect(&m_layeredUpdate, &m_layeredUpdate, &clamped);
    if (m_hwnd) ::InvalidateRect(m_hwnd, &clamped, FALSE);
}

RECT ClampUpdateRect(const RECT& rect) {
    RECT clamped = rect;
    if (clamped.left < 0) clamped.left = 0;
    if (clamped.top < 0) clamped.top = 0;
    if (clamped.right < clamped.left) clamped.right = clamped.left;
    if (clamped.bottom < clamped.top) clamped.bottom = clamped.top;
    return clamped;
}

// ---- window settings ----

SIZE CPaintManagerUI::GetInitSize() const { return m_dpi.Scale(m_initSize); }

void CPaintManagerUI::SetInitSize(int cx, int cy) {
    m_initSize = SIZE{cx, cy};
    if (!m_hwnd) return;
    const SIZE size = GetInitSize();
    ::SetWindowPos(m_hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

RECT CPaintManagerUI::GetSizeBox() const {
    return RECT{m_dpi.Scale(m_sizeBox.left), m_dpi.Scale(m_sizeBox.top), m_dpi.Scale(m_sizeBox.right),
                m_dpi.Scale(m_sizeBox.bottom)};
}

void CPaintManagerUI::SetSizeBox(const RECT& box) { m_sizeBox = box; }

RECT CPaintManagerUI::GetCaptionRect() const {
    // Left and right are insets and top/bottom absolute positions; a negative
    // bottom (the whole client height) stays negative.
    return RECT{m_dpi.Scale(m_caption.left), m_dpi.Scale(m_caption.top), m_dpi.Scale(m_caption.right),
                m_dpi.Scale(m_caption.bottom)};
}

void CPaintManagerUI::SetCaptionRect(const RECT& caption) { m_caption = caption; }

SIZE CPaintManagerUI::GetRoundCorner() const { return m_dpi.Scale(m_roundCorner); }

void CPaintManagerUI::SetRoundCorner(int cx, int cy) { m_roundCorner = SIZE{cx, cy}; }

SIZE CPaintManagerUI::GetMinInfo() const { return m_dpi.Scale(m_minInfo); }

void CPaintManagerUI::SetMinInfo(int cx, int cy) { m_minInfo = SIZE{cx, cy}; }

SIZE CPaintManagerUI::GetMaxInfo() const { return m_dpi.Scale(m_maxInfo); }

void CPaintManagerUI::SetMaxInfo(int cx, int cy) { m_maxInfo = SIZE{cx, cy}; }

namespace {

template <typename Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"User32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

}  // namespace

void CPaintManagerUI::SetOpacity(BYTE opacity) {
    m_opacity = opacity;
    if (!m_hwnd) return;
    using SetLayeredAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    static const auto setAttributes = User32Function<SetLayeredAttributesFn>("SetLayeredWindowAttributes");
    if (!setAttributes) return;
    const LONG exStyle = ::GetWindowLongW(m_hwnd, GWL_EXSTYLE);
    if ((exStyle & WS_EX_LAYERED) == 0) ::SetWindowLongW(m_hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    setAttributes(m_hwnd, 0, opacity, LWA_ALPHA);
}

void CPaintManagerUI::SetLayered(bool layered) {
    m_layeredRequested = layered;
    if (!m_hwnd || layered == m_layered) return;
    if ((::GetWindowLongW(m_hwnd, GWL_STYLE) & WS_CHILD) != 0) return;
    using UpdateLayeredFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
    static const auto updateLayered = User32Function<UpdateLayeredFn>("UpdateLayeredWindow");
    if (!updateLayered) return;
    m_layered = layered;
    if (m_root) m_root->NeedUpdate();
    Invalidate();
}

void CPaintManagerUI::SetUseGdiplusText(bool use) {
    if (use == m_gdiplusText) return;
    m_gdiplusText = use;
    Invalidate();
}

void CPaintManagerUI::SetGdiplusTextRenderingHint(int hint) {
    if (hint == m_textRenderingHint) return;
    m_textRenderingHint = hint;
    Invalidate();
}

void CPaintManagerUI::SetLayeredInset(const RECT& inset) {
    m_layeredInset = inset;
    m_layeredChanged = true;
    Invalidate();
}

void CPaintManagerUI::SetLayeredImage(const wchar_t* image) {
    m_layeredImage = image;
    m_layeredChanged = true;
    Invalidate();
}

void CPaintManagerUI::SetShadow(std::unique_ptr<IWindowShadow> shadow) { m_shadow = std::move(shadow); }

// ---- listeners ----

namespace {

bool AddUnique(UiPtrArray& list, void* item) { return item && list.Find(item) < 0 && list.Add(item); }

bool RemoveItem(UiPtrArray& list, void* item) {
    const int index = list.Find(item);
    return index >= 0 && list.Remove(index);
}

}  // namespace

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) { return AddUnique(m_notifiers, notifier); }
bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) { return RemoveItem(m_notifiers, notifier); }
bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) { return AddUnique(m_preMessageFilters, filter); }
bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
    return RemoveItem(m_preMessageFilters, filter);
}
bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) { return AddUnique(m_messageFilters, filter); }
bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) { return RemoveItem(m_messageFilters, filter); }
bool CPaintManagerUI::AddTranslateAccelerator(ITranslateAccelerator* translator) {
    return AddUnique(m_translators, translator);
}
bool CPaintManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* translator) {
    return RemoveItem(m_translators, translator);
}
bool CPaintManagerUI::AddPostPaint(CControlUI* control) { return AddUnique(m_postPaintControls, control); }
bool CPaintManagerUI::RemovePostPaint(CControlUI* control) { return RemoveItem(m_postPaintControls, control); }
bool CPaintManagerUI::AddMouseLeaveNeeded(CControlUI* control) { return AddUnique(m_mouseLeaveNeeded, control); }
bool CPaintManagerUI::RemoveMouseLeaveNeeded(CControlUI* control) { return RemoveItem(m_mouseLeaveNeeded, control); }

bool CPaintManagerUI::TranslateAccelerator(MSG* msg) {
    for (int i = 0; i < m_translators.GetSize(); ++i) {
        if (static_cast<ITranslateAccelerator*>(m_translators[i])->TranslateAccelerator(msg) == S_OK) return true;
    }
    return false;
}

bool CPaintManagerUI::AddNativeWindow(CControlUI* control, HWND hwnd) {
    if (!control || !hwnd || m_nativeWindows.Find(hwnd) >= 0) return false;
    if (!m_nativeWindows.Add(hwnd)) return false;
    if (!m_nativeWindowControls.Add(control)) {
        m_nativeWindows.Remove(m_nativeWindows.GetSize() - 1);
        return false;
    }
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    if (m_hwnd) ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rect), 2);
    Invalidate(rect);
    return true;
}

bool CPaintManagerUI::RemoveNativeWindow(HWND hwnd) {
    const int index = m_nativeWindows.Find(hwnd);
    if (index < 0) return false;
    m_nativeWindows.Remove(index);
    m_nativeWindowControls.Remove(index);
    return true;
}

}  // namespace Veneer
