#pragma once
// The drop shadow a paint manager keeps for its window: a layered,
// click-through popup owned by the window, drawn either from parameters (a
// soft silhouette of the window's region) or from a nine-part image, and kept
// in place by subclassing the window. Nothing is created until the shadow is
// switched on.
#include <windows.h>

#include "core/UiRect.h"
#include "core/UiString.h"
#include "manager/CPaintManagerUI.h"
#include "manager/UiEvents.h"
#include "windows/ShadowImage.h"
#include "windows/ShadowParentHook.h"

namespace Veneer {

class CShadowUI : public IWindowShadow, public CShadowFollower {
public:
    CShadowUI();
    ~CShadowUI() override;

    // IWindowShadow
    bool IsShowShadow() const override { return m_showShadow; }
    bool IsSkinShadow() const override { return true; }
    // Does nothing unless the shadow is switched on, or when it already exists.
    void Create(CPaintManagerUI* manager) override;
    // Draws and shows the shadow for the current window geometry (when on and visible).
    void Render() override;

    void ShowShadow(bool show) { m_showShadow = show; }
    // true hides the shadow and makes it ignore the window; false follows the
    // window's state again.
    void Hide(bool hidden);
    bool IsHidden() const { return m_hidden; }

    // Setters refuse values out of range (false, nothing changed).
    bool SetSize(int size);            // -35..35
    bool SetSharpness(int sharpness);  // 0..35
    bool SetDarkness(int darkness);    // 0..255
    bool SetPosition(int x, int y);    // -35..35 each
    bool SetColor(DWORD color);        // 0xAARRGGBB, alpha unused
    bool SetImage(const wchar_t* name);  // also switches to image mode
    bool SetShadowCorner(RECT corner);   // each >= 0

    // Image mode: image, corners, size; else size, sharpness, darkness,
    // colour, position. Both: the show flag.
    void CopyShadow(CShadowUI* target) const;

    int GetSize() const { return m_size; }
    int GetSharpness() const { return m_sharpness; }
    int GetDarkness() const { return m_darkness; }
    POINT GetPosition() const { return POINT{m_xOffset, m_yOffset}; }
    DWORD GetColor() const { return m_color; }
    bool IsImageMode() const { return m_useImage; }
    // The bitmap of the last render (tests read its pixels).
    const CShadowBitmap& GetBitmap() const { return m_bitmap; }

private:
    bool IsPassingThrough() const override { return m_hidden; }
    void RenderShadow(HWND parent) override;
    void MoveWithParent(HWND parent) override;
    void OnOtherParentMessage(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) override;
    void RenderNow();
    int Px(int value) const;

    CPaintManagerUI* m_manager = nullptr;
    bool m_useImage = false;
    bool m_showShadow = false;
    bool m_hidden = false;
    int m_darkness = 150;
    int m_sharpness = 5;
    int m_size = 0;
    int m_xOffset = 0;
    int m_yOffset = 0;
    DWORD m_color = 0;
    UiString m_image;
    UiRect m_corner;
    CShadowBitmap m_bitmap;
};

}  // namespace Veneer
