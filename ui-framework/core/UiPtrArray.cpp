#include "core/UiPtrArray.h"

#include <cstdlib>
#include <cstring>

namespace Veneer {

namespace {
constexpr int kFirstCapacity = 11;

int NextCapacity(int capacity) { return capacity == 0 ? kFirstCapacity : capacity * 2; }
}  // namespace

UiPtrArray::UiPtrArray(int preallocate) {
    if (preallocate > 0) {
        m_items = static_cast<void**>(malloc(static_cast<size_t>(preallocate) * sizeof(void*)));
        if (m_items) m_capacity = preallocate;
    }
}

UiPtrArray::UiPtrArray(const UiPtrArray& source) {
    for (int i = 0; i < source.GetSize(); ++i) Add(source.GetAt(i));
}

UiPtrArray::~UiPtrArray() { free(m_items); }

void UiPtrArray::Empty() {
    free(m_items);
    m_items = nullptr;
    m_count = m_capacity = 0;
}

bool UiPtrArray::Resize(int size) {
    Empty();
    if (size <= 0) return true;
    m_items = static_cast<void**>(calloc(static_cast<size_t>(size), sizeof(void*)));
    if (!m_items) return false;
    m_count = m_capacity = size;
    return true;
}

int UiPtrArray::Find(void* item) const {
    for (int i = 0; i < m_count; ++i) {
        if (m_items[i] == item) return i;
    }
    return -1;
}

bool UiPtrArray::Grow() {
    // Called with the count already raised; it is restored on failure.
    if (m_count < m_capacity) return true;
    const int capacity = NextCapacity(m_capacity);
    auto* items = static_cast<void**>(realloc(m_items, static_cast<size_t>(capacity) * sizeof(void*)));
    if (!items) {
        --m_count;
        return false;
    }
    m_items = items;
    m_capacity = capacity;
    return true;
}

bool UiPtrArray::Add(void* item) {
    ++m_count;
    if (!Grow()) return false;
    m_items[m_count - 1] = item;
    return true;
}

bool UiPtrArray::SetAt(int index, void* item) {
    if (index < 0 || index >= m_count) return false;
    m_items[index] = item;
    return true;
}

bool UiPtrArray::InsertAt(int index, void* item) {
    if (index == m_count) return Add(item);
    if (index < 0 || index > m_count) return false;
    ++m_count;
    if (!Grow()) return false;
    memmove(&m_items[index + 1], &m_items[index], static_cast<size_t>(m_count - index - 1) * sizeof(void*));
    m_items[index] = item;
    return true;
}

bool UiPtrArray::Remove(int index) {
    if (index < 0 || index >= m_count) return false;
    if (index < --m_count) {
        memmove(&m_items[index], &m_items[index + 1], static_cast<size_t>(m_count - index) * sizeof(void*));
    }
    return true;
}

void* UiPtrArray::GetAt(int index) const {
    if (index < 0 || index >= m_count) return nullptr;
    return m_items[index];
}

UiValArray::UiValArray(int elementSize, int preallocate) : m_elementSize(elementSize) {
    if (preallocate > 0) {
        m_data = static_cast<unsigned char*>(malloc(static_cast<size_t>(preallocate) * m_elementSize));
        if (m_data) m_capacity = preallocate;
    }
}

UiValArray::~UiValArray() { free(m_data); }

bool UiValArray::Add(const void* element) {
    if (m_count + 1 >= m_capacity) {
        const int capacity = NextCapacity(m_capacity);
        auto* data = static_cast<unsigned char*>(realloc(m_data, static_cast<size_t>(capacity) * m_elementSize));
        if (!data) return false;
        m_data = data;
        m_capacity = capacity;
    }
    memcpy(m_data + static_cast<size_t>(m_count) * m_elementSize, element, static_cast<size_t>(m_elementSize));
    ++m_count;
    return true;
}

bool UiValArray::Remove(int index) {
    if (index < 0 || index >= m_count) return false;
    if (index < --m_count) {
        memmove(m_data + static_cast<size_t>(index) * m_elementSize,
                m_data + static_cast<size_t>(index + 1) * m_elementSize,
                static_cast<size_t>(m_count - index) * m_elementSize);
    }
    return true;
}

void* UiValArray::GetAt(int index) const {
    if (index < 0 || index >= m_count) return nullptr;
    return m_data + static_cast<size_t>(index) * m_elementSize;
}

}  // namespace Veneer
