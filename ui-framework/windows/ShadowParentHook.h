#pragma once
// Subclassing of a shadow's parent window: every message of the parent is
// shown to its hook first, then goes on to the procedure the parent had.
#include <windows.h>

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

}  // namespace Veneer
