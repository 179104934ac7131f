#pragma once
// Rectangle and size in the platform's layout (signed 32-bit, right and bottom
// exclusive). Units are whatever the caller works in: design units or pixels.
#include <windows.h>

namespace Veneer {

class UiRect : public RECT {
public:
    UiRect() { left = top = right = bottom = 0; }
    UiRect(LONG l, LONG t, LONG r, LONG b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    UiRect(const RECT& rc) : RECT(rc) {}

    int GetWidth() const { return right - left; }
    int GetHeight() const { return bottom - top; }
    void Empty() { left = top = right = bottom = 0; }
    bool IsNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    void Join(const RECT& rc);
    void ResetOffset();
    void Normalize();
    void Offset(int dx, int dy);
    void Inflate(int dx, int dy);
    void Deflate(int dx, int dy) { Inflate(-dx, -dy); }
    void Union(const RECT& rc);
    bool operator==(const RECT& rc) const {
        return left == rc.left && top == rc.top && right == rc.right && bottom == rc.bottom;
    }
    bool operator!=(const RECT& rc) const { return !(*this == rc); }
};

class UiSize : public SIZE {
public:
    UiSize() { cx = cy = 0; }
    UiSize(LONG width, LONG height) {
        cx = width;
        cy = height;
    }
    UiSize(const SIZE& size) : SIZE(size) {}
    explicit UiSize(const RECT& rc) {
        cx = rc.right - rc.left;
        cy = rc.bottom - rc.top;
    }
    bool operator==(const SIZE& size) const { return cx == size.cx && cy == size.cy; }
};

}  // namespace Veneer
