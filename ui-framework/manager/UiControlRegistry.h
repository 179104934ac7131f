#pragma once
// Every place where a paint manager keeps a pointer to a control is a holder
// that enrols in the manager's registry when it is constructed and leaves when
// it is destroyed. A control that goes away is forgotten by all of them at
// once, so a list added later cannot be missed.
#include <functional>
#include <utility>
#include <vector>

#include "core/UiSafeList.h"

namespace Veneer {

class CControlUI;
class UiControlHolder;

class UiControlRegistry {
public:
    UiControlRegistry() = default;
    UiControlRegistry(const UiControlRegistry&) = delete;
    UiControlRegistry& operator=(const UiControlRegistry&) = delete;

    // Tells every holder that `control` is going away.
    void Forget(CControlUI* control);

private:
    friend class UiControlHolder;
    std::vector<UiControlHolder*> m_holders;
};

class UiControlHolder {
public:
    explicit UiControlHolder(UiControlRegistry& registry) : m_registry(registry) {
        m_registry.m_holders.push_back(this);
    }
    virtual ~UiControlHolder() {
        auto& holders = m_registry.m_holders;
        for (auto it = holders.begin(); it != holders.end(); ++it) {
            if (*it != this) continue;
            holders.erase(it);
            break;
        }
    }
    UiControlHolder(const UiControlHolder&) = delete;
    UiControlHolder& operator=(const UiControlHolder&) = delete;

    virtual void Forget(CControlUI* control) = 0;

private:
    UiControlRegistry& m_registry;
};

inline void UiControlRegistry::Forget(CControlUI* control) {
    // A holder may be created or destroyed by what it does: walk a copy and
    // skip holders that left meanwhile.
    const std::vector<UiControlHolder*> holders = m_holders;
    for (UiControlHolder* holder : holders) {
        for (UiControlHolder* current : m_holders) {
            if (current != holder) continue;
            holder->Forget(control);
            break;
        }
    }
}

// One control pointer (focus, hover, capture target...), cleared when its
// control goes away.
class UiControlRef final : public UiControlHolder {
public:
    explicit UiControlRef(UiControlRegistry& registry) : UiControlHolder(registry) {}
    UiControlRef& operator=(CControlUI* control) {
        m_control = control;
        return *this;
    }
    // Copies the pointer only: each reference keeps its own enrolment.
    UiControlRef& operator=(const UiControlRef& other) {
        m_control = other.m_control;
        return *this;
    }
    operator CControlUI*() const { return m_control; }
    CControlUI* operator->() const { return m_control; }
    CControlUI* Get() const { return m_control; }
    void Forget(CControlUI* control) override {
        if (m_control == control) m_control = nullptr;
    }

private:
    CControlUI* m_control = nullptr;
};

// A list of controls that drops a control when it goes away, safe to change
// while it is walked.
class UiControlList final : public UiControlHolder, public UiSafeList<CControlUI> {
public:
    explicit UiControlList(UiControlRegistry& registry) : UiControlHolder(registry) {}
    void Forget(CControlUI* control) override { Remove(control); }
};

// A holder whose forgetting is a function: for tables that keep controls
// inside other records (timers, queued notifications, native windows).
class UiForgetHook final : public UiControlHolder {
public:
    UiForgetHook(UiControlRegistry& registry, std::function<void(CControlUI*)> forget)
        : UiControlHolder(registry), m_forget(std::move(forget)) {}
    void Forget(CControlUI* control) override { m_forget(control); }

private:
    std::function<void(CControlUI*)> m_forget;
};

}  // namespace Veneer
