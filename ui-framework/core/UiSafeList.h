#pragma once
// A typed list of registrations (listeners, filters, controls) that stays
// sound while it is being walked: the callback may add entries, remove itself
// or any other entry, or destroy the object that owns the list.
//
// Invariants: an entry is visited by a walk only if it was present when the
// walk began and is still present at its turn. Removal during a walk leaves a
// hole (and, for owned entries, keeps the object alive) until the outermost
// walk ends. Entries are unique by pointer.
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace Veneer {

// How a walk ended.
enum class UiWalk {
    Completed,  // every entry was visited
    Stopped,    // the callback asked to stop
    OwnerGone,  // the list was destroyed by a callback: touch nothing of its owner
};

template <typename T>
struct UiSafeListTraits {  // non-owning: T*
    using Item = T*;
    static T* Get(const Item& item) { return item; }
};
template <typename T>
struct UiSafeListTraits<std::unique_ptr<T>> {  // owning
    using Item = std::unique_ptr<T>;
    static T* Get(const Item& item) { return item.get(); }
};

template <typename Element, typename Traits = UiSafeListTraits<Element>>
class UiSafeList {
public:
    using Item = typename Traits::Item;
    using Pointer = decltype(Traits::Get(std::declval<const Item&>()));

    UiSafeList() = default;
    ~UiSafeList() {
        if (m_alive) *m_alive = false;
    }
    UiSafeList(const UiSafeList&) = delete;
    UiSafeList& operator=(const UiSafeList&) = delete;

    // False for null or an entry already present.
    bool Add(Item item) {
        Pointer pointer = Traits::Get(item);
        if (!pointer || Contains(pointer)) return false;
        m_items.push_back(std::move(item));
        return true;
    }

    bool Remove(Pointer pointer) {
        return RemoveFirstIf([pointer](Pointer entry) { return entry == pointer; });
    }

    // Removes the first entry for which `match(entry)` is true.
    template <typename Match>
    bool RemoveFirstIf(Match match) {
        for (size_t i = 0; i < m_items.size(); ++i) {
            Pointer entry = Traits::Get(m_items[i]);
            if (!entry || !match(entry)) continue;
            if (m_walks > 0) {
                // A walk may be inside this very entry: keep it until the walk ends.
                m_retired.push_back(std::move(m_items[i]));
                m_items[i] = Item{};
                m_holes = true;
            } else {
                m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
            }
            return true;
        }
        return false;
    }

    bool Contains(Pointer pointer) const { return FindIf([pointer](Pointer e) { return e == pointer; }) != nullptr; }

    template <typename Match>
    Pointer FindIf(Match match) const {
        for (const Item& item : m_items) {
            Pointer entry = Traits::Get(item);
            if (entry && match(entry)) return entry;
        }
        return nullptr;
    }

    int GetSize() const {
        return static_cast<int>(
            std::count_if(m_items.begin(), m_items.end(), [](const Item& item) { return Traits::Get(item) != nullptr; }));
    }
    bool IsEmpty() const { return GetSize() == 0; }

    // The live entries in order, as plain pointers.
    std::vector<Pointer> Snapshot() const {
        std::vector<Pointer> entries;
        for (const Item& item : m_items) {
            if (Pointer entry = Traits::Get(item)) entries.push_back(entry);
        }
        return entries;
    }

    void Clear() {
        if (m_walks == 0) {
            m_items.clear();
            return;
        }
        for (Item& item : m_items) {
            if (!Traits::Get(item)) continue;
            m_retired.push_back(std::move(item));
            item = Item{};
            m_holes = true;
        }
    }

    // Calls `visit(entry)` for each entry in order; `visit` returns true to stop.
    template <typename Visit>
    UiWalk ForEach(Visit visit) {
        if (!m_alive) m_alive = std::make_shared<bool>(true);
        const std::shared_ptr<bool> alive = m_alive;
        ++m_walks;
        const size_t count = m_items.size();  // entries added during the walk wait for the next one
        for (size_t i = 0; i < count; ++i) {
            Pointer entry = Traits::Get(m_items[i]);
            if (!entry) continue;
            const bool stop = visit(entry);
            if (!*alive) return UiWalk::OwnerGone;
            if (stop) {
                EndWalk();
                return UiWalk::Stopped;
            }
        }
        EndWalk();
        return UiWalk::Completed;
    }

private:
    void EndWalk() {
        if (--m_walks > 0 || !m_holes) return;
        m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                                     [](const Item& item) { return Traits::Get(item) == nullptr; }),
                      m_items.end());
        m_holes = false;
        m_retired.clear();
    }

    std::vector<Item> m_items;
    std::vector<Item> m_retired;  // owned entries removed during a walk
    int m_walks = 0;
    bool m_holes = false;
    std::shared_ptr<bool> m_alive;  // made by the first walk; false once destroyed
};

}  // namespace Veneer
