// Full repaints of a 700 x 420 (design units) layered window holding about 200
// image-decorated controls, through the paint manager's own paint path on a
// real window, at 100, 150 and 200 %; against one BitBlt of the window's size
// (the floor). Also: the tree's paint alone into a 32-bit bitmap, the
// descriptor cache hit rate and PNG decode time per megabyte. The PNGs (with
// their "@1.5x" and "@2x" variants) are generated at run time into a
// temporary folder. Prints `name: value unit` lines; --smoke runs each
// measurement once; --gdiplus-fill measures colour fills through GDI+.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "controls/CContainerUI.h"
#include "controls/CControlUI.h"
#include "core/UiHandle.h"
#include "core/bench/BenchSupport.h"
#include "core/CDpiScaler.h"
#include "manager/CPaintManagerUI.h"
#include "render/CUiRender.h"

using namespace Veneer;

namespace {

int g_runs = 30;
constexpr int kWidth = 700;   // design units
constexpr int kHeight = 420;  // design units

using Bench::NowMs;
using Bench::Print;

double MedianMs(const std::function<void()>& body) { return Bench::TimeRuns(g_runs, body).medianMs; }

// ---- images --------------------------------------------------------------

std::vector<unsigned char> EncodePng(int width, int height, const std::vector<unsigned char>& rgba) {
    std::vector<unsigned char> out;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            auto* bytes = static_cast<std::vector<unsigned char>*>(context);
            bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
        },
        &out, width, height, 4, rgba.data(), width * 4);
    return out;
}

// Skin-like art: gradients, a checker texture, light noise, and a rounded
// shape with an anti-aliased rim (corner 0: opaque everywhere).
std::vector<unsigned char> SkinPicture(int width, int height, int corner, unsigned seed) {
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    unsigned state = seed;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            unsigned char* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            const int dx = std::max({corner - x, x - (width - 1 - corner), 0});
            const int dy = std::max({corner - y, y - (height - 1 - corner), 0});
            const int distance = dx * dx + dy * dy;
            const int rim = corner * corner;
            const int alpha = corner == 0 ? 255 : distance <= rim - corner ? 255 : distance >= rim + corner ? 0 : 128;
            p[0] = static_cast<unsigned char>(40 + y * 120 / height + (seed & 31));
            p[1] = static_cast<unsigned char>(120 + x * 60 / width);
            p[2] = static_cast<unsigned char>(200 - ((x / 16 + y / 16) % 2) * 30 + ((state >> 28) & 3));
            p[3] = static_cast<unsigned char>(alpha);
        }
    return rgba;
}

struct ImageSpecOfBench {
    const char* name;  // file name without extension
    int width;         // at 100 %
    int height;
    int corner;
};

// A few images shared by many controls: the window background, a button strip
// of three states, a panel frame and an icon.
const ImageSpecOfBench kImages[] = {
    {"bg", kWidth, kHeight, 0},
    {"button", 180, 30, 6},
    {"panel", 48, 48, 10},
    {"icon", 24, 24, 8},
};

std::wstring g_folder;                         // with a trailing backslash
std::vector<std::vector<unsigned char>> g_pngs;  // every file written, for decoding

bool WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    UiKernelHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool WriteImages() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    g_folder = std::wstring(temp) + L"veneer_control_bench_" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(g_folder.c_str(), nullptr);
    unsigned seed = 7;
    for (const ImageSpecOfBench& image : kImages) {
        const std::wstring base = g_folder + std::wstring(image.name, image.name + std::strlen(image.name));
        for (int percent : {100, 150, 200}) {
            const int w = image.width * percent / 100, h = image.height * percent / 100;
            const std::vector<unsigned char> png = EncodePng(w, h, SkinPicture(w, h, image.corner * percent / 100, ++seed));
            const std::wstring suffix = percent == 100 ? L".png" : percent == 150 ? L"@1.5x.png" : L"@2x.png";
            if (!WriteFileBytes(base + suffix, png)) return false;
            g_pngs.push_back(png);
        }
    }
    return true;
}

void RemoveImages() {
    for (const ImageSpecOfBench& image : kImages) {
        const std::wstring base = g_folder + std::wstring(image.name, image.name + std::strlen(image.name));
        for (const wchar_t* suffix : {L".png", L"@1.5x.png", L"@2x.png"}) ::DeleteFileW((base + suffix).c_str());
    }
    ::RemoveDirectoryW(g_folder.c_str());
}

std::wstring File(const char* name) {
    return L"file='" + g_folder + std::wstring(name, name + std::strlen(name)) + L".png'";
}

// ---- the window ------------------------------------------------------------

// Shows the pressed-looking state of the strip while the mouse is over it,
// like a button's hot image.
class HoverControl : public CControlUI {
public:
    HoverControl(std::wstring normal, std::wstring hot) : m_normal(std::move(normal)), m_hot(std::move(hot)) {
        SetBkImage(m_normal.c_str());
    }
    void DoEvent(TUiEvent& event) override {
        if (event.kind == UiEventKind::UIEVT_MOUSEENTER) SetBkImage(m_hot.c_str());
        if (event.kind == UiEventKind::UIEVT_MOUSELEAVE) SetBkImage(m_normal.c_str());
        CControlUI::DoEvent(event);
    }

private:
    std::wstring m_normal;
    std::wstring m_hot;
};

// Counts the root's paints, so a repaint that never happened is noticed.
class CountingRoot : public CContainerUI {
public:
    bool DoPaint(HDC dc, const RECT& paintArea, CControlUI* stopControl) override {
        ++paints;
        return CContainerUI::DoPaint(dc, paintArea, stopControl);
    }
    int paints = 0;
};

// 20 x 10 cells of 35 x 42 design units: buttons (one of three states of the
// strip, nine-part), panels (nine-part with a hole-free middle) with an icon
// as foreground image, and a few translucent colour blocks; 200 controls.
CountingRoot* BuildTree() {
    auto* root = new CountingRoot;
    root->SetBkImage(File("bg").c_str());
    const std::wstring button = File("button");
    const std::wstring states[3] = {
        button + L" source='0,0,60,30' corner='6,6,6,6'",
        button + L" source='60,0,120,30' corner='6,6,6,6'",
        button + L" source='120,0,180,30' corner='6,6,6,6' fade='200'",
    };
    const std::wstring panel = File("panel") + L" corner='10,10,10,10'";
    const std::wstring icon = File("icon") + L" dest='5,9,29,33'";
    for (int row = 0; row < 10; ++row)
        for (int column = 0; column < 20; ++column) {
            // The first cell reacts to the mouse: the hover repaint's button.
            auto* control = row == 0 && column == 0 ? new HoverControl(states[0], states[1]) : new CControlUI;
            root->Add(control);
            control->SetFloat(true);
            control->SetFixedXY(SIZE{column * 35 + 1, row * 42 + 1});
            control->SetFixedWidth(33);
            control->SetFixedHeight(40);
            const int kind = (row * 20 + column) % 5;
            if (row == 0 && column == 0) {
            } else if (kind <= 2) {
                control->SetBkImage(states[kind].c_str());
            } else if (kind == 3) {
                control->SetBkImage(panel.c_str());
                control->SetForeImage(icon.c_str());
            } else {
                control->SetBkColor(0x80FFFFFF);
                control->SetBorderColor(0xFF336699);
                control->SetBorderSize(1);
                control->SetForeImage(icon.c_str());
            }
        }
    return root;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* manager = reinterpret_cast<CPaintManagerUI*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    LRESULT result = 0;
    if (manager && manager->GetPaintWindow() == hwnd && manager->MessageHandler(msg, wParam, lParam, result))
        return result;
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void PumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// A 32-bit top-down DIB in its own memory DC.
struct Surface {
    Surface(int width, int height) {
        void* bits = nullptr;
        bitmap.Reset(CreateTopDownDib(nullptr, width, height, &bits));
        std::memset(bits, 0x40, static_cast<size_t>(width) * height * 4);
        dc.Select(bitmap.Get());
    }
    UiBitmap bitmap;
    UiMemoryDc dc{nullptr};
};

// A layered bench window at the corner with its own manager (deleted by the caller).
HWND OpenBenchWindow(CPaintManagerUI** manager) {
    HWND hwnd = ::CreateWindowExW(WS_EX_LAYERED, L"VeneerControlBench", L"bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                                  kHeight, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    *manager = new CPaintManagerUI;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(*manager));
    (*manager)->Init(hwnd, L"bench");
    (*manager)->SetLayered(true);
    return hwnd;
}

double RepaintFigures(int percent) {
    const int dpi = percent * 96 / 100;
    CDpiScaler::SetProcessDpi(dpi);
    const std::string tag = std::to_string(percent);

    CPaintManagerUI* manager = nullptr;
    HWND hwnd = OpenBenchWindow(&manager);
    CountingRoot* root = BuildTree();
    // First paint: layout, image loads (variant probing included), descriptor
    // parsing. It arrives with the messages that showing the window left.
    manager->ResetDrawInfoStats();
    const double firstStart = NowMs();
    manager->AttachTree(root);  // takes the process DPI: the window grows to the scale
    PumpPending();
    if (root->paints == 0) {
        ::InvalidateRect(hwnd, nullptr, FALSE);
        ::UpdateWindow(hwnd);
    }
    const double first = NowMs() - firstStart;
    const double firstHits = static_cast<double>(manager->GetDrawInfoStats().hits);
    const double firstMisses = static_cast<double>(manager->GetDrawInfoStats().misses);

    RECT client{};
    ::GetClientRect(hwnd, &client);
    const int width = client.right - client.left, height = client.bottom - client.top;

    auto repaint = [&] {
        ::InvalidateRect(hwnd, nullptr, FALSE);
        ::UpdateWindow(hwnd);
    };
    // Floors: presenting pixels of the window's size once, whole and with a
    // dirty rectangle of the button's size. Each is timed in turn with the
    // figure it is the floor of.
    Surface pixels(width, height);
    RECT windowRect{};
    ::GetWindowRect(hwnd, &windowRect);
    POINT dest{windowRect.left, windowRect.top};
    SIZE size{width, height};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const auto presentWhole = [&] {
        ::UpdateLayeredWindow(hwnd, nullptr, &dest, &size, pixels.dc.Get(), &origin, 0, &blend, ULW_ALPHA);
    };

    const int paintsBefore = root->paints;
    manager->ResetDrawInfoStats();
    const auto [fullTiming, presentTiming] = Bench::TimePaired(g_runs, repaint, presentWhole);
    const double full = fullTiming.medianMs;
    const double present = presentTiming.medianMs;
    const int paints = root->paints - paintsBefore;
    const double hits = static_cast<double>(manager->GetDrawInfoStats().hits);
    const double misses = static_cast<double>(manager->GetDrawInfoStats().misses);

    // Hover: the mouse moves onto the first cell (its state image changes) and
    // off it again, each time until the new state is on the screen.
    const RECT button = root->GetItemAt(0)->GetPos();
    const POINT onButton{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    const POINT offButton{button.right + 2, (button.top + button.bottom) / 2};  // a gap between cells
    UPDATELAYEREDWINDOWINFO info{sizeof(info), nullptr, &dest, &size, pixels.dc.Get(), &origin, 0, &blend,
                                 ULW_ALPHA, &button};
    bool on = false;
    const int hoverPaintsBefore = root->paints;
    const auto [hoverTiming, dirtyTiming] = Bench::TimePaired(
        g_runs,
        [&] {
            on = !on;
            const POINT pt = on ? onButton : offButton;
            ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
            PumpPending();
            ::UpdateWindow(hwnd);
        },
        [&] { ::UpdateLayeredWindowIndirect(hwnd, &info); });
    const double hover = hoverTiming.medianMs;
    const double presentDirty = dirtyTiming.medianMs;
    const int hoverPaints = root->paints - hoverPaintsBefore;
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);


    // The same tree painted into a bitmap: what the controls and the render
    // engine cost without the window's clear, alpha fix-up and presentation.
    Surface offscreen(width, height);
    const double tree = MedianMs([&] { root->Paint(offscreen.dc.Get(), client, nullptr); });

    // Only the window background (the largest image) for the share it takes.
    Surface background(width, height);
    const double bkOnly = MedianMs([&] {
        root->DoPaint(background.dc.Get(), client, root->GetItemAt(0));  // stops before the first child
    });

    // The same walk with every child's decoration removed: the fixed cost per
    // control (clip scopes, rectangle tests) without any drawing.
    // First the images go (the colour blocks and borders stay), then the rest.
    for (int i = 0; i < root->GetCount(); ++i) {
        root->GetItemAt(i)->SetBkImage(L"");
        root->GetItemAt(i)->SetForeImage(L"");
    }
    const double colours = MedianMs([&] { root->Paint(offscreen.dc.Get(), client, nullptr); });
    for (int i = 0; i < root->GetCount(); ++i) {
        CControlUI* child = root->GetItemAt(i);
        child->SetBkColor(0);
        child->SetBorderColor(0);
    }
    const double bare = MedianMs([&] { root->Paint(offscreen.dc.Get(), client, nullptr); });

    Surface source(width, height), target(width, height);
    const double floor =
        MedianMs([&] { ::BitBlt(target.dc.Get(), 0, 0, width, height, source.dc.Get(), 0, 0, SRCCOPY); });

    Print("repaint_" + tag + "_window_pixels", static_cast<double>(width) * height, "px");
    Print("repaint_" + tag + "_first_paint", first, "ms");
    Print("repaint_" + tag + "_first_paint_descriptor_cache_hit_rate",
          firstHits + firstMisses > 0 ? 100.0 * firstHits / (firstHits + firstMisses) : 0.0, "%");
    Print("repaint_" + tag + "_full_median", full, "ms");
    Print("repaint_" + tag + "_tree_only_median", tree, "ms");
    Print("repaint_" + tag + "_background_only_median", bkOnly, "ms");
    Print("repaint_" + tag + "_tree_colours_and_borders_only_median", colours, "ms");
    Print("repaint_" + tag + "_tree_undecorated_median", bare, "ms");
    Print("repaint_" + tag + "_bitblt_floor_median", floor, "ms");
    Print("repaint_" + tag + "_ratio_to_bitblt", floor > 0 ? full / floor : 0.0, "x");
    Print("repaint_" + tag + "_update_layered_floor_median", present, "ms");
    Print("repaint_" + tag + "_full_ratio_to_update_layered", present > 0 ? full / present : 0.0, "x");
    Print("hover_" + tag + "_repaint_median", hover, "ms");
    Print("hover_" + tag + "_dirty_update_layered_floor_median", presentDirty, "ms");
    Print("hover_" + tag + "_ratio_to_dirty_floor", presentDirty > 0 ? hover / presentDirty : 0.0, "x");
    Print("hover_" + tag + "_paints_seen", hoverPaints, "paints");
    Print("repaint_" + tag + "_paints_seen", paints, "paints");
    Print("repaint_" + tag + "_descriptor_cache_hit_rate",
          hits + misses > 0 ? 100.0 * hits / (hits + misses) : 0.0, "%");
    Print("repaint_" + tag + "_descriptor_lookups_per_repaint",
          (hits + misses) / g_runs, "lookups");

    ::DestroyWindow(hwnd);  // the manager forgets the window; the tree goes with it
    delete manager;
    CDpiScaler::SetProcessDpi(96);
    return first;
}

// A window opened at 100 % moved to a monitor of `percent`: WM_DPICHANGED
// until the new frame is presented (fonts, descriptors and image variants
// again, one layout, one paint), against the first paint at that scale.
void RescaleFigures(int percent, double firstPaint) {
    const std::string tag = std::to_string(percent);
    CPaintManagerUI* manager = nullptr;
    HWND hwnd = OpenBenchWindow(&manager);
    manager->AttachTree(BuildTree());
    PumpPending();
    ::UpdateWindow(hwnd);
    auto change = [&](int to) {
        const int dpi = to * 96 / 100;
        RECT suggested{0, 0, kWidth * to / 100, kHeight * to / 100};
        ::SendMessageW(hwnd, kWmDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        PumpPending();
        ::UpdateWindow(hwnd);
    };
    const double rescale =
        Bench::TimeRuns(g_runs, [&] { change(percent); }, Bench::GdiBatch::kFlush, [&] { change(100); }).medianMs;
    Print("rescale_100_to_" + tag, rescale, "ms");
    Print("rescale_100_to_" + tag + "_ratio_to_first_paint", firstPaint > 0 ? rescale / firstPaint : 0.0, "x");
    ::DestroyWindow(hwnd);
    delete manager;
}

// What one small fill through the render engine costs (the colour blocks and
// borders of the tree are such fills), and one nine-part image of a button.
void PrimitiveFigures() {
    Surface surface(700, 420);
    const double fill = MedianMs([&] {
        for (int i = 0; i < 100; ++i) CUiRender::DrawColor(surface.dc.Get(), RECT{i, 10, i + 33, 50}, 0x80FFFFFF);
    });
    Print("primitive_translucent_fill_33x40_each", fill / 100.0, "ms");
    const double opaque = MedianMs([&] {
        for (int i = 0; i < 100; ++i) CUiRender::DrawColor(surface.dc.Get(), RECT{i, 10, i + 33, 50}, 0xFF336699);
    });
    Print("primitive_opaque_fill_33x40_each", opaque / 100.0, "ms");
    const double outline = MedianMs([&] {
        for (int i = 0; i < 100; ++i) CUiRender::DrawRect(surface.dc.Get(), RECT{i, 10, i + 33, 50}, 1, 0xFF336699);
    });
    Print("primitive_outline_33x40_each", outline / 100.0, "ms");
}

void DecodeFigures() {
    size_t bytes = 0;
    for (const auto& png : g_pngs) bytes += png.size();
    const double ms = MedianMs([&] {
        for (const auto& png : g_pngs) CUiRender::LoadImageFromMemory(png.data(), png.size(), 0);
    });
    const double megabytes = static_cast<double>(bytes) / (1024.0 * 1024.0);
    Print("decode_png_bytes", static_cast<double>(bytes), "bytes");
    Print("decode_png_ms_per_megabyte", megabytes > 0 ? ms / megabytes : 0.0, "ms/MB");
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) g_runs = 1;
        // The figures of the GDI+ fill path, for comparison with the direct one.
        if (std::strcmp(argv[i], "--gdiplus-fill") == 0) CUiRender::SetDirectFillEnabled(false);
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VeneerControlBench";
    ::RegisterClassW(&wc);
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));

    if (!WriteImages()) {
        std::fprintf(stderr, "cannot write the bench images\n");
        return 1;
    }
    for (int percent : {100, 150, 200}) {
        const double first = RepaintFigures(percent);
        if (percent != 100) RescaleFigures(percent, first);
    }
    PrimitiveFigures();
    DecodeFigures();
    RemoveImages();
    return 0;
}
