#include "render/UiLibraryFontCache.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

namespace Veneer {

struct UiLibraryFontCache::Entry {
    LOGFONTW key;
    std::unique_ptr<Gdiplus::Font> font;
};

UiLibraryFontCache::UiLibraryFontCache() = default;
UiLibraryFontCache::~UiLibraryFontCache() = default;

Gdiplus::Font* UiLibraryFontCache::Find(const LOGFONTW& key) const {
    for (const auto& entry : m_entries) {
        if (std::memcmp(&entry->key, &key, sizeof(key)) == 0) return entry->font.get();
    }
    return nullptr;
}

Gdiplus::Font* UiLibraryFontCache::Add(const LOGFONTW& key, std::unique_ptr<Gdiplus::Font> font) {
    if (!font) return nullptr;
    if (m_entries.size() >= kMaxEntries) m_entries.erase(m_entries.begin());
    auto entry = std::make_unique<Entry>();
    entry->key = key;
    entry->font = std::move(font);
    m_entries.push_back(std::move(entry));
    return m_entries.back()->font.get();
}

void UiLibraryFontCache::Clear() { m_entries.clear(); }

}  // namespace Veneer
