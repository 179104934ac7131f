#include "installer/entry/CommandLine.h"

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
    size_t at = std::wstring::npos;
    bool quoted = false;
    for (size_t i = 0;;) {
        if (commandLine.compare(i, 3, L"/D=") == 0 || commandLine.compare(i, 4, L"\"/D=") == 0) {
            at = i;
            quoted = commandLine[i] == L'"';
            break;
        }
        const size_t space = commandLine.find(L' ', i);
        if (space == std::wstring::npos) break;
        i = space + 1;
    }
    if (at == std::wstring::npos) return ScanCommandLine(SplitCommandLine(commandLine));

    // The words before it, without the space that ends them.
    CommandLineSwitches result = ScanCommandLine(SplitCommandLine(commandLine.substr(0, at == 0 ? 0 : at - 1)));
    std::wstring folder = commandLine.substr(at + (quoted ? 4 : 3));
    while (!folder.empty() && (folder.back() == L' ' || folder.back() == L'\t')) folder.pop_back();
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

}  // namespace ZKInstaller
