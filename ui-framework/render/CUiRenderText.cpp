// Single-font text: the system's DrawTextW on opaque windows, GDI+ on layered
// windows (GDI leaves alpha 0 under its ink in a 32-bit bitmap, which a
// per-pixel-alpha window would show as holes) or when the window asks for it.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>

#include <objidl.h>
#include <gdiplus.h>

#include "core/UiHandle.h"
#include "core/UiPhaseClock.h"
#include "core/UiString.h"
#include "render/CUiRender.h"
#include "render/UiLibraryFontCache.h"
#include "render/UiTextFit.h"

namespace Veneer {

namespace {

COLORREF ToColorRef(DWORD argb) {
    return RGB(static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb));
}

// Restores the DC's text colour and background mode on scope exit.
class TextDcState {
public:
    TextDcState(HDC dc, COLORREF color)
        : m_dc(dc), m_oldColor(::SetTextColor(dc, color)), m_oldMode(::SetBkMode(dc, TRANSPARENT)) {}
    ~TextDcState() {
        ::SetTextColor(m_dc, m_oldColor);
        if (m_oldMode != 0) ::SetBkMode(m_dc, m_oldMode);
    }
    TextDcState(const TextDcState&) = delete;
    TextDcState& operator=(const TextDcState&) = delete;

private:
    HDC m_dc;
    COLORREF m_oldColor;
    int m_oldMode;
};

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// A text holding "&#x" names one character by up to four hexadecimal digits
// after it (an icon-font glyph such as "&#xe001;"). False when no digit
// follows, so such a text is drawn as it stands.
bool ReadCharacterReference(const wchar_t* text, wchar_t& out) {
    const wchar_t* start = std::wcsstr(text, L"&#x");
    if (!start) return false;
    start += 3;
    unsigned value = 0;
    int digits = 0;
    while (digits < 4 && start[digits] != L'\0') {
        const int digit = HexDigit(start[digits]);
        if (digit < 0) break;
        value = value * 16 + static_cast<unsigned>(digit);
        ++digits;
    }
    if (digits == 0 || value == 0) return false;
    out = static_cast<wchar_t>(value);
    return true;
}

void DrawSystemText(HDC dc, HFONT font, RECT& rect, const wchar_t* text, DWORD color, UINT format) {
    const TextDcState state(dc, ToColorRef(color));
    const UiSelectObject selectFont(dc, font);
    wchar_t single[2] = {0, 0};
    if (ReadCharacterReference(text, single[0])) {
        ::DrawTextW(dc, single, 1, &rect, format);
    } else {
        ::DrawTextW(dc, text, -1, &rect, format);
    }
}

// The string format the GDI+ path uses for DrawTextW's flags.
void ApplyFormat(Gdiplus::StringFormat& format, UINT flags) {
    INT formatFlags = format.GetFormatFlags();
    // The typographic format never clips; text is kept inside its rectangle
    // unless the caller asked for DT_NOCLIP, as on the system path.
    formatFlags &= ~Gdiplus::StringFormatFlagsNoClip;
    if (flags & DT_NOCLIP) formatFlags |= Gdiplus::StringFormatFlagsNoClip;
    // Only DT_WORDBREAK breaks lines at word boundaries on the system path.
    if ((flags & DT_SINGLELINE) || !(flags & DT_WORDBREAK)) formatFlags |= Gdiplus::StringFormatFlagsNoWrap;
    format.SetFormatFlags(formatFlags);
    format.SetTrimming((flags & DT_END_ELLIPSIS) ? Gdiplus::StringTrimmingEllipsisCharacter
                                                 : Gdiplus::StringTrimmingNone);
    if (flags & DT_CENTER)
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
    else if (flags & DT_RIGHT)
        format.SetAlignment(Gdiplus::StringAlignmentFar);
    else
        format.SetAlignment(Gdiplus::StringAlignmentNear);
    if (flags & DT_VCENTER)
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    else if (flags & DT_BOTTOM)
        format.SetLineAlignment(Gdiplus::StringAlignmentFar);
    else
        format.SetLineAlignment(Gdiplus::StringAlignmentNear);
}

// "&&" shows one "&" on the system path unless DT_NOPREFIX is given.
UiString PrefixFreeText(const wchar_t* text, UINT flags) {
    UiString result(text);
    if (!(flags & DT_NOPREFIX)) result.Replace(L"&&", L"&");
    return result;
}

// A font for GDI+ from a LOGFONT, or null. The family is looked up first:
// some GDI+ builds leave a dangling font pointer behind when the face is
// unknown, which the Font destructor would then free a second time.
std::unique_ptr<Gdiplus::Font> TryLibraryFont(HDC dc, const LOGFONTW& logFont) {
    if (!logFont.lfFaceName[0]) return nullptr;
    {
        const Gdiplus::FontFamily family(logFont.lfFaceName);
        if (family.GetLastStatus() != Gdiplus::Ok) return nullptr;
    }
    std::unique_ptr<Gdiplus::Font> result(new Gdiplus::Font(dc, &logFont));
    if (result->GetLastStatus() != Gdiplus::Ok || !result->IsAvailable()) return nullptr;
    return result;
}

// The family name of the font GDI realised for `font` (empty for fonts
// without outlines).
void RealisedFamily(HDC dc, HFONT font, wchar_t (&face)[LF_FACESIZE]) {
    face[0] = L'\0';
    const UiSelectObject select(dc, font);
    const UINT bytes = ::GetOutlineTextMetricsW(dc, 0, nullptr);
    if (bytes < sizeof(OUTLINETEXTMETRICW)) return;
    std::unique_ptr<BYTE[]> buffer(new BYTE[bytes]);
    auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.get());
    if (::GetOutlineTextMetricsW(dc, bytes, metrics) == 0) return;
    // otmpFamilyName is a byte offset from the start of the buffer.
    const size_t offset = reinterpret_cast<size_t>(metrics->otmpFamilyName);
    if (offset < sizeof(OUTLINETEXTMETRICW) || offset >= bytes) return;
    const auto* name = reinterpret_cast<const wchar_t*>(buffer.get() + offset);
    const size_t room = (bytes - offset) / sizeof(wchar_t);
    size_t i = 0;
    for (; i + 1 < LF_FACESIZE && i < room && name[i] != L'\0'; ++i) face[i] = name[i];
    face[i] = L'\0';
}

// GDI+ knows only installed families, not the system's face aliases ("MS
// Shell Dlg" of the default GUI font): such a face is replaced by the family
// GDI realised for it, and failing that by the generic sans-serif family at
// the same pixel height. Null when none can be made.
std::unique_ptr<Gdiplus::Font> MakeLibraryFont(HDC dc, HFONT font, LOGFONTW logFont) {
    if (auto result = TryLibraryFont(dc, logFont)) return result;
    wchar_t face[LF_FACESIZE];
    RealisedFamily(dc, font, face);
    if (face[0] && std::wcscmp(face, logFont.lfFaceName) != 0) {
        std::wcsncpy(logFont.lfFaceName, face, LF_FACESIZE - 1);
        logFont.lfFaceName[LF_FACESIZE - 1] = L'\0';
        if (auto result = TryLibraryFont(dc, logFont)) return result;
    }
    const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif();
    if (!generic || generic->GetLastStatus() != Gdiplus::Ok) return nullptr;
    INT style = Gdiplus::FontStyleRegular;
    if (logFont.lfWeight >= FW_BOLD) style |= Gdiplus::FontStyleBold;
    if (logFont.lfItalic) style |= Gdiplus::FontStyleItalic;
    if (logFont.lfUnderline) style |= Gdiplus::FontStyleUnderline;
    const LONG height = logFont.lfHeight < 0 ? -logFont.lfHeight : logFont.lfHeight;
    std::unique_ptr<Gdiplus::Font> result(new Gdiplus::Font(
        generic, static_cast<Gdiplus::REAL>(height > 0 ? height : 12), style, Gdiplus::UnitPixel));
    if (result->GetLastStatus() != Gdiplus::Ok || !result->IsAvailable()) return nullptr;
    return result;
}

// False when GDI+ cannot draw with this font (the caller falls back to GDI).
bool DrawLibraryText(HDC dc, IRenderContext* context, HFONT font, RECT& rect, const wchar_t* text, DWORD color,
                     UINT flags) {
    LOGFONTW logFont{};
    if (!font || ::GetObjectW(font, sizeof(logFont), &logFont) != sizeof(logFont)) return false;
    Gdiplus::Graphics graphics(dc);
    if (graphics.GetLastStatus() != Gdiplus::Ok) return false;
    UiLibraryFontCache& fonts = context->GetLibraryFontCache();
    Gdiplus::Font* gdiFont = fonts.Find(logFont);
    if (!gdiFont) {
        const UiPhaseScope phase("library font");
        gdiFont = fonts.Add(logFont, MakeLibraryFont(dc, font, logFont));
    }
    if (!gdiFont) return false;

    int hint = context->GetGdiplusTextRenderingHint();
    if (hint < Gdiplus::TextRenderingHintSystemDefault || hint > Gdiplus::TextRenderingHintClearTypeGridFit)
        hint = Gdiplus::TextRenderingHintSystemDefault;
    graphics.SetTextRenderingHint(static_cast<Gdiplus::TextRenderingHint>(hint));
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);

    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    if (format.GetLastStatus() != Gdiplus::Ok) return false;
    ApplyFormat(format, flags);

    const UiString shown = PrefixFreeText(text, flags);
    const INT length = static_cast<INT>(shown.GetLength());
    // Negative sizes measure as unbounded (0) and draw nothing.
    const Gdiplus::REAL width = static_cast<Gdiplus::REAL>(std::max<LONG>(0, rect.right - rect.left));
    const Gdiplus::REAL height = static_cast<Gdiplus::REAL>(std::max<LONG>(0, rect.bottom - rect.top));
    const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(rect.left), static_cast<Gdiplus::REAL>(rect.top), width,
                                height);
    if (flags & DT_CALCRECT) {
        Gdiplus::RectF bounds;
        graphics.MeasureString(shown.GetData(), length, gdiFont, layout, &format, &bounds);
        rect.right = rect.left + static_cast<LONG>(bounds.Width) + 1;
        rect.bottom = rect.top + static_cast<LONG>(bounds.Height) + 1;
        return true;
    }
    if (length == 0 || ((width <= 0 || height <= 0) && !(flags & DT_NOCLIP))) return true;
    // An end ellipsis the engine may not draw itself: the text is cut here so
    // that it fits whole, ending in "…".
    std::wstring trimmed(shown.GetData(), static_cast<size_t>(length));
    if ((flags & DT_END_ELLIPSIS) && (flags & DT_WORDBREAK)) {
        trimmed = FitWithEllipsis(trimmed, [&](const std::wstring& candidate) -> size_t {
            Gdiplus::RectF bounds;
            INT fitted = 0;
            INT lines = 0;
            graphics.MeasureString(candidate.c_str(), static_cast<INT>(candidate.size()), gdiFont, layout,
                                   &format, &bounds, &fitted, &lines);
            return static_cast<size_t>(fitted < 0 ? 0 : fitted);
        });
    }
    // Alpha 0xFE rather than opaque: GDI+ then renders the glyphs itself with
    // anti-aliased coverage instead of handing them to GDI, which would leave
    // alpha 0 under the ink.
    Gdiplus::SolidBrush brush(Gdiplus::Color(static_cast<Gdiplus::ARGB>((color & 0x00FFFFFF) | 0xFE000000)));
    graphics.DrawString(trimmed.c_str(), static_cast<INT>(trimmed.size()), gdiFont, layout, &format, &brush);
    return true;
}

}  // namespace

void CUiRender::DrawText(HDC dc, IRenderContext* context, RECT& rect, const wchar_t* text, DWORD color,
                         int fontIndex, UINT format) {
    if (!dc || !context || !text) return;
    HFONT font = context->GetFont(fontIndex);
    if (context->IsLayered() || context->IsUseGdiplusText()) {
        const UiPhaseScope phase("text");
        if (DrawLibraryText(dc, context, font, rect, text, color, format)) return;
    }
    DrawSystemText(dc, font, rect, text, color, format);
}

SIZE CUiRender::GetTextSize(HDC dc, IRenderContext* context, const wchar_t* text, int fontIndex, UINT format) {
    (void)format;  // the extent is of the whole text on one line whatever the format
    SIZE size{0, 0};
    if (!context || !text) return size;
    // Measuring needs a DC: the window's, else a screen-compatible one.
    HDC measureDc = dc ? dc : context->GetPaintDC();
    std::unique_ptr<UiMemoryDc> scratch;
    if (!measureDc) {
        scratch.reset(new UiMemoryDc(nullptr));
        measureDc = scratch->Get();
    }
    if (!measureDc) return size;
    const UiSelectObject selectFont(measureDc, context->GetFont(fontIndex));
    ::GetTextExtentPoint32W(measureDc, text, static_cast<int>(std::wcslen(text)), &size);
    return size;
}

}  // namespace Veneer
