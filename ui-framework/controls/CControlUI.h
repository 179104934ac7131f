#pragma once
// The root of every element of the control tree: identity, geometry, state,
// listener lists, dirty marking, timers, event handling and painting.
//
// Units: fixed position and size, minimum and maximum size, padding, border
// sizes and corner radii and the tooltip width are stored in design units
// (pixels at 96 DPI) and every getter returns them scaled by the paint
// manager's DPI scaler (unscaled without a manager). The item and paint
// rectangles are window pixels. Colours are 0xAARRGGBB; 0 means no colour.
#include <windows.h>

#include <memory>

#include "controls/CEventSource.h"
#include "core/UiRect.h"
#include "core/UiString.h"
#include "core/UiOwningMap.h"
#include "manager/CPaintManagerUI.h"

namespace Veneer {

// Flags of the control-tree search.
constexpr UINT FINDF_ALL = 0x00000000;
constexpr UINT FINDF_VISIBLE = 0x00000001;
constexpr UINT FINDF_ENABLED = 0x00000002;
constexpr UINT FINDF_HITTEST = 0x00000004;     // data points to a POINT
constexpr UINT FINDF_UPDATETEST = 0x00000008;  // containers: do not descend below a match
constexpr UINT FINDF_TOPFIRST = 0x00000010;    // containers: children from last to first
constexpr UINT FINDF_MEFIRST = 0x80000000;     // containers: the container before its children

// Control flag bits read by the paint manager.
constexpr UINT CTLFLAG_TABSTOP = 0x00000001;
constexpr UINT CTLFLAG_SETCURSOR = 0x00000002;

class CControlUI;
// Returns the control searched for, or null to go on.
using FindControlProc = CControlUI* (*)(CControlUI* control, void* data);

class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual UiString GetName() const;
    virtual void SetName(const wchar_t* name);
    virtual const wchar_t* GetClass() const;
    virtual void* GetInterface(const wchar_t* name);
    virtual UINT GetControlFlags() const;
    virtual void SetControlFlags(UINT flags);
    virtual UINT GetStoredControlFlags() const { return m_controlFlags; }
    virtual bool Activate();
    virtual CPaintManagerUI* GetManager() const { return m_manager; }
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    virtual CControlUI* GetParent() const { return m_parent; }

    virtual UiString GetText() const;
    virtual void SetText(const wchar_t* text);
    virtual bool IsResourceText() const { return m_resourceText; }
    virtual void SetResourceText(bool resourceText);
    virtual bool IsDragEnabled() const { return m_dragEnabled; }
    virtual void SetDragEnabled(bool enabled) { m_dragEnabled = enabled; }
    virtual bool IsDropEnabled() const { return m_dropEnabled; }
    virtual void SetDropEnabled(bool enabled) { m_dropEnabled = enabled; }
    virtual bool IsRichEvent() const { return m_richEvent; }
    virtual void SetRichEvent(bool richEvent) { m_richEvent = richEvent; }

    virtual RECT GetRelativePos() const;
    virtual RECT GetClientPos() const;
    virtual const RECT& GetPos() const { return m_item; }
    virtual void SetPos(RECT rect, bool needInvalidate = true);
    // Lays the control out again where it stands. Its parent places it (a
    // container puts a floating child by its fixed position); a root keeps its
    // rectangle.
    void Relayout();
    // Moves a control by (dx, dy) design units of its fixed position.
    virtual void Move(SIZE offset, bool needInvalidate = true);
    virtual int GetWidth() const { return m_item.right - m_item.left; }
    virtual int GetHeight() const { return m_item.bottom - m_item.top; }
    virtual int GetX() const { return m_item.left; }
    virtual int GetY() const { return m_item.top; }
    virtual int GetLayoutWidth() const { return m_floating ? GetWidth() : GetFixedWidth(); }
    virtual int GetLayoutHeight() const { return m_floating ? GetHeight() : GetFixedHeight(); }
    virtual RECT GetPadding() const;
    virtual void SetPadding(RECT padding);
    virtual SIZE GetFixedXY() const;
    virtual void SetFixedXY(SIZE xy);
    virtual SIZE GetFixedSize() const { return SIZE{GetFixedWidth(), GetFixedHeight()}; }
    virtual int GetFixedWidth() const;
    virtual void SetFixedWidth(int cx);
    virtual int GetFixedHeight() const;
    virtual void SetFixedHeight(int cy);
    virtual int GetMinWidth() const;
    virtual void SetMinWidth(int cx);
    virtual int GetMaxWidth() const;
    virtual void SetMaxWidth(int cx);
    virtual int GetMinHeight() const;
    virtual void SetMinHeight(int cy);
    virtual int GetMaxHeight() const;
    virtual void SetMaxHeight(int cy);
    // Fractions of the parent's size: left, top, right, bottom.
    struct TPercentInfo {
        double left = 0;
        double top = 0;
        double right = 0;
        double bottom = 0;
    };
    virtual TPercentInfo GetFloatPercent() const { return m_floatPercent; }
    virtual void SetFloatPercent(TPercentInfo percent);
    virtual UINT GetFloatAlign() const { return m_floatAlign; }
    virtual void SetFloatAlign(UINT align);

    virtual UiString GetToolTip() const;
    virtual void SetToolTip(const wchar_t* text);
    virtual void SetToolTipWidth(int width);
    virtual int GetToolTipWidth() const;
    virtual WORD GetCursor() const { return m_cursor; }
    virtual const wchar_t* GetCursorName() const;
    virtual void SetCursor(WORD cursor);
    virtual wchar_t GetShortcut() const { return m_shortcut; }
    virtual void SetShortcut(wchar_t ch) { m_shortcut = ch; }
    virtual bool IsContextMenuUsed() const { return m_menuUsed; }
    virtual void SetContextMenuUsed(bool used) { m_menuUsed = used; }
    virtual const UiString& GetUserData() const { return Rare().userData; }
    virtual void SetUserData(const wchar_t* text);
    virtual UINT_PTR GetTag() const { return m_tag; }
    virtual void SetTag(UINT_PTR tag) { m_tag = tag; }

    virtual bool IsOwnVisible() const { return m_visible; }
    virtual bool IsVisible() const { return m_visible && m_internVisible; }
    virtual void SetVisible(bool visible = true);
    virtual void SetInternVisible(bool visible = true);
    virtual bool IsEnabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled = true);
    virtual bool IsMouseEnabled() const { return m_mouseEnabled; }
    virtual void SetMouseEnabled(bool enabled = true) { m_mouseEnabled = enabled; }
    virtual bool IsKeyboardEnabled() const { return m_keyboardEnabled; }
    virtual void SetKeyboardEnabled(bool enabled = true) { m_keyboardEnabled = enabled; }
    virtual bool IsFocused() const { return m_focused; }
    virtual void SetFocus();
    virtual bool IsFloat() const { return m_floating; }
    virtual void SetFloat(bool floating = true);

    virtual CControlUI* FindControl(FindControlProc proc, void* data, UINT flags);

    virtual void Init();
    virtual void DoInit() {}
    virtual void Event(TUiEvent& event);
    virtual void DoEvent(TUiEvent& event);

    // Derived classes check their own names first and hand the rest on; names
    // nobody knows become custom attributes.
    virtual void SetAttribute(const wchar_t* name, const wchar_t* value);
    // The names of the base attribute table, in table order.
    static const wchar_t* const* GetAttributeNames(int* count);

    // Base: the scaled fixed size; `available` is not used.
    virtual SIZE EstimateSize(SIZE available);

    virtual bool Paint(HDC dc, const RECT& paintArea, CControlUI* stopControl);
    virtual bool DoPaint(HDC dc, const RECT& paintArea, CControlUI* stopControl);
    virtual void PaintBkColor(HDC dc);
    virtual void PaintBkImage(HDC dc);
    virtual void PaintStatusImage(HDC dc) { (void)dc; }
    virtual void PaintForeColor(HDC dc);
    virtual void PaintForeImage(HDC dc);
    virtual void PaintText(HDC dc) { (void)dc; }
    virtual void PaintBorder(HDC dc);
    virtual void DoPostPaint(HDC dc, const RECT& paintArea) {
        (void)dc;
        (void)paintArea;
    }

    // One line of `text` in the manager's font `fontIndex`, in design units;
    // zero without a manager.
    virtual SIZE MeasureText(const wchar_t* text, int fontIndex);

    // name="value" pairs separated by a blank or a comma; "&quot;" is a quote.
    // A list that names a style of the manager applies the style's text.
    void ApplyAttributeList(const wchar_t* list);
    // Keeps the first value of a name; empty names and values are ignored.
    void AddCustomAttribute(const wchar_t* name, const wchar_t* value);
    const wchar_t* GetCustomAttribute(const wchar_t* name) const;
    bool RemoveCustomAttribute(const wchar_t* name);
    void RemoveAllCustomAttributes();

    // Draws an image descriptor over the item, clipped to the paint rectangle.
    bool DrawImage(HDC dc, const wchar_t* descriptor, const wchar_t* modify = nullptr);
    // The colour through the process-wide hue/saturation/lightness setting when
    // colorHsl is on; unchanged otherwise.
    DWORD GetAdjustColor(DWORD color) const;

    UiString GetVirtualWnd() const;
    void SetVirtualWnd(const wchar_t* name);
    bool IsUpdateNeeded() const { return m_updateNeeded; }
    void Invalidate();
    void NeedUpdate();
    void NeedParentUpdate();
    bool SetTimer(UINT id, UINT elapse);
    bool KillTimer(UINT id);
    const RECT& GetPaintRect() const { return m_paintRect; }

    DWORD GetBkColor() const { return m_bkColor; }
    void SetBkColor(DWORD color);
    DWORD GetBkColor2() const { return m_bkColor2; }
    void SetBkColor2(DWORD color);
    DWORD GetBkColor3() const { return m_bkColor3; }
    void SetBkColor3(DWORD color);
    DWORD GetForeColor() const { return m_foreColor; }
    void SetForeColor(DWORD color);
    const UiString& GetGradient() const { return Rare().gradient; }
    void SetGradient(const wchar_t* gradient);
    const UiString& GetBkImage() const { return m_bkImage; }
    void SetBkImage(const wchar_t* descriptor);
    const UiString& GetForeImage() const { return Rare().foreImage; }
    void SetForeImage(const wchar_t* descriptor);
    DWORD GetBorderColor() const { return m_borderColor; }
    void SetBorderColor(DWORD color);
    DWORD GetFocusBorderColor() const { return m_focusBorderColor; }
    void SetFocusBorderColor(DWORD color);
    bool IsColorHSL() const { return m_colorHsl; }
    void SetColorHSL(bool colorHsl);
    int GetBorderSize() const;  // pixels
    void SetBorderSize(int size);
    RECT GetBorderRectSize() const;  // pixels per side
    void SetBorderRectSize(RECT sizes);
    void SetLeftBorderSize(int size);
    void SetTopBorderSize(int size);
    void SetRightBorderSize(int size);
    void SetBottomBorderSize(int size);
    int GetBorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(int style);
    SIZE GetBorderRound() const;  // pixels
    void SetBorderRound(SIZE round);
    bool IsAutoTextSize() const { return m_autoTextSize; }
    void SetAutoTextSize(bool autoTextSize) { m_autoTextSize = autoTextSize; }

protected:
    // Places `child` again inside this control: by default at its current rectangle.
    virtual void RelayoutChild(CControlUI* child);

    // Scaling helpers: unscaled without a paint manager.
    int ScaleValue(int value) const;
    RECT ScaleRect(const RECT& rect) const;

    // What a layout pass reads and writes, packed behind the vtable pointer
    // into 88 bytes (x86-64): a pass over a big tree then pulls two cache
    // lines per control instead of four. Keep new fields out of this block.
    CPaintManagerUI* m_manager = nullptr;
    UiRect m_item;
    UiRect m_padding;       // design units
    UiSize m_fixedSize;     // design units; 0 = not fixed
    UiSize m_minSize;       // design units
    UiSize m_maxSize{9999, 9999};
    bool m_updateNeeded = true;
    bool m_visible = true;
    bool m_internVisible = true;
    bool m_floating = false;
    bool m_inSetPos = false;
    bool m_enabled = true;
    bool m_mouseEnabled = true;
    bool m_keyboardEnabled = true;

public:
    CEventSource OnSize;
    CEventSource OnInit;
    CEventSource OnDestroy;
    CEventSource OnEvent;
    CEventSource OnNotify;

protected:
    CControlUI* m_parent = nullptr;
    bool m_menuUsed = false;
    bool m_focused = false;
    UiSize m_fixedXY;       // design units
    TPercentInfo m_floatPercent;
    UINT m_floatAlign = 0;  // 1 centre, 2 right, 4 vertical centre, 8 bottom
    bool m_richEvent = false;
    bool m_dragEnabled = false;
    bool m_dropEnabled = false;
    bool m_resourceText = false;
    UiString m_name;
    UiString m_text;
    wchar_t m_shortcut = 0;
    UINT_PTR m_tag = 0;
    DWORD m_bkColor = 0;  // ARGB; 0 = no colour
    DWORD m_bkColor2 = 0;
    DWORD m_bkColor3 = 0;
    DWORD m_foreColor = 0;
    UiString m_bkImage;
    DWORD m_borderColor = 0;
    DWORD m_focusBorderColor = 0;
    bool m_colorHsl = false;
    int m_borderSize = 0;      // design units
    int m_borderStyle = 0;     // handed to the line primitives
    int m_toolTipWidth = 300;  // design units
    WORD m_cursor = 0;         // system cursor id; 0 = arrow
    UiSize m_borderRound;      // design units
    UiRect m_paintRect;
    UiRect m_borderRectSize;   // design units per side
    UiOwningMap<UiString> m_customAttributes{83};  // name -> value

private:
    // Texts most controls never set, kept apart: a control without them
    // carries one pointer instead of five 136-byte strings.
    struct RareTexts {
        UiString virtualWnd;
        UiString toolTip;
        UiString userData;
        UiString gradient;  // "hor": horizontal; anything else vertical
        UiString foreImage;
    };
    const RareTexts& Rare() const;
    RareTexts& RareToWrite();
    std::unique_ptr<RareTexts> m_rare;

protected:
    UINT m_controlFlags = 0;
    bool m_autoTextSize = false;
};

}  // namespace Veneer
