#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "core/CSkinStorage.h"

using Veneer::CSkinStorage;
using Veneer::kMaxSkinFileBytes;
using namespace SkinTest;

namespace {

class SkinStorage : public ::testing::Test {
protected:
    void SetUp() override { ResetStorage(); }
    void TearDown() override { ResetStorage(); }

    // Reads through the storage; returns the message, or "ok:<bytes>".
    static std::wstring Read(const wchar_t* name, Bytes* out = nullptr) {
        Bytes bytes;
        const wchar_t* error = nullptr;
        if (!CSkinStorage::ReadFile(name, bytes, &error)) return Message(error);
        if (out) *out = bytes;
        return L"ok:" + std::wstring(bytes.begin(), bytes.end());
    }
};

Bytes Filled(size_t size) { return Bytes(size, 'x'); }

}  // namespace

TEST_F(SkinStorage, ResourcePathGetsOneTrailingSeparator) {
    const struct {
        const wchar_t* given;
        const wchar_t* stored;
    } cases[] = {
        {L"", L""},
        {L"C:\\skin", L"C:\\skin\\"},
        {L"C:\\skin\\", L"C:\\skin\\"},
        {L"C:/skin/", L"C:/skin/"},
        {L"rel", L"rel\\"},
    };
    for (const auto& c : cases) {
        CSkinStorage::SetResourcePath(c.given);
        EXPECT_STREQ(CSkinStorage::GetResourcePath().GetData(), c.stored) << c.given;
    }
    CSkinStorage::SetResourcePath(nullptr);
    EXPECT_TRUE(CSkinStorage::GetResourcePath().IsEmpty());
}

TEST_F(SkinStorage, FolderReadsAndTheirMessages) {
    const std::wstring folder = ScratchFolder() + L"folder\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(folder + L"a.xml", ToBytes("<a/>")));
    ASSERT_TRUE(WriteBytes(folder + L"empty.xml", Bytes()));
    ASSERT_TRUE(WriteBytes(folder + L"limit.xml", Filled(kMaxSkinFileBytes)));
    ASSERT_TRUE(WriteBytes(folder + L"over.xml", Filled(kMaxSkinFileBytes + 1)));
    CSkinStorage::SetResourcePath(folder.c_str());

    EXPECT_EQ(Read(L"a.xml"), L"ok:<a/>");
    EXPECT_EQ(Read(L"A.XML"), L"ok:<a/>");  // the file system decides case
    EXPECT_EQ(Read(L"missing.xml"), L"Error opening file");
    EXPECT_EQ(Read(L""), L"Error opening file");  // the folder itself
    EXPECT_EQ(Read(L"empty.xml"), L"File is empty");
    EXPECT_EQ(Read(L"over.xml"), L"File too large");
    Bytes bytes;
    EXPECT_EQ(Read(L"limit.xml", &bytes).substr(0, 3), L"ok:");
    EXPECT_EQ(bytes.size(), 4194304u);

    const wchar_t* error = nullptr;
    EXPECT_TRUE(CSkinStorage::ReadPlainFile((folder + L"a.xml").c_str(), bytes, &error));
    EXPECT_FALSE(CSkinStorage::ReadPlainFile((folder + L"over.xml").c_str(), bytes, &error));
    EXPECT_STREQ(error, L"File too large");
    EXPECT_TRUE(bytes.empty());
}

TEST_F(SkinStorage, ZipEntriesAreFoundRegardlessOfCaseAndSlashDirection) {
    const std::wstring zip = ScratchFolder() + L"names.zip";
    ASSERT_TRUE(MakeZipFile(zip, {{"skin/Main.xml", ToBytes("<main/>")},
                                  {"Back\\Slash.xml", ToBytes("<bs/>"), false},
                                  {"中文/页面.xml", ToBytes("<cn/>")}}));
    CSkinStorage::SetResourcePath(ScratchFolder().c_str());
    const struct {
        const wchar_t* name;
        const wchar_t* expected;
    } cases[] = {
        {L"skin/Main.xml", L"ok:<main/>"},
        {L"skin\\main.xml", L"ok:<main/>"},
        {L"SKIN\\MAIN.XML", L"ok:<main/>"},
        {L"back/slash.xml", L"ok:<bs/>"},
        {L"Back\\Slash.XML", L"ok:<bs/>"},
        {L"中文\\页面.xml", L"ok:<cn/>"},
        {L"main.xml", L"Could not find ziped file"},
        {L"skin/Main.xm", L"Could not find ziped file"},
        {L"skin/Main.xmll", L"Could not find ziped file"},
        {L"", L"Could not find ziped file"},
    };
    for (bool cached : {false, true}) {
        CSkinStorage::CloseResourceZip();
        CSkinStorage::SetResourceZip(L"names.zip", cached);
        for (const auto& c : cases) EXPECT_EQ(Read(c.name), c.expected) << c.name << " cached " << cached;
    }
    // An over-long name cannot match any entry.
    EXPECT_EQ(Read(std::wstring(300, L'a').c_str()), L"Could not find ziped file");
}

TEST_F(SkinStorage, ZipEntrySizeLimitsAndBrokenArchives) {
    const std::wstring zip = ScratchFolder() + L"sizes.zip";
    ASSERT_TRUE(MakeZipFile(zip, {{"empty.xml", Bytes()},
                                  {"limit.xml", Filled(kMaxSkinFileBytes)},
                                  {"over.xml", Filled(kMaxSkinFileBytes + 1)}}));
    CSkinStorage::SetResourcePath(ScratchFolder().c_str());
    CSkinStorage::SetResourceZip(L"sizes.zip");
    Bytes bytes;
    EXPECT_EQ(Read(L"limit.xml", &bytes).substr(0, 3), L"ok:");
    EXPECT_EQ(bytes.size(), 4194304u);
    EXPECT_EQ(Read(L"over.xml"), L"File too large");
    EXPECT_EQ(Read(L"empty.xml"), L"File is empty");

    CSkinStorage::CloseResourceZip();
    CSkinStorage::SetResourceZip(L"absent.zip");
    EXPECT_EQ(Read(L"a.xml"), L"Error opening zip file");
    ASSERT_TRUE(WriteBytes(ScratchFolder() + L"junk.zip", ToBytes("PK not really an archive")));
    CSkinStorage::CloseResourceZip();
    CSkinStorage::SetResourceZip(L"junk.zip", true);
    EXPECT_EQ(CSkinStorage::GetResourceZipHandle(), nullptr);
    EXPECT_EQ(Read(L"a.xml"), L"Error opening zip file");
}

TEST_F(SkinStorage, CorruptedEntryDataFailsWithUnzipMessage) {
    const std::string text(2000, 'q');
    for (bool deflate : {true, false}) {
        Bytes zip = MakeZip({{"a.xml", ToBytes(text), deflate}});
        ASSERT_FALSE(zip.empty());
        // Local header (30 bytes + 5 name bytes) precedes the entry data.
        zip[30 + 5 + 1] ^= 0x55;
        CSkinStorage::SetResourceZip(zip.data(), static_cast<unsigned>(zip.size()));
        EXPECT_EQ(Read(L"a.xml"), L"Could not unzip file") << deflate;
        CSkinStorage::CloseResourceZip();
    }
}

TEST_F(SkinStorage, PasswordProtectedEntries) {
    // The reader passes the password in the ANSI code page; so does the writer here.
    char ansi[32] = {};
    ::WideCharToMultiByte(CP_ACP, 0, L"pässword", -1, ansi, sizeof(ansi), nullptr, nullptr);
    const Bytes zip = MakeZip({{"secret.xml", ToBytes("<secret/>"), true, ansi},
                               {"stored.xml", ToBytes("<stored-secret/>"), false, ansi},
                               {"open.xml", ToBytes("<open/>")}});
    ASSERT_FALSE(zip.empty());
    const struct {
        const wchar_t* password;
        const wchar_t* name;
        const wchar_t* expected;
    } cases[] = {
        {L"pässword", L"secret.xml", L"ok:<secret/>"},
        {L"pässword", L"stored.xml", L"ok:<stored-secret/>"},
        {L"wrong", L"secret.xml", L"Could not unzip file"},
        {L"wrong", L"stored.xml", L"Could not unzip file"},
        {nullptr, L"secret.xml", L"Could not unzip file"},
        {nullptr, L"open.xml", L"ok:<open/>"},
        {L"pässword", L"open.xml", L"ok:<open/>"},  // plain entries beside encrypted ones
    };
    for (const auto& c : cases) {
        CSkinStorage::CloseResourceZip();
        CSkinStorage::SetResourceZip(zip.data(), static_cast<unsigned>(zip.size()), c.password);
        EXPECT_EQ(Read(c.name), c.expected) << c.name << " / " << (c.password ? c.password : L"(none)");
    }
    const std::wstring path = ScratchFolder() + L"secret.zip";
    ASSERT_TRUE(WriteBytes(path, zip));
    CSkinStorage::CloseResourceZip();
    CSkinStorage::SetResourcePath(ScratchFolder().c_str());
    CSkinStorage::SetResourceZip(L"secret.zip", false, L"pässword");
    EXPECT_EQ(Read(L"secret.xml"), L"ok:<secret/>");
}

TEST_F(SkinStorage, UncachedArchiveIsClosedOnEveryPathAndCachedOneStaysOpen) {
    const std::wstring zip = ScratchFolder() + L"closing.zip";
    const std::vector<ZipEntry> entries = {{"ok.xml", ToBytes("<ok/>")}, {"empty.xml", Bytes()},
                                           {"over.xml", Filled(kMaxSkinFileBytes + 1)}};
    CSkinStorage::SetResourcePath(ScratchFolder().c_str());
    for (const wchar_t* name : {L"ok.xml", L"empty.xml", L"over.xml", L"absent.xml"}) {
        ASSERT_TRUE(MakeZipFile(zip, entries));
        CSkinStorage::CloseResourceZip();
        CSkinStorage::SetResourceZip(L"closing.zip");
        Read(name);
        // An open handle (no delete sharing) would make the deletion fail.
        EXPECT_TRUE(::DeleteFileW(zip.c_str())) << name;
    }
    ASSERT_TRUE(MakeZipFile(zip, entries));
    CSkinStorage::CloseResourceZip();
    CSkinStorage::SetResourceZip(L"closing.zip", true);
    EXPECT_EQ(Read(L"ok.xml"), L"ok:<ok/>");
    EXPECT_FALSE(::DeleteFileW(zip.c_str()));
    CSkinStorage::CloseResourceZip();
    EXPECT_TRUE(::DeleteFileW(zip.c_str()));
}

TEST_F(SkinStorage, ZipSettersKeepOrReplaceTheOpenArchive) {
    const std::wstring zip = ScratchFolder() + L"setters.zip";
    ASSERT_TRUE(MakeZipFile(zip, {{"a.xml", ToBytes("<a/>")}}));
    CSkinStorage::SetResourcePath(ScratchFolder().c_str());
    CSkinStorage::SetResourceZip(L"setters.zip", true, L"pw");
    void* first = CSkinStorage::GetResourceZipHandle();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(CSkinStorage::IsCachedResourceZip());
    EXPECT_STREQ(CSkinStorage::GetResourceZipPassword().GetData(), L"pw");
    CSkinStorage::SetResourceZip(L"setters.zip", true, L"other");
    EXPECT_EQ(CSkinStorage::GetResourceZipHandle(), first);  // name and flag unchanged: nothing happens
    EXPECT_STREQ(CSkinStorage::GetResourceZipPassword().GetData(), L"pw");
    CSkinStorage::SetResourceZip(L"setters.zip", false);
    EXPECT_EQ(CSkinStorage::GetResourceZipHandle(), nullptr);
    EXPECT_FALSE(CSkinStorage::IsCachedResourceZip());
    EXPECT_EQ(Read(L"a.xml"), L"ok:<a/>");

    // A cached archive whose first opening failed is tried again.
    CSkinStorage::CloseResourceZip();
    CSkinStorage::SetResourcePath(L"Z:\\no\\such\\folder");
    CSkinStorage::SetResourceZip(L"setters.zip", true);
    EXPECT_EQ(CSkinStorage::GetResourceZipHandle(), nullptr);
    CSkinStorage::SetResourcePath(ScratchFolder().c_str());
    CSkinStorage::SetResourceZip(L"setters.zip", true);
    EXPECT_NE(CSkinStorage::GetResourceZipHandle(), nullptr);
}

TEST_F(SkinStorage, MemoryArchiveIsNamedMembufferAndAnotherBlockReplacesIt) {
    const Bytes one = MakeZip({{"a.xml", ToBytes("<one/>")}});
    const Bytes two = MakeZip({{"a.xml", ToBytes("<two/>")}});
    CSkinStorage::SetResourceZip(one.data(), static_cast<unsigned>(one.size()));
    EXPECT_STREQ(CSkinStorage::GetResourceZip().GetData(), L"membuffer");
    EXPECT_TRUE(CSkinStorage::IsCachedResourceZip());
    void* handle = CSkinStorage::GetResourceZipHandle();
    EXPECT_NE(handle, nullptr);
    EXPECT_EQ(Read(L"A.XML"), L"ok:<one/>");
    CSkinStorage::SetResourceZip(one.data(), static_cast<unsigned>(one.size()));
    EXPECT_EQ(CSkinStorage::GetResourceZipHandle(), handle);
    CSkinStorage::SetResourceZip(two.data(), static_cast<unsigned>(two.size()));
    EXPECT_EQ(Read(L"a.xml"), L"ok:<two/>");

    CSkinStorage::CloseResourceZip();
    EXPECT_TRUE(CSkinStorage::GetResourceZip().IsEmpty());
    EXPECT_FALSE(CSkinStorage::IsCachedResourceZip());
    CSkinStorage::SetResourceZip(one.data(), 10);  // truncated block
    EXPECT_EQ(Read(L"a.xml"), L"Error opening zip file");
    CSkinStorage::CloseResourceZip();
    CSkinStorage::SetResourceZip(static_cast<const void*>(nullptr), 0u);
    EXPECT_EQ(Read(L"a.xml"), L"Error opening zip file");
}

TEST_F(SkinStorage, ArchivePackedAtBuildTimeIsReadFromFileAndMemory) {
    const Bytes packed = ReadBytes(DataFolder() + L"skin-test.zip");
    ASSERT_FALSE(packed.empty());
    const Bytes main = ReadBytes(DataFolder() + L"main.xml");
    ASSERT_FALSE(main.empty());
    CSkinStorage::SetResourceZip(packed.data(), static_cast<unsigned>(packed.size()));
    Bytes bytes;
    EXPECT_EQ(Read(L"MAIN.xml", &bytes).substr(0, 3), L"ok:");
    EXPECT_EQ(bytes, main);
    EXPECT_EQ(Read(L"pages\\page1.xml").substr(0, 3), L"ok:");

    CSkinStorage::CloseResourceZip();
    CSkinStorage::SetResourcePath(DataFolder().c_str());
    CSkinStorage::SetResourceZip(L"skin-test.zip");
    EXPECT_EQ(Read(L"main.xml", &bytes).substr(0, 3), L"ok:");
    EXPECT_EQ(bytes, main);
}

TEST_F(SkinStorage, ProgramResourcesAreReadByIdAndType) {
    Bytes bytes;
    EXPECT_TRUE(CSkinStorage::ReadResource(nullptr, MAKEINTRESOURCEW(113), L"ZKZIP_RES", bytes));
    EXPECT_EQ(bytes, ReadBytes(DataFolder() + L"skin-test.zip"));
    EXPECT_FALSE(CSkinStorage::ReadResource(nullptr, MAKEINTRESOURCEW(114), L"ZKZIP_RES", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(CSkinStorage::ReadResource(nullptr, MAKEINTRESOURCEW(113), L"OTHER", bytes));
    EXPECT_FALSE(CSkinStorage::ReadResource(::GetModuleHandleW(nullptr), nullptr, L"ZKZIP_RES", bytes));
}
