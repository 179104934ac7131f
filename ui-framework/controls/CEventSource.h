#pragma once
// Listener lists of a control. A delegate is an object pointer plus a function
// (a plain function taking the one parameter, or a member function of the
// object); two delegates are equal when both are equal. A list owns copies of
// the delegates added to it.
#include <cstring>
#include <memory>

#include "core/UiSafeList.h"

namespace Veneer {

class CDelegateBase {
public:
    virtual ~CDelegateBase() = default;
    virtual CDelegateBase* Copy() const = 0;
    virtual bool Invoke(void* param) = 0;

    bool Equals(const CDelegateBase& other) const {
        return m_object == other.m_object && std::memcmp(m_function, other.m_function, sizeof(m_function)) == 0;
    }
    void* GetTarget() const { return m_object; }

protected:
    // Function pointers of any kind are kept as their bytes so that equality
    // needs no knowledge of the target type. A member function pointer is at
    // most two words in the ABIs this code is built for.
    template <typename Fn>
    CDelegateBase(void* object, Fn function) : m_object(object) {
        static_assert(sizeof(Fn) <= sizeof(m_function), "function pointer too large");
        std::memcpy(m_function, &function, sizeof(Fn));
    }
    template <typename Fn>
    Fn GetFunction() const {
        Fn function;
        std::memcpy(&function, m_function, sizeof(Fn));
        return function;
    }

private:
    void* m_object;
    unsigned char m_function[2 * sizeof(void*)]{};
};

class CDelegateStatic : public CDelegateBase {
public:
    using Function = bool (*)(void*);
    explicit CDelegateStatic(Function function) : CDelegateBase(nullptr, function) {}
    CDelegateBase* Copy() const override { return new CDelegateStatic(*this); }
    bool Invoke(void* param) override { return GetFunction<Function>()(param); }
};

template <typename T>
class CDelegate : public CDelegateBase {
public:
    using Function = bool (T::*)(void*);
    CDelegate(T* object, Function function) : CDelegateBase(object, function) {}
    CDelegateBase* Copy() const override { return new CDelegate(*this); }
    bool Invoke(void* param) override {
        T* object = static_cast<T*>(GetTarget());
        return (object->*GetFunction<Function>())(param);
    }
};

template <typename T>
CDelegate<T> MakeDelegate(T* object, bool (T::*function)(void*)) {
    return CDelegate<T>(object, function);
}
inline CDelegateStatic MakeDelegate(bool (*function)(void*)) { return CDelegateStatic(function); }

class CEventSource {
public:
    CEventSource() = default;
    CEventSource(const CEventSource&) = delete;
    CEventSource& operator=(const CEventSource&) = delete;
    ~CEventSource() = default;

    explicit operator bool() const { return m_delegates && !m_delegates->IsEmpty(); }
    int GetCount() const { return m_delegates ? m_delegates->GetSize() : 0; }

    // Adds a copy; a delegate equal to one already present is not added again.
    void operator+=(const CDelegateBase& delegate);
    void operator+=(bool (*function)(void*)) { *this += CDelegateStatic(function); }
    // Removes and frees the first equal delegate.
    void operator-=(const CDelegateBase& delegate);
    void operator-=(bool (*function)(void*)) { *this -= CDelegateStatic(function); }
    // Invokes the delegates in insertion order; false at the first one that
    // returns false, true when all return true or the list is empty. A
    // delegate may change the list or destroy its owner during the call.
    bool operator()(void* param);

private:
    using DelegateList = UiSafeList<std::unique_ptr<CDelegateBase>>;
    // Made by the first delegate: most sources never get one, and every
    // control carries five sources (an empty list is 72 bytes, this 8).
    std::unique_ptr<DelegateList> m_delegates;
};

}  // namespace Veneer
