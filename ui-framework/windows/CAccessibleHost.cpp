#include "windows/CAccessibleHost.h"

#include <oleacc.h>

#include "windows/CAccessibleWindow.h"

namespace Veneer {

CAccessibleHost::CAccessibleHost(CPaintManagerUI& manager) : m_manager(manager), m_role(ROLE_SYSTEM_CLIENT) {}

CAccessibleHost::~CAccessibleHost() { Detach(); }

void CAccessibleHost::Disconnecting::operator()(CAccessibleWindow* object) const {
    object->Disconnect();
    object->Release();
}

void CAccessibleHost::Attach() {
    if (m_attached) return;
    m_attached = true;
    m_manager.AddMessageFilter(this);
    m_manager.SetAccessibilityEvents(this);
}

void CAccessibleHost::Detach() {
    m_object.reset();
    if (!m_attached) return;
    m_attached = false;
    m_manager.RemoveMessageFilter(this);
    m_manager.SetAccessibilityEvents(nullptr);
}

bool CAccessibleHost::IdOf(CControlUI* control, long* childId) {
    m_tree.Rebuild(m_manager.GetRoot());
    return m_tree.IdOf(control, childId);
}

LRESULT CAccessibleHost::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    // The object id travels in the low 32 bits, whatever the width of LPARAM.
    if (msg == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (!m_object) m_object.reset(new CAccessibleWindow(&m_manager, m_role));
        handled = true;
        return ::LresultFromObject(__uuidof(IAccessible), wParam, m_object.get());
    }
    // Registered messages lie at 0xC000 and above (0 would mean none).
    if (msg >= 0xC000 && msg == CAccessibleWindow::ActionMessage()) {
        // The control was exposed when the action was asked for; it must
        // still be, or it is gone or hidden and nothing happens.
        handled = true;
        auto* control = reinterpret_cast<CControlUI*>(lParam);
        long id = 0;
        if (IdOf(control, &id)) AccessibleTree::DoDefaultAction(control);
    }
    return 0;
}

void CAccessibleHost::OnAccessibleEvent(UiAccessibleEvent event, CControlUI* control) {
    static const DWORD kWinEvents[] = {EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_STATECHANGE};
    const DWORD winEvent = kWinEvents[static_cast<int>(event)];
    HWND window = m_manager.GetPaintWindow();
    // Nobody listening: no walk of the tree. A control readers do not see
    // (on a hidden page) raises nothing.
    long id = 0;
    if (!window || !::IsWinEventHookInstalled(winEvent) || !IdOf(control, &id)) return;
    ::NotifyWinEvent(winEvent, window, OBJID_CLIENT, id);
}

}  // namespace Veneer
