#pragma once
// Growable arrays of pointers and of fixed-size values on the process heap.
// Growth doubles the capacity (11 slots from empty) once the new count reaches
// it, so one slot is always spare after an Add; a failed growth leaves the
// array as it was and reports false.

namespace Veneer {

class UiPtrArray {
public:
    explicit UiPtrArray(int preallocate = 0);
    UiPtrArray(const UiPtrArray& source);
    UiPtrArray& operator=(const UiPtrArray&) = delete;
    ~UiPtrArray();

    void Empty();
    bool Resize(int size);
    bool IsEmpty() const { return m_count == 0; }
    int Find(void* item) const;
    bool Add(void* item);
    bool SetAt(int index, void* item);
    bool InsertAt(int index, void* item);
    bool Remove(int index);
    int GetSize() const { return m_count; }
    int GetCapacity() const { return m_capacity; }
    void** GetData() const { return m_items; }
    void* GetAt(int index) const;
    void* operator[](int index) const { return m_items[index]; }

private:
    bool Grow();

    void** m_items = nullptr;
    int m_count = 0;
    int m_capacity = 0;
};

class UiValArray {
public:
    explicit UiValArray(int elementSize, int preallocate = 0);
    UiValArray(const UiValArray&) = delete;
    UiValArray& operator=(const UiValArray&) = delete;
    ~UiValArray();

    void Empty() { m_count = 0; }
    bool IsEmpty() const { return m_count == 0; }
    bool Add(const void* element);
    bool Remove(int index);
    int GetSize() const { return m_count; }
    int GetCapacity() const { return m_capacity; }
    void* GetData() const { return m_data; }
    void* GetAt(int index) const;
    void* operator[](int index) const { return GetAt(index); }

private:
    unsigned char* m_data = nullptr;
    int m_elementSize;
    int m_count = 0;
    int m_capacity = 0;
};

}  // namespace Veneer
