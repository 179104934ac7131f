#pragma once
// Shared by the shadow tests: a parent window walked through move, size,
// minimise, maximise, restore, hide and show, with the shadow window's
// visibility, rectangle and last bitmap checked after every step.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "manager/tests/WindowTestSupport.h"
#include "windows/ShadowImage.h"

namespace VeneerTest {

// Shadow window, its last bitmap and its geometry parameters.
struct ShadowProbe {
    HWND (*window)(const void* shadow);
    const Veneer::CShadowBitmap& (*bitmap)(const void* shadow);
    const void* shadow;
    int size;
    int xOffset;
    int yOffset;
};

inline void ExpectFollows(HWND parent, const ShadowProbe& probe) {
    struct Step {
        const char* name;
        void (*act)(HWND);
        bool visible;
    };
    const Step steps[] = {
        {"move", [](HWND w) { ::SetWindowPos(w, nullptr, 140, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER); }, true},
        {"grow", [](HWND w) { ::SetWindowPos(w, nullptr, 0, 0, 360, 260, SWP_NOMOVE | SWP_NOZORDER); }, true},
        {"shrink", [](HWND w) { ::SetWindowPos(w, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER); }, true},
        {"minimise", [](HWND w) { ::ShowWindow(w, SW_MINIMIZE); }, false},
        {"restore", [](HWND w) { ::ShowWindow(w, SW_RESTORE); }, true},
        {"maximise", [](HWND w) { ::ShowWindow(w, SW_MAXIMIZE); }, false},
        // Restored to another, smaller place: rendered at once, not on a paint.
        {"restore elsewhere",
         [](HWND w) {
             WINDOWPLACEMENT placement{};
             placement.length = sizeof(placement);
             ::GetWindowPlacement(w, &placement);
             placement.showCmd = SW_RESTORE;
             placement.rcNormalPosition = RECT{120, 80, 400, 260};
             ::SetWindowPlacement(w, &placement);
         },
         true},
        {"hide", [](HWND w) { ::ShowWindow(w, SW_HIDE); }, false},
        {"show", [](HWND w) { ::ShowWindow(w, SW_SHOW); }, true},
        {"move after show", [](HWND w) { ::SetWindowPos(w, nullptr, 60, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER); }, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act(parent);
        Pump(60);
        ::UpdateWindow(parent);
        Pump(30);
        HWND shadow = probe.window(probe.shadow);
        ASSERT_TRUE(::IsWindow(shadow));
        EXPECT_EQ(step.visible, ::IsWindowVisible(shadow) != FALSE);
        if (!step.visible) continue;
        RECT p{}, s{};
        ::GetWindowRect(parent, &p);
        ::GetWindowRect(shadow, &s);
        const int dx = probe.xOffset - probe.size, dy = probe.yOffset - probe.size;
        EXPECT_EQ(p.left + dx, s.left);
        EXPECT_EQ(p.top + dy, s.top);
        EXPECT_EQ(p.right - p.left + 2 * probe.size, s.right - s.left);
        EXPECT_EQ(p.bottom - p.top + 2 * probe.size, s.bottom - s.top);
        const Veneer::CShadowBitmap& bitmap = probe.bitmap(probe.shadow);
        EXPECT_EQ(s.right - s.left, bitmap.Width());
        EXPECT_EQ(s.bottom - s.top, bitmap.Height());
    }
}

// A plain rectangular window region over (width + 1) x (height + 1), as the
// skinned windows set it.
inline void SetRectRegion(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    ::SetWindowRgn(window, ::CreateRectRgn(0, 0, r.right - r.left + 1, r.bottom - r.top + 1), FALSE);
}

inline std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// alpha << 24 | premultiplied grey 100.
constexpr DWORD Grey100(DWORD alpha) { return alpha << 24 | (100 * alpha / 255) * 0x010101u; }

}  // namespace VeneerTest
