#pragma once
// Events the pages send to the main frame through the event mixin, whose entry
// point takes plain 32-bit codes and arguments.
#include <cstdint>

namespace ZKInstaller {

enum class InstallEvent : uint32_t {
    SelectPage = 64,    // argument: the page; the progress page also starts an install
    StartInstall = 65,  // no argument
};

enum class InstallPage : uint32_t { Agreement = 0, Custom = 1, Progress = 2, Finished = 3 };

constexpr uint32_t EventCode(InstallEvent event) { return static_cast<uint32_t>(event); }
constexpr uint32_t PageArgument(InstallPage page) { return static_cast<uint32_t>(page); }

}  // namespace ZKInstaller
