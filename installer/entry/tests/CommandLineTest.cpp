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

TEST(ParseCommandLine, SlashDTakesTheRestOfTheLineOtherPrefixesTheirWord) {
    const struct {
        const wchar_t* line;
        bool silent;
        bool folderGiven;
        const wchar_t* folder;
    } cases[] = {
        {L"", false, false, L""},
        {L"/S /D=C:\\Program Files\\Z", true, true, L"C:\\Program Files\\Z"},
        {L"/S \"/D=C:\\Some Folder\\X\"", true, true, L"C:\\Some Folder\\X"},
        {L"/D=\"C:\\A B\"  ", false, true, L"C:\\A B"},
        {L"/D=C:\\tools-out", false, true, L"C:\\tools-out"},  // "-o" inside the folder is not a prefix
        {L"/dir=C:\\A /D=C:\\B /S", false, true, L"C:\\B /S"},  // the rest of the line, words too
        {L"/dir=C:\\Program Files", false, true, L"C:\\Program"},
        {L"x/D=C:\\Y", false, true, L"C:\\Y"},  // not at a word start: the per-word rule
        {L"/quiet /D=", true, true, L""},
    };
    for (const auto& c : cases) {
        const CommandLineSwitches s = ParseCommandLine(c.line);
        EXPECT_EQ(s.silent, c.silent) << c.line;
        EXPECT_EQ(s.folderGiven, c.folderGiven) << c.line;
        EXPECT_EQ(s.installFolder, c.folder) << c.line;
    }
    EXPECT_TRUE(ParseCommandLine(L"/S /?").help);
}

TEST(IsAbsoluteFolder, DrivesAndSharesOnly) {
    for (const wchar_t* good : {L"C:\\", L"d:/x y", L"C:\\Program Files\\Z", L"\\\\server\\share\\a"}) {
        EXPECT_TRUE(IsAbsoluteFolder(good)) << good;
    }
    for (const wchar_t* bad : {L"", L"C:", L"C:x", L"x", L"..\\x", L"\\x", L"\\\\\\x", L"C:\\a:b", L"C:\\a\"",
                               L"C:\\a*", L"1:\\x"}) {
        EXPECT_FALSE(IsAbsoluteFolder(bad)) << bad;
    }
}
