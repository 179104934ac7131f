#include "render/UiTextFit.h"

namespace Veneer {

std::wstring FitWithEllipsis(const std::wstring& text, const std::function<size_t(const std::wstring&)>& fitted) {
    const size_t fits = fitted(text);
    if (fits >= text.size()) return text;
    // Start from what fitted and give back characters until prefix + "…" fits.
    std::wstring prefix = text.substr(0, fits);
    while (!prefix.empty()) {
        while (!prefix.empty() && (prefix.back() == L' ' || prefix.back() == L'\n' || prefix.back() == L'\r')) {
            prefix.pop_back();
        }
        const std::wstring candidate = prefix + L"\u2026";
        if (fitted(candidate) >= candidate.size()) return candidate;
        if (!prefix.empty()) prefix.pop_back();
    }
    return L"\u2026";
}

}  // namespace Veneer
