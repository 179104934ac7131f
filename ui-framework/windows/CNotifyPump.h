#pragma once
// Dispatches notifications to member handlers through static tables: each
// class has a table of (type word, control name, handler) entries and a link to
// its base class's table. Pumps registered as virtual windows get the
// notifications that name them first.
#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "core/UiString.h"
#include "manager/UiEvents.h"

namespace Veneer {

class CNotifyPump;

enum class NotifySignature : int {
    End = 0,     // closes a table
    Params = 1,  // handler(wParam, lParam)
    Notify = 2,  // handler(TUiNotify&)
};

struct TNotifyEntry {
    const wchar_t* type;     // notification type word
    const wchar_t* control;  // sender name; empty: any control
    NotifySignature signature;
    void (CNotifyPump::*onNotify)(TUiNotify&);
    void (CNotifyPump::*onParams)(WPARAM, LPARAM);
};

struct TNotifyTable {
    const TNotifyTable* base;     // the base class's table, or null
    const TNotifyEntry* entries;  // ends with a NotifySignature::End entry
};

// Table entries for a handler of class T (derived from CNotifyPump).
template <typename T>
constexpr TNotifyEntry NotifyEntry(const wchar_t* type, const wchar_t* control, void (T::*handler)(TUiNotify&)) {
    return TNotifyEntry{type, control, NotifySignature::Notify,
                        static_cast<void (CNotifyPump::*)(TUiNotify&)>(handler), nullptr};
}
template <typename T>
constexpr TNotifyEntry NotifyEntry(const wchar_t* type, const wchar_t* control, void (T::*handler)(WPARAM, LPARAM)) {
    return TNotifyEntry{type, control, NotifySignature::Params, nullptr,
                        static_cast<void (CNotifyPump::*)(WPARAM, LPARAM)>(handler)};
}
constexpr TNotifyEntry kNotifyTableEnd{L"", L"", NotifySignature::End, nullptr, nullptr};

class CNotifyPump {
public:
    CNotifyPump() = default;
    virtual ~CNotifyPump() = default;
    CNotifyPump(const CNotifyPump&) = delete;
    CNotifyPump& operator=(const CNotifyPump&) = delete;

    // False when the name is taken (or empty). The pump is not owned.
    bool AddVirtualWnd(const wchar_t* name, CNotifyPump* pump);
    bool RemoveVirtualWnd(const wchar_t* name);
    // Offers `msg` to the virtual windows it names, else dispatches it here.
    void NotifyPump(TUiNotify& msg);

protected:
    // The class's table; the base class has none of its own.
    virtual const TNotifyTable* GetNotifyTable() const;
    // Runs the first matching handler of the nearest table that has one.
    bool LoopDispatch(TUiNotify& msg);

private:
    std::vector<std::pair<UiString, CNotifyPump*>> m_virtualWnds;
};

}  // namespace Veneer
