#pragma once
// The installer's command line: split into words at single spaces and scanned
// for the silent switches and install-folder prefixes. The result is kept for
// later use; nothing in the start-up acts on it yet.
#include <string>
#include <vector>

namespace ZKInstaller {

struct CommandLineSwitches {
    bool silent = false;
    std::wstring installFolder;  // empty when no folder prefix was given
};

// Splits at every single space; consecutive spaces give empty words.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);
CommandLineSwitches ScanCommandLine(const std::vector<std::wstring>& words);

}  // namespace ZKInstaller
