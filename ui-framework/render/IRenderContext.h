#pragma once
// What the render engine needs from the window it draws for: its fonts, its
// image and descriptor tables, and how it presents pixels. The paint manager
// implements it; the render engine never sees the manager itself.
#include <windows.h>

namespace Veneer {

struct TImageInfo;
struct TImageSpec;
class UiLibraryFontCache;

class IRenderContext {
public:
    // The parsed descriptor (plus modifier) from the window's cache; null for
    // an empty descriptor.
    virtual const TImageSpec* GetDrawInfo(const wchar_t* descriptor, const wchar_t* modifier) = 0;
    // The image from the window's (or the shared) table, loaded on first use;
    // null when it cannot be loaded.
    virtual const TImageInfo* GetImageEx(const wchar_t* name, const wchar_t* type, DWORD mask,
                                         bool adjustColors, HINSTANCE instance) = 0;
    // The font of table entry `id`; an unknown id gives the default font.
    virtual HFONT GetFont(int id) = 0;
    // A DC of the window for measuring; null without a window.
    virtual HDC GetPaintDC() const = 0;
    // Layered windows need per-pixel alpha: images blend, text goes through GDI+.
    virtual bool IsLayered() const = 0;
    virtual bool IsUseGdiplusText() const = 0;
    // Gdiplus::TextRenderingHint 0 (system default) .. 5.
    virtual int GetGdiplusTextRenderingHint() const = 0;
    // Where GDI+ fonts made for this window's text are kept.
    virtual UiLibraryFontCache& GetLibraryFontCache() = 0;

protected:
    ~IRenderContext() = default;
};

}  // namespace Veneer
