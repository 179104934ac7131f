// Attribute lists (name="value" pairs of styles and default lists) and the
// value grammars applied to each value. The pairs never outnumber what the
// text can hold, a name holds no "=" and no outer blank, a value no quote;
// writing the pairs out again and splitting that gives the same pairs.
#include <climits>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "controls/UiAttributeValues.h"
#include "tools/fuzz/FuzzInput.h"

using namespace Veneer;

namespace {

using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

Pairs Split(const wchar_t* list, int& applied) {
    Pairs pairs;
    applied = ForEachAttribute(list, [&pairs](const wchar_t* name, const wchar_t* value) {
        pairs.emplace_back(name, value);
    });
    return pairs;
}

bool Blank(wchar_t ch) { return ch != L'\0' && ch <= L' '; }

void CheckValue(const wchar_t* value) {
    ParseAttributeBool(value);
    ParseAttributeInt(value);
    ParseAttributeRect(value);
    ParseAttributeSize(value);
    ParseColorA(value);
    ParseColorB(value);
    double fractions[4] = {};
    ParseFloatPercent(value, fractions);
    const UINT align = ParseFloatAlign(value, kFloatAlignCenter | kFloatAlignBottom);
    Fuzz::Check((align & ~0xFu) == 0, "float alignment outside its bits");
    Fuzz::Check((align & 3u) != 3u && (align & 12u) != 12u, "float alignment on both sides of an axis");
    const TPosAttribute pos = ParsePosAttribute(value);
    Fuzz::Check(pos.width >= 0 && pos.height >= 0, "negative position size");
    // A floating child placed by this value read every way (pos, float,
    // floatalign, and the container's rectangle); the sanitizers watch the
    // arithmetic. Without alignment and fractions the child keeps its size
    // unless an edge was cut at the int range.
    double stretch[4] = {};
    const bool fractionsGiven = ParseFloatPercent(value, stretch);
    const UINT alignBits = ParseFloatAlign(value, 0);
    const RECT parent = ParseAttributeRect(value);
    const RECT placed = PlaceFloatChild(parent, pos.xy, pos.width, pos.height, alignBits, stretch);
    if (!fractionsGiven && alignBits == 0 && placed.left != INT_MIN && placed.left != INT_MAX &&
        placed.right != INT_MIN && placed.right != INT_MAX) {
        Fuzz::Check(static_cast<long long>(placed.right) - placed.left == pos.width, "a floating child changed size",
                    Fuzz::Show(value));
    }
    const WORD cursor = CursorIdFromName(value);
    if (cursor != 0) {
        Fuzz::Check(wcscasecmp(CursorNameFromId(cursor), value) == 0, "cursor name does not come back");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = Fuzz::DecodeText(data, size);
    const std::size_t length = std::wcslen(text.c_str());
    int applied = 0;
    const Pairs pairs = Split(text.c_str(), applied);
    Fuzz::Check(applied == static_cast<int>(pairs.size()), "applied count differs from the pairs handed out");
    // The shortest pair, `=""`, takes three characters and one separator.
    Fuzz::Check(static_cast<std::size_t>(applied) * 4 <= length + 1, "more pairs than the text can hold");

    std::wstring written;
    for (const auto& [name, value] : pairs) {
        Fuzz::Check(name.find(L'=') == std::wstring::npos, "a name holds '='", Fuzz::Show(name));
        Fuzz::Check(name.empty() || (!Blank(name.front()) && !Blank(name.back())), "a name keeps outer blanks",
                    Fuzz::Show(name));
        Fuzz::Check(value.find(L'"') == std::wstring::npos, "a value holds a quote", Fuzz::Show(value));
        CheckValue(value.c_str());
        written += (written.empty() ? L"" : L" ") + name + L"=\"" + value + L"\"";
    }
    int again = 0;
    const Pairs reread = Split(written.c_str(), again);
    Fuzz::Check(reread == pairs, "the pairs changed by a round trip", Fuzz::Show(written));
    return 0;
}
