#include "installer/entry/CommandLine.h"

#include "ZKCore/ZKString.h"

namespace ZKInstaller {

namespace {
const wchar_t* const kSilentWords[] = {
    L"/S", L"/s", L"/verysilent/norestart/suppressmsgboxes", L"/VERYSILENT/NORESATRT/SUPPRESSMSGBOXES",
    L"/silent", L"/SILENT", L"/quiet", L"-instdir", L"-INSTDIR",
};
// Searched in this order: a later prefix found in the same word wins.
const wchar_t* const kFolderPrefixes[] = {
    L"/D=", L"/dir=", L"--insPath=", L"/d=", L"/DIR=", L"--INSPATH=", L"APPDIR=", L"-o",
};
constexpr const wchar_t* kTimeoutSwitch = L"/TIMEOUT=";
constexpr const wchar_t* kLogSwitch = L"/LOG=";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool StartsWith(const std::wstring& text, size_t at, const wchar_t* prefix) {
    return text.compare(at, wcslen(prefix), prefix) == 0;
}

// The first position, at the start or after a space, where `prefix` (or a
// quote and `prefix`) begins; npos when none.
size_t FindParameter(const std::wstring& line, const wchar_t* prefix) {
    for (size_t i = 0;;) {
        if (StartsWith(line, i, prefix) || (i < line.size() && line[i] == L'"' && StartsWith(line, i + 1, prefix))) {
            return i;
        }
        const size_t space = line.find(L' ', i);
        if (space == std::wstring::npos) return std::wstring::npos;
        i = space + 1;
    }
}

// Takes the "/LOG=" parameter out of `line`: its value, quoted or up to the
// next space.
void TakeLogParameter(std::wstring& line, CommandLineSwitches& result) {
    const size_t at = FindParameter(line, kLogSwitch);
    if (at == std::wstring::npos) return;
    const bool quotedWhole = line[at] == L'"';
    size_t value = at + (quotedWhole ? 1 : 0) + wcslen(kLogSwitch);
    size_t end = 0;
    size_t next = 0;
    if (quotedWhole || (value < line.size() && line[value] == L'"')) {
        if (!quotedWhole) ++value;
        end = line.find(L'"', value);
        if (end == std::wstring::npos) end = line.size();
        next = end == line.size() ? end : end + 1;
    } else {
        end = line.find(L' ', value);
        if (end == std::wstring::npos) end = line.size();
        next = end;
    }
    result.logGiven = true;
    result.logFile = line.substr(value, end - value);
    line.erase(at, next - at);
}

void ReadTimeout(const std::wstring& text, CommandLineSwitches& result) {
    result.timeoutGiven = true;
    result.timeoutText = text;
    unsigned long long seconds = 0;
    bool digits = !text.empty() && text.size() <= 10;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') digits = false;
        if (digits) seconds = seconds * 10 + static_cast<unsigned>(c - L'0');
    }
    result.timeoutValid = digits && seconds >= 1 && seconds <= kMaxTimeoutSeconds;
    if (result.timeoutValid) result.timeoutSeconds = static_cast<unsigned>(seconds);
}
}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> words;
    if (commandLine.empty()) return words;
    size_t start = 0;
    for (;;) {
        const size_t space = commandLine.find(L' ', start);
        words.push_back(commandLine.substr(start, space == std::wstring::npos ? std::wstring::npos : space - start));
        if (space == std::wstring::npos) break;
        start = space + 1;
    }
    return words;
}

CommandLineSwitches ScanCommandLine(const std::vector<std::wstring>& words) {
    CommandLineSwitches result;
    for (const std::wstring& word : words) {
        bool isSilentWord = false;
        for (const wchar_t* silent : kSilentWords) {
            if (word == silent) {
                isSilentWord = true;
                break;
            }
        }
        if (isSilentWord) {
            result.silent = true;
            continue;
        }
        if (word == L"/?") {
            result.help = true;
            continue;
        }
        if (StartsWith(word, 0, kTimeoutSwitch)) {
            ReadTimeout(word.substr(wcslen(kTimeoutSwitch)), result);
            continue;
        }
        for (const wchar_t* prefix : kFolderPrefixes) {
            const size_t at = word.find(prefix);
            if (at != std::wstring::npos) {
                result.installFolder = word.substr(at + wcslen(prefix));
                result.folderGiven = true;
            }
        }
    }
    return result;
}

CommandLineSwitches ParseCommandLine(const std::wstring& commandLine) {
    // The "/D=" parameter starts a word: at the beginning or after a space.
    const size_t at = FindParameter(commandLine, L"/D=");
    // The words before it, without the space that ends them.
    std::wstring head = at == std::wstring::npos ? commandLine : commandLine.substr(0, at == 0 ? 0 : at - 1);
    CommandLineSwitches log;
    TakeLogParameter(head, log);
    CommandLineSwitches result = ScanCommandLine(SplitCommandLine(head));
    result.logGiven = log.logGiven;
    result.logFile = log.logFile;
    if (at == std::wstring::npos) return result;

    const bool quoted = commandLine[at] == L'"';
    std::wstring folder = commandLine.substr(at + (quoted ? 4 : 3));
    while (!folder.empty() && IsBlank(folder.back())) folder.pop_back();
    if (quoted && !folder.empty() && folder.back() == L'"') folder.pop_back();
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') folder = folder.substr(1, folder.size() - 2);
    result.installFolder = folder;
    result.folderGiven = true;
    return result;
}

bool IsAbsoluteFolder(const std::wstring& folder) {
    if (folder.find_first_of(L"\"<>|*?") != std::wstring::npos) return false;
    const bool drive = folder.size() >= 3 && ((folder[0] >= L'A' && folder[0] <= L'Z') ||
                                              (folder[0] >= L'a' && folder[0] <= L'z')) &&
                       folder[1] == L':' && (folder[2] == L'\\' || folder[2] == L'/');
    const bool unc = folder.size() > 2 && folder.compare(0, 2, L"\\\\") == 0 && folder[2] != L'\\';
    // A colon anywhere else (an alternate data stream, a second drive) is no folder.
    return (drive && folder.find(L':', 2) == std::wstring::npos) || (unc && folder.find(L':') == std::wstring::npos);
}

std::wstring CommandLineProblem(const CommandLineSwitches& switches) {
    if (switches.folderGiven && !IsAbsoluteFolder(switches.installFolder)) {
        return L"Install folder refused, not an absolute path: " + switches.installFolder;
    }
    if (switches.logGiven && !IsAbsoluteFolder(switches.logFile)) {
        return L"Log file refused, not an absolute path: " + switches.logFile;
    }
    if (!switches.timeoutValid) {
        return L"Time-out refused, not a whole number of seconds from 1 to " + ZKCore::DecimalText(kMaxTimeoutSeconds) +
               L": " + switches.timeoutText;
    }
    return std::wstring();
}

}  // namespace ZKInstaller
