#pragma once
// Process-wide state of the paint managers and small helpers shared by the
// manager's source files. Not part of the public interface.
#include <windows.h>

#include "core/UiPtrArray.h"
#include "manager/CPaintManagerUI.h"

namespace Veneer {

struct PaintManagerShared {
    HINSTANCE instance = nullptr;
    HINSTANCE resourceInstance = nullptr;
    UiOwningMap<TFontInfo> fonts{83};                        // decimal id -> font
    UiOwningMap<TImageInfo, TImageInfoDeleter> images{83};   // image key -> image
    UiOwningMap<UiString> defaultAttributes{83};             // class name -> attribute list
    UiOwningMap<UiString> styles{83};                        // style name -> attribute list
    TFontInfo defaultFont;
    // Disabled text, text, link text, link hover, selected background (ARGB).
    DWORD colors[5]{0xFFA7A6AA, 0xFF000000, 0xFF0000FF, 0xFFD3215F, 0xFFBAE4FF};
    UiPtrArray managers;  // live CPaintManagerUI*
    UiPen updatePen;      // frame of painted areas when the show-update switch is on
    bool initialised = false;
    short hue = 180;
    short saturation = 100;
    short lightness = 100;
};

PaintManagerShared& Shared();

// The update rectangle rule: no negative coordinates, no inverted sides.
RECT ClampUpdateRect(const RECT& rect);

// The system timer id that follows `counter` among 240 ids, skipping ids for
// which `inUse(id)` is true; returns false when all 240 are in use. On
// success `counter` holds the returned id.
template <typename InUse>
bool NextTimerId(UINT& counter, InUse inUse, UINT& id) {
    constexpr UINT kTimerIds = 240;
    for (UINT attempt = 0; attempt < kTimerIds; ++attempt) {
        counter = (counter + 1) % kTimerIds;
        if (!inUse(counter)) {
            id = counter;
            return true;
        }
    }
    return false;
}

// Applies the process-wide hue/saturation/lightness adjustment (neutral 180,
// 100, 100) to an ARGB colour; alpha is kept.
DWORD AdjustColorHsl(DWORD argb, short hue, short saturation, short lightness);

}  // namespace Veneer
