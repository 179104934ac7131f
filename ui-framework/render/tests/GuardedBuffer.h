#pragma once
// Test inputs that end exactly where an inaccessible page begins, so that any
// read past the end faults at once instead of passing unnoticed, and a small
// deterministic generator for mutation loops.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace Veneer::Testing {

class GuardedBuffer {
public:
    GuardedBuffer(const void* bytes, size_t length) : m_length(length) {
        SYSTEM_INFO system{};
        ::GetSystemInfo(&system);
        const size_t page = system.dwPageSize;
        const size_t dataPages = length == 0 ? 1 : (length + page - 1) / page;
        m_block = ::VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        unsigned char* base = static_cast<unsigned char*>(m_block);
        DWORD old = 0;
        ::VirtualProtect(base + dataPages * page, page, PAGE_NOACCESS, &old);
        m_data = base + dataPages * page - length;
        if (length) std::memcpy(m_data, bytes, length);
    }
    // The text and its terminator, the terminator being the last readable unit.
    explicit GuardedBuffer(const std::wstring& text)
        : GuardedBuffer(text.c_str(), (text.size() + 1) * sizeof(wchar_t)) {}
    ~GuardedBuffer() {
        if (m_block) ::VirtualFree(m_block, 0, MEM_RELEASE);
    }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    const unsigned char* Data() const { return m_data; }
    const wchar_t* Text() const { return reinterpret_cast<const wchar_t*>(m_data); }
    size_t Length() const { return m_length; }

private:
    void* m_block = nullptr;
    unsigned char* m_data = nullptr;
    size_t m_length = 0;
};

class Lcg {
public:
    explicit Lcg(uint32_t seed) : m_state(seed) {}
    uint32_t Next() {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }

private:
    uint32_t m_state;
};

}  // namespace Veneer::Testing
