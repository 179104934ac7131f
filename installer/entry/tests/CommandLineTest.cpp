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

TEST(ParseCommandLine, TimeOutAndLogFile) {
    const struct {
        const wchar_t* line;
        bool timeoutValid;
        unsigned timeout;
        bool logGiven;
        const wchar_t* log;
        const wchar_t* folder;
        bool silent;
    } cases[] = {
        {L"/S", true, kDefaultTimeoutSeconds, false, L"", L"", true},
        {L"/S /TIMEOUT=60", true, 60, false, L"", L"", true},
        {L"/TIMEOUT=2147483", true, kMaxTimeoutSeconds, false, L"", L"", false},
        {L"/TIMEOUT=2147484", false, kDefaultTimeoutSeconds, false, L"", L"", false},
        {L"/TIMEOUT=0", false, kDefaultTimeoutSeconds, false, L"", L"", false},
        {L"/TIMEOUT=", false, kDefaultTimeoutSeconds, false, L"", L"", false},
        {L"/TIMEOUT=-5", false, kDefaultTimeoutSeconds, false, L"", L"", false},
        {L"/TIMEOUT=99999999999999999999", false, kDefaultTimeoutSeconds, false, L"", L"", false},
        {L"/timeout=60", true, kDefaultTimeoutSeconds, false, L"", L"", false},  // case-sensitive: an unknown word
        // The log file's word holds "-o", no folder prefix for it.
        {L"/LOG=C:\\logs\\set-out.log /S", true, kDefaultTimeoutSeconds, true, L"C:\\logs\\set-out.log", L"", true},
        {L"/S /LOG=\"C:\\My Logs\\a.log\" /quiet", true, kDefaultTimeoutSeconds, true, L"C:\\My Logs\\a.log", L"", true},
        {L"\"/LOG=C:\\My Logs\\a.log\" /S", true, kDefaultTimeoutSeconds, true, L"C:\\My Logs\\a.log", L"", true},
        {L"/LOG=", true, kDefaultTimeoutSeconds, true, L"", L"", false},
        // "/D=" stays last and takes the rest, a "/LOG=" after it included.
        {L"/S /TIMEOUT=5 /LOG=C:\\x.log /D=C:\\Büro\\App /LOG=C:\\y.log", true, 5, true, L"C:\\x.log",
         L"C:\\Büro\\App /LOG=C:\\y.log", true},
        {L"/D=D:\\软件\\Scrivla", true, kDefaultTimeoutSeconds, false, L"", L"D:\\软件\\Scrivla", false},
        {L"x/LOG=C:\\x.log", true, kDefaultTimeoutSeconds, false, L"", L"", false},  // not at a word start
    };
    for (const auto& c : cases) {
        const CommandLineSwitches s = ParseCommandLine(c.line);
        EXPECT_EQ(s.timeoutValid, c.timeoutValid) << c.line;
        EXPECT_EQ(s.timeoutSeconds, c.timeout) << c.line;
        EXPECT_EQ(s.logGiven, c.logGiven) << c.line;
        EXPECT_EQ(s.logFile, c.log) << c.line;
        EXPECT_EQ(s.installFolder, c.folder) << c.line;
        EXPECT_EQ(s.silent, c.silent) << c.line;
    }
}

TEST(CommandLineProblem, NamesWhatIsRefused) {
    const struct {
        const wchar_t* line;
        const wchar_t* problem;  // the start of the text, empty when fine
    } cases[] = {
        {L"/S /TIMEOUT=10 /LOG=C:\\a.log /D=C:\\b", L""},
        {L"/D=b", L"Install folder refused"},
        {L"/LOG=a.log", L"Log file refused"},
        {L"/LOG=\\\\server\\share\\a.log", L""},
        {L"/TIMEOUT=x", L"Time-out refused"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CommandLineProblem(ParseCommandLine(c.line)).compare(0, wcslen(c.problem), c.problem), 0) << c.line;
        EXPECT_EQ(CommandLineProblem(ParseCommandLine(c.line)).empty(), *c.problem == 0) << c.line;
    }
}

TEST(SkipProgramName, QuotedUpToTheNextQuoteElseUpToABlank) {
    const struct {
        const wchar_t* line;
        const wchar_t* rest;
    } cases[] = {
        {L"", L""},
        {L"setup.exe", L""},
        {L"setup.exe /S", L"/S"},
        {L"setup.exe\t \t/S  /D=C:\\A", L"/S  /D=C:\\A"},
        {L"\"C:\\Program Files\\setup.exe\" /S", L"/S"},
        {L"\"C:\\Büro\\setup.exe\"/S", L"/S"},  // the quote ends the name even without a blank
        {L"C:\\a\"b c\"\\setup.exe /S", L"c\"\\setup.exe /S"},  // a quote later in the name is no quote
        {L"\"unterminated /S", L""},
        {L"setup.exe /D=D:\\软件\\Scrivla", L"/D=D:\\软件\\Scrivla"},
    };
    for (const auto& c : cases) EXPECT_EQ(SkipProgramName(c.line), c.rest) << c.line;
}
