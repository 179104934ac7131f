// Image descriptors: a descriptor and a modifier (the input's parts between
// zero bytes) read over one record. Every number stays within the cut, so
// any scale up to 1000 % keeps the nine-part sums inside an int; writing the
// record out as a descriptor and reading it back gives the same record; and a
// DPI variant name keeps the base name and its extension.
#include <climits>
#include <cstdio>
#include <cwchar>
#include <string>

#include "render/TImageSpec.h"
#include "tools/fuzz/FuzzInput.h"

using Veneer::TImageSpec;
using Veneer::UiRect;
using Veneer::UiString;

namespace {

constexpr long long kMax = TImageSpec::kMaxDescriptorValue;

bool InCut(long long value) { return value >= -kMax && value <= kMax; }

void CheckRect(const UiRect& r, const char* what) {
    Fuzz::Check(InCut(r.left) && InCut(r.top) && InCut(r.right) && InCut(r.bottom), what);
    // The largest scale the scaler accepts (960 DPI): positions, sizes and
    // the sum of two opposite widths still fit an int.
    constexpr long long kScale = 10;
    const long long width = (static_cast<long long>(r.right) - r.left) * kScale;
    const long long sum = (static_cast<long long>(r.left) + r.right) * kScale;
    Fuzz::Check(width > INT_MIN / 4 && width < INT_MAX / 4 && sum > INT_MIN / 4 && sum < INT_MAX / 4, what);
}

std::wstring Rect(const UiRect& r) {
    wchar_t text[64];
    std::swprintf(text, 64, L"%ld,%ld,%ld,%ld", static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right), static_cast<long>(r.bottom));
    return text;
}

std::wstring Write(const TImageSpec& spec) {
    std::wstring out;
    auto key = [&out](const wchar_t* name, const std::wstring& value) {
        if (value.empty()) return;
        out += std::wstring(name) + L"='" + value + L"' ";
    };
    wchar_t number[32];
    key(L"file", spec.imageName.GetData());
    key(L"restype", spec.resType.GetData());
    key(L"dest", Rect(spec.dest));
    key(L"source", Rect(spec.source));
    key(L"corner", Rect(spec.corner));
    key(L"padding", Rect(spec.padding));
    std::swprintf(number, 32, L"#%x", static_cast<unsigned>(spec.mask));
    key(L"mask", number);
    std::swprintf(number, 32, L"%d", static_cast<int>(spec.fade));
    key(L"fade", number);
    key(L"hole", spec.hole ? L"true" : L"false");
    key(L"xtiled", spec.xTiled ? L"true" : L"false");
    key(L"ytiled", spec.yTiled ? L"true" : L"false");
    key(L"hsl", spec.hsl ? L"true" : L"false");
    std::swprintf(number, 32, L"%ld,%ld", static_cast<long>(spec.size.cx), static_cast<long>(spec.size.cy));
    key(L"size", number);
    key(L"align", spec.align.GetData());
    return out;
}

bool Same(const TImageSpec& a, const TImageSpec& b) {
    return a.imageName == b.imageName && a.resType == b.resType && a.dest == b.dest && a.source == b.source &&
           a.corner == b.corner && a.padding == b.padding && a.mask == b.mask && a.fade == b.fade &&
           a.hole == b.hole && a.xTiled == b.xTiled && a.yTiled == b.yTiled && a.hsl == b.hsl &&
           a.size == b.size && a.align == b.align;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> parts = Fuzz::SplitParts(data, size, 3);
    TImageSpec spec;
    spec.ReadText(parts[0].c_str());
    spec.ReadText(parts[1].c_str());
    CheckRect(spec.dest, "dest beyond the cut");
    CheckRect(spec.source, "source beyond the cut");
    CheckRect(spec.corner, "corner beyond the cut");
    CheckRect(spec.padding, "padding beyond the cut");
    Fuzz::Check(InCut(spec.size.cx) && InCut(spec.size.cy), "size beyond the cut");

    // Names with a quote cannot be written in the language; the rest must survive.
    const std::wstring written = Write(spec);
    if (std::wcschr(spec.imageName, L'\'') == nullptr && std::wcschr(spec.resType, L'\'') == nullptr &&
        std::wcschr(spec.align, L'\'') == nullptr) {
        TImageSpec again;
        again.ReadText(written.c_str());
        Fuzz::Check(Same(spec, again), "the record changed by a round trip", Fuzz::Show(written));
    }

    // A variant for any percentage: "<base>@<scale>x.<extension>".
    unsigned hash = 0;
    for (wchar_t ch : parts[2]) hash = hash * 31u + static_cast<unsigned>(ch);
    const int percent = static_cast<int>(hash % 2000u) - 100;
    for (const int p : {percent, 125, 150, 200}) {
        const UiString base = parts[0].c_str();
        const UiString variant = TImageSpec::VariantName(base, p);
        const int dot = base.ReverseFind(L'.');
        const bool hasExtension = dot >= 0 && std::wcspbrk(base.GetData() + dot, L"\\/") == nullptr;
        Fuzz::Check(variant.IsEmpty() == (!hasExtension || p <= 0), "variant given or refused wrongly",
                    Fuzz::Show(parts[0]));
        if (variant.IsEmpty()) continue;
        Fuzz::Check(std::wcsncmp(variant, base, static_cast<std::size_t>(dot)) == 0 && variant[dot] == L'@' &&
                        std::wcscmp(variant.GetData() + variant.GetLength() - (base.GetLength() - dot),
                                    base.GetData() + dot) == 0,
                    "variant lost the base name or its extension", Fuzz::Show(parts[0]));
    }
    return 0;
}
