// Fonts, default attribute lists, styles, option groups and custom window
// attributes. Each resource table exists per window and process-wide
// ("shared"); lookups try the window's table first.
#include <windows.h>

#include <cwchar>
#include <memory>

#include "controls/CControlUI.h"
#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"

namespace Veneer {

namespace {

UiString FontKey(int id) {
    UiString key;
    key.SmallFormat(L"%d", id);
    return key;
}

}  // namespace

// ---- fonts ----

void CPaintManagerUI::MeasureFont(TFontInfo& info) const {
    if (!info.font) return;
    HDC dc = GetPaintDC();
    UiWindowDc screen(nullptr);
    if (!dc) dc = screen.Get();
    if (!dc) return;
    UiSelectObject select(dc, info.font.Get());
    ::GetTextMetricsW(dc, &info.metrics);
}

bool CPaintManagerUI::BuildFont(TFontInfo& info, bool clearType) const {
    LOGFONTW lf{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    if (!info.faceName.IsEmpty()) {
        // LOGFONT holds at most 31 characters of a face name.
        wcsncpy(lf.lfFaceName, info.faceName, LF_FACESIZE - 1);
        lf.lfFaceName[LF_FACESIZE - 1] = L'\0';
    }
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = -m_dpi.Scale(info.size);
    if (info.bold) lf.lfWeight = FW_BOLD;
    lf.lfUnderline = info.underline ? TRUE : FALSE;
    lf.lfItalic = info.italic ? TRUE : FALSE;
    if (clearType) lf.lfQuality = CLEARTYPE_QUALITY;
    HFONT font = ::CreateFontIndirectW(&lf);
    if (!font) return false;
    info.font.Reset(font);
    info.faceName = lf.lfFaceName;
    // Measured on first use (GetFontInfo): measuring realises the font, a
    // millisecond or more each, and most fonts of a skin are not on screen
    // when its window first shows.
    info.metrics = TEXTMETRICW{};
    return true;
}

HFONT CPaintManagerUI::AddFont(int id, const wchar_t* faceName, int size, bool bold, bool underline, bool italic,
                               bool shared) {
    auto info = std::make_unique<TFontInfo>();
    info->faceName = faceName;
    info->size = size;
    info->bold = bold;
    info->underline = underline;
    info->italic = italic;
    if (!BuildFont(*info, false)) return nullptr;
    auto& table = (shared || m_forceShared) ? Shared().fonts : m_fonts;
    return table.Set(FontKey(id), std::move(info))->font.Get();
}

HFONT CPaintManagerUI::GetFont(int id) { return GetFontInfo(id)->font.Get(); }

TFontInfo* CPaintManagerUI::GetFontInfo(int id) {
    if (id >= 0) {
        const UiString key = FontKey(id);
        TFontInfo* info = m_fonts.Find(key);
        if (!info) info = Shared().fonts.Find(key);
        if (info) {
            if (info->metrics.tmHeight == 0) MeasureFont(*info);
            return info;
        }
    }
    return GetDefaultFontInfo();
}

TFontInfo* CPaintManagerUI::GetDefaultFontInfo() {
    TFontInfo& info = m_defaultFont.faceName.IsEmpty() ? Shared().defaultFont : m_defaultFont;
    if (info.metrics.tmHeight == 0) MeasureFont(info);
    return &info;
}

bool CPaintManagerUI::RemoveFont(int id, bool shared) {
    return (shared ? Shared().fonts : m_fonts).Remove(FontKey(id));
}

void CPaintManagerUI::RemoveAllFonts(bool shared) { (shared ? Shared().fonts : m_fonts).Clear(); }

void CPaintManagerUI::FreeWindowFonts() { m_fonts.Clear(); }

void CPaintManagerUI::SetDefaultFont(const wchar_t* faceName, int size, bool bold, bool underline, bool italic,
                                     bool shared) {
    TFontInfo info;
    info.faceName = faceName;
    info.size = size;
    info.bold = bold;
    info.underline = underline;
    info.italic = italic;
    if (!BuildFont(info, false)) return;
    TFontInfo& target = (shared || m_forceShared) ? Shared().defaultFont : m_defaultFont;
    target.font = std::move(info.font);
    target.faceName = info.faceName;
    target.size = info.size;
    target.bold = info.bold;
    target.underline = info.underline;
    target.italic = info.italic;
    target.metrics = info.metrics;
}

// ---- default attribute lists and styles ----

namespace {

using TextTable = UiOwningMap<UiString>;

TextTable& ChooseTable(bool shared, TextTable& mine, TextTable& sharedTable) { return shared ? sharedTable : mine; }

const wchar_t* FindText(const TextTable& mine, const TextTable& shared, const wchar_t* name) {
    if (!name || !*name) return nullptr;
    const UiString* text = mine.Find(name);
    if (!text) text = shared.Find(name);
    return text ? text->GetData() : nullptr;
}

bool RemoveText(TextTable& table, const wchar_t* name) { return name && *name && table.Remove(name); }

}  // namespace

void CPaintManagerUI::AddDefaultAttributeList(const wchar_t* className, const wchar_t* list, bool shared) {
    if (!className || !*className) return;
    TextTable& table = ChooseTable(shared || m_forceShared, m_defaultAttributes, Shared().defaultAttributes);
    // A later list for the same class replaces the earlier one.
    table.Set(className, std::make_unique<UiString>(list));
}

const wchar_t* CPaintManagerUI::GetDefaultAttributeList(const wchar_t* className) const {
    return FindText(m_defaultAttributes, Shared().defaultAttributes, className);
}

bool CPaintManagerUI::RemoveDefaultAttributeList(const wchar_t* className, bool shared) {
    return RemoveText(shared ? Shared().defaultAttributes : m_defaultAttributes, className);
}

void CPaintManagerUI::RemoveAllDefaultAttributeList(bool shared) {
    (shared ? Shared().defaultAttributes : m_defaultAttributes).Clear();
}

void CPaintManagerUI::AddStyle(const wchar_t* name, const wchar_t* text, bool shared) {
    if (!name || !*name) return;
    TextTable& table = ChooseTable(shared || m_forceShared, m_styles, Shared().styles);
    // The first style of a name stays.
    if (!table.Find(name, false)) table.Insert(name, std::make_unique<UiString>(text));
}

const wchar_t* CPaintManagerUI::GetStyle(const wchar_t* name) const { return FindText(m_styles, Shared().styles, name); }

bool CPaintManagerUI::RemoveStyle(const wchar_t* name, bool shared) {
    return RemoveText(shared ? Shared().styles : m_styles, name);
}

void CPaintManagerUI::RemoveAllStyle(bool shared) { (shared ? Shared().styles : m_styles).Clear(); }

void CPaintManagerUI::FreeWindowAttributeTables() {
    m_defaultAttributes.Clear();
    m_styles.Clear();
}

// ---- option groups ----

bool CPaintManagerUI::AddOptionGroup(const wchar_t* group, CControlUI* control) {
    if (!group || !*group || !control) return false;
    for (auto& entry : m_optionGroups) {
        if (entry.first == group) return entry.second->Add(control);
    }
    auto members = std::make_unique<UiControlList>(m_registry);
    members->Add(control);
    m_optionGroups.emplace_back(UiString(group), std::move(members));
    return true;
}

const UiControlList* CPaintManagerUI::GetOptionGroup(const wchar_t* group) const {
    if (!group || !*group) return nullptr;
    for (const auto& entry : m_optionGroups) {
        if (entry.first == group) return entry.second.get();
    }
    return nullptr;
}

void CPaintManagerUI::RemoveOptionGroup(const wchar_t* group, CControlUI* control) {
    if (!group || !*group) return;
    for (auto it = m_optionGroups.begin(); it != m_optionGroups.end(); ++it) {
        if (it->first != group) continue;
        it->second->Remove(control);
        if (it->second->IsEmpty()) m_optionGroups.erase(it);
        return;
    }
}

void CPaintManagerUI::RemoveAllOptionGroups() { m_optionGroups.clear(); }

// ---- custom window attributes ----

void CPaintManagerUI::AddWindowCustomAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !*name || !value || !*value) return;
    // The first value of a name stays.
    if (!m_customAttributes.Find(name, false)) m_customAttributes.Insert(name, std::make_unique<UiString>(value));
}

const wchar_t* CPaintManagerUI::GetWindowCustomAttribute(const wchar_t* name) const {
    if (!name || !*name) return nullptr;
    const UiString* text = m_customAttributes.Find(name);
    return text ? text->GetData() : nullptr;
}

bool CPaintManagerUI::RemoveWindowCustomAttribute(const wchar_t* name) { return RemoveText(m_customAttributes, name); }

void CPaintManagerUI::RemoveAllWindowCustomAttribute() { m_customAttributes.Clear(); }

}  // namespace Veneer
