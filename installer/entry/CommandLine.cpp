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
        for (const wchar_t* prefix : kFolderPrefixes) {
            const size_t at = word.find(prefix);
            if (at != std::wstring::npos) result.installFolder = word.substr(at + wcslen(prefix));
        }
    }
    return result;
}

}  // namespace ZKInstaller
