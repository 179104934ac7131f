// The parametric shadow with the main frame's parameters (size 8, sharpness
// 10, darkness 24, grey 100) for a 700 x 420 window and for 1400 x 840 (the
// same window at 200 %, parameters scaled with it and unscaled): the pixels
// alone (region spans and drawing into a kept bitmap) and the whole render of
// a real shadow window (bitmap, pixels, layered-window update). Prints
// `name: value unit` lines (medians); --smoke runs each measurement once.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/CContainerUI.h"
#include "core/bench/BenchSupport.h"
#include "windows/CShadowUI.h"
#include "windows/ShadowImage.h"

using namespace Veneer;

namespace {

int g_runs = 200;

using Bench::NowMs;
using Bench::Print;

double MedianMs(const std::function<void()>& body) { return Bench::TimeRuns(g_runs, body).medianMs; }

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeParent(int width, int height) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ShadowBenchParent";
        return ::RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    HWND hwnd = ::CreateWindowExW(0, L"ShadowBenchParent", L"", WS_POPUP | WS_VISIBLE, 20, 20, width, height,
                                  nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetWindowRgn(hwnd, ::CreateRectRgn(0, 0, width + 1, height + 1), FALSE);
    return hwnd;
}

void Measure(const char* label, int width, int height, int size, int sharpness) {
    HWND parent = MakeParent(width, height);
    ShadowParams params{size, sharpness, 24, 0, 0, 100, 100, 100};
    CShadowBitmap bitmap;
    Print(std::string("shadow_pixels_") + label, MedianMs([&] { DrawWindowShadow(parent, params, bitmap); }), "ms");

    // The whole render of the paint manager's shadow on a real window.
    CPaintManagerUI manager;
    manager.Init(parent, L"bench");
    auto owned = std::make_unique<CShadowUI>();
    CShadowUI* shadow = owned.get();
    shadow->ShowShadow(true);
    shadow->SetSize(size);
    shadow->SetSharpness(sharpness);
    shadow->SetDarkness(24);
    shadow->SetColor(0xFF646464);
    manager.SetShadow(std::move(owned));
    shadow->Create(&manager);
    Print(std::string("shadow_render_") + label, MedianMs([&] { shadow->Render(); }), "ms");
    ::DestroyWindow(parent);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) g_runs = 1;
    }
    Measure("700x420", 700, 420, 8, 10);
    Measure("1400x840_200pct", 1400, 840, 16, 20);
    Measure("1400x840_unscaled_params", 1400, 840, 8, 10);
    return 0;
}
