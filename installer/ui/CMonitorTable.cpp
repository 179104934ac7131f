#include "installer/ui/CMonitorTable.h"

#include <string>

#include "ZKCore/ZKString.h"

namespace ZKInstaller {

BOOL CALLBACK CMonitorTable::AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto* table = reinterpret_cast<CMonitorTable*>(data);
    MONITORINFOEXW info{};
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoW(monitor, &info)) return TRUE;
    TMonitorEntry entry;
    entry.monitor = monitor;
    entry.device = std::wstring(info.szDevice).substr(0, 31);
    entry.rect = info.rcMonitor;
    entry.work = info.rcWork;
    entry.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    table->Add(entry);
    return table->m_entries.size() < kMaxMonitors ? TRUE : FALSE;
}

const CMonitorTable& CMonitorTable::Get() {
    static const CMonitorTable table = [] {
        CMonitorTable built;
        ::EnumDisplayMonitors(nullptr, nullptr, &CMonitorTable::AddMonitor, reinterpret_cast<LPARAM>(&built));
        return built;
    }();
    return table;
}

CMonitorTable CMonitorTable::FromMonitors(const std::vector<TMonitorEntry>& monitors) {
    CMonitorTable table;
    for (const TMonitorEntry& entry : monitors) table.Add(entry);
    return table;
}

void CMonitorTable::Add(TMonitorEntry entry) {
    if (m_entries.size() >= kMaxMonitors) return;
    entry.label = L"显示器 " + ZKCore::DecimalText(m_entries.size() + 1);
    if (entry.primary) m_primary = static_cast<int>(m_entries.size());
    m_entries.push_back(std::move(entry));
}

RECT CMonitorTable::PrimaryRect() const {
    if (m_primary >= 0) return m_entries[static_cast<size_t>(m_primary)].rect;
    return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace ZKInstaller
