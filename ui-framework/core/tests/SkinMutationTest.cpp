#include <gtest/gtest.h>

#include <cstdio>

#include "SkinMutation.h"
#include "SkinTestSupport.h"

using namespace SkinMutation;
using SkinTest::DataFolder;
using SkinTest::ReadBytes;
using Veneer::CSkinStorage;
using Veneer::CSkinXml;
using Veneer::XmlEncoding;

namespace {

std::vector<Bytes> Documents() {
    return {ReadBytes(DataFolder() + L"main.xml"), ReadBytes(DataFolder() + L"msgbox.xml"),
            ReadBytes(DataFolder() + L"index.xml"), ReadBytes(DataFolder() + L"pages\\Page1.xml")};
}

Bytes Utf16(const Bytes& utf8, bool bigEndian) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(utf8.data()),
                                        static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(utf8.data()), static_cast<int>(utf8.size()),
                          &text[0], n);
    Bytes out = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
    for (wchar_t ch : text) {
        const unsigned char high = static_cast<unsigned char>(ch >> 8);
        const unsigned char low = static_cast<unsigned char>(ch & 0xFF);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    }
    return out;
}

void Report(const char* what, const Tally& tally) {
    std::printf("%s: %d cases, %d loaded", what, tally.cases, tally.loaded);
    for (int i = 0; i < 15; ++i) {
        if (tally.perMessage[i]) std::printf(", \"%ls\" %d", KnownMessages()[i], tally.perMessage[i]);
    }
    std::printf("\n");
    for (const std::string& problem : tally.problems) ADD_FAILURE() << problem;
}

// Loads `entry` from each mutated archive, held in memory.
void MutateArchive(const Bytes& archive, const wchar_t* entry, int rounds, std::uint64_t seed, Tally& tally) {
    Random random(seed);
    for (int round = 0; round < rounds; ++round) {
        const Bytes bytes = Mutate(archive, random, true);
        CSkinStorage::CloseResourceZip();
        CSkinStorage::SetResourceZip(bytes.data(), static_cast<unsigned>(bytes.size()), L"secret");
        CSkinXml xml;
        const bool loaded = xml.LoadSkinFile(entry);
        Record(xml, loaded, tally, "archive round " + std::to_string(round));
    }
    CSkinStorage::CloseResourceZip();
}

}  // namespace

TEST(SkinMutation, MutatedTruncatedAndRandomDocumentsLoadOrFailWithAKnownMessage) {
    std::vector<Bytes> documents = Documents();
    std::vector<XmlEncoding> encodings(documents.size(), XmlEncoding::Utf8);
    for (const Bytes& d : documents) ASSERT_FALSE(d.empty());
    documents.push_back(Utf16(documents[0], false));
    documents.push_back(Utf16(documents[1], true));
    encodings.push_back(XmlEncoding::Utf16);
    encodings.push_back(XmlEncoding::Utf16);

    Tally tally;
    MutateDocuments(documents, encodings, 5000, 0x5EED0001u, tally);
    TruncateDocuments(documents, encodings, 1, tally);
    NoiseDocuments(5000, 0x5EED0002u, tally);
    Report("documents", tally);
    EXPECT_GT(tally.cases, 40000);
    EXPECT_GT(tally.loaded, 1000);  // the mutations do not only break documents
}

TEST(SkinMutation, MutatedArchivesLoadOrFailWithAKnownMessage) {
    SkinTest::ResetStorage();
    const Bytes main = ReadBytes(DataFolder() + L"main.xml");
    const Bytes page = ReadBytes(DataFolder() + L"pages\\Page1.xml");
    char password[16] = {};
    ::WideCharToMultiByte(CP_ACP, 0, L"secret", -1, password, sizeof(password), nullptr, nullptr);
    const std::vector<Bytes> archives = {
        SkinTest::MakeZip({{"main.xml", main}, {"pages/Page1.xml", page}}),
        SkinTest::MakeZip({{"main.xml", main, false}}),
        SkinTest::MakeZip({{"main.xml", main, true, password}}),
        ReadBytes(DataFolder() + L"skin-test.zip"),
    };
    Tally tally;
    for (size_t a = 0; a < archives.size(); ++a) {
        ASSERT_FALSE(archives[a].empty());
        MutateArchive(archives[a], L"main.xml", 1500, 0xA5C0DE00u + a, tally);
    }
    // Every prefix of the small archive: cut directories and local headers.
    const Bytes small = SkinTest::MakeZip({{"pages/Page1.xml", page}});
    for (size_t size = 0; size < small.size(); ++size) {
        const Bytes prefix(small.begin(), small.begin() + static_cast<std::ptrdiff_t>(size));
        CSkinStorage::CloseResourceZip();
        CSkinStorage::SetResourceZip(prefix.data(), static_cast<unsigned>(prefix.size()));
        CSkinXml xml;
        const bool loaded = xml.LoadSkinFile(L"pages/page1.xml");
        Record(xml, loaded, tally, "archive cut at " + std::to_string(size));
    }
    // Some mutated archives read through files, opened and closed per read.
    Random random(0xF11E5u);
    const std::wstring path = SkinTest::ScratchFolder() + L"mutated.zip";
    CSkinStorage::CloseResourceZip();
    CSkinStorage::SetResourcePath(SkinTest::ScratchFolder().c_str());
    CSkinStorage::SetResourceZip(L"mutated.zip", false, L"secret");
    for (int round = 0; round < 200; ++round) {
        ASSERT_TRUE(SkinTest::WriteBytes(path, Mutate(archives[round % archives.size()], random, true)));
        CSkinXml xml;
        const bool loaded = xml.LoadSkinFile(L"main.xml");
        Record(xml, loaded, tally, "archive file round " + std::to_string(round));
        ASSERT_TRUE(::DeleteFileW(path.c_str())) << "archive left open in round " << round;
    }
    SkinTest::ResetStorage();
    Report("archives", tally);
    EXPECT_GT(tally.cases, 6000);
    EXPECT_GT(tally.loaded, 100);
}
