#include "controls/CControlUI.h"

#include <cwchar>

#include <cstdlib>
#include <memory>

#include "controls/UiAttributeTable.h"
#include "controls/UiAttributeValues.h"
#include "core/CSkinResources.h"
#include "core/UiHandle.h"
#include "render/CUiRender.h"

namespace Veneer {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (OnDestroy) OnDestroy(this);
    RemoveAllCustomAttributes();
    if (m_manager) m_manager->ReapControl(this);
}

UiString CControlUI::GetName() const { return m_name; }

void CControlUI::SetName(const wchar_t* name) { m_name = name; }

const wchar_t* CControlUI::GetClass() const { return L"ControlUI"; }

void* CControlUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"Control") == 0) return this;
    return nullptr;
}

UINT CControlUI::GetControlFlags() const { return m_controlFlags; }

void CControlUI::SetControlFlags(UINT flags) { m_controlFlags = flags; }

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    m_manager = manager;
    m_parent = parent;
    if (init && m_parent) Init();
}

UiString CControlUI::GetText() const {
    if (!m_resourceText) return m_text;
    return UiString(CSkinResources::GetInstance()->GetText(m_text.GetData()));
}

void CControlUI::SetResourceText(bool resourceText) {
    if (m_resourceText == resourceText) return;
    m_resourceText = resourceText;
    Invalidate();
}

void CControlUI::SetText(const wchar_t* text) {
    if (m_text == (text ? text : L"")) return;
    m_text = text;
    // "{\n}" in skin texts stands for a line feed.
    m_text.Replace(L"{\\n}", L"\n");
    Invalidate();
}

RECT CControlUI::GetRelativePos() const {
    if (!m_parent) return RECT{0, 0, 0, 0};
    const RECT& parent = m_parent->GetPos();
    RECT rect = m_item;
    OffsetRect(&rect, -parent.left, -parent.top);
    return rect;
}

RECT CControlUI::GetClientPos() const { return m_item; }

void CControlUI::Relayout() {
    if (m_parent) {
        m_parent->RelayoutChild(this);
    } else {
        SetPos(m_item, true);
    }
}

void CControlUI::RelayoutChild(CControlUI* child) { child->SetPos(child->GetPos(), true); }

void CControlUI::SetPos(RECT rect, bool needInvalidate) {
    if (rect.right < rect.left) rect.right = rect.left;
    if (rect.bottom < rect.top) rect.bottom = rect.top;

    UiRect invalidate = m_item;
    if (IsRectEmpty(&invalidate)) invalidate = rect;

    m_item = rect;
    if (!m_manager) return;

    if (!m_inSetPos) {
        m_inSetPos = true;
        if (OnSize) OnSize(this);
        m_inSetPos = false;
    }
    m_updateNeeded = false;

    if (needInvalidate && IsVisible()) {
        invalidate.Join(m_item);
        UiRect temp;
        for (CControlUI* parent = m_parent; parent; parent = parent->GetParent()) {
            if (!parent->IsVisible()) return;
            temp = invalidate;
            const RECT& parentItem = parent->GetPos();
            if (!IntersectRect(&invalidate, &temp, &parentItem)) return;
        }
        m_manager->Invalidate(invalidate);
    }
}

void CControlUI::Move(SIZE offset, bool needInvalidate) {
    (void)needInvalidate;  // the parent's layout pass repaints the control
    m_fixedXY.cx += offset.cx;
    m_fixedXY.cy += offset.cy;
    NeedParentUpdate();
}

int CControlUI::ScaleValue(int value) const { return m_manager ? m_manager->GetDPIObj()->Scale(value) : value; }

// Margins and per-side widths: each side is a length of its own, so each is
// scaled alone (the left/top plus size rule of true rectangles would turn a
// right side of 2 next to a left side of 1 into 4 at 150 %).
RECT CControlUI::ScaleRect(const RECT& rect) const {
    return RECT{ScaleValue(rect.left), ScaleValue(rect.top), ScaleValue(rect.right), ScaleValue(rect.bottom)};
}

RECT CControlUI::GetPadding() const { return ScaleRect(m_padding); }

void CControlUI::SetPadding(RECT padding) {
    if (EqualRect(&m_padding, &padding)) return;
    m_padding = padding;
    NeedParentUpdate();
}

void CControlUI::SetFloatPercent(TPercentInfo percent) {
    if (percent.left == m_floatPercent.left && percent.top == m_floatPercent.top &&
        percent.right == m_floatPercent.right && percent.bottom == m_floatPercent.bottom) {
        return;
    }
    m_floatPercent = percent;
    NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const { return SIZE{ScaleValue(m_fixedXY.cx), ScaleValue(m_fixedXY.cy)}; }

void CControlUI::SetFixedXY(SIZE xy) {
    if (m_fixedXY.cx == xy.cx && m_fixedXY.cy == xy.cy) return;
    m_fixedXY = xy;
    NeedParentUpdate();
}

int CControlUI::GetFixedWidth() const { return ScaleValue(m_fixedSize.cx); }

void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0 || m_fixedSize.cx == cx) return;
    m_fixedSize.cx = cx;
    NeedParentUpdate();
}

int CControlUI::GetFixedHeight() const { return ScaleValue(m_fixedSize.cy); }

void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0 || m_fixedSize.cy == cy) return;
    m_fixedSize.cy = cy;
    NeedParentUpdate();
}

int CControlUI::GetMinWidth() const { return ScaleValue(m_minSize.cx); }

void CControlUI::SetMinWidth(int cx) {
    if (cx < 0 || m_minSize.cx == cx) return;
    m_minSize.cx = cx;
    NeedParentUpdate();
}

int CControlUI::GetMaxWidth() const { return ScaleValue(m_maxSize.cx); }

void CControlUI::SetMaxWidth(int cx) {
    if (cx < 0 || m_maxSize.cx == cx) return;
    m_maxSize.cx = cx;
    NeedParentUpdate();
}

int CControlUI::GetMinHeight() const { return ScaleValue(m_minSize.cy); }

void CControlUI::SetMinHeight(int cy) {
    if (cy < 0 || m_minSize.cy == cy) return;
    m_minSize.cy = cy;
    NeedParentUpdate();
}

int CControlUI::GetMaxHeight() const { return ScaleValue(m_maxSize.cy); }

void CControlUI::SetMaxHeight(int cy) {
    if (cy < 0 || m_maxSize.cy == cy) return;
    m_maxSize.cy = cy;
    NeedParentUpdate();
}

void CControlUI::SetFloatAlign(UINT align) {
    if (m_floatAlign == align) return;
    m_floatAlign = align;
    NeedParentUpdate();
}

const CControlUI::RareTexts& CControlUI::Rare() const {
    static const RareTexts kNone;
    return m_rare ? *m_rare : kNone;
}

CControlUI::RareTexts& CControlUI::RareToWrite() {
    if (!m_rare) m_rare = std::make_unique<RareTexts>();
    return *m_rare;
}

void CControlUI::SetUserData(const wchar_t* text) {
    if (!m_rare && (!text || !*text)) return;
    RareToWrite().userData = text;
}

UiString CControlUI::GetToolTip() const {
    const UiString& tip = Rare().toolTip;
    if (!m_resourceText) return tip;
    return UiString(CSkinResources::GetInstance()->GetText(tip.GetData()));
}

void CControlUI::SetToolTip(const wchar_t* text) {
    if (!m_rare && (!text || !*text)) return;
    UiString& tip = RareToWrite().toolTip;
    tip = text;
    // "<n>" in skin tooltips stands for a line break.
    tip.Replace(L"<n>", L"\r\n");
}

void CControlUI::SetToolTipWidth(int width) { m_toolTipWidth = width; }

int CControlUI::GetToolTipWidth() const { return ScaleValue(m_toolTipWidth); }

const wchar_t* CControlUI::GetCursorName() const { return CursorNameFromId(m_cursor); }

void CControlUI::SetCursor(WORD cursor) {
    if (m_cursor == cursor) return;
    m_cursor = cursor;
    Invalidate();
}

void CControlUI::SetVisible(bool visible) {
    if (m_visible == visible) return;
    const bool wasVisible = IsVisible();
    m_visible = visible;
    m_focused = false;
    if (!visible && m_manager && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
    if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
    m_internVisible = visible;
    if (!visible && m_manager && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled) {
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    Invalidate();
}

void CControlUI::SetFocus() {
    if (m_manager) m_manager->SetFocus(this);
}

void CControlUI::SetFloat(bool floating) {
    if (m_floating == floating) return;
    m_floating = floating;
    NeedParentUpdate();
}

CControlUI* CControlUI::FindControl(FindControlProc proc, void* data, UINT flags) {
    if ((flags & FINDF_VISIBLE) != 0 && !IsVisible()) return nullptr;
    if ((flags & FINDF_ENABLED) != 0 && !IsEnabled()) return nullptr;
    if ((flags & FINDF_HITTEST) != 0 &&
        (!m_mouseEnabled || !PtInRect(&m_item, *static_cast<const POINT*>(data)))) {
        return nullptr;
    }
    return proc(this, data);
}

void CControlUI::Init() {
    DoInit();
    if (OnInit) OnInit(this);
}

void CControlUI::Event(TUiEvent& event) {
    if (OnEvent(&event)) DoEvent(event);
}

void CControlUI::DoEvent(TUiEvent& event) {
    switch (event.kind) {
        case UiEventKind::UIEVT_SETCURSOR:
            ::SetCursor(::LoadCursorW(nullptr, m_cursor ? MAKEINTRESOURCEW(m_cursor) : IDC_ARROW));
            return;
        case UiEventKind::UIEVT_SETFOCUS:
            m_focused = true;
            Invalidate();
            return;
        case UiEventKind::UIEVT_KILLFOCUS:
            m_focused = false;
            Invalidate();
            return;
        case UiEventKind::UIEVT_TIMER:
            if (m_manager) m_manager->SendNotify(this, L"timer", event.wParam, event.lParam);
            return;
        case UiEventKind::UIEVT_CONTEXTMENU:
            if (m_menuUsed) {
                if (m_manager) m_manager->SendNotify(this, L"menu", event.wParam, event.lParam);
                return;
            }
            break;
        default:
            break;
    }
    if (m_parent) m_parent->DoEvent(event);
}

SIZE CControlUI::EstimateSize(SIZE available) {
    (void)available;
    return SIZE{GetFixedWidth(), GetFixedHeight()};
}

bool CControlUI::Paint(HDC dc, const RECT& paintArea, CControlUI* stopControl) {
    if (stopControl == this) return false;
    if (!IntersectRect(&m_paintRect, &paintArea, &m_item)) return true;
    return DoPaint(dc, m_paintRect, stopControl);
}

bool CControlUI::DoPaint(HDC dc, const RECT& paintArea, CControlUI* stopControl) {
    (void)stopControl;
    // Every decoration stays inside paintArea and the item rounded by
    // borderRound; the previous clip comes back when the scope ends.
    const SIZE round = GetBorderRound();
    const CRenderClip clip = CUiRender::GenerateRoundClip(dc, paintArea, m_item, round.cx, round.cy);

    PaintBkColor(dc);
    PaintBkImage(dc);
    PaintStatusImage(dc);
    PaintForeColor(dc);
    PaintForeImage(dc);
    PaintText(dc);
    PaintBorder(dc);
    return true;
}

void CControlUI::PaintBkColor(HDC dc) {
    if (m_bkColor == 0) return;
    const bool vertical = GetGradient().CompareNoCase(L"hor") != 0;
    const DWORD color1 = GetAdjustColor(m_bkColor);
    if (m_bkColor2 == 0) {
        // An opaque colour only needs the paint rectangle; a translucent one is
        // blended over the whole item (the clip keeps it inside the paint area).
        CUiRender::DrawColor(dc, (m_bkColor >> 24) == 0xFF ? m_paintRect : m_item, color1);
        return;
    }
    const DWORD color2 = GetAdjustColor(m_bkColor2);
    if (m_bkColor3 != 0) {
        // Two halves of 8 steps each meet at the middle with bkColor2. The item
        // is split along the gradient's direction, so a horizontal three-colour
        // gradient runs left to right like a vertical one runs top to bottom.
        const DWORD color3 = GetAdjustColor(m_bkColor3);
        RECT first = m_item;
        RECT second = m_item;
        if (vertical) {
            first.bottom = second.top = (m_item.top + m_item.bottom) / 2;
        } else {
            first.right = second.left = (m_item.left + m_item.right) / 2;
        }
        CUiRender::DrawGradient(dc, first, color1, color2, vertical, 8);
        CUiRender::DrawGradient(dc, second, color2, color3, vertical, 8);
        return;
    }
    CUiRender::DrawGradient(dc, m_item, color1, color2, vertical, 16);
}

void CControlUI::PaintBkImage(HDC dc) {
    if (m_bkImage.IsEmpty()) return;
    DrawImage(dc, m_bkImage.GetData());
}

void CControlUI::PaintForeColor(HDC dc) {
    if ((m_foreColor >> 24) == 0) return;
    CUiRender::DrawColor(dc, m_item, GetAdjustColor(m_foreColor));
}

void CControlUI::PaintForeImage(HDC dc) {
    const UiString& foreImage = GetForeImage();
    if (foreImage.IsEmpty()) return;
    DrawImage(dc, foreImage.GetData());
}

void CControlUI::PaintBorder(HDC dc) {
    if (m_borderColor == 0 && m_focusBorderColor == 0) return;
    const int size = GetBorderSize();
    const SIZE round = GetBorderRound();
    const RECT sides = GetBorderRectSize();
    const bool focusColor = m_focused && m_focusBorderColor != 0;
    const DWORD border = GetAdjustColor(m_borderColor);

    // Pass 1: a rounded outline in the focus or the plain colour.
    if (size > 0 && (round.cx > 0 || round.cy > 0)) {
        CUiRender::DrawRoundRect(dc, m_item, size, round.cx, round.cy,
                                 focusColor ? GetAdjustColor(m_focusBorderColor) : border, m_borderStyle);
        return;
    }
    // Pass 2: the focus outline.
    if (focusColor && size > 0) {
        CUiRender::DrawRect(dc, m_item, size, GetAdjustColor(m_focusBorderColor), m_borderStyle);
        return;
    }
    // Pass 3: single sides, one pixel wide each whatever the side's width.
    if (sides.left > 0 || sides.top > 0 || sides.right > 0 || sides.bottom > 0) {
        const RECT& r = m_item;
        if (sides.left > 0)
            CUiRender::DrawLine(dc, RECT{r.left, r.top, r.left, r.bottom}, sides.left, border, m_borderStyle);
        if (sides.top > 0)
            CUiRender::DrawLine(dc, RECT{r.left, r.top, r.right, r.top}, sides.top, border, m_borderStyle);
        if (sides.right > 0)
            CUiRender::DrawLine(dc, RECT{r.right - 1, r.top, r.right - 1, r.bottom}, sides.right, border,
                                m_borderStyle);
        if (sides.bottom > 0)
            CUiRender::DrawLine(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom - 1}, sides.bottom, border,
                                m_borderStyle);
        return;
    }
    // Pass 4: the uniform outline.
    if (size > 0) CUiRender::DrawRect(dc, m_item, size, border, m_borderStyle);
}

bool CControlUI::DrawImage(HDC dc, const wchar_t* descriptor, const wchar_t* modify) {
    if (!m_manager || !descriptor || !*descriptor) return false;
    return CUiRender::DrawImageString(dc, m_manager, m_item, m_paintRect, descriptor, modify);
}

DWORD CControlUI::GetAdjustColor(DWORD color) const {
    if (!m_colorHsl) return color;
    return CPaintManagerUI::AdjustColor(color);
}

SIZE CControlUI::MeasureText(const wchar_t* text, int fontIndex) {
    if (!m_manager || !text) return SIZE{0, 0};
    const SIZE size = CUiRender::GetTextSize(nullptr, m_manager, text, fontIndex);
    const CDpiScaler* dpi = m_manager->GetDPIObj();
    return SIZE{dpi->ScaleBack(size.cx), dpi->ScaleBack(size.cy)};
}

UiString CControlUI::GetVirtualWnd() const {
    if (!Rare().virtualWnd.IsEmpty()) return Rare().virtualWnd;
    if (m_parent) return m_parent->GetVirtualWnd();
    return UiString();
}

void CControlUI::SetVirtualWnd(const wchar_t* name) {
    if (m_rare || (name && *name)) RareToWrite().virtualWnd = name;
    if (m_manager) m_manager->SetUsedVirtualWnd(true);
}

void CControlUI::Invalidate() {
    if (!IsVisible()) return;
    UiRect invalidate = m_item;
    UiRect temp;
    for (CControlUI* parent = m_parent; parent; parent = parent->GetParent()) {
        temp = invalidate;
        const RECT& parentItem = parent->GetPos();
        if (!IntersectRect(&invalidate, &temp, &parentItem)) return;
    }
    if (m_manager) m_manager->Invalidate(invalidate);
}

void CControlUI::NeedUpdate() {
    if (!IsVisible()) return;
    m_updateNeeded = true;
    Invalidate();
    if (m_manager) m_manager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
    if (m_parent) {
        m_parent->NeedUpdate();
        m_parent->Invalidate();
    } else {
        NeedUpdate();
    }
    if (m_manager) m_manager->NeedUpdate();
}

bool CControlUI::SetTimer(UINT id, UINT elapse) { return m_manager && m_manager->SetTimer(this, id, elapse); }

bool CControlUI::KillTimer(UINT id) { return m_manager && m_manager->KillTimer(this, id); }

// Decoration setters: nothing happens for an unchanged value; a change only
// needs a repaint.
namespace {
template <typename T>
bool Assign(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    return true;
}
bool Assign(UiString& field, const wchar_t* value) {
    if (field == (value ? value : L"")) return false;
    field = value;
    return true;
}
bool Assign(UiRect& field, const RECT& value) {
    if (EqualRect(&field, &value)) return false;
    field = value;
    return true;
}
}  // namespace

void CControlUI::SetBkColor(DWORD color) {
    if (Assign(m_bkColor, color)) Invalidate();
}
void CControlUI::SetBkColor2(DWORD color) {
    if (Assign(m_bkColor2, color)) Invalidate();
}
void CControlUI::SetBkColor3(DWORD color) {
    if (Assign(m_bkColor3, color)) Invalidate();
}
void CControlUI::SetForeColor(DWORD color) {
    if (Assign(m_foreColor, color)) Invalidate();
}
void CControlUI::SetGradient(const wchar_t* gradient) {
    if (GetGradient() == (gradient ? gradient : L"")) return;
    RareToWrite().gradient = gradient;
    Invalidate();
}
void CControlUI::SetBkImage(const wchar_t* descriptor) {
    if (Assign(m_bkImage, descriptor)) Invalidate();
}
void CControlUI::SetForeImage(const wchar_t* descriptor) {
    if (GetForeImage() == (descriptor ? descriptor : L"")) return;
    RareToWrite().foreImage = descriptor;
    Invalidate();
}
void CControlUI::SetBorderColor(DWORD color) {
    if (Assign(m_borderColor, color)) Invalidate();
}
void CControlUI::SetFocusBorderColor(DWORD color) {
    if (Assign(m_focusBorderColor, color)) Invalidate();
}
void CControlUI::SetColorHSL(bool colorHsl) {
    if (Assign(m_colorHsl, colorHsl)) Invalidate();
}
int CControlUI::GetBorderSize() const { return ScaleValue(m_borderSize); }
void CControlUI::SetBorderSize(int size) {
    if (Assign(m_borderSize, size)) Invalidate();
}
RECT CControlUI::GetBorderRectSize() const { return ScaleRect(m_borderRectSize); }
void CControlUI::SetBorderRectSize(RECT sizes) {
    if (Assign(m_borderRectSize, sizes)) Invalidate();
}
void CControlUI::SetLeftBorderSize(int size) {
    if (Assign(m_borderRectSize.left, static_cast<LONG>(size))) Invalidate();
}
void CControlUI::SetTopBorderSize(int size) {
    if (Assign(m_borderRectSize.top, static_cast<LONG>(size))) Invalidate();
}
void CControlUI::SetRightBorderSize(int size) {
    if (Assign(m_borderRectSize.right, static_cast<LONG>(size))) Invalidate();
}
void CControlUI::SetBottomBorderSize(int size) {
    if (Assign(m_borderRectSize.bottom, static_cast<LONG>(size))) Invalidate();
}
void CControlUI::SetBorderStyle(int style) {
    if (Assign(m_borderStyle, style)) Invalidate();
}
SIZE CControlUI::GetBorderRound() const { return SIZE{ScaleValue(m_borderRound.cx), ScaleValue(m_borderRound.cy)}; }
void CControlUI::SetBorderRound(SIZE round) {
    if (m_borderRound.cx == round.cx && m_borderRound.cy == round.cy) return;
    m_borderRound = round;
    Invalidate();
}

// --- Custom attributes -------------------------------------------------------

void CControlUI::AddCustomAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !*name || !value || !*value) return;
    // The first value stays.
    if (!m_customAttributes.Find(name)) m_customAttributes.Insert(name, std::make_unique<UiString>(value));
}

const wchar_t* CControlUI::GetCustomAttribute(const wchar_t* name) const {
    if (!name || !*name) return nullptr;
    const UiString* value = m_customAttributes.Find(name);
    return value ? value->GetData() : nullptr;
}

bool CControlUI::RemoveCustomAttribute(const wchar_t* name) {
    return name && *name && m_customAttributes.Remove(name);
}

void CControlUI::RemoveAllCustomAttributes() { m_customAttributes.Clear(); }

// --- Attributes ----------------------------------------------------------------

void CControlUI::ApplyAttributeList(const wchar_t* list) {
    if (!list) return;
    // Styles may name styles (a list that is a style name, or a "style" pair
    // inside one); a style that reaches itself would recurse without end, so
    // the nesting depth is bounded.
    static int depth = 0;
    constexpr int kMaxDepth = 16;
    if (depth >= kMaxDepth) return;
    ++depth;
    const wchar_t* style = m_manager ? m_manager->GetStyle(list) : nullptr;
    if (style) {
        ApplyAttributeList(style);
    } else {
        ForEachAttribute(list, [this](const wchar_t* name, const wchar_t* value) { SetAttribute(name, value); });
    }
    --depth;
}

namespace {

// One row of the attribute table: false sends the pair on down the table.
struct TAttributeEntry {
    const wchar_t* name;
    bool (*apply)(CControlUI& control, const wchar_t* value);
};

bool HasComma(const wchar_t* value) { return wcschr(value, L',') != nullptr; }

// Rows for the common value forms: the value read one way, handed to a setter.
template <void (CControlUI::*Setter)(bool)>
bool BoolValue(CControlUI& c, const wchar_t* v) {
    (c.*Setter)(ParseAttributeBool(v));
    return true;
}
template <void (CControlUI::*Setter)(int)>
bool IntValue(CControlUI& c, const wchar_t* v) {
    (c.*Setter)(ParseAttributeInt(v));
    return true;
}
template <void (CControlUI::*Setter)(DWORD)>
bool ColorAValue(CControlUI& c, const wchar_t* v) {
    (c.*Setter)(ParseColorA(v));
    return true;
}
template <void (CControlUI::*Setter)(DWORD)>
bool ColorBValue(CControlUI& c, const wchar_t* v) {
    (c.*Setter)(ParseColorB(v));
    return true;
}
template <void (CControlUI::*Setter)(const wchar_t*)>
bool TextValue(CControlUI& c, const wchar_t* v) {
    (c.*Setter)(v);
    return true;
}

bool StyleValue(CControlUI& c, const wchar_t* v) {
    CPaintManagerUI* manager = c.GetManager();
    const wchar_t* style = manager ? manager->GetStyle(v) : nullptr;
    if (!style) return false;  // on down the table: kept as a custom attribute
    c.ApplyAttributeList(style);
    return true;
}

bool PosValue(CControlUI& c, const wchar_t* v) {
    const TPosAttribute pos = ParsePosAttribute(v);
    c.SetFixedXY(pos.xy);
    c.SetFixedWidth(pos.width);
    c.SetFixedHeight(pos.height);
    return true;
}

bool FloatValue(CControlUI& c, const wchar_t* v) {
    double fractions[4];
    if (ParseFloatPercent(v, fractions)) {
        c.SetFloatPercent(CControlUI::TPercentInfo{fractions[0], fractions[1], fractions[2], fractions[3]});
        c.SetFloat(true);
    } else {
        c.SetFloat(ParseAttributeBool(v));
    }
    return true;
}

bool BorderSizeValue(CControlUI& c, const wchar_t* v) {
    // "2" is the uniform width and clears the sides; "1,0,1,0" sets the sides only.
    if (HasComma(v)) {
        c.SetBorderRectSize(ParseAttributeRect(v));
    } else {
        c.SetBorderSize(ParseAttributeInt(v));
        c.SetBorderRectSize(RECT{0, 0, 0, 0});
    }
    return true;
}

bool CursorValue(CControlUI& c, const wchar_t* v) {
    const WORD id = CursorIdFromName(v);
    if (id != 0) c.SetCursor(id);  // an unknown name changes nothing
    return true;
}

// Names compare without case; the rows of a name are tried in table order.
const TAttributeEntry kAttributeTable[] = {
    {L"style", StyleValue},
    {L"innerstyle", TextValue<&CControlUI::ApplyAttributeList>},
    {L"pos", PosValue},
    {L"float", FloatValue},
    {L"floatalign",
     [](CControlUI& c, const wchar_t* v) {
         c.SetFloatAlign(ParseFloatAlign(v, c.GetFloatAlign()));
         return true;
     }},
    {L"padding",
     [](CControlUI& c, const wchar_t* v) {
         c.SetPadding(ParseAttributeRect(v));
         return true;
     }},
    {L"gradient", TextValue<&CControlUI::SetGradient>},
    {L"bkcolor", ColorAValue<&CControlUI::SetBkColor>},
    {L"bkcolor1", ColorAValue<&CControlUI::SetBkColor>},
    {L"bkcolor2", ColorAValue<&CControlUI::SetBkColor2>},
    {L"bkcolor3", ColorAValue<&CControlUI::SetBkColor3>},
    {L"forecolor", ColorAValue<&CControlUI::SetForeColor>},
    {L"bordercolor", ColorBValue<&CControlUI::SetBorderColor>},
    {L"focusbordercolor", ColorBValue<&CControlUI::SetFocusBorderColor>},
    {L"colorhsl", BoolValue<&CControlUI::SetColorHSL>},
    {L"bordersize", BorderSizeValue},
    {L"leftbordersize", IntValue<&CControlUI::SetLeftBorderSize>},
    {L"topbordersize", IntValue<&CControlUI::SetTopBorderSize>},
    {L"rightbordersize", IntValue<&CControlUI::SetRightBorderSize>},
    {L"bottombordersize", IntValue<&CControlUI::SetBottomBorderSize>},
    {L"borderstyle", IntValue<&CControlUI::SetBorderStyle>},
    {L"borderround",
     [](CControlUI& c, const wchar_t* v) {
         c.SetBorderRound(ParseAttributeSize(v));
         return true;
     }},
    {L"bkimage", TextValue<&CControlUI::SetBkImage>},
    {L"foreimage", TextValue<&CControlUI::SetForeImage>},
    {L"width", IntValue<&CControlUI::SetFixedWidth>},
    {L"height", IntValue<&CControlUI::SetFixedHeight>},
    {L"minwidth", IntValue<&CControlUI::SetMinWidth>},
    {L"minheight", IntValue<&CControlUI::SetMinHeight>},
    {L"maxwidth", IntValue<&CControlUI::SetMaxWidth>},
    {L"maxheight", IntValue<&CControlUI::SetMaxHeight>},
    {L"name", TextValue<&CControlUI::SetName>},
    {L"drag", BoolValue<&CControlUI::SetDragEnabled>},
    {L"drop", BoolValue<&CControlUI::SetDropEnabled>},
    {L"resourcetext", BoolValue<&CControlUI::SetResourceText>},
    {L"richevent", BoolValue<&CControlUI::SetRichEvent>},
    {L"autotextsizeenable", BoolValue<&CControlUI::SetAutoTextSize>},
    {L"text", TextValue<&CControlUI::SetText>},
    {L"tooltip", TextValue<&CControlUI::SetToolTip>},
    {L"userdata", TextValue<&CControlUI::SetUserData>},
    {L"enabled", BoolValue<&CControlUI::SetEnabled>},
    {L"mouse", BoolValue<&CControlUI::SetMouseEnabled>},
    {L"keyboard", BoolValue<&CControlUI::SetKeyboardEnabled>},
    {L"visible", BoolValue<&CControlUI::SetVisible>},
    {L"shortcut",
     [](CControlUI& c, const wchar_t* v) {
         c.SetShortcut(v[0]);
         return true;
     }},
    {L"menu", BoolValue<&CControlUI::SetContextMenuUsed>},
    {L"cursor", CursorValue},
    {L"virtualwnd", TextValue<&CControlUI::SetVirtualWnd>},
};

}  // namespace

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name) return;
    if (!value) value = L"";
    static const TAttributeIndex<TAttributeEntry> index(kAttributeTable);
    if (index.Apply(name, [&](const TAttributeEntry& entry) { return entry.apply(*this, value); })) return;
    AddCustomAttribute(name, value);
}

const wchar_t* const* CControlUI::GetAttributeNames(int* count) {
    static const wchar_t* names[sizeof(kAttributeTable) / sizeof(kAttributeTable[0])];
    constexpr int kCount = static_cast<int>(sizeof(kAttributeTable) / sizeof(kAttributeTable[0]));
    for (int i = 0; i < kCount; ++i) names[i] = kAttributeTable[i].name;
    if (count) *count = kCount;
    return names;
}

}  // namespace Veneer
