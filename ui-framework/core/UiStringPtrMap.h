#pragma once
// A string-keyed hash map of untyped pointers (never freed by the map), with
// chained buckets and optional move-to-front on lookup.
#include "core/UiString.h"

namespace Veneer {

class UiStringPtrMap {
public:
    static constexpr int kMinBuckets = 16;

    explicit UiStringPtrMap(int buckets = 83);
    UiStringPtrMap(const UiStringPtrMap&) = delete;
    UiStringPtrMap& operator=(const UiStringPtrMap&) = delete;
    ~UiStringPtrMap();

    // h = h * 33 + unit, over the units from last to first, wrapping in 32 bits.
    static unsigned int Hash(const wchar_t* key);

    void Resize(int buckets = 83);
    void* Find(const wchar_t* key, bool moveToFront = true) const;
    bool Insert(const wchar_t* key, void* value);
    void* Set(const wchar_t* key, void* value);
    bool Remove(const wchar_t* key);
    void RemoveAll() { Resize(m_bucketCount); }
    int GetSize() const { return m_count; }
    int GetBucketCount() const { return m_bucketCount; }
    const wchar_t* GetAt(int index) const;
    const wchar_t* operator[](int index) const { return GetAt(index); }

private:
    struct Node {
        UiString key;
        void* value;
        Node* prev;
        Node* next;
    };

    Node* FindNode(const wchar_t* key, bool moveToFront) const;
    void DeleteNodes();

    Node** m_buckets = nullptr;
    int m_bucketCount = 0;
    int m_count = 0;
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    void* m_previous;  // HCURSOR
};

}  // namespace Veneer
