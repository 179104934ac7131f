#pragma once
// A skinned window's side of screen-reader support: answers WM_GETOBJECT for
// the client area with the window's CAccessibleWindow, runs the default
// actions readers ask for, and turns the paint manager's accessibility
// events into system WinEvents whose child ids are the AccessibleTree's.
#include <windows.h>

#include <memory>

#include "manager/CPaintManagerUI.h"
#include "windows/AccessibleTree.h"

namespace Veneer {

class CAccessibleWindow;

class CAccessibleHost : public IMessageFilterUI, public IUiAccessibilityEvents {
public:
    explicit CAccessibleHost(CPaintManagerUI& manager);
    ~CAccessibleHost();
    CAccessibleHost(const CAccessibleHost&) = delete;
    CAccessibleHost& operator=(const CAccessibleHost&) = delete;

    // Once the manager has its window.
    void Attach();
    // Before the tree goes: a reader still holding the object gets failures.
    void Detach();
    // The window's own role: ROLE_SYSTEM_CLIENT unless set (a message box is
    // ROLE_SYSTEM_DIALOG). Takes effect for objects handed out afterwards.
    void SetRole(LONG role) { m_role = role; }

    LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnAccessibleEvent(UiAccessibleEvent event, CControlUI* control) override;

private:
    // The child id of `control` in the tree as it stands; false when unseen.
    bool IdOf(CControlUI* control, long* childId);

    struct Disconnecting {
        void operator()(CAccessibleWindow* object) const;
    };

    CPaintManagerUI& m_manager;
    LONG m_role;
    bool m_attached = false;
    AccessibleTree m_tree;  // rebuilt by IdOf
    std::unique_ptr<CAccessibleWindow, Disconnecting> m_object;  // made on the first request
};

}  // namespace Veneer
