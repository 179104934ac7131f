#include "installer/engine/TransferMeter.h"

namespace ZKInstaller {

bool CTransferMeter::Update(uint32_t nowMs, long long received, long long total) {
    const bool restarted = m_started && received < m_sampleBytes;
    const bool newTotal = m_started && total != m_figures.total;
    const uint32_t elapsedMs = nowMs - m_sampleMs;  // unsigned: right across a wrap of the tick
    if (m_started && !restarted && !newTotal && elapsedMs < kRefreshMs) return false;

    if (m_started && !restarted && elapsedMs >= kRefreshMs) {
        const double speed = static_cast<double>(received - m_sampleBytes) * 1000.0 / elapsedMs;
        m_figures.bytesPerSecond = m_figures.bytesPerSecond <= 0
                                       ? speed
                                       : kSmoothing * speed + (1.0 - kSmoothing) * m_figures.bytesPerSecond;
    }
    m_started = true;
    m_sampleMs = nowMs;
    m_sampleBytes = received;
    m_figures.received = received;
    m_figures.total = total;
    m_figures.secondsLeft = -1;
    if (total > 0 && received <= total && m_figures.bytesPerSecond >= 1.0) {
        const double left = static_cast<double>(total - received) / m_figures.bytesPerSecond;
        m_figures.secondsLeft = static_cast<long long>(left);
        if (static_cast<double>(m_figures.secondsLeft) < left) ++m_figures.secondsLeft;
    }
    return true;
}

}  // namespace ZKInstaller
