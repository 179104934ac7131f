#pragma once
// Events the pages send to the main frame through the event mixin.
#include <cstdint>

namespace ZKInstaller {

// Select page `argument` of the tab layout; page 2 also starts an install.
constexpr uint32_t kEventSelectPage = 64;
constexpr uint32_t kEventStartInstall = 65;

enum InstallPage : uint32_t { kPageAgreement = 0, kPageCustom = 1, kPageProgress = 2, kPageFinished = 3 };

}  // namespace ZKInstaller
