#pragma once
// The installer's command line: split into words at single spaces and scanned
// for the silent switches, the help switch and the install-folder prefixes.
#include <string>
#include <vector>

namespace ZKInstaller {

struct CommandLineSwitches {
    bool silent = false;
    bool help = false;          // "/?"
    bool folderGiven = false;   // a folder prefix was found (its value may be empty)
    std::wstring installFolder;  // empty when no folder prefix was given
};

// Splits at every single space; consecutive spaces give empty words.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);
// Word by word: a folder prefix takes the rest of its word only.
CommandLineSwitches ScanCommandLine(const std::vector<std::wstring>& words);
// The whole line. As ScanCommandLine, except that a parameter starting with
// "/D=" (or "\"/D=") is the last one: its folder is the rest of the line,
// spaces included, without trailing spaces and enclosing quotes, and it
// overrides every other folder prefix.
CommandLineSwitches ParseCommandLine(const std::wstring& commandLine);
// A drive path ("C:\..." or "C:/...") or a UNC path ("\\server\share"),
// without characters no folder name may hold.
bool IsAbsoluteFolder(const std::wstring& folder);

}  // namespace ZKInstaller
