#pragma once
// The monitors of the desktop, listed once per process (at most 63).
#include <windows.h>

#include <string>
#include <vector>

namespace ZKInstaller {

struct TMonitorEntry {
    HMONITOR monitor = nullptr;
    std::wstring device;  // at most 31 characters
    RECT rect{};          // virtual-screen pixels
    RECT work{};
    bool primary = false;
    std::wstring label;   // "显示器 1", "显示器 2", ...
};

class CMonitorTable {
public:
    static constexpr size_t kMaxMonitors = 63;

    // Built on first use and kept.
    static const CMonitorTable& Get();
    // Lists the given monitors (in enumeration order); for tests.
    static CMonitorTable FromMonitors(const std::vector<TMonitorEntry>& monitors);

    const std::vector<TMonitorEntry>& Entries() const { return m_entries; }
    // The primary monitor's rectangle; the primary screen's when none is listed.
    RECT PrimaryRect() const;

private:
    static BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data);
    void Add(TMonitorEntry entry);

    std::vector<TMonitorEntry> m_entries;
    int m_primary = -1;
};

}  // namespace ZKInstaller
