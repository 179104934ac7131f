#include "installer/engine/ControlFile.h"

#include <windows.h>

#include <clocale>

namespace ZKInstaller {

namespace {
constexpr DWORD kReadBuffer = 260;  // characters

void UseControlFileLocale() { _wsetlocale(LC_ALL, L"en_GB.UTF-8"); }
}  // namespace

UiString ReadControlValue(const wchar_t* controlFile, const wchar_t* key) {
    UseControlFileLocale();
    wchar_t value[kReadBuffer] = {};
    GetPrivateProfileStringW(kControlSection, key, kMissingValue, value, kReadBuffer, controlFile);
    return UiString(value);
}

bool WriteControlValue(const wchar_t* controlFile, const wchar_t* key, const wchar_t* value) {
    UseControlFileLocale();
    return WritePrivateProfileStringW(kControlSection, key, value, controlFile) != FALSE;
}

void PrepareControlFile(const wchar_t* controlFile) {
    if (ReadControlValue(controlFile, kChannelKey) == kMissingValue) {
        WriteControlValue(controlFile, kChannelKey, kDefaultChannel);
    }
    WriteControlValue(controlFile, kActiveKey, L"0");
}

}  // namespace ZKInstaller
