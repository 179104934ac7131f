#pragma once
// The value grammars of control attributes: booleans, integers, rectangles,
// sizes, the two colour forms, float positions and alignment words, cursor
// names, and the attribute-list syntax of styles and default lists. Pure
// functions: every reader stops at the terminator and never reads past it;
// malformed text gives the documented fallback (0, false, nothing applied).
#include <windows.h>

#include <functional>

#include "core/UiRect.h"

namespace Veneer {

// "true" ignoring case; anything else (null included) is false.
bool ParseAttributeBool(const wchar_t* value);
// Decimal with leading blanks and a sign; text that is no number gives 0.
int ParseAttributeInt(const wchar_t* value);
// "l,t,r,b": after each of the first three numbers exactly one character is
// skipped (normally the comma); blanks before a number are skipped; a
// missing number counts as 0.
UiRect ParseAttributeRect(const wchar_t* value);
// "cx,cy" with the same rules.
UiSize ParseAttributeSize(const wchar_t* value);
// Colour form A (#AARRGGBB): leading blanks skipped, then one optional "#",
// then hexadecimal digits. Too many digits saturate at 0xFFFFFFFF.
DWORD ParseColorA(const wchar_t* value);
// Colour form B: one "#" skipped only as the very first character, then
// hexadecimal digits (a leading blank therefore gives 0).
DWORD ParseColorB(const wchar_t* value);

// float="l,t,r,b" as four fractions (one separator after each of the first
// three). Returns false, leaving `out` alone, when the value has no comma,
// i.e. is a plain boolean.
bool ParseFloatPercent(const wchar_t* value, double out[4]);

// Float alignment bits: 1 centre, 2 right, 4 vertical centre, 8 bottom.
constexpr UINT kFloatAlignCenter = 0x1;
constexpr UINT kFloatAlignRight = 0x2;
constexpr UINT kFloatAlignVCenter = 0x4;
constexpr UINT kFloatAlignBottom = 0x8;
// Applies the words of `value` (separated by commas or blanks) to `current`:
// "null" clears everything, "left"/"center"/"right" and "top"/"vcenter"/
// "bottom" set their axis; other words are ignored.
UINT ParseFloatAlign(const wchar_t* value, UINT current);

// Where "pos" puts a control: fixed x/y (the left/top, or the right/bottom
// when that is negative) and the absolute width and height.
struct TPosAttribute {
    SIZE xy;
    int width;
    int height;
};
TPosAttribute ParsePosAttribute(const wchar_t* value);

// Where a floating child goes inside its container's rectangle `parent`.
// With alignment bits: aligned by them (an axis without a bit keeps the fixed
// position). Without: at the fixed position from the left/top edge (from the
// right/bottom edge when negative), its edges moved by the fractions of the
// parent's size (left, top, right, bottom). Computed wide and cut to the int
// range, so no attribute value overflows; a fraction that is no number
// counts as 0.
RECT PlaceFloatChild(const RECT& parent, SIZE xy, int width, int height, UINT align, const double fractions[4]);

// System cursor id (IDC_*) of a cursor name; 0 for an unknown name.
WORD CursorIdFromName(const wchar_t* name);
// The reverse; an empty text for an id that is not in the table.
const wchar_t* CursorNameFromId(WORD id);

// Splits `name="value" name="value"` (pairs separated by one blank or one
// comma; "&quot;" counts as a double quote) and hands each pair to `apply`
// in order. Stops at the first malformed pair, keeping what was applied
// before it. Returns the number of pairs applied.
using AttributeSink = std::function<void(const wchar_t* name, const wchar_t* value)>;
int ForEachAttribute(const wchar_t* list, const AttributeSink& apply);

}  // namespace Veneer
