#pragma once
// Cutting a text that does not fit its rectangle so that it ends with an
// ellipsis, for text engines that ignore the end-ellipsis request (Wine's
// GDI+ wraps but never trims).
#include <cstddef>
#include <functional>
#include <string>

namespace Veneer {

// `fitted(candidate)` answers how many characters of `candidate` fit the
// rectangle. The text itself when it all fits; else its longest fitting
// prefix followed by "…" that fits whole (trailing blanks of the prefix
// dropped); "…" alone when nothing else does.
std::wstring FitWithEllipsis(const std::wstring& text, const std::function<size_t(const std::wstring&)>& fitted);

}  // namespace Veneer
