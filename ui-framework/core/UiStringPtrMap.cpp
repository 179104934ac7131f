#include "core/UiStringPtrMap.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace Veneer {

UiStringPtrMap::UiStringPtrMap(int buckets) { Resize(buckets < kMinBuckets ? kMinBuckets : buckets); }

UiStringPtrMap::~UiStringPtrMap() {
    DeleteNodes();
    free(m_buckets);
}

unsigned int UiStringPtrMap::Hash(const wchar_t* key) {
    unsigned int hash = 0;
    for (size_t i = wcslen(key); i > 0; --i) {
        hash = hash * 33u + static_cast<unsigned short>(key[i - 1]);
    }
    return hash;
}

void UiStringPtrMap::DeleteNodes() {
    if (!m_buckets) return;
    for (int i = 0; i < m_bucketCount; ++i) {
        Node* node = m_buckets[i];
        while (node) {
            Node* next = node->next;
            delete node;
            node = next;
        }
        m_buckets[i] = nullptr;
    }
    m_count = 0;
}

void UiStringPtrMap::Resize(int buckets) {
    DeleteNodes();
    free(m_buckets);
    m_buckets = nullptr;
    // The buckets are allocated by the first insert: most maps (every
    // control has one for its custom attributes) stay empty all their life.
    m_bucketCount = buckets > 0 ? buckets : 0;
}

UiStringPtrMap::Node* UiStringPtrMap::FindNode(const wchar_t* key, bool moveToFront) const {
    if (!key || m_bucketCount == 0 || m_count == 0) return nullptr;
    Node*& head = m_buckets[Hash(key) % static_cast<unsigned int>(m_bucketCount)];
    for (Node* node = head; node; node = node->next) {
        if (node->key != key) continue;
        if (moveToFront && node != head) {
            node->prev->next = node->next;
            if (node->next) node->next->prev = node->prev;
            node->prev = nullptr;
            node->next = head;
            head->prev = node;
            head = node;
        }
        return node;
    }
    return nullptr;
}

void* UiStringPtrMap::Find(const wchar_t* key, bool moveToFront) const {
    Node* node = FindNode(key, moveToFront);
    return node ? node->value : nullptr;
}

bool UiStringPtrMap::Insert(const wchar_t* key, void* value) {
    if (!key || m_bucketCount == 0 || Find(key, true)) return false;
    if (!m_buckets) {
        m_buckets = static_cast<Node**>(calloc(static_cast<size_t>(m_bucketCount), sizeof(Node*)));
        if (!m_buckets) return false;
    }
    Node*& head = m_buckets[Hash(key) % static_cast<unsigned int>(m_bucketCount)];
    Node* node = new Node{UiString(key), value, nullptr, head};
    if (head) head->prev = node;
    head = node;
    ++m_count;
    return true;
}

void* UiStringPtrMap::Set(const wchar_t* key, void* value) {
    if (!key || m_bucketCount == 0) return value;
    if (Node* node = FindNode(key, true)) {
        void* old = node->value;
        node->value = value;
        return old;
    }
    Insert(key, value);
    return nullptr;
}

bool UiStringPtrMap::Remove(const wchar_t* key) {
    Node* node = FindNode(key, false);
    if (!node) return false;
    if (node->prev) {
        node->prev->next = node->next;
    } else {
        m_buckets[Hash(key) % static_cast<unsigned int>(m_bucketCount)] = node->next;
    }
    if (node->next) node->next->prev = node->prev;
    delete node;
    --m_count;
    return true;
}

const wchar_t* UiStringPtrMap::GetAt(int index) const {
    if (index < 0 || !m_buckets) return nullptr;
    int position = 0;
    for (int bucket = m_bucketCount - 1; bucket >= 0; --bucket) {
        for (Node* node = m_buckets[bucket]; node; node = node->next) {
            if (position++ == index) return node->key.GetData();
        }
    }
    return nullptr;
}

WaitCursor::WaitCursor() : m_previous(::SetCursor(::LoadCursor(nullptr, IDC_WAIT))) {}

WaitCursor::~WaitCursor() { ::SetCursor(static_cast<HCURSOR>(m_previous)); }

}  // namespace Veneer
