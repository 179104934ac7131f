#pragma once
// The attribute tables of derived controls: rows of a name and the function
// that applies a value, searched in order, names compared without regard to
// case unless the row says exact. A row that returns false sends the pair on
// down the table (and then to the base class).
#include <windows.h>

#include <cwchar>

#include "controls/UiAttributeValues.h"

namespace Veneer {

template <typename Control>
struct TAttributeRow {
    const wchar_t* name;
    bool (*apply)(Control& control, const wchar_t* value);
    bool exactCase = false;
};

// True when a row of `table` took the pair.
template <typename Control, size_t N>
bool ApplyAttributeRow(const TAttributeRow<Control> (&table)[N], Control& control, const wchar_t* name,
                       const wchar_t* value) {
    if (!name) return false;
    if (!value) value = L"";
    for (const TAttributeRow<Control>& row : table) {
        const bool same = row.exactCase ? std::wcscmp(name, row.name) == 0 : _wcsicmp(name, row.name) == 0;
        if (same && row.apply(control, value)) return true;
    }
    return false;
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
