#pragma once
// The per-window engine of the framework: owns a window's control tree, turns
// window messages into control events and notifications, paints the tree
// through an off-screen bitmap (per-pixel alpha for layered windows), runs the
// controls' timers, keeps focus, hover, capture and tooltips, and holds the
// window's fonts, images, default attribute lists and styles. Process-wide
// settings and shared tables live here as static operations.
//
// Units: sizes handed to the manager from the skin (fonts, window size, caption,
// size box, round corners, min/max size) are design units (pixels at 96 DPI)
// and are read back scaled by the window's DPI scaler; rectangles of controls,
// the update area and mouse points are window pixels.
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <memory>
#include <vector>

#include "core/CSkinStorage.h"
#include "core/UiHandle.h"
#include "core/UiRect.h"
#include "core/UiSafeList.h"
#include "core/UiString.h"
#include "core/UiOwningMap.h"
#include "core/UiStringPtrMap.h"
#include "core/CDpiScaler.h"
#include "manager/IUiAccessibilityEvents.h"
#include "manager/UiControlRegistry.h"
#include "manager/UiEvents.h"
#include "render/IRenderContext.h"
#include "render/TImageInfo.h"
#include "render/TImageSpec.h"
#include "render/UiDibSurface.h"
#include "render/UiLibraryFontCache.h"

namespace Veneer {

class CControlUI;

// One font of a font table. `size` is in design units; the font's height is
// -Scale(size) pixels at the window's DPI.
struct TFontInfo {
    UiFont font;
    UiString faceName;
    int size = 0;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    TEXTMETRICW metrics{};  // measured lazily while tmHeight is 0
};

// The application message that delivers queued notifications and runs the
// delayed clean-up.
constexpr UINT kAsyncNotifyMessage = WM_APP + 1;
// Posted to the window after its DPI changed.
constexpr UINT kDpiChangedMessage = WM_USER + 2;
// WM_DPICHANGED (Windows 8.1), named here for older headers.
constexpr UINT kWmDpiChanged = 0x02E0;
constexpr UINT kWmGetDpiScaledSize = 0x02E4;
// Messages from native child windows are reflected to them at this offset.
constexpr UINT kReflectedMessageBase = 0x2000;

// A window destroyed with its owner object.
struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle hwnd) { ::DestroyWindow(hwnd); }
};

// Runs the body of a window procedure. An exception thrown by a handler ends
// here, and the message gets the default processing: unwinding cannot cross
// the system's frames between the procedure and the message loop.
template <typename Body>
LRESULT GuardWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

class CPaintManagerUI : public IRenderContext {
public:
    CPaintManagerUI();
    virtual ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // ---- process-wide settings ----
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();
    static void SetResourceInstance(HINSTANCE instance);
    static HINSTANCE GetResourceInstance();  // falls back to the program instance
    static UiString GetInstancePath();       // folder of the program file with "\"; empty without instance

    static void SetResourceType(ResourceType type);
    static ResourceType GetResourceType();
    static void SetResourcePath(const wchar_t* path);
    static const UiString& GetResourcePath();
    static void SetResourceZip(const wchar_t* name, bool cached = false, const wchar_t* password = nullptr);
    static void SetResourceZip(const void* bytes, unsigned int length, const wchar_t* password = nullptr);
    static const UiString& GetResourceZip();
    static bool IsCachedResourceZip();
    static void* GetResourceZipHandle();
    static const UiString& GetResourceZipPassword();

    // Process-wide hue (0..360, neutral 180), saturation and lightness (0..200,
    // neutral 100) applied to colour-adjusted images and colours.
    static void SetHSL(short hue, short saturation, short lightness);
    static void GetHSL(short* hue, short* saturation, short* lightness);
    // An ARGB colour under the process-wide adjustment; alpha is kept.
    static DWORD AdjustColor(DWORD argb);
    // High contrast: text and the focus ring take system colours. Follows the
    // system setting unless forced (tests, a user's choice).
    enum class HighContrast { FollowSystem, On, Off };
    static void SetHighContrast(HighContrast mode);
    static bool IsHighContrast();
    // The system's settings or colours changed (the user may switch high
    // contrast while a window is open): read them again at the next paint.
    static void ForgetSystemColors();
    // The system colour `index` as 0xAARRGGBB, opaque.
    static DWORD SystemColor(int index);

    // Runs the message loop until WM_QUIT; returns the quit code.
    static int MessageLoop();
    // Offers a queued message to the paint managers of its window (and, for a
    // child window, of its ancestors). True when consumed.
    static bool TranslateMessage(const MSG* msg);
    // Releases the resource index, the shared tables and the cached archive.
    static void Term();

    static int GetPaintManagerCount();
    static CPaintManagerUI* GetPaintManager(int index);
    static void SetAllDPI(int dpi);

    // ---- per window ----
    void Init(HWND hwnd, const wchar_t* name = nullptr);
    const UiString& GetName() const { return m_name; }
    HWND GetPaintWindow() const { return m_hwnd; }
    HDC GetPaintDC() const override;
    HWND GetTooltipWindow() const { return m_tooltip.Get(); }
    POINT GetMousePos() const { return m_lastMouse; }
    SIZE GetClientSize() const;
    bool IsPainting() const { return m_painting; }

    // Window settings; sizes in design units, getters scaled.
    SIZE GetInitSize() const;
    void SetInitSize(int cx, int cy);  // resizes the window without moving it
    RECT GetSizeBox() const;
    void SetSizeBox(const RECT& box);
    RECT GetCaptionRect() const;
    void SetCaptionRect(const RECT& caption);
    SIZE GetRoundCorner() const;
    void SetRoundCorner(int cx, int cy);
    SIZE GetMinInfo() const;
    void SetMinInfo(int cx, int cy);
    SIZE GetMaxInfo() const;
    void SetMaxInfo(int cx, int cy);
    BYTE GetOpacity() const { return m_opacity; }
    void SetOpacity(BYTE opacity);
    bool IsLayered() const override { return m_layered; }
    void SetLayered(bool layered);
    RECT GetLayeredInset() const { return m_layeredInset; }  // pixels
    void SetLayeredInset(const RECT& inset);
    const UiString& GetLayeredImage() const { return m_layeredImage; }
    void SetLayeredImage(const wchar_t* image);
    bool IsShowUpdateRect() const { return m_showUpdateRect; }
    void SetShowUpdateRect(bool show) { m_showUpdateRect = show; }
    bool IsNoActivate() const { return m_noActivate; }
    void SetNoActivate(bool noActivate) { m_noActivate = noActivate; }
    int GetHoverTime() const { return m_hoverTime; }  // ms
    void SetHoverTime(int ms) { m_hoverTime = ms; }
    // Text through GDI+ (anti-aliased, with a rendering hint) instead of the
    // system's DrawTextW; layered windows always use GDI+.
    bool IsUseGdiplusText() const override { return m_gdiplusText; }
    void SetUseGdiplusText(bool use);
    // Gdiplus::TextRenderingHint 0 (system default) .. 5 (ClearType grid fit).
    int GetGdiplusTextRenderingHint() const override { return m_textRenderingHint; }
    void SetGdiplusTextRenderingHint(int hint);
    UiLibraryFontCache& GetLibraryFontCache() override { return m_libraryFonts; }
    bool IsForceUseSharedRes() const { return m_forceShared; }
    void SetForceUseSharedRes(bool force) { m_forceShared = force; }

    // Default colours (ARGB), copied from the process defaults at construction.
    DWORD GetDefaultDisabledColor() const { return m_colors[0]; }
    void SetDefaultDisabledColor(DWORD color, bool shared = false) { SetDefaultColor(0, color, shared); }
    DWORD GetDefaultFontColor() const { return m_colors[1]; }
    void SetDefaultFontColor(DWORD color, bool shared = false) { SetDefaultColor(1, color, shared); }
    DWORD GetDefaultLinkFontColor() const { return m_colors[2]; }
    void SetDefaultLinkFontColor(DWORD color, bool shared = false) { SetDefaultColor(2, color, shared); }
    DWORD GetDefaultLinkHoverFontColor() const { return m_colors[3]; }
    void SetDefaultLinkHoverFontColor(DWORD color, bool shared = false) { SetDefaultColor(3, color, shared); }
    DWORD GetDefaultSelectedBkColor() const { return m_colors[4]; }
    void SetDefaultSelectedBkColor(DWORD color, bool shared = false) { SetDefaultColor(4, color, shared); }

    // ---- control tree ----
    bool AttachTree(CControlUI* root);
    CControlUI* GetRoot() const { return m_root; }
    bool InitControls(CControlUI* control, CControlUI* parent = nullptr);
    // Forgets every reference to a control that is going away.
    void ReapControl(CControlUI* control);
    void AddDelayedCleanup(CControlUI* control);
    CControlUI* FindControl(POINT pt) const;
    CControlUI* FindControl(const wchar_t* name) const;
    void NeedUpdate() { m_updateNeeded = true; }
    bool IsUpdateNeeded() const { return m_updateNeeded; }
    void Invalidate();
    void Invalidate(const RECT& rect);

    // ---- listeners ----
    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    bool AddPreMessageFilter(IMessageFilterUI* filter);
    bool RemovePreMessageFilter(IMessageFilterUI* filter);
    bool AddMessageFilter(IMessageFilterUI* filter);
    bool RemoveMessageFilter(IMessageFilterUI* filter);
    bool AddTranslateAccelerator(ITranslateAccelerator* translator);
    bool RemoveTranslateAccelerator(ITranslateAccelerator* translator);
    bool TranslateAccelerator(MSG* msg);
    bool AddPostPaint(CControlUI* control);
    bool RemovePostPaint(CControlUI* control);
    int GetPostPaintCount() const { return m_postPaintControls.GetSize(); }
    bool AddNativeWindow(CControlUI* control, HWND hwnd);
    bool RemoveNativeWindow(HWND hwnd);
    // Controls told of every hover change (they get a leave event).
    bool AddMouseLeaveNeeded(CControlUI* control);
    bool RemoveMouseLeaveNeeded(CControlUI* control);

    // ---- option groups and custom window attributes ----
    bool AddOptionGroup(const wchar_t* group, CControlUI* control);
    // The members of `group` in the order they joined; null for an unknown
    // group. A destroyed option leaves its group by itself.
    const UiControlList* GetOptionGroup(const wchar_t* group) const;
    void RemoveOptionGroup(const wchar_t* group, CControlUI* control);
    void RemoveAllOptionGroups();
    void AddWindowCustomAttribute(const wchar_t* name, const wchar_t* value);
    const wchar_t* GetWindowCustomAttribute(const wchar_t* name) const;
    bool RemoveWindowCustomAttribute(const wchar_t* name);
    void RemoveAllWindowCustomAttribute();

    // ---- notifications ----
    void SendNotify(TUiNotify& msg, bool async = false);
    void SendNotify(CControlUI* sender, const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0,
                    bool async = false);
    void SetUsedVirtualWnd(bool used) { m_usedVirtualWnd = used; }
    bool IsUsedVirtualWnd() const { return m_usedVirtualWnd; }

    // ---- focus, capture, timers ----
    CControlUI* GetFocus() const { return m_focus; }
    void SetFocus(CControlUI* control);
    void SetFocusNeeded(CControlUI* control);
    bool SetNextTabControl(bool forward = true);
    // Focus goes to `control` at the next paint, without taking the window's
    // keyboard focus (a page shown while another program is in front must
    // not activate this window).
    void SetFocusTarget(CControlUI* control);
    // The focus ring follows the focus control once the keyboard has been
    // used in this window (or always, when the system asks for keyboard
    // cues) and hides again at the next mouse click.
    bool IsFocusRingShown() const { return m_focusRingShown; }
    void ShowFocusRing(bool show);
    // The ring's outer rectangle around `control` (window pixels).
    RECT GetFocusRingRect(const CControlUI* control) const;
    void SetCapture();
    void ReleaseCapture();
    bool IsCaptured() const { return m_mouseCapture; }
    bool SetTimer(CControlUI* control, UINT key, UINT elapse);
    bool KillTimer(CControlUI* control, UINT key);
    void KillTimer(CControlUI* control);
    void RemoveAllTimers();

    // ---- fonts (sizes in design units) ----
    HFONT AddFont(int id, const wchar_t* faceName, int size, bool bold, bool underline, bool italic,
                  bool shared = false);
    HFONT GetFont(int id) override;
    TFontInfo* GetFontInfo(int id);
    bool RemoveFont(int id, bool shared = false);
    void RemoveAllFonts(bool shared = false);
    void SetDefaultFont(const wchar_t* faceName, int size, bool bold, bool underline, bool italic,
                        bool shared = false);
    TFontInfo* GetDefaultFontInfo();

    // ---- images and parsed image descriptors ----
    const TImageInfo* GetImage(const wchar_t* name) const;
    const TImageInfo* GetImageEx(const wchar_t* name, const wchar_t* type = nullptr, DWORD mask = 0,
                                 bool adjustColors = false, HINSTANCE instance = nullptr) override;
    const TImageInfo* AddImage(const wchar_t* name, const wchar_t* type = nullptr, DWORD mask = 0,
                               bool adjustColors = false, bool shared = false, HINSTANCE instance = nullptr);
    // Takes ownership of `bitmap` only when the name is new (returns null otherwise).
    const TImageInfo* AddImage(const wchar_t* name, HBITMAP bitmap, int width, int height, bool hasAlpha,
                               bool shared = false);
    bool RemoveImage(const wchar_t* name, bool shared = false);
    void RemoveAllImages(bool shared = false);
    // While one lives, the images drawn belong to `page` (a tab's selected
    // page) unless something else draws them too. Null `page`: unchanged.
    class ImagePageScope {
    public:
        ImagePageScope(CPaintManagerUI* manager, const void* page);
        ~ImagePageScope();
        ImagePageScope(const ImagePageScope&) = delete;
        ImagePageScope& operator=(const ImagePageScope&) = delete;

    private:
        CPaintManagerUI* m_manager = nullptr;
        const void* m_saved = nullptr;
    };
    // Frees the decoded images only `page` has drawn: a hidden page keeps no
    // pixels. They load again when drawn; one drawn again by another page is
    // shared from then on and stays.
    void ReleasePageImages(const void* page);
    const TImageSpec* GetDrawInfo(const wchar_t* descriptor, const wchar_t* modifier = nullptr) override;
    void RemoveAllDrawInfos();
    // Lookups of GetDrawInfo since construction (or the last reset) that found
    // a parsed descriptor, and those that had to parse one.
    struct DrawInfoStats {
        unsigned long long hits = 0;
        unsigned long long misses = 0;
    };
    DrawInfoStats GetDrawInfoStats() const { return m_drawInfoStats; }
    void ResetDrawInfoStats() { m_drawInfoStats = DrawInfoStats{}; }

    // ---- default attribute lists and styles ----
    void AddDefaultAttributeList(const wchar_t* className, const wchar_t* list, bool shared = false);
    const wchar_t* GetDefaultAttributeList(const wchar_t* className) const;
    bool RemoveDefaultAttributeList(const wchar_t* className, bool shared = false);
    void RemoveAllDefaultAttributeList(bool shared = false);
    void AddStyle(const wchar_t* name, const wchar_t* text, bool shared = false);
    const wchar_t* GetStyle(const wchar_t* name) const;
    bool RemoveStyle(const wchar_t* name, bool shared = false);
    void RemoveAllStyle(bool shared = false);

    // ---- DPI ----
    CDpiScaler* GetDPIObj() { return &m_dpi; }
    const CDpiScaler* GetDPIObj() const { return &m_dpi; }
    void SetDPI(int dpi);

    // ---- window shadow ----
    void SetShadow(std::unique_ptr<IWindowShadow> shadow);
    IWindowShadow* GetShadow() const { return m_shadow.get(); }

    // ---- accessibility: one listener (or none) hears the changes a reader needs ----
    void SetAccessibilityEvents(IUiAccessibilityEvents* events) { m_accessibilityEvents = events; }
    void RaiseAccessibleEvent(UiAccessibleEvent event, CControlUI* control) {
        if (m_accessibilityEvents) m_accessibilityEvents->OnAccessibleEvent(event, control);
    }

    // ---- message handling ----
    bool MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool PreMessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    struct TimerInfo {
        CControlUI* control;
        UINT key;       // the control's own timer id
        HWND hwnd;
        UINT systemId;  // id given to ::SetTimer
        bool killed;
    };
    struct TabSearch;

    void SetDefaultColor(int index, DWORD color, bool shared);
    TUiEvent MakeEvent(UiEventKind kind, CControlUI* target, WPARAM wParam, LPARAM lParam) const;
    void SendEvent(CControlUI* target, UiEventKind kind, WPARAM wParam, LPARAM lParam);
    void StoreMousePointForFilteredMessage(UINT msg, LPARAM lParam);
    // False when a listener destroyed this manager: touch nothing then.
    bool DeliverNotify(TUiNotify& msg);
    void ForgetNativeWindows(CControlUI* control);
    void ForgetSender(CControlUI* control);
    void ForgetName(CControlUI* control);
    bool PostAsyncNotify();
    void ProcessAsync();
    void FreeAsyncQueue();

    // Message handler parts.
    bool OnPaint();
    void OnPrintClient(HDC dc, LPARAM flags);
    void OnMouseMove(WPARAM wParam, LPARAM lParam);
    void OnMouseHover(WPARAM wParam, LPARAM lParam);
    void OnMouseLeave();
    void OnButtonDown(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnButtonUp(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnContextMenu(WPARAM wParam, LPARAM lParam);
    void OnMouseWheel(WPARAM wParam, LPARAM lParam);
    bool OnSetCursor(WPARAM wParam, LPARAM lParam);
    void OnClose();
    bool OnTimer(WPARAM wParam, LPARAM lParam);
    void HideTooltip();

    // Painting parts.
    void LayoutPass(bool& laidOut, bool& endPaint);
    void PaintTree(HDC dc, const RECT& paintArea);
    void PaintFocusRing(HDC dc, const RECT& paintArea);
    // WM_DPICHANGED: the new scale, every DPI asset again, the system's
    // suggested window rectangle; one layout and paint follow.
    void OnDpiChanged(int dpi, const RECT* suggested);
    // WM_GETDPISCALEDSIZE: a window still at its skin's size gets that size
    // at the new DPI, as a window opened there would, so that moving between
    // monitors and back leaves no rounding drift; false leaves it to the system.
    bool ScaledSizeForDpi(int dpi, SIZE* size) const;
    // Hands focus from the old control to `control` (events and notifications).
    void ChangeFocus(CControlUI* control);
    void FixLayeredAlpha(const RECT& area);
    void ApplyLayeredMask(const RECT& area, const RECT& client);
    // Hands the canvas to the system; only `dirty` (pixels) changed since the
    // last time.
    void PresentLayered(const RECT& client, const RECT& dirty);

    // Font and asset helpers.
    bool BuildFont(TFontInfo& info, bool clearType) const;
    void MeasureFont(TFontInfo& info) const;
    // Descriptors, the window's images and fonts, and with `sharedToo` the
    // process-wide fonts, again at the current scale.
    void ResetDpiAssets(bool sharedToo);
    void FreeWindowImages();
    void FreeWindowFonts();
    void FreeWindowAttributeTables();

    // Identity and window.
    UiString m_name;
    HWND m_hwnd = nullptr;
    std::unique_ptr<UiWindowDc> m_paintDc;

    // The off-screen canvas (client size) and the layered window's mask.
    UiDibSurface m_offscreen;
    UiDibSurface m_mask;

    // Tooltip window (destroyed with the manager) and its tool record.
    UiHandle<WindowTraits> m_tooltip;
    TOOLINFOW m_toolInfo{};
    UiString m_tooltipText;
    int m_hoverTime = 400;  // ms

    bool m_showUpdateRect = false;
    bool m_noActivate = false;

    // False once the manager is destroyed: a walk that called out checks it
    // before touching the manager again.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    // Every pointer to a control below this line is a holder enrolled here,
    // so ReapControl needs no list of them; it must be declared first.
    UiControlRegistry m_registry;

    CControlUI* m_root = nullptr;  // owned; deleted by the destructor
    UiControlRef m_focus{m_registry};
    UiControlRef m_hover{m_registry};
    UiControlRef m_click{m_registry};
    UiControlRef m_key{m_registry};
    UiControlRef m_focusTarget{m_registry};  // gets focus at the next paint (SetFocusNeeded)

    POINT m_lastMouse{-1, -1};

    // Window settings in design units (the layered inset is in pixels).
    SIZE m_minInfo{};
    SIZE m_maxInfo{};
    SIZE m_initSize{};
    RECT m_caption{};
    RECT m_sizeBox{};
    SIZE m_roundCorner{};

    bool m_firstLayout = true;
    bool m_updateNeeded = false;
    bool m_focusNeeded = false;
    bool m_focusRingShown = false;
    bool m_offscreenPaint = true;
    BYTE m_opacity = 255;
    bool m_layeredAttributes = false;  // SetLayeredWindowAttributes applied to the window
    bool m_layeredRequested = false;
    bool m_layered = false;
    RECT m_layeredInset{};
    bool m_layeredChanged = false;
    UiString m_layeredImage;
    RECT m_layeredUpdate{};  // accumulated update area of a layered window

    bool m_mouseTracking = false;
    bool m_mouseCapture = false;
    bool m_dragArmed = false;
    bool m_painting = false;
    bool m_usedVirtualWnd = false;
    bool m_asyncPosted = false;

    struct NativeWindow {
        HWND hwnd;
        CControlUI* control;
    };

    UiSafeList<INotifyUI> m_notifiers;
    UiSafeList<ITranslateAccelerator> m_translators;
    UiSafeList<IMessageFilterUI> m_preMessageFilters;
    UiSafeList<IMessageFilterUI> m_messageFilters;
    // Killed timers are kept for reuse of their system id.
    std::vector<std::unique_ptr<TimerInfo>> m_timers;
    UiForgetHook m_timerHook{m_registry, [this](CControlUI* control) { KillTimer(control); }};
    UiControlList m_postPaintControls{m_registry};
    UiControlList m_mouseLeaveNeeded{m_registry};
    UiControlList m_scratch{m_registry};  // controls to lay out again, collected by a layout pass
    std::vector<NativeWindow> m_nativeWindows;
    UiForgetHook m_nativeWindowHook{m_registry, [this](CControlUI* control) { ForgetNativeWindows(control); }};
    std::vector<std::unique_ptr<CControlUI>> m_delayedCleanup;  // removed from the tree, deleted later
    std::deque<std::unique_ptr<TUiNotify>> m_asyncQueue;
    // Notifications being delivered (queued or not): a sender destroyed by a
    // listener reaches the later listeners as null.
    std::vector<TUiNotify*> m_delivering;
    UiForgetHook m_senderHook{m_registry, [this](CControlUI* control) { ForgetSender(control); }};

    UiStringPtrMap m_nameMap{83};  // name -> CControlUI*; read through FindControl only
    UiForgetHook m_nameHook{m_registry, [this](CControlUI* control) { ForgetName(control); }};
    UiOwningMap<UiString> m_customAttributes{83};
    std::vector<std::pair<UiString, std::unique_ptr<UiControlList>>> m_optionGroups;

    bool m_forceShared = false;
    bool m_gdiplusText = false;
    int m_textRenderingHint = 0;
    TFontInfo m_defaultFont;  // empty face name: the shared default is used
    UiOwningMap<TFontInfo> m_fonts{83};                          // decimal id -> font
    UiOwningMap<TImageInfo, TImageInfoDeleter> m_images{83};     // image key -> image
    const void* m_imagePage = nullptr;                           // the page being painted, or null
    UiStringPtrMap m_releasedImagePages{17};                     // image key -> page it was released with
    UiOwningMap<TImageSpec> m_drawInfos{83};                     // descriptor + modifier -> parsed form
    DrawInfoStats m_drawInfoStats;
    UiOwningMap<UiString> m_defaultAttributes{83};  // class name -> attribute list
    UiOwningMap<UiString> m_styles{83};             // style name -> attribute list
    DWORD m_colors[5]{};

    std::unique_ptr<IWindowShadow> m_shadow;
    IUiAccessibilityEvents* m_accessibilityEvents = nullptr;  // not owned

    ULONG_PTR m_gdiplusToken = 0;
    UiLibraryFontCache m_libraryFonts;  // emptied before the GDI+ session ends
    CDpiScaler m_dpi;
    UINT m_timerCounter = 4096;  // next system timer id is (counter + 1) % 240
};

}  // namespace Veneer
