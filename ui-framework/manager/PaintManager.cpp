// Construction, destruction, process-wide settings, the message loop and the
// pre-translation of queued messages.
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
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
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() {
    InitialiseShared();
    for (int i = 0; i < 5; ++i) m_colors[i] = Shared().colors[i];

    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok) m_gdiplusToken = 0;
}

CPaintManagerUI::~CPaintManagerUI() {
    *m_alive = false;
    PaintManagerShared& shared = Shared();
    const int index = shared.managers.Find(this);
    if (index >= 0) shared.managers.Remove(index);

    // Controls waiting for clean-up and the tree go first: their destructors
    // reap themselves from this manager.
    m_delayedCleanup.clear();
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
    m_offscreen.Reset();
    m_mask.Reset();
    m_paintDc.reset();

    m_libraryFonts.Clear();
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
}

void CPaintManagerUI::Init(HWND hwnd, const wchar_t* name) {
    m_nameMap.Resize(83);
    RemoveAllTimers();
    // A manager initialised again starts from empty window tables: the new
    // window's skin brings its own fonts, images, defaults and styles.
    FreeWindowFonts();
    FreeWindowImages();
    RemoveAllDrawInfos();
    FreeWindowAttributeTables();
    RemoveAllWindowCustomAttribute();
    RemoveAllOptionGroups();
    m_name = name;
    if (hwnd != m_hwnd) {
        m_hwnd = hwnd;
        m_paintDc.reset(hwnd ? new UiWindowDc(hwnd) : nullptr);
        PaintManagerShared& shared = Shared();
        if (shared.managers.Find(this) < 0) shared.managers.Add(this);
        // Layered mode asked for before the window existed takes effect now.
        if (m_layeredRequested && !m_layered) SetLayered(true);
        // A window opened from the keyboard (a question after Escape) shows
        // its focus at once, as its owner does.
        HWND owner = hwnd ? ::GetWindow(hwnd, GW_OWNER) : nullptr;
        for (int i = 0; owner && i < shared.managers.GetSize(); ++i) {
            const auto* other = static_cast<const CPaintManagerUI*>(shared.managers[i]);
            if (other->m_hwnd == owner) m_focusRingShown = other->m_focusRingShown;
        }
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
        // Handlers' exceptions end at the window procedures (GuardWindowProc):
        // unwinding cannot cross the system's frames back to this loop.
        ::DispatchMessageW(&msg);
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
    if (m_root && m_root != root) {
        AddDelayedCleanup(m_root);
        // The old tree's names would shadow the new tree's.
        m_nameMap.RemoveAll();
    }
    m_root = root;
    m_updateNeeded = true;
    m_firstLayout = true;
    m_focusNeeded = true;
    SetDPI(CDpiScaler::GetWindowDpi(m_hwnd));
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
    if (control) m_registry.Forget(control);
}

void CPaintManagerUI::ForgetSender(CControlUI* control) {
    for (auto& msg : m_asyncQueue) {
        if (msg->sender == control) msg->sender = nullptr;
    }
    for (TUiNotify* msg : m_delivering) {
        if (msg->sender == control) msg->sender = nullptr;
    }
}

void CPaintManagerUI::ForgetName(CControlUI* control) {
    const UiString name = control->GetName();
    if (!name.IsEmpty() && m_nameMap.Find(name, false) == control) m_nameMap.Remove(name);
}

void CPaintManagerUI::ForgetNativeWindows(CControlUI* control) {
    m_nativeWindows.erase(std::remove_if(m_nativeWindows.begin(), m_nativeWindows.end(),
                                         [control](const NativeWindow& entry) { return entry.control == control; }),
                          m_nativeWindows.end());
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* control) {
    if (!control) return;
    for (const auto& pending : m_delayedCleanup) {
        if (pending.get() == control) return;
    }
    control->SetManager(this, nullptr, false);
    m_delayedCleanup.emplace_back(control);
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
    // Nothing to repaint: a control not laid out yet (every control while a
    // skin is built) would otherwise cost a call to the window system.
    if (clamped.right <= clamped.left || clamped.bottom <= clamped.top) return;
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
    // A window presented with UpdateLayeredWindow takes the opacity as its
    // constant alpha there: layered attributes would make every later update
    // fail.
    if (m_layered || m_layeredRequested) {
        Invalidate();
        return;
    }
    using SetLayeredAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    static const auto setAttributes = User32Function<SetLayeredAttributesFn>("SetLayeredWindowAttributes");
    if (!setAttributes) return;
    const LONG exStyle = ::GetWindowLongW(m_hwnd, GWL_EXSTYLE);
    if ((exStyle & WS_EX_LAYERED) == 0) ::SetWindowLongW(m_hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    m_layeredAttributes = setAttributes(m_hwnd, 0, opacity, LWA_ALPHA) != FALSE;
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

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) { return m_notifiers.Add(notifier); }
bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) { return m_notifiers.Remove(notifier); }
bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) { return m_preMessageFilters.Add(filter); }
bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) { return m_preMessageFilters.Remove(filter); }
bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) { return m_messageFilters.Add(filter); }
bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) { return m_messageFilters.Remove(filter); }
bool CPaintManagerUI::AddTranslateAccelerator(ITranslateAccelerator* translator) {
    return m_translators.Add(translator);
}
bool CPaintManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* translator) {
    return m_translators.Remove(translator);
}
bool CPaintManagerUI::AddPostPaint(CControlUI* control) { return m_postPaintControls.Add(control); }
bool CPaintManagerUI::RemovePostPaint(CControlUI* control) { return m_postPaintControls.Remove(control); }
bool CPaintManagerUI::AddMouseLeaveNeeded(CControlUI* control) { return m_mouseLeaveNeeded.Add(control); }
bool CPaintManagerUI::RemoveMouseLeaveNeeded(CControlUI* control) { return m_mouseLeaveNeeded.Remove(control); }

bool CPaintManagerUI::TranslateAccelerator(MSG* msg) {
    // A translator may close the window: the walk reports that as handled.
    return m_translators.ForEach([msg](ITranslateAccelerator* translator) {
        return translator->TranslateAccelerator(msg) == S_OK;
    }) != UiWalk::Completed;
}

bool CPaintManagerUI::AddNativeWindow(CControlUI* control, HWND hwnd) {
    if (!control || !hwnd) return false;
    for (const NativeWindow& entry : m_nativeWindows) {
        if (entry.hwnd == hwnd) return false;
    }
    m_nativeWindows.push_back(NativeWindow{hwnd, control});
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    if (m_hwnd) ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rect), 2);
    Invalidate(rect);
    return true;
}

bool CPaintManagerUI::RemoveNativeWindow(HWND hwnd) {
    for (auto it = m_nativeWindows.begin(); it != m_nativeWindows.end(); ++it) {
        if (it->hwnd != hwnd) continue;
        m_nativeWindows.erase(it);
        return true;
    }
    return false;
}

}  // namespace Veneer
