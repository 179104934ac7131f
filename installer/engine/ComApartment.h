#pragma once
// This thread's membership of a single-threaded COM apartment, left when the
// object goes. Only a successful join is matched by CoUninitialize: a thread
// already in another apartment must not be made to leave it.
#include <objbase.h>

namespace ZKInstaller {

class CComApartment {
public:
    CComApartment() = default;
    ~CComApartment() { Leave(); }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

    // True once this thread is in the apartment (joining twice joins once).
    bool Join() {
        if (!m_joined) m_joined = SUCCEEDED(::CoInitialize(nullptr));
        return m_joined;
    }
    void Leave() {
        if (!m_joined) return;
        ::CoUninitialize();
        m_joined = false;
    }
    bool IsJoined() const { return m_joined; }

private:
    bool m_joined = false;
};

}  // namespace ZKInstaller
