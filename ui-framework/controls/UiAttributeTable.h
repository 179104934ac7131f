#pragma once
// The attribute tables of the controls: rows of a name and the function that
// applies a value, names compared without regard to case unless the row says
// exact. The rows of one name are tried in table order; a row that returns
// false sends the pair on to the next (and then to the base class).
#include <windows.h>

#include <cwchar>
#include <utility>
#include <vector>

#include "controls/UiAttributeValues.h"
#include "core/UiValueScan.h"

namespace Veneer {

template <typename Control>
struct TAttributeRow {
    const wchar_t* name;
    bool (*apply)(Control& control, const wchar_t* value);
    bool exactCase = false;
};

// Attribute names are ASCII: its letters fold, every other unit is itself.
inline int CompareNameNoCase(const wchar_t* a, const wchar_t* b) {
    for (;; ++a, ++b) {
        const wchar_t x = FoldAsciiLetter(*a), y = FoldAsciiLetter(*b);
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
}

// A table's row names ordered without case, made once per table: finding a
// name is a binary search rather than a comparison with every row (a skin
// sets thousands of attributes while it is built). Untyped, so that every
// control class shares one copy of the sorting and searching code.
class UiAttributeNameIndex {
public:
    explicit UiAttributeNameIndex(std::vector<const wchar_t*> names);
    // The numbers of the rows named `name` (any case), in table order, as
    // [first, last).
    std::pair<const unsigned*, const unsigned*> Find(const wchar_t* name) const;

private:
    std::vector<const wchar_t*> m_names;
    std::vector<unsigned> m_order;
};

template <typename Row>
class TAttributeIndex {
public:
    template <size_t N>
    explicit TAttributeIndex(const Row (&table)[N]) : m_table(table), m_names(NamesOf(table, N)) {}

    // Calls `apply(row)` for the rows named `name` (any case), in table order,
    // until one returns true; whether one did.
    template <typename Fn>
    bool Apply(const wchar_t* name, Fn apply) const {
        const auto rows = m_names.Find(name);
        for (const unsigned* row = rows.first; row != rows.second; ++row) {
            if (apply(m_table[*row])) return true;
        }
        return false;
    }

private:
    static std::vector<const wchar_t*> NamesOf(const Row* table, size_t count) {
        std::vector<const wchar_t*> names(count);
        for (size_t i = 0; i < count; ++i) names[i] = table[i].name;
        return names;
    }

    const Row* m_table;
    UiAttributeNameIndex m_names;
};

// True when a row of the indexed table took the pair.
template <typename Control>
bool ApplyAttributeRow(const TAttributeIndex<TAttributeRow<Control>>& index, Control& control, const wchar_t* name,
                       const wchar_t* value) {
    if (!name) return false;
    if (!value) value = L"";
    return index.Apply(name, [&](const TAttributeRow<Control>& row) {
        return (!row.exactCase || std::wcscmp(name, row.name) == 0) && row.apply(control, value);
    });
}

// Rows for the common value forms: the value read one way, handed to a setter.
template <typename Control, void (Control::*Setter)(bool)>
bool BoolRow(Control& c, const wchar_t* v) {
    (c.*Setter)(ParseAttributeBool(v));
    return true;
}
template <typename Control, void (Control::*Setter)(int)>
bool IntRow(Control& c, const wchar_t* v) {
    (c.*Setter)(ParseAttributeInt(v));
    return true;
}
// Colours of the text attributes: one leading "#" skipped, then hexadecimal.
template <typename Control, void (Control::*Setter)(DWORD)>
bool ColorRow(Control& c, const wchar_t* v) {
    (c.*Setter)(ParseColorB(v));
    return true;
}
template <typename Control, void (Control::*Setter)(const wchar_t*)>
bool TextRow(Control& c, const wchar_t* v) {
    (c.*Setter)(v);
    return true;
}

}  // namespace Veneer
