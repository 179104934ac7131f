#pragma once
// Turns the bytes a download holds over time into figures a person can read:
// a smoothed speed and the time left, refreshed at most four times a second
// so the numbers do not flicker.
#include <cstdint>

namespace ZKInstaller {

struct TransferFigures {
    long long received = 0;      // bytes held
    long long total = -1;        // bytes announced, -1 when unknown
    double bytesPerSecond = 0;   // smoothed; 0 until two samples lie far enough apart
    long long secondsLeft = -1;  // rounded up; -1 while unknown
};

class CTransferMeter {
public:
    static constexpr uint32_t kRefreshMs = 250;  // at most four updates a second
    // Weight of the newest interval's speed in the smoothed one.
    static constexpr double kSmoothing = 0.3;

    void Reset() { *this = CTransferMeter(); }
    // The bytes held at `nowMs` (a millisecond tick that may wrap). True when
    // the figures were refreshed and should be shown: the first sample, a new
    // total, a download that started over, or kRefreshMs after the last refresh.
    bool Update(uint32_t nowMs, long long received, long long total);
    const TransferFigures& Figures() const { return m_figures; }

private:
    TransferFigures m_figures;
    bool m_started = false;
    uint32_t m_sampleMs = 0;     // tick of the last refresh
    long long m_sampleBytes = 0; // bytes held at the last refresh
};

}  // namespace ZKInstaller
