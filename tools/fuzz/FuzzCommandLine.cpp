// The installer's command line (its arguments). Splitting loses nothing;
// switches the problem check accepts are consistent; a line without "/D="
// and "/LOG=" reads as its words; and accepted switches written out again
// in their canonical form read back the same.
#include <string>

#include "installer/entry/CommandLine.h"
#include "tools/fuzz/FuzzInput.h"

using namespace ZKInstaller;

namespace {

std::string Describe(const CommandLineSwitches& s) {
    return "silent=" + std::to_string(s.silent) + " help=" + std::to_string(s.help) +
           " folder=" + std::to_string(s.folderGiven) + ":" + Fuzz::Show(s.installFolder) +
           " timeout=" + std::to_string(s.timeoutGiven) + "/" + std::to_string(s.timeoutValid) + "/" +
           std::to_string(s.timeoutSeconds) + " log=" + std::to_string(s.logGiven) + ":" + Fuzz::Show(s.logFile);
}

bool Same(const CommandLineSwitches& a, const CommandLineSwitches& b) {
    return a.silent == b.silent && a.help == b.help && a.folderGiven == b.folderGiven &&
           a.installFolder == b.installFolder && a.timeoutGiven == b.timeoutGiven &&
           a.timeoutValid == b.timeoutValid && a.timeoutSeconds == b.timeoutSeconds && a.logGiven == b.logGiven &&
           a.logFile == b.logFile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The platform hands the line over as a zero-terminated text.
    std::wstring line = Fuzz::DecodeText(data, size);
    line.resize(std::wcslen(line.c_str()));

    const std::vector<std::wstring> words = SplitCommandLine(line);
    std::wstring joined;
    for (std::size_t i = 0; i < words.size(); ++i) joined += (i ? L" " : L"") + words[i];
    Fuzz::Check(joined == line, "splitting lost text");

    const CommandLineSwitches switches = ParseCommandLine(line);
    if (line.find(L"/D=") == std::wstring::npos && line.find(L"/LOG=") == std::wstring::npos) {
        Fuzz::Check(Same(switches, ScanCommandLine(words)), "the line reads otherwise than its words");
    }
    Fuzz::Check(switches.timeoutGiven || (switches.timeoutValid && switches.timeoutSeconds == kDefaultTimeoutSeconds),
                "a time-out without the switch");
    Fuzz::Check(!switches.timeoutValid || (switches.timeoutSeconds >= 1 && switches.timeoutSeconds <= kMaxTimeoutSeconds),
                "a valid time-out out of range", Describe(switches));
    if (!CommandLineProblem(switches).empty()) return 0;

    Fuzz::Check(!switches.folderGiven || IsAbsoluteFolder(switches.installFolder), "a relative folder accepted");
    Fuzz::Check(!switches.logGiven || IsAbsoluteFolder(switches.logFile), "a relative log file accepted");
    // A launcher that passes the accepted switches on writes them like this.
    std::wstring canonical;
    if (switches.silent) canonical += L"/S ";
    if (switches.help) canonical += L"/? ";
    if (switches.timeoutGiven) canonical += L"/TIMEOUT=" + std::to_wstring(switches.timeoutSeconds) + L" ";
    if (switches.logGiven) canonical += L"\"/LOG=" + switches.logFile + L"\" ";
    // Quotes keep blanks at the end of the folder, which the bare form trims.
    const bool quote = switches.installFolder.find_first_of(L" \t") != std::wstring::npos;
    if (switches.folderGiven) canonical += quote ? L"/D=\"" + switches.installFolder + L"\"" : L"/D=" + switches.installFolder;
    CommandLineSwitches again = ParseCommandLine(canonical);
    Fuzz::Check(CommandLineProblem(again).empty(), "accepted switches written out are refused", Fuzz::Show(canonical));
    Fuzz::Check(Same(switches, again), "accepted switches change when written out",
                Fuzz::Show(line) + " -> " + Fuzz::Show(canonical) + ": " + Describe(switches) + " / " + Describe(again));
    return 0;
}
