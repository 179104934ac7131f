// The line layout shared by the horizontal and the vertical layouts: one
// algorithm, written once along a "main" axis (the direction the children
// follow each other) and a "cross" axis (across the line). The axis table
// names which RECT and SIZE fields play each role.
#include "controls/CContainerUI.h"

namespace Veneer {

namespace {

struct LineAxis {
    bool horizontal;
    LONG SIZE::*main;
    LONG SIZE::*cross;
    LONG RECT::*mainStart;
    LONG RECT::*mainEnd;
    LONG RECT::*crossStart;
    LONG RECT::*crossEnd;
    UINT mainCenter;   // alignment values along the main axis
    UINT mainFar;
    UINT crossCenter;  // alignment values across the line
    UINT crossFar;
};

// Children side by side: main = width, cross = height.
constexpr LineAxis kRowAxis{true,
                            &SIZE::cx,
                            &SIZE::cy,
                            &RECT::left,
                            &RECT::right,
                            &RECT::top,
                            &RECT::bottom,
                            kChildAlignCenter,
                            kChildAlignRight,
                            kChildAlignVCenter,
                            kChildAlignBottom};
// Children one under the other: main = height, cross = width.
constexpr LineAxis kColumnAxis{false,
                               &SIZE::cy,
                               &SIZE::cx,
                               &RECT::top,
                               &RECT::bottom,
                               &RECT::left,
                               &RECT::right,
                               kChildAlignVCenter,
                               kChildAlignBottom,
                               kChildAlignCenter,
                               kChildAlignRight};

// The sum of two sides of a padding rectangle.
int PadSum(const RECT& r, LONG RECT::*start, LONG RECT::*end) { return r.*start + r.*end; }

}  // namespace

void CContainerUI::ArrangeInLine(bool horizontal) {
    const LineAxis& ax = horizontal ? kRowAxis : kColumnAxis;
    // Clamps to the child's minimum and maximum along one axis.
    const auto clampMain = [&](const CControlUI* c, int v) {
        return ax.horizontal ? ClampWidth(c, v) : ClampHeight(c, v);
    };
    const auto clampCross = [&](const CControlUI* c, int v) {
        return ax.horizontal ? ClampHeight(c, v) : ClampWidth(c, v);
    };

    const RECT rc = GetClientPos();
    if (m_items.IsEmpty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }
    const SIZE avail{rc.right - rc.left, rc.bottom - rc.top};
    const int gap = GetChildPadding();
    const UINT mainAlign = ax.horizontal ? m_childAlign : m_childVAlign;
    const UINT crossAlign = ax.horizontal ? m_childVAlign : m_childAlign;

    // Pass 1: measure the fixed main sizes, count the stretch children
    // (estimated main size 0) and find the largest cross size.
    int fixedTotal = 0;
    int nStretch = 0;
    int nMeasured = 0;
    int needCross = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible() || child->IsFloat()) continue;
        const RECT pad = child->GetPadding();
        const int padMain = PadSum(pad, ax.mainStart, ax.mainEnd);
        const int padCross = PadSum(pad, ax.crossStart, ax.crossEnd);
        SIZE offered = avail;
        offered.*ax.cross -= padCross;
        const SIZE sz = child->EstimateSize(LimitAvailable(child, offered));
        int main = sz.*ax.main;
        if (main == 0) {
            ++nStretch;
        } else {
            main = clampMain(child, main);
        }
        fixedTotal += main + padMain;  // a stretch child adds its paddings only
        int cross = sz.*ax.cross;
        if (cross < 0) cross = 0;
        cross = clampCross(child, cross);
        if (cross + padCross > needCross) needCross = cross + padCross;
        ++nMeasured;
    }
    if (nMeasured > 0) fixedTotal += (nMeasured - 1) * gap;
    int expand = 0;
    if (nStretch > 0) {
        expand = (avail.*ax.main - fixedTotal) / nStretch;
        if (expand < 0) expand = 0;
    }

    // Where the line starts; the alignment only matters when nothing
    // stretches to fill it.
    const SIZE scroll = GetVisibleScrollOffset();
    int cursor = rc.*ax.mainStart - scroll.*ax.main;
    if (nStretch == 0) {
        if (mainAlign == ax.mainCenter) cursor += (avail.*ax.main - fixedTotal) / 2;
        else if (mainAlign == ax.mainFar) cursor += avail.*ax.main - fixedTotal;
    }

    // Pass 2: place the children in order; the last stretch child takes
    // whatever the others left. A child's size listener may add or remove
    // children: the count is read again at every step, and the children
    // present when the walk reaches them are placed.
    SIZE remaining = avail;
    int fixedLeft = fixedTotal;
    int placed = 0;
    int stretchSeen = 0;
    int needMain = 0;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const RECT pad = child->GetPadding();
        const int padMain = PadSum(pad, ax.mainStart, ax.mainEnd);
        const int padCross = PadSum(pad, ax.crossStart, ax.crossEnd);
        remaining.*ax.main -= pad.*ax.mainStart;
        SIZE offered = remaining;
        offered.*ax.cross -= padCross;
        const SIZE a = LimitAvailable(child, offered);
        fixedLeft -= padMain;
        if (placed > 0) fixedLeft -= gap;

        const SIZE sz = child->EstimateSize(a);
        int main = sz.*ax.main;
        if (main != 0) {
            main = clampMain(child, main);
            fixedLeft -= main;
        } else {
            ++stretchSeen;
            main = expand;
            if (stretchSeen == nStretch) {
                main = remaining.*ax.main - pad.*ax.mainEnd - fixedLeft;
                if (main < 0) main = 0;
            }
            main = clampMain(child, main);
        }

        // Across the line a child fills the layout unless it has a size of
        // its own (the available size holds the fixed one). A row starts
        // from the child's maximum height, a column from its estimated width.
        int cross = ax.horizontal ? child->GetMaxHeight() : sz.cx;
        if (cross < 1) cross = rc.*ax.crossEnd - rc.*ax.crossStart - padCross;
        if (cross < 0) cross = 0;
        if (cross > a.*ax.cross) cross = a.*ax.cross;
        const int minCross = ax.horizontal ? child->GetMinHeight() : child->GetMinWidth();
        if (cross < minCross) cross = minCross;

        RECT pos{};
        if (crossAlign == ax.crossCenter) {
            const int mid = (rc.*ax.crossStart + rc.*ax.crossEnd) / 2;
            pos.*ax.crossStart = mid - cross / 2;
            pos.*ax.crossEnd = mid + cross - cross / 2;
        } else if (crossAlign == ax.crossFar) {
            pos.*ax.crossStart = rc.*ax.crossEnd - pad.*ax.crossEnd - cross;
            pos.*ax.crossEnd = rc.*ax.crossEnd - pad.*ax.crossEnd;
        } else {
            pos.*ax.crossStart = rc.*ax.crossStart + pad.*ax.crossStart;
            pos.*ax.crossEnd = rc.*ax.crossStart + pad.*ax.crossStart + cross;
        }
        pos.*ax.crossStart -= scroll.*ax.cross;
        pos.*ax.crossEnd -= scroll.*ax.cross;
        pos.*ax.mainStart = cursor + pad.*ax.mainStart;
        pos.*ax.mainEnd = cursor + pad.*ax.mainStart + main;
        child->SetPos(pos, false);

        cursor += main + gap + padMain;
        needMain += main + padMain;
        remaining.*ax.main -= main + gap + pad.*ax.mainEnd;
        ++placed;
    }
    if (nMeasured > 0) needMain += (nMeasured - 1) * gap;
    SIZE need{};
    need.*ax.main = needMain;
    need.*ax.cross = needCross;
    ProcessScrollBar(rc, need.cx, need.cy);
}

}  // namespace Veneer
