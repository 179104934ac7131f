// The process-wide hue/saturation/lightness adjustment of colours.
#include <windows.h>

#include <cmath>

#include "manager/PaintManagerShared.h"

namespace Veneer {

namespace {

// h in degrees [0, 360), s and l in [0, 1].
void RgbToHsl(double r, double g, double b, double& h, double& s, double& l) {
    const double maxValue = std::fmax(r, std::fmax(g, b));
    const double minValue = std::fmin(r, std::fmin(g, b));
    l = (maxValue + minValue) / 2.0;
    const double delta = maxValue - minValue;
    if (delta <= 0.0) {
        h = 0.0;
        s = 0.0;
        return;
    }
    s = l < 0.5 ? delta / (maxValue + minValue) : delta / (2.0 - maxValue - minValue);
    if (maxValue == r) {
        h = (g - b) / delta + (g < b ? 6.0 : 0.0);
    } else if (maxValue == g) {
        h = (b - r) / delta + 2.0;
    } else {
        h = (r - g) / delta + 4.0;
    }
    h *= 60.0;
}

double HueToChannel(double p, double q, double t) {
    if (t < 0.0) t += 1.0;
    if (t > 1.0) t -= 1.0;
    if (t < 1.0 / 6.0) return p + (q - p) * 6.0 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3.0) return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
    return p;
}

void HslToRgb(double h, double s, double l, double& r, double& g, double& b) {
    if (s <= 0.0) {
        r = g = b = l;
        return;
    }
    const double q = l < 0.5 ? l * (1.0 + s) : l + s - l * s;
    const double p = 2.0 * l - q;
    const double t = h / 360.0;
    r = HueToChannel(p, q, t + 1.0 / 3.0);
    g = HueToChannel(p, q, t);
    b = HueToChannel(p, q, t - 1.0 / 3.0);
}

BYTE ToByte(double value) {
    const long scaled = std::lround(value * 255.0);
    return static_cast<BYTE>(scaled < 0 ? 0 : scaled > 255 ? 255 : scaled);
}

}  // namespace

DWORD AdjustColorHsl(DWORD argb, short hue, short saturation, short lightness) {
    if (hue == 180 && saturation == 100 && lightness == 100) return argb;
    double h = 0, s = 0, l = 0;
    RgbToHsl(((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0, h, s, l);
    h += hue - 180;
    if (h <= 0) h += 360;
    if (h >= 360) h -= 360;
    s = std::fmin(1.0, s * saturation / 100.0);
    l = std::fmin(1.0, l * lightness / 100.0);
    double r = 0, g = 0, b = 0;
    HslToRgb(h, s, l, r, g, b);
    return (argb & 0xFF000000) | (static_cast<DWORD>(ToByte(r)) << 16) | (static_cast<DWORD>(ToByte(g)) << 8) |
           ToByte(b);
}

namespace {

CPaintManagerUI::HighContrast g_highContrast = CPaintManagerUI::HighContrast::FollowSystem;
// The system setting as last read; every label asks at every paint, so it is
// read once and again only after the system announces a settings change.
bool g_systemHighContrastKnown = false;
bool g_systemHighContrast = false;

}  // namespace

void CPaintManagerUI::SetHighContrast(HighContrast mode) { g_highContrast = mode; }

bool CPaintManagerUI::IsHighContrast() {
    if (g_highContrast != HighContrast::FollowSystem) return g_highContrast == HighContrast::On;
    if (!g_systemHighContrastKnown) {
        HIGHCONTRASTW setting{sizeof(setting), 0, nullptr};
        g_systemHighContrast = ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(setting), &setting, 0) &&
                               (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
        g_systemHighContrastKnown = true;
    }
    return g_systemHighContrast;
}

void CPaintManagerUI::ForgetSystemColors() { g_systemHighContrastKnown = false; }

DWORD CPaintManagerUI::SystemColor(int index) {
    const COLORREF c = ::GetSysColor(index);
    return 0xFF000000u | (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | GetBValue(c);
}

}  // namespace Veneer
