#include "controls/CVerticalLayoutUI.h"

#include <cwchar>

#include "controls/CScrollBarUI.h"
#include "controls/UiAttributeValues.h"

namespace Veneer {

const wchar_t* CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && _wcsicmp(name, L"VerticalLayout") == 0) return this;
    return CContainerUI::GetInterface(name);
}

UINT CVerticalLayoutUI::GetControlFlags() const {
    return (IsEnabled() && m_sepHeight != 0) ? CTLFLAG_SETCURSOR : 0;
}

int CVerticalLayoutUI::GetSepHeight() const { return ScaleValue(m_sepHeight); }

void CVerticalLayoutUI::SetSepHeight(int height) { m_sepHeight = height; }

namespace {
const TAttributeRow<CVerticalLayoutUI> kVerticalAttributes[] = {
    {L"sepheight",
     [](CVerticalLayoutUI& c, const wchar_t* v) {
         c.SetSepHeight(ParseAttributeInt(v));
         return true;
     }},
    {L"sepimm",
     [](CVerticalLayoutUI& c, const wchar_t* v) {
         c.SetSepImmMode(ParseAttributeBool(v));
         return true;
     }},
};
}  // namespace

void CVerticalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name) return;
    if (!value) value = L"";
    if (ApplyAttributeRow(kVerticalAttributes, *this, name, value)) return;
    CContainerUI::SetAttribute(name, value);
}

void CVerticalLayoutUI::SetPos(RECT rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    const RECT rc = GetClientPos();
    if (m_items.IsEmpty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }
    const SIZE avail{rc.right - rc.left, rc.bottom - rc.top};
    const int gap = GetChildPadding();
    const int count = m_items.GetSize();

    // Pass 1: measure the fixed heights, count the stretch children and find
    // the widest child.
    int fixedTotal = 0;
    int nStretch = 0;
    int nMeasured = 0;
    int needWidth = 0;
    for (int i = 0; i < count; ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible() || child->IsFloat()) continue;
        const RECT pad = child->GetPadding();
        const SIZE a = LimitAvailable(child, SIZE{avail.cx - pad.left - pad.right, avail.cy});
        SIZE sz = child->EstimateSize(a);
        if (sz.cy == 0) {
            ++nStretch;
        } else {
            sz.cy = ClampHeight(child, sz.cy);
        }
        fixedTotal += sz.cy + pad.top + pad.bottom;  // a stretch child adds its paddings only
        if (sz.cx < 0) sz.cx = 0;
        sz.cx = ClampWidth(child, sz.cx);
        if (sz.cx + pad.left + pad.right > needWidth) needWidth = sz.cx + pad.left + pad.right;
        ++nMeasured;
    }
    if (nMeasured > 0) fixedTotal += (nMeasured - 1) * gap;
    int expand = 0;
    if (nStretch > 0) {
        expand = (avail.cy - fixedTotal) / nStretch;
        if (expand < 0) expand = 0;
    }

    const SIZE scroll = GetVisibleScrollOffset();
    int y = rc.top - scroll.cy;
    if (nStretch == 0) {
        if (m_childVAlign == kChildAlignVCenter) y += (avail.cy - fixedTotal) / 2;
        else if (m_childVAlign == kChildAlignBottom) y += avail.cy - fixedTotal;
    }

    // Pass 2: place the children top to bottom; the last stretch child takes
    // whatever the others left.
    SIZE remaining = avail;
    int fixedLeft = fixedTotal;
    int placed = 0;
    int stretchSeen = 0;
    int needHeight = 0;
    for (int i = 0; i < count; ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const RECT pad = child->GetPadding();
        remaining.cy -= pad.top;
        const SIZE a = LimitAvailable(child, SIZE{remaining.cx - pad.left - pad.right, remaining.cy});
        fixedLeft -= pad.top + pad.bottom;
        if (placed > 0) fixedLeft -= gap;

        SIZE sz = child->EstimateSize(a);
        if (sz.cy != 0) {
            sz.cy = ClampHeight(child, sz.cy);
            fixedLeft -= sz.cy;
        } else {
            ++stretchSeen;
            sz.cy = expand;
            if (stretchSeen == nStretch) {
                sz.cy = remaining.cy - pad.bottom - fixedLeft;
                if (sz.cy < 0) sz.cy = 0;
            }
            sz.cy = ClampHeight(child, sz.cy);
        }

        if (sz.cx < 1) sz.cx = 0;
        if (sz.cx == 0) sz.cx = rc.right - rc.left - pad.left - pad.right;
        if (sz.cx > a.cx) sz.cx = a.cx;
        if (sz.cx < child->GetMinWidth()) sz.cx = child->GetMinWidth();

        RECT pos;
        if (m_childAlign == kChildAlignCenter) {
            const int x = (rc.left + rc.right) / 2;
            pos = RECT{x - sz.cx / 2, 0, x + sz.cx - sz.cx / 2, 0};
        } else if (m_childAlign == kChildAlignRight) {
            pos = RECT{rc.right - pad.right - sz.cx, 0, rc.right - pad.right, 0};
        } else {
            pos = RECT{rc.left + pad.left, 0, rc.left + pad.left + sz.cx, 0};
        }
        pos.left -= scroll.cx;
        pos.right -= scroll.cx;
        pos.top = y + pad.top;
        pos.bottom = y + pad.top + sz.cy;
        child->SetPos(pos, false);

        y += sz.cy + gap + pad.top + pad.bottom;
        needHeight += sz.cy + pad.top + pad.bottom;
        remaining.cy -= sz.cy + gap + pad.bottom;
        ++placed;
    }
    if (nMeasured > 0) needHeight += (nMeasured - 1) * gap;
    ProcessScrollBar(rc, needWidth, needHeight);
}

}  // namespace Veneer
