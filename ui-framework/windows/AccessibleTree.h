#pragma once
// What a screen reader sees of one window's controls: every visible control
// that means something to a listener (buttons, options, check boxes, progress
// bars, links, and anything else that shows a text or has a tooltip),
// flattened in tree order, which is the reading order of a skin. Child id n
// (1-based, as MSAA counts) is the n-th entry.
//
// The list is rebuilt for each query and never trusted beyond it: an id names
// a position in the tree as it stands at that moment, so a control destroyed
// or hidden meanwhile is simply not found.
#include <windows.h>

#include "core/UiPtrArray.h"
#include "core/UiString.h"

namespace Veneer {

class CControlUI;

class AccessibleTree {
public:
    // The controls under `root` as they stand now; empty for a null root.
    void Rebuild(CControlUI* root);

    long Count() const { return m_items.GetSize(); }
    // Null outside 1..Count().
    CControlUI* At(long childId) const;
    // The child id of `control`; false when the reader does not see it.
    bool IdOf(const CControlUI* control, long* childId) const;
    // The entry's text, else its tooltip; an option or check box with neither
    // takes the text of the entry that follows it in the same container (the
    // label a skin puts beside a bare tick box).
    UiString NameAt(long childId) const;
    // The topmost entry whose rectangle holds `pt` (window pixels): later
    // entries are painted over earlier ones.
    bool HitTest(POINT pt, long* childId) const;

    static bool IsExposed(CControlUI* control);
    // ROLE_SYSTEM_* of an exposed control.
    static LONG RoleOf(CControlUI* control);
    // STATE_SYSTEM_* bits; `focused`: the control has the manager's focus and
    // its window the keyboard focus.
    static LONG StateOf(CControlUI* control, bool focused);
    // A progress bar's position as a whole percent ("42%"); empty otherwise.
    static UiString ValueOf(CControlUI* control);
    // "Press", "Check", "Uncheck", "Jump", or null when the role has none.
    static const wchar_t* DefaultActionOf(CControlUI* control);
    // What a click does: a button's "click", an option's or check box's
    // toggle, a link's first "link". False when the control refuses (hidden,
    // disabled) or has no action.
    static bool DoDefaultAction(CControlUI* control);

private:
    UiPtrArray m_items;
};

}  // namespace Veneer
