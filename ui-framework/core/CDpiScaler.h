#pragma once
// Scales design units (pixels at 96 DPI) to window pixels. One scaler belongs
// to each paint manager; one process-wide DPI and drawing scale are fixed at
// start-up.
#include <windows.h>

namespace Veneer {

enum class DpiAwareness : int { Unaware = 0, SystemAware = 1, PerMonitorAware = 2 };

// MulDiv's arithmetic without the call: number * numerator / denominator in
// 64 bits, halves rounded away from zero; -1 when the denominator is 0 or the
// result leaves the 32-bit range.
int MulDivRounded(int number, int numerator, int denominator);

class CDpiScaler {
public:
    CDpiScaler();

    // Percent scale for `dpi`; the first call also fixes the system-aware scale.
    void SetScale(int dpi);
    int GetScale() const;  // percent
    int GetDPI() const;

    int Scale(int value) const;
    SIZE Scale(SIZE size) const;
    POINT Scale(POINT point) const;
    // Left and top are scaled as positions, width and height as sizes, so a
    // rectangle keeps its scaled size wherever it stands.
    RECT Scale(const RECT& rect) const;
    int ScaleBack(int value) const;
    RECT ScaleBack(const RECT& rect) const;

    DpiAwareness GetDPIAwareness();
    bool SetDPIAwareness(DpiAwareness level);
    int GetMonitorDPI(POINT point);
    // Awareness as stored, without asking the system (for tests and layout).
    DpiAwareness GetStoredAwareness() const { return m_awareness; }
    void SetStoredAwareness(DpiAwareness level) { m_awareness = level; }

    // Process-wide DPI (96 until set) and drawing scale g = MulDiv(dpi, 100, 96) / 100.
    static void SetProcessDpi(int dpi);
    static int GetProcessDpi();
    static double GetProcessScale();
    // The DPI a new window starts at: its monitor's, where the system tells
    // one apart from its own (a second monitor at another scale), else the
    // process-wide DPI.
    static int GetWindowDpi(HWND hwnd);

private:
    int m_scalePerMonitor = 100;  // percent
    int m_scaleSystem = 0;        // percent; 0 until the first SetScale
    DpiAwareness m_awareness = DpiAwareness::PerMonitorAware;
};

}  // namespace Veneer
