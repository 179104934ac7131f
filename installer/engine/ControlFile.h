#pragma once
// The control file APP.ini shared with the product package: section
// "Install", keys "channel" and "active". Missing keys read as "error".
#include "core/UiString.h"

namespace ZKInstaller {

using Veneer::UiString;

constexpr const wchar_t* kControlSection = L"Install";
constexpr const wchar_t* kChannelKey = L"channel";
constexpr const wchar_t* kActiveKey = L"active";
constexpr const wchar_t* kMissingValue = L"error";
constexpr const wchar_t* kDefaultChannel = L"zivid09pro";

UiString ReadControlValue(const wchar_t* controlFile, const wchar_t* key);
bool WriteControlValue(const wchar_t* controlFile, const wchar_t* key, const wchar_t* value);
// Writes the default channel when the file has none (or holds "error"), and
// "active" = "0": the state before each download.
void PrepareControlFile(const wchar_t* controlFile);

}  // namespace ZKInstaller
