// Render engine figures: the BitBlt floor, msimg32's AlphaBlend against our
// own blend (plain and stretched), nine-part drawing of typical skin images,
// a window's worth of image-decorated controls at 100, 150 and 200 %, PNG
// decoding per megabyte, and a descriptor parse at 150 % with an image
// variant. Prints `name: value unit` lines; --smoke runs each
// measurement once; --gdiplus-fill measures colour fills through GDI+.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "core/CSkinStorage.h"
#include "core/UiHandle.h"
#include "core/bench/BenchSupport.h"
#include "core/CDpiScaler.h"
#include "render/CUiRender.h"
#include "render/UiBlend.h"

using namespace Veneer;

namespace {

int g_runs = 30;

using Bench::NowMs;
using Bench::Print;
using Bench::Timing;

Timing Measure(const std::function<void()>& body) { return Bench::TimeRuns(g_runs, body); }

void PrintTiming(const char* name, const Timing& t) {
    char label[128];
    std::snprintf(label, sizeof(label), "%s_best", name);
    Print(label, t.bestMs, "ms");
    std::snprintf(label, sizeof(label), "%s_median", name);
    Print(label, t.medianMs, "ms");
}

// A 32-bit top-down DIB in its own memory DC.
class Surface {
public:
    Surface(int width, int height) : m_width(width), m_height(height), m_dc(nullptr) {
        void* bits = nullptr;
        m_bitmap.Reset(CreateTopDownDib(nullptr, width, height, &bits));
        m_bits = static_cast<DWORD*>(bits);
        m_dc.Select(m_bitmap.Get());
    }
    HDC Dc() const { return m_dc.Get(); }
    DWORD* Bits() const { return m_bits; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Skin-like premultiplied pixels: mostly opaque, a transparent margin and
    // a translucent band (the mix a button or panel image has).
    void FillSkinLike(unsigned seed) {
        unsigned state = seed;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                state = state * 1103515245u + 12345u;
                const int zone = (x * 8 / m_width + y * 4 / m_height) % 4;
                const DWORD alpha = zone == 0 ? 0 : (zone == 1 ? 96 + (state >> 24) % 128 : 255);
                const DWORD r = ((state >> 8) & 0xFF) * alpha / 255, g = ((state >> 16) & 0xFF) * alpha / 255,
                            b = (static_cast<DWORD>(x + y) & 0xFF) * alpha / 255;
                m_bits[static_cast<size_t>(y) * m_width + x] = alpha << 24 | r << 16 | g << 8 | b;
            }
    }
    void FillTranslucent() {
        for (int i = 0; i < m_width * m_height; ++i) {
            const DWORD alpha = 64 + static_cast<DWORD>(i % 128);
            m_bits[i] = alpha << 24 | (alpha / 2) << 16 | (alpha / 3) << 8 | (alpha / 4);
        }
    }

private:
    int m_width;
    int m_height;
    DWORD* m_bits = nullptr;
    UiBitmap m_bitmap;
    UiMemoryDc m_dc;
};

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

// A skin-like picture: soft gradients, flat areas, a rounded shape with an
// anti-aliased rim and some texture, so that it compresses like real art.
std::vector<unsigned char> SkinPicture(int width, int height, int corner) {
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    unsigned state = 99;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            unsigned char* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            const int dx = std::max({corner - x, x - (width - 1 - corner), 0});
            const int dy = std::max({corner - y, y - (height - 1 - corner), 0});
            const int distance = dx * dx + dy * dy;
            const int rim = corner * corner;
            int alpha = distance <= rim - corner ? 255 : (distance >= rim + corner ? 0 : 128);
            p[0] = static_cast<unsigned char>(40 + y * 120 / height);
            p[1] = static_cast<unsigned char>(120 + x * 60 / width);
            p[2] = static_cast<unsigned char>(200 - ((x / 16 + y / 16) % 2) * 30 + ((state >> 28) & 3));
            p[3] = static_cast<unsigned char>(alpha);
        }
    return EncodePng(width, height, rgba);
}

using ImagePtr = UiImagePtr;

void BlendFigures(int width, int height, const char* size) {
    Surface dst(width, height), src(width, height), small(width * 2 / 3, height * 2 / 3);
    src.FillSkinLike(1);
    small.FillSkinLike(2);
    std::memset(dst.Bits(), 0x40, static_cast<size_t>(width) * height * 4);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    char name[96];

    const Timing floor = Measure([&] { ::BitBlt(dst.Dc(), 0, 0, width, height, src.Dc(), 0, 0, SRCCOPY); });
    std::snprintf(name, sizeof(name), "bitblt_%s", size);
    PrintTiming(name, floor);

    const Timing system = Measure([&] { ::AlphaBlend(dst.Dc(), 0, 0, width, height, src.Dc(), 0, 0, width, height, blend); });
    std::snprintf(name, sizeof(name), "alphablend_%s", size);
    PrintTiming(name, system);
    const Timing ours = Measure([&] {
        CUiRender::AlphaBlendAny(dst.Dc(), 0, 0, width, height, src.Dc(), 0, 0, width, height, blend);
    });
    std::snprintf(name, sizeof(name), "ownblend_%s", size);
    PrintTiming(name, ours);

    const Timing systemStretch = Measure([&] {
        ::AlphaBlend(dst.Dc(), 0, 0, width, height, small.Dc(), 0, 0, small.Width(), small.Height(), blend);
    });
    std::snprintf(name, sizeof(name), "alphablend_stretch_%s", size);
    PrintTiming(name, systemStretch);
    const Timing oursStretch = Measure([&] {
        CUiRender::AlphaBlendAny(dst.Dc(), 0, 0, width, height, small.Dc(), 0, 0, small.Width(), small.Height(), blend);
    });
    std::snprintf(name, sizeof(name), "ownblend_stretch_%s", size);
    PrintTiming(name, oursStretch);

    // Every pixel translucent: no opaque or transparent shortcuts.
    src.FillTranslucent();
    const Timing systemWorst = Measure([&] {
        ::AlphaBlend(dst.Dc(), 0, 0, width, height, src.Dc(), 0, 0, width, height,
                     BLENDFUNCTION{AC_SRC_OVER, 0, 200, AC_SRC_ALPHA});
    });
    std::snprintf(name, sizeof(name), "alphablend_all_translucent_fade_%s", size);
    PrintTiming(name, systemWorst);
    const Timing oursWorst = Measure([&] {
        CUiRender::AlphaBlendAny(dst.Dc(), 0, 0, width, height, src.Dc(), 0, 0, width, height,
                                 BLENDFUNCTION{AC_SRC_OVER, 0, 200, AC_SRC_ALPHA});
    });
    std::snprintf(name, sizeof(name), "ownblend_all_translucent_fade_%s", size);
    PrintTiming(name, oursWorst);

    std::snprintf(name, sizeof(name), "alphablend_over_ownblend_ratio_%s", size);
    Print(name, system.medianMs / std::max(ours.medianMs, 1e-6), "x");
    std::snprintf(name, sizeof(name), "ownblend_over_bitblt_ratio_%s", size);
    Print(name, ours.medianMs / std::max(floor.medianMs, 1e-6), "x");
}

void NinePartFigures() {
    const std::vector<unsigned char> buttonPng = SkinPicture(96, 36, 6);
    const std::vector<unsigned char> panelPng = SkinPicture(700, 420, 10);
    const std::vector<unsigned char> iconPng = SkinPicture(16, 16, 3);
    ImagePtr button(CUiRender::LoadImageFromMemory(buttonPng.data(), buttonPng.size(), 0));
    ImagePtr panel(CUiRender::LoadImageFromMemory(panelPng.data(), panelPng.size(), 0));
    ImagePtr icon(CUiRender::LoadImageFromMemory(iconPng.data(), iconPng.size(), 0));
    Surface dst(700, 420);
    const RECT all{0, 0, 700, 420};
    struct Case {
        const char* name;
        const TImageInfo* image;
        RECT dest;
        RECT corner;
    } cases[] = {
        {"ninepart_button_208x44", button.get(), {100, 100, 308, 144}, {6, 6, 6, 6}},
        {"ninepart_panel_700x420", panel.get(), {0, 0, 700, 420}, {10, 10, 10, 10}},
        {"ninepart_icon_16x16", icon.get(), {10, 10, 26, 26}, {0, 0, 0, 0}},
    };
    for (const bool direct : {true, false}) {
        CUiRender::SetDirectBlendEnabled(direct);
        for (const Case& c : cases) {
            const Timing t = Measure([&] {
                CUiRender::DrawImage(dst.Dc(), c.image->bitmap, c.dest, all, RECT{0, 0, c.image->width, c.image->height},
                                     c.corner, true, 1.0, 255, false, false, false);
            });
            char name[128];
            std::snprintf(name, sizeof(name), "%s_%s", c.name, direct ? "ownblend" : "alphablend");
            PrintTiming(name, t);
        }
    }
    CUiRender::SetDirectBlendEnabled(true);
}

// About 200 image-decorated controls in a 700 x 420 window at a scale: a
// panel background, buttons with nine-part frames, icons and small tiles,
// each drawn as the control base draws its images (descriptor geometry,
// layered window so every image blends).
void WindowFigures() {
    const std::vector<unsigned char> buttonPng = SkinPicture(96, 36, 6);
    const std::vector<unsigned char> panelPng = SkinPicture(700, 420, 10);
    const std::vector<unsigned char> iconPng = SkinPicture(16, 16, 3);
    ImagePtr button(CUiRender::LoadImageFromMemory(buttonPng.data(), buttonPng.size(), 0));
    ImagePtr panel(CUiRender::LoadImageFromMemory(panelPng.data(), panelPng.size(), 0));
    ImagePtr icon(CUiRender::LoadImageFromMemory(iconPng.data(), iconPng.size(), 0));
    for (const int percent : {100, 150, 200}) {
        const int dpi = percent * 96 / 100;
        CDpiScaler::SetProcessDpi(dpi);
        CDpiScaler scaler;
        scaler.SetScale(dpi);
        const int width = 700 * percent / 100, height = 420 * percent / 100;
        Surface window(width, height), screen(width, height);
        TImageSpec panelSpec, buttonSpec, iconSpec;
        panelSpec.Parse(L"file='panel.png' corner='10,10,10,10'", nullptr, &scaler);
        buttonSpec.Parse(L"file='button.png' corner='6,6,6,6'", nullptr, &scaler);
        iconSpec.Parse(L"file='icon.png' size='16,16' align='center vcenter'", nullptr, &scaler);
        const RECT all{0, 0, width, height};
        auto repaint = [&] {
            std::memset(window.Bits(), 0, static_cast<size_t>(width) * height * 4);  // layered: clear first
            CUiRender::DrawImageRecord(window.Dc(), panel.get(), all, all, panelSpec, true);
            for (int i = 0; i < 199; ++i) {
                const int column = i % 10, row = i / 10;
                const RECT item{scaler.Scale(8 + column * 69), scaler.Scale(8 + row * 20),
                                scaler.Scale(8 + column * 69 + 64), scaler.Scale(8 + row * 20 + 18)};
                CUiRender::DrawImageRecord(window.Dc(), (i % 3 == 0) ? icon.get() : button.get(), item, all,
                                           (i % 3 == 0) ? iconSpec : buttonSpec, true);
            }
        };
        const Timing paint = Measure(repaint);
        const Timing floor = Measure([&] { ::BitBlt(screen.Dc(), 0, 0, width, height, window.Dc(), 0, 0, SRCCOPY); });
        CUiRender::SetDirectBlendEnabled(false);
        const Timing system = Measure(repaint);
        CUiRender::SetDirectBlendEnabled(true);
        char name[128];
        std::snprintf(name, sizeof(name), "window_200_images_%d_percent", percent);
        PrintTiming(name, paint);
        std::snprintf(name, sizeof(name), "window_200_images_%d_percent_alphablend_median", percent);
        Print(name, system.medianMs, "ms");
        std::snprintf(name, sizeof(name), "window_bitblt_%d_percent_median", percent);
        Print(name, floor.medianMs, "ms");
        std::snprintf(name, sizeof(name), "window_200_images_over_bitblt_ratio_%d_percent", percent);
        Print(name, paint.medianMs / std::max(floor.medianMs, 1e-6), "x");
    }
    CDpiScaler::SetProcessDpi(96);
}

void DecodeFigures() {
    const std::vector<unsigned char> png = SkinPicture(1024, 768, 12);
    const Timing t = Measure([&] { CUiRender::LoadImageFromMemory(png.data(), png.size(), 0); });
    const double megabytes = static_cast<double>(png.size()) / (1024.0 * 1024.0);
    Print("decode_png_size", megabytes, "MB");
    Print("decode_png_ms_per_mb_median", t.medianMs / megabytes, "ms/MB");
    Print("decode_png_ms_per_megapixel_median", t.medianMs / (1024.0 * 768.0 / 1e6), "ms/Mpx");
}

// One descriptor parse at 150 % whose image has a "@1.5x" variant in a skin
// folder: the variant search should cost a file probe, not a decode.
void DescriptorFigures() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"veneer-bench-skin\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::vector<unsigned char> png = SkinPicture(1050, 630, 15);
    const wchar_t* const names[] = {L"panel.png", L"panel@1.5x.png"};
    for (const wchar_t* name : names) {
        UiHandle<KernelHandleTraits> file(::CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (file) ::WriteFile(file.Get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    }
    CSkinStorage::SetResourcePath(folder.c_str());
    CDpiScaler scaler;
    scaler.SetScale(144);
    TImageSpec spec;
    const Timing t = Measure([&] { spec.Parse(L"file='panel.png' corner='10,10,10,10'", nullptr, &scaler); });
    PrintTiming("descriptor_parse_150_percent_with_variant", t);
    CSkinStorage::SetResourcePath(L"");
    for (const wchar_t* name : names) ::DeleteFileW((folder + name).c_str());
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) g_runs = 1;
        // The figures of the GDI+ fill path, for comparison with the direct one.
        if (std::strcmp(argv[i], "--gdiplus-fill") == 0) CUiRender::SetDirectFillEnabled(false);
    }
    BlendFigures(700, 420, "700x420");
    if (g_runs > 1) BlendFigures(1400, 840, "1400x840");
    NinePartFigures();
    WindowFigures();
    DecodeFigures();
    DescriptorFigures();
    return 0;
}
