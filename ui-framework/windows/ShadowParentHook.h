#pragma once
// Subclassing of a shadow's parent window: every message of the parent is
// shown to its hook first, then goes on to the procedure the parent had.
#include <windows.h>

#include "manager/CPaintManagerUI.h"

namespace Veneer {

class IShadowParentHook {
public:
    virtual ~IShadowParentHook() = default;
    // While true the hook is skipped and messages pass straight on.
    virtual bool IsPassingThrough() const { return false; }
    virtual void OnParentMessage(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // The parent's final message: the hook is dropped after this.
    virtual void OnParentGone() = 0;
};

// Subclasses `parent` for `hook`. False when the parent is no window or is
// already hooked (one shadow per window).
bool HookShadowParent(HWND parent, IShadowParentHook* hook);
// Stops showing messages to `hook`. The original procedure is put back when
// nobody subclassed the parent since; otherwise messages keep passing
// through until the parent is destroyed.
void UnhookShadowParent(HWND parent, IShadowParentHook* hook);

// A shadow window that follows its parent through the parent's own messages:
// hidden while the parent is hidden, minimised or maximised, moved with it,
// drawn again when it shrinks, on the next paint when it grows (the new area
// is not painted yet), and at the end of a move or resize loop.
class CShadowFollower : private IShadowParentHook {
public:
    // Status bits.
    static constexpr BYTE kEnabled = 1;
    static constexpr BYTE kVisible = 2;
    static constexpr BYTE kParentVisible = 4;

    CShadowFollower(const CShadowFollower&) = delete;
    CShadowFollower& operator=(const CShadowFollower&) = delete;

    BYTE GetStatus() const { return m_status; }
    HWND GetShadowWindow() const { return m_hwnd.Get(); }

protected:
    CShadowFollower() = default;
    ~CShadowFollower() override;

    // Takes ownership of `shadow` (a new shadow window, may be null) and
    // follows `parent`, taking over its state: shown and drawn at once when
    // the parent is visible and neither minimised nor maximised. False, with
    // the window destroyed, when there is no window or the parent already has
    // a shadow.
    bool Follow(HWND parent, HWND shadow);
    // Stops following; the shadow window is destroyed.
    void Detach();
    HWND GetParentWindow() const { return m_parent; }

    // Draws the shadow for the parent's current geometry.
    virtual void RenderShadow(HWND parent) = 0;
    // Places the shadow for the parent's new position (a visible shadow only).
    virtual void MoveWithParent(HWND parent) = 0;
    // The parent messages the follower does not handle itself.
    virtual void OnOtherParentMessage(HWND /*parent*/, UINT /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {}
    // The parent was shown or hidden (nothing unless enabled).
    void OnParentShown();
    void OnParentHidden();

    UiHandle<WindowTraits> m_hwnd;
    HWND m_parent = nullptr;
    BYTE m_status = 0;
    LPARAM m_lastSize = 0;  // client size as in WM_SIZE: width low, height high
    bool m_updateNeeded = false;

private:
    void OnParentMessage(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) final;
    void OnParentGone() final;
};

}  // namespace Veneer
