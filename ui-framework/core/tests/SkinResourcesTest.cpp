#include <gtest/gtest.h>

#include <string>

#include "SkinTestSupport.h"
#include "core/CSkinResources.h"

using Veneer::CSkinResources;
using namespace SkinTest;

namespace {

class SkinResources : public ::testing::Test {
protected:
    void SetUp() override {
        ResetStorage();
        Index()->Release();
    }
    void TearDown() override {
        Index()->SetTextQueryInterface(nullptr);
        Index()->Release();
        ResetStorage();
    }
    static CSkinResources* Index() { return CSkinResources::GetInstance(); }

    static void ExpectSampleIndex() {
        const struct {
            const wchar_t* id;
            const wchar_t* image;
            const wchar_t* xml;
        } cases[] = {
            {L"logo", L"images/logo.png", nullptr},  // the first registration wins
            {L"bg", L"images/bg.png", nullptr},
            {L"btn", L"images/btn.png", nullptr},     // inside a grouping element
            {L"close", L"images/close.png", nullptr}, // attribute names ignore case
            {L"LOGO", nullptr, nullptr},              // ids do not
            {L"nopath", nullptr, nullptr},
            {L"ignored", nullptr, nullptr},
            {L"main", nullptr, L"main.xml"},
            {L"msgbox", nullptr, L"msgbox.xml"},
            {L"page", nullptr, L"pages\\Page1.xml"},
        };
        for (const auto& c : cases) {
            const wchar_t* image = Index()->GetImagePath(c.id);
            const wchar_t* xml = Index()->GetXmlPath(c.id);
            EXPECT_EQ(image ? std::wstring(image) : L"(null)", c.image ? c.image : L"(null)") << c.id;
            EXPECT_EQ(xml ? std::wstring(xml) : L"(null)", c.xml ? c.xml : L"(null)") << c.id;
        }
        EXPECT_EQ(Index()->GetImageCount(), 4);
        EXPECT_EQ(Index()->GetXmlCount(), 3);
    }
};

class FixedAnswers : public Veneer::IQueryControlText {
public:
    const wchar_t* QueryControlText(const wchar_t* id, const wchar_t* kind) override {
        ++calls;
        lastKind = kind ? kind : L"";
        return std::wstring(id) == L"known" ? L"from callback" : nullptr;
    }
    int calls = 0;
    std::wstring lastKind;
};

}  // namespace

TEST_F(SkinResources, IndexLoadsFromTextFileArchiveAndProgramResource) {
    const Bytes bytes = ReadBytes(DataFolder() + L"index.xml");
    const std::wstring text(bytes.begin(), bytes.end());  // the index is ASCII
    for (int source = 0; source < 4; ++source) {
        Index()->Release();
        ResetStorage();
        bool loaded = false;
        switch (source) {
        case 0: loaded = Index()->LoadIndex(text.c_str()); break;
        case 1:
            Veneer::CSkinStorage::SetResourcePath(DataFolder().c_str());
            loaded = Index()->LoadIndex(L"index.xml");
            break;
        case 2:
            Veneer::CSkinStorage::SetResourcePath(DataFolder().c_str());
            Veneer::CSkinStorage::SetResourceZip(L"skin-test.zip", true);
            loaded = Index()->LoadIndex(L"INDEX.XML");
            break;
        case 3: loaded = Index()->LoadIndex(MAKEINTRESOURCEW(201), L"SKINXML"); break;
        }
        ASSERT_TRUE(loaded) << "source " << source;
        ExpectSampleIndex();
    }
    // The resource instance setting is used when none is passed.
    Index()->Release();
    Veneer::CSkinStorage::SetResourceInstance(::GetModuleHandleW(nullptr));
    EXPECT_TRUE(Index()->LoadIndex(MAKEINTRESOURCEW(201), L"SKINXML"));
    Veneer::CSkinStorage::SetResourceInstance(nullptr);
    ExpectSampleIndex();
}

TEST_F(SkinResources, FailedLoadsRegisterNothing) {
    EXPECT_FALSE(Index()->LoadIndex(L"<Res><G><Image id=\"a\" path=\"b\"/>"));  // ends two levels down
    EXPECT_FALSE(Index()->LoadIndex(L"<!-- no root -->"));
    EXPECT_FALSE(Index()->LoadIndex(L"absent.xml"));
    EXPECT_FALSE(Index()->LoadIndex(MAKEINTRESOURCEW(202), L"SKINXML"));
    EXPECT_FALSE(Index()->LoadIndex(MAKEINTRESOURCEW(201), nullptr));
    EXPECT_EQ(Index()->GetImageCount(), 0);
    EXPECT_EQ(Index()->GetImagePath(L"a"), nullptr);
    EXPECT_EQ(Index()->GetImagePath(nullptr), nullptr);
}

TEST_F(SkinResources, LastAttributeOccurrenceWinsAndLeafRulesApply) {
    ASSERT_TRUE(Index()->LoadIndex(
        L"<Res>"
        L"<Image id=\"a\" id=\"b\" path=\"first\" PATH=\"second\"/>"
        L"<image id=\"lower\" path=\"lower.png\"/>"
        L"<Image id=\"parent\" path=\"p.png\"><Xml id=\"child\" path=\"c.xml\"/></Image>"
        L"<Xml id=\"a\" path=\"a.xml\"/>"
        L"<Image/>"
        L"<Image id=\"\" path=\"empty-id.png\"/>"
        L"</Res>"));
    EXPECT_EQ(Index()->GetImagePath(L"a"), nullptr);
    EXPECT_STREQ(Index()->GetImagePath(L"b"), L"second");
    EXPECT_STREQ(Index()->GetImagePath(L"lower"), L"lower.png");
    EXPECT_EQ(Index()->GetImagePath(L"parent"), nullptr);  // an element with children only groups
    EXPECT_STREQ(Index()->GetXmlPath(L"child"), L"c.xml");
    EXPECT_STREQ(Index()->GetXmlPath(L"a"), L"a.xml");     // the maps are separate
    EXPECT_STREQ(Index()->GetImagePath(L""), L"empty-id.png");

    // A second index adds ids but does not replace them.
    ASSERT_TRUE(Index()->LoadIndex(L"<Res><Image id=\"b\" path=\"late\"/><Image id=\"new\" path=\"n\"/></Res>"));
    EXPECT_STREQ(Index()->GetImagePath(L"b"), L"second");
    EXPECT_STREQ(Index()->GetImagePath(L"new"), L"n");
}

TEST_F(SkinResources, DeeplyNestedIndexIsWalkedWithoutRecursion) {
    const int depth = 100000;
    std::wstring text;
    for (int i = 0; i < depth; ++i) text += L"<g>";
    text += L"<Image id=\"deep\" path=\"deep.png\"/>";
    for (int i = 0; i < depth; ++i) text += L"</g>";
    ASSERT_TRUE(Index()->LoadIndex(text.c_str()));
    EXPECT_STREQ(Index()->GetImagePath(L"deep"), L"deep.png");
}

TEST_F(SkinResources, TextsComeFromTheLanguageTableTheCallbackOrTheIdItself) {
    EXPECT_STREQ(Index()->GetText(nullptr), L"");
    EXPECT_STREQ(Index()->GetText(L"hello"), L"hello");

    ASSERT_TRUE(Index()->LoadLanguage(
        L"<Lang><Text id=\"hello\" value=\"你好\"/><Text id=\"hello\" value=\"您好\"/><Text id=\"x\"/></Lang>"));
    EXPECT_STREQ(Index()->GetText(L"hello"), L"您好");  // the last wins
    EXPECT_STREQ(Index()->GetText(L"x"), L"x");

    FixedAnswers answers;
    Index()->SetTextQueryInterface(&answers);
    EXPECT_STREQ(Index()->GetText(L"known", L"label"), L"from callback");
    EXPECT_EQ(answers.lastKind, L"label");
    EXPECT_STREQ(Index()->GetText(L"known"), L"from callback");  // kept: not asked again
    EXPECT_EQ(answers.calls, 1);
    EXPECT_STREQ(Index()->GetText(L"unknown"), L"unknown");
    EXPECT_EQ(answers.calls, 2);

    Index()->Release();
    EXPECT_EQ(Index()->GetTextCount(), 0);
}
