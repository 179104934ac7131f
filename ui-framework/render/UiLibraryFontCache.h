#pragma once
// GDI+ fonts made for GDI fonts, kept per window: making one looks the family
// up among the installed fonts (and, for an alias, realises the GDI font),
// which costs far more than drawing the text. Keyed by the whole LOGFONTW, so
// a GDI font rebuilt for another DPI gets its own entry. Cleared before the
// window's GDI+ session ends.
#include <windows.h>

#include <memory>
#include <vector>

namespace Gdiplus {
class Font;
}

namespace Veneer {

class UiLibraryFontCache {
public:
    UiLibraryFontCache();
    ~UiLibraryFontCache();
    UiLibraryFontCache(const UiLibraryFontCache&) = delete;
    UiLibraryFontCache& operator=(const UiLibraryFontCache&) = delete;

    Gdiplus::Font* Find(const LOGFONTW& key) const;
    // Keeps `font` under `key` (the oldest entry goes beyond kMaxEntries).
    Gdiplus::Font* Add(const LOGFONTW& key, std::unique_ptr<Gdiplus::Font> font);
    void Clear();
    size_t GetCount() const { return m_entries.size(); }

    static constexpr size_t kMaxEntries = 32;

private:
    struct Entry;
    std::vector<std::unique_ptr<Entry>> m_entries;
};

}  // namespace Veneer
