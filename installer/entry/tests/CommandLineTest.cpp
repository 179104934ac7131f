#include <gtest/gtest.h>

#include "installer/entry/CommandLine.h"

using namespace ZKInstaller;

TEST(SplitCommandLine, SplitsAtEverySingleSpace) {
    EXPECT_TRUE(SplitCommandLine(L"").empty());
    EXPECT_EQ(SplitCommandLine(L"a b"), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(SplitCommandLine(L"a  b"), (std::vector<std::wstring>{L"a", L"", L"b"}));
    EXPECT_EQ(SplitCommandLine(L"\"C:\\A B\""), (std::vector<std::wstring>{L"\"C:\\A", L"B\""}));
}

TEST(ScanCommandLine, SilentWordsAndFolderPrefixes) {
    const struct {
        const wchar_t* line;
        bool silent;
        const wchar_t* folder;
    } cases[] = {
        {L"", false, L""},
        {L"/S", true, L""},
        {L"/s", true, L""},
        {L"/Silent", false, L""},  // exact, case-sensitive
        {L"/quiet /D=C:\\X", true, L"C:\\X"},
        {L"-instdir", true, L""},
        {L"-instdir=C:\\Y", false, L""},  // neither a silent word nor a known prefix
        {L"/D=C:\\A /dir=C:\\B", false, L"C:\\B"},  // a later word overrides
        {L"APPDIR=C:\\P", false, L"C:\\P"},
        {L"/D=C:\\Program Files\\Z", false, L"C:\\Program"},  // cut at the space
        // Both "/D=" and "-o" occur: the later prefix in the list wins.
        {L"/D=C:\\tools-out", false, L"ut"},
    };
    for (const auto& c : cases) {
        const CommandLineSwitches s = ScanCommandLine(SplitCommandLine(c.line));
        EXPECT_EQ(s.silent, c.silent) << c.line;
        EXPECT_EQ(s.installFolder, c.folder) << c.line;
    }
}
