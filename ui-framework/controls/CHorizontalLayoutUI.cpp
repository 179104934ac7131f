#include "controls/CHorizontalLayoutUI.h"

#include <cwchar>

#include "controls/CScrollBarUI.h"
#include "controls/UiAttributeValues.h"

namespace Veneer {

const wchar_t* CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"HorizontalLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

UINT CHorizontalLayoutUI::GetControlFlags() const {
    return (IsEnabled() && m_sepWidth != 0) ? CTLFLAG_SETCURSOR : 0;
}

int CHorizontalLayoutUI::GetSepWidth() const { return ScaleValue(m_sepWidth); }

void CHorizontalLayoutUI::SetSepWidth(int width) { m_sepWidth = width; }

namespace {
const TAttributeRow<CHorizontalLayoutUI> kHorizontalAttributes[] = {
    {L"sepwidth",
     [](CHorizontalLayoutUI& c, const wchar_t* v) {
         c.SetSepWidth(ParseAttributeInt(v));
         return true;
     }},
    {L"sepimm",
     [](CHorizontalLayoutUI& c, const wchar_t* v) {
         c.SetSepImmMode(ParseAttributeBool(v));
         return true;
     }},
};
}  // namespace

void CHorizontalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name) return;
    if (!value) value = L"";
    if (ApplyAttributeRow(kHorizontalAttributes, *this, name, value)) return;
    CContainerUI::SetAttribute(name, value);
}

void CHorizontalLayoutUI::SetPos(RECT rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    const RECT rc = GetClientPos();
    if (m_items.IsEmpty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }
    const SIZE avail{rc.right - rc.left, rc.bottom - rc.top};
    const int gap = GetChildPadding();
    const int count = m_items.GetSize();

    // Pass 1: measure the fixed widths, count the stretch children and find
    // the tallest child.
    int fixedTotal = 0;
    int nStretch = 0;
    int nMeasured = 0;
    int needHeight = 0;
    for (int i = 0; i < count; ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible() || child->IsFloat()) continue;
        const RECT pad = child->GetPadding();
        const SIZE a = LimitAvailable(child, SIZE{avail.cx, avail.cy - pad.top - pad.bottom});
        SIZE sz = child->EstimateSize(a);
        if (sz.cx == 0) {
            ++nStretch;
        } else {
            sz.cx = ClampWidth(child, sz.cx);
        }
        fixedTotal += sz.cx + pad.left + pad.right;  // a stretch child adds its paddings only
        if (sz.cy < 0) sz.cy = 0;
        sz.cy = ClampHeight(child, sz.cy);
        if (sz.cy + pad.top + pad.bottom > needHeight) needHeight = sz.cy + pad.top + pad.bottom;
        ++nMeasured;
    }
    if (nMeasured > 0) fixedTotal += (nMeasured - 1) * gap;
    int expand = 0;
    if (nStretch > 0) {
        expand = (avail.cx - fixedTotal) / nStretch;
        if (expand < 0) expand = 0;
    }

    const SIZE scroll = GetVisibleScrollOffset();
    int x = rc.left - scroll.cx;
    if (nStretch == 0) {
        if (m_childAlign == kChildAlignCenter) x += (avail.cx - fixedTotal) / 2;
        else if (m_childAlign == kChildAlignRight) x += avail.cx - fixedTotal;
    }

    // Pass 2: place the children left to right; the last stretch child takes
    // whatever the others left.
    SIZE remaining = avail;
    int fixedLeft = fixedTotal;
    int placed = 0;
    int stretchSeen = 0;
    int needWidth = 0;
    for (int i = 0; i < count; ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const RECT pad = child->GetPadding();
        remaining.cx -= pad.left;
        const SIZE a = LimitAvailable(child, SIZE{remaining.cx, remaining.cy - pad.top - pad.bottom});
        fixedLeft -= pad.left + pad.right;
        if (placed > 0) fixedLeft -= gap;

        SIZE sz = child->EstimateSize(a);
        if (sz.cx != 0) {
            sz.cx = ClampWidth(child, sz.cx);
            fixedLeft -= sz.cx;
        } else {
            ++stretchSeen;
            sz.cx = expand;
            if (stretchSeen == nStretch) {
                sz.cx = remaining.cx - pad.right - fixedLeft;
                if (sz.cx < 0) sz.cx = 0;
            }
            sz.cx = ClampWidth(child, sz.cx);
        }

        // The height starts from the maximum, so a child without a fixed
        // height fills the layout (the available height holds the fixed one).
        sz.cy = child->GetMaxHeight();
        if (sz.cy == 0) sz.cy = rc.bottom - rc.top - pad.top - pad.bottom;
        if (sz.cy < 0) sz.cy = 0;
        if (sz.cy > a.cy) sz.cy = a.cy;
        if (sz.cy < child->GetMinHeight()) sz.cy = child->GetMinHeight();

        RECT pos;
        if (m_childVAlign == kChildAlignVCenter) {
            const int yc = (rc.top + rc.bottom) / 2;
            pos = RECT{0, yc - sz.cy / 2, 0, yc + sz.cy - sz.cy / 2};
        } else if (m_childVAlign == kChildAlignBottom) {
            pos = RECT{0, rc.bottom - pad.bottom - sz.cy, 0, rc.bottom - pad.bottom};
        } else {
            pos = RECT{0, rc.top + pad.top, 0, rc.top + pad.top + sz.cy};
        }
        pos.top -= scroll.cy;
        pos.bottom -= scroll.cy;
        pos.left = x + pad.left;
        pos.right = x + pad.left + sz.cx;
        child->SetPos(pos, false);

        x += sz.cx + gap + pad.left + pad.right;
        needWidth += sz.cx + pad.left + pad.right;
        remaining.cx -= sz.cx + gap + pad.right;
        ++placed;
    }
    if (nMeasured > 0) needWidth += (nMeasured - 1) * gap;
    ProcessScrollBar(rc, needWidth, needHeight);
}

}  // namespace Veneer
