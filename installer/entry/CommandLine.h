#pragma once
// The installer's command line (its arguments, without the program name):
// split into words at single spaces and scanned for the silent switches, the
// help switch, the time-out, the log file and the install-folder prefixes.
#include <string>
#include <vector>

#include "ZKCore/ZKString.h"

namespace ZKInstaller {

// How long a silent run waits for the install by default, in seconds.
constexpr unsigned kDefaultTimeoutSeconds = 3600;
// The longest time-out, in seconds: the platform's longest timer (0x7FFFFFFF ms).
constexpr unsigned kMaxTimeoutSeconds = 2147483;

struct CommandLineSwitches {
    bool silent = false;
    bool help = false;          // "/?"
    bool folderGiven = false;   // a folder prefix was found (its value may be empty)
    std::wstring installFolder;  // empty when no folder prefix was given
    // "/TIMEOUT=seconds": whole seconds, 1 to kMaxTimeoutSeconds.
    bool timeoutGiven = false;
    bool timeoutValid = true;
    unsigned timeoutSeconds = kDefaultTimeoutSeconds;
    std::wstring timeoutText;  // the value as given
    // /LOG=file, /LOG="file" or "/LOG=file" (quoted, the file may hold spaces).
    bool logGiven = false;
    std::wstring logFile;
};

// Splits at every single space; consecutive spaces give empty words.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);
// Word by word: a folder prefix takes the rest of its word only;
// "/TIMEOUT=" is a word of its own.
CommandLineSwitches ScanCommandLine(const std::vector<std::wstring>& words);
// The whole line. As ScanCommandLine, except that a parameter starting with
// "/D=" (or "\"/D=") is the last one: its folder is the rest of the line,
// spaces included, without trailing spaces and enclosing quotes, and it
// overrides every other folder prefix; and that a parameter starting with
// "/LOG=" (before "/D=") may be quoted.
CommandLineSwitches ParseCommandLine(const std::wstring& commandLine);
// A drive path ("C:\..." or "C:/...") or a UNC path ("\\server\share"),
// without characters no folder name may hold.
bool IsAbsoluteFolder(const std::wstring& folder);
// Why the switches cannot be used (for the log), or empty when they can: a
// relative install folder or log file, a time-out that is no whole number of
// seconds in range.
std::wstring CommandLineProblem(const CommandLineSwitches& switches);
using ZKCore::SkipProgramName;

}  // namespace ZKInstaller
