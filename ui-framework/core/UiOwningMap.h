#pragma once
// A string-keyed table that owns its values: the string map's buckets and
// lookup, with every value held as a T freed by `Deleter` when it is replaced,
// removed or the table goes. The one place that turns the map's untyped
// values back into T.
#include <memory>
#include <utility>

#include "core/UiStringPtrMap.h"

namespace Veneer {

template <typename T, typename Deleter = std::default_delete<T>>
class UiOwningMap {
public:
    using Owner = std::unique_ptr<T, Deleter>;

    explicit UiOwningMap(int buckets = 83) : m_map(buckets) {}
    UiOwningMap(const UiOwningMap&) = delete;
    UiOwningMap& operator=(const UiOwningMap&) = delete;
    ~UiOwningMap() { Clear(); }

    T* Find(const wchar_t* key, bool moveToFront = true) const {
        return static_cast<T*>(m_map.Find(key, moveToFront));
    }
    // Stores `value` under `key`, freeing the value it replaces; the stored
    // value, or null (and `value` freed) when the key is null.
    T* Set(const wchar_t* key, Owner value) {
        if (!key) return nullptr;
        T* stored = value.release();
        Owner replaced(static_cast<T*>(m_map.Set(key, stored)));
        return stored;
    }
    // Stores `value` only when `key` is new; the stored value, or null (and
    // `value` freed) when the key is taken or null.
    T* Insert(const wchar_t* key, Owner value) {
        if (!m_map.Insert(key, value.get())) return nullptr;
        return value.release();
    }
    // Frees the value of `key`; false when there is none.
    bool Remove(const wchar_t* key) {
        Owner old(Find(key, false));
        if (!old) return false;
        m_map.Remove(key);
        return true;
    }
    void Clear() {
        ForEach([](const wchar_t*, T& value) { Owner freed(&value); });
        m_map.RemoveAll();
    }
    // Calls `fn(key, value)` for every entry; `fn` must not change the table.
    template <typename Fn>
    void ForEach(Fn fn) const {
        for (int i = 0; i < m_map.GetSize(); ++i) {
            const wchar_t* key = m_map.GetAt(i);
            if (T* value = key ? Find(key, false) : nullptr) fn(key, *value);
        }
    }
    int GetSize() const { return m_map.GetSize(); }

private:
    UiStringPtrMap m_map;
};

}  // namespace Veneer
