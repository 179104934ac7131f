#pragma once
// What a screen reader must hear of a window's controls as it happens. The
// paint manager and the controls raise these; the window layer turns them
// into system accessibility events (it alone knows the accessible tree and
// so the child id of a control).
namespace Veneer {

class CControlUI;

enum class UiAccessibleEvent {
    Focus,         // the manager's focus control is now `control`
    ValueChange,   // a value shown by `control` (a progress bar's) changed
    StateChange,   // `control`'s checked state changed
};

class IUiAccessibilityEvents {
public:
    // Runs inside the change, on the window's thread; must not change the tree.
    virtual void OnAccessibleEvent(UiAccessibleEvent event, CControlUI* control) = 0;

protected:
    ~IUiAccessibilityEvents() = default;
};

}  // namespace Veneer
