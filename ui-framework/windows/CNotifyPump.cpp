#include "windows/CNotifyPump.h"

#include <cwchar>

#include "controls/CControlUI.h"

namespace Veneer {

namespace {
const TNotifyEntry kEmptyEntries[] = {kNotifyTableEnd};
const TNotifyTable kEmptyTable{nullptr, kEmptyEntries};
}  // namespace

const TNotifyTable* CNotifyPump::GetNotifyTable() const { return &kEmptyTable; }

bool CNotifyPump::AddVirtualWnd(const wchar_t* name, CNotifyPump* pump) {
    if (!name || !*name || !pump) return false;
    for (const auto& entry : m_virtualWnds) {
        if (_wcsicmp(entry.first, name) == 0) return false;
    }
    m_virtualWnds.emplace_back(UiString(name), pump);
    return true;
}

bool CNotifyPump::RemoveVirtualWnd(const wchar_t* name) {
    if (!name) return false;
    for (auto it = m_virtualWnds.begin(); it != m_virtualWnds.end(); ++it) {
        if (_wcsicmp(it->first, name) != 0) continue;
        m_virtualWnds.erase(it);
        return true;
    }
    return false;
}

void CNotifyPump::NotifyPump(TUiNotify& msg) {
    if (!msg.virtualWnd.IsEmpty()) {
        // A handler may register or remove virtual windows: walk a copy.
        const auto pumps = m_virtualWnds;
        for (const auto& entry : pumps) {
            if (_wcsicmp(entry.first, msg.virtualWnd) == 0 && entry.second->LoopDispatch(msg)) return;
        }
    }
    LoopDispatch(msg);
}

bool CNotifyPump::LoopDispatch(TUiNotify& msg) {
    const UiString sender = msg.sender ? msg.sender->GetName() : UiString();
    for (const TNotifyTable* table = GetNotifyTable(); table; table = table->base) {
        // A named entry wins; otherwise the last entry of the type for any control.
        const TNotifyEntry* anyControl = nullptr;
        const TNotifyEntry* found = nullptr;
        for (const TNotifyEntry* entry = table->entries; entry->signature != NotifySignature::End; ++entry) {
            if (msg.type != entry->type) continue;
            if (!*entry->control) {
                anyControl = entry;
            } else if (sender == entry->control) {
                found = entry;
                break;
            }
        }
        if (!found) found = anyControl;
        if (!found) continue;
        if (found->signature == NotifySignature::Notify) {
            (this->*(found->onNotify))(msg);
        } else {
            (this->*(found->onParams))(msg.wParam, msg.lParam);
        }
        return true;
    }
    return false;
}

}  // namespace Veneer
