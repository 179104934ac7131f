#include "core/UiRect.h"

namespace Veneer {

void UiRect::Join(const RECT& rc) {
    if (rc.left < left) left = rc.left;
    if (rc.top < top) top = rc.top;
    if (rc.right > right) right = rc.right;
    if (rc.bottom > bottom) bottom = rc.bottom;
}

void UiRect::ResetOffset() { ::OffsetRect(this, -left, -top); }

void UiRect::Normalize() {
    if (left > right) {
        const LONG t = left;
        left = right;
        right = t;
    }
    if (top > bottom) {
        const LONG t = top;
        top = bottom;
        bottom = t;
    }
}

void UiRect::Offset(int dx, int dy) { ::OffsetRect(this, dx, dy); }

void UiRect::Inflate(int dx, int dy) { ::InflateRect(this, dx, dy); }

void UiRect::Union(const RECT& rc) { ::UnionRect(this, this, &rc); }

}  // namespace Veneer
