#pragma once
// A soft drop shadow for a borderless top-level window: a layered,
// click-through popup owned by the window, holding a blurred silhouette of the
// window's region, kept glued to the window by subclassing it.
#include <windows.h>

#include "manager/CPaintManagerUI.h"
#include "windows/ShadowImage.h"
#include "windows/ShadowParentHook.h"

namespace ZKInstaller {

class CWndShadow : public Veneer::CShadowFollower {
public:
    // Once per process, before any shadow is created. False when already
    // initialised or when the system has no layered-window update.
    static bool Initialize(HINSTANCE instance);

    CWndShadow() = default;
    ~CWndShadow() override;

    // Creates the shadow window for `parent` and follows it from then on.
    // Nothing happens without a successful Initialize, or when this shadow or
    // the parent already has one.
    void Create(HWND parent);

    // Setters refuse values out of range (false, nothing changed) and render
    // again at once when the shadow is visible.
    bool SetSize(int size);            // -20..20
    bool SetSharpness(int sharpness);  // 0..20
    bool SetDarkness(int darkness);    // 0..255
    bool SetPosition(int x, int y);    // -20..20 each
    bool SetColor(COLORREF color);     // 0x00BBGGRR
    // The window's scale in percent: size and offsets above are design
    // units, drawn at this scale.
    void SetScale(int percent);

    int GetSize() const { return m_params.size; }
    int GetSharpness() const { return m_params.sharpness; }
    int GetDarkness() const { return m_params.darkness; }
    POINT GetPosition() const { return POINT{m_params.xOffset, m_params.yOffset}; }
    COLORREF GetColor() const { return RGB(m_params.red, m_params.green, m_params.blue); }
    // The pixels the shadow shows, drawn again into `bitmap`: the shadow
    // keeps none once they are presented (the system holds its own copy).
    // False without a parent or when nothing can be drawn.
    bool DrawImage(Veneer::CShadowBitmap& bitmap) const;
    // True while the shadow holds a drawn image; only during a render.
    bool HoldsImage() const { return m_bitmap.Width() != 0; }

private:
    void RenderShadow(HWND parent) override;
    void MoveWithParent(HWND parent) override;
    void RenderIfVisible();
    Veneer::ShadowParams Drawn() const;

    int m_scale = 100;  // percent
    Veneer::ShadowParams m_params{0, 5, 150, 5, 5, 0, 0, 0};
    Veneer::CShadowBitmap m_bitmap;  // empty between renders
};

}  // namespace ZKInstaller
