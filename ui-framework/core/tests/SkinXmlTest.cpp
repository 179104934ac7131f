#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "SkinTestSupport.h"
#include "core/CSkinXml.h"

using Veneer::CSkinXml;
using Veneer::CSkinXmlNode;
using Veneer::XmlEncoding;
using namespace SkinTest;

namespace {

// name{attr=value,...}[value](children...) for a node and everything below it.
std::wstring Dump(const CSkinXmlNode& node) {
    std::wstring out = node.GetName();
    out += L"{";
    for (int i = 0; i < node.GetAttributeCount(); ++i) {
        if (i) out += L",";
        out += std::wstring(node.GetAttributeName(i)) + L"=" + node.GetAttributeValue(i);
    }
    out += L"}[" + std::wstring(node.GetValue()) + L"]";
    if (node.HasChildren()) {
        out += L"(";
        for (CSkinXmlNode child = node.GetChild(); child.IsValid(); child = child.GetSibling()) {
            out += Dump(child);
            if (child.HasSiblings()) out += L" ";
        }
        out += L")";
    }
    return out;
}

// Every top-level element, or the error as "!message@location".
std::wstring Outcome(CSkinXml& xml, bool loaded) {
    if (!loaded) {
        return L"!" + std::wstring(xml.GetLastErrorMessage()) + L"@" + xml.GetLastErrorLocation();
    }
    std::wstring out;
    for (CSkinXmlNode node = xml.GetRoot(); node.IsValid(); node = node.GetSibling()) {
        if (!out.empty()) out += L" ";
        out += Dump(node);
    }
    return out;
}

std::wstring Parse(const wchar_t* text, bool preserveWhitespace = true) {
    CSkinXml xml;
    xml.SetPreserveWhitespace(preserveWhitespace);
    const bool loaded = xml.LoadText(text);
    return Outcome(xml, loaded);
}

std::wstring Wide(const Bytes& utf8) {
    std::wstring out(utf8.size() + 1, L'\0');
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(utf8.data()),
                                        static_cast<int>(utf8.size()), &out[0], static_cast<int>(out.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

struct Case {
    const wchar_t* input;
    const wchar_t* expected;
};

void RunCases(const std::vector<Case>& cases, bool preserveWhitespace = true) {
    for (const Case& c : cases) EXPECT_EQ(Parse(c.input, preserveWhitespace), c.expected) << "input: " << c.input;
}

}  // namespace

TEST(SkinXmlSyntax, ElementsAttributesAndValues) {
    RunCases({
        {L"<a/>", L"a{}[]"},
        {L"<a></a>", L"a{}[]"},
        {L"<a>text</a>", L"a{}[text]"},
        {L"<a x=\"1\" y=\"two\"/>", L"a{x=1,y=two}[]"},
        {L"<a x = \"1\"\n\ty\t=\t\"2\" >v</a>", L"a{x=1,y=2}[v]"},
        {L"<a x=\"\" y=\"\"/>", L"a{x=,y=}[]"},
        {L"<a >x</a>", L"a{}[x]"},
        {L"<a x=\"1\" >x</a >", L"a{x=1}[x]"},
        {L"< a/>", L"a{}[]"},
        {L"<ns:name_1 A_b:c=\"v\"/>", L"ns:name_1{A_b:c=v}[]"},
        {L"<a>text<b/></a>", L"a{}[text](b{}[])"},
        {L"<a><b><c/></b><d/></a>", L"a{}[](b{}[](c{}[]) d{}[])"},
        {L"<a>  <b/>  <c/>  </a>", L"a{}[  ](b{}[] c{}[])"},
        {L"<a x=\"<>\"/>", L"a{x=<>}[]"},
        {L"<a/><b/>", L"a{}[] b{}[]"},  // several top-level elements; the first is the root
        {L"<a/></b>", L"a{}[]"},        // a stray closing tag at the top ends the document
        {L"", L""},
        {L" \r\n\t ", L""},
        {L"<a x=\"1\" x=\"2\"/>", L"a{x=1,x=2}[]"},
        {L"<a title=\"中文 &amp; 标题\">正文</a>", L"a{title=中文 & 标题}[正文]"},
        {L"<a x=\"\U0001F600\"/>", L"a{x=\U0001F600}[]"},
    });
}

TEST(SkinXmlSyntax, EntitiesAreDecodedOnceAndOthersStayLiteral) {
    RunCases({
        {L"<a x=\"1&amp;2\"/>", L"a{x=1&2}[]"},
        {L"<a x=\"&lt;&gt;&quot;&apos;&amp;\"/>", L"a{x=<>\"'&}[]"},
        {L"<a x=\"&amp;amp;\"/>", L"a{x=&amp;}[]"},
        {L"<a x=\"&#65;\"/>", L"a{x=&#65;}[]"},
        {L"<a x=\"&#x41;&nbsp;\"/>", L"a{x=&#x41;&nbsp;}[]"},
        {L"<a x=\"&\"/>", L"a{x=&}[]"},
        {L"<a x=\"a&am\"/>", L"a{x=a&am}[]"},
        {L"<a x=\"&AMP;\"/>", L"a{x=&AMP;}[]"},
        {L"<a>&amp</a>", L"a{}[&amp]"},
        {L"<a>x&amp;y</a>", L"a{}[x&y]"},
        {L"<a>x&lt;y<b/></a>", L"a{}[x<y](b{}[])"},
        // A shortened value leaves blanks behind; the next attribute is still found.
        {L"<a x=\"&quot;q&quot;\" y=\"2\" z=\"&amp;\"/>", L"a{x=\"q\",y=2,z=&}[]"},
        {L"<Default name=\"Button\" value=\"font=&quot;0&quot; textcolor=&quot;#FF333333&quot;\"/>",
         L"Default{name=Button,value=font=\"0\" textcolor=\"#FF333333\"}[]"},
    });
}

TEST(SkinXmlSyntax, BlanksCollapseOnlyWhenWhitespaceIsNotPreserved) {
    RunCases({
        {L"<a x=\"a   b\">p  \t q</a>", L"a{x=a   b}[p  \t q]"},
        {L"<a>x\n\ny</a>", L"a{}[x\n\ny]"},
    });
    RunCases(
        {
            {L"<a x=\"a   b\">p  \t q</a>", L"a{x=a b}[p q]"},
            {L"<a>x\n\ny</a>", L"a{}[x\n\ny]"},  // line feeds after a letter stay
            {L"<a>x \n\r\t y</a>", L"a{}[x y]"},
            {L"<a> </a>", L"a{}[ ]"},
            {L"<a x=\"1 \" y=\"2\"/>", L"a{x=1 ,y=2}[]"},
            {L"<a x=\"1  \" y=\"2\"/>", L"a{x=1 ,y=2}[]"},
            {L"<a x=\"  &amp;  \"/>", L"a{x= & }[]"},
        },
        false);
}

TEST(SkinXmlSyntax, CommentsAndProcessingInstructions) {
    RunCases({
        {L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- c --><a/>", L"a{}[]"},
        {L"<a><!-- <b/> --><c/><?pi x?></a>", L"a{}[](c{}[])"},
        {L"<!-- never closed", L""},
        {L"<?never closed", L""},
        {L"<a><!-- never closed", L"a{}[]"},
        {L"<!DOCTYPE x><a/>", L""},  // "<!" ends only at "->": here never
        {L"<!DOCTYPE x -><a/>", L"a{}[]"},
        {L"<!-- a -> b --><a/>", L"!Expected start tag@b --><a/>"},
        {L"<a>x<!-- c -->y</a>", L"!Expected start tag@y</a>"},
    });
}

TEST(SkinXmlSyntax, EachParseErrorWithItsLocation) {
    RunCases({
        {L"text", L"!Expected start tag@text"},
        {L"<a/>junk", L"!Expected start tag@junk"},
        {L"<a>text<b/>tail</a>", L"!Expected start tag@tail</a>"},
        {L"<a", L"!Error parsing element name@"},
        {L"<abc", L"!Error parsing element name@"},
        {L"<a x=\"1\"", L"!Expected start-tag closing@"},
        {L"<a x=\"1\"/ >", L"!Expected start-tag closing@/ >"},
        {L"<a <b/>", L"!Error while parsing attributes@<b/>"},
        {L"<a><b><c>text", L"!Expected end-tag start@"},
        {L"<a><b><c/>", L"!Expected start tag@"},
        {L"<a></A>", L"!Unmatched closing tag@A>"},
        {L"<a></ab>", L"!Unmatched closing tag@b>"},
        {L"<a></a", L"!Unmatched closing tag@"},
        {L"<abc></ab>", L"!Unmatched closing tag@ab>"},
        {L"<a><b></a></b>", L"!Unmatched closing tag@a></b>"},
        {L"<data-x/>", L"!Error while parsing attributes@/>"},
        {L"<a x/>", L"!Error while parsing attributes@/>"},
        {L"<a x>", L"!Error while parsing attributes@>"},
        {L"<a x", L"!Error while parsing attributes@"},
        {L"<a x='1'/>", L"!Expected attribute value@'1'/>"},
        {L"<a x=1/>", L"!Expected attribute value@1/>"},
        {L"<a x=", L"!Expected attribute value@"},
        {L"<a x=\"1", L"!Error while parsing attribute string@"},
        {L"<a x=\"1/>", L"!Error while parsing attribute string@"},
    });
}

TEST(SkinXmlSyntax, DocumentEndingInsideTheRootIsAcceptedButNotDeeper) {
    RunCases({
        {L"<a>text", L"a{}[text]"},
        {L"<a><b>text", L"a{}[](b{}[text])"},
        {L"<a><b/>", L"a{}[](b{}[])"},
        {L"<a/><b><c>x", L"!Expected end-tag start@"},  // b is element 2
    });
}

TEST(SkinXmlSyntax, DeepNestingNeedsNoStack) {
    const int depth = 200000;
    std::wstring text;
    for (int i = 0; i < depth; ++i) text += L"<a>";
    for (int i = 0; i < depth; ++i) text += L"</a>";
    CSkinXml xml;
    ASSERT_TRUE(xml.LoadText(text.c_str())) << xml.GetLastErrorMessage();
    EXPECT_EQ(xml.GetElementCount(), static_cast<std::uint32_t>(depth + 1));
    CSkinXmlNode node = xml.GetRoot();
    int levels = 0;
    for (; node.HasChildren(); node = node.GetChild()) ++levels;
    EXPECT_EQ(levels, depth - 1);
    int up = 0;
    for (; node.GetParent().IsValid(); node = node.GetParent()) ++up;
    EXPECT_EQ(up, depth - 1);
}

TEST(SkinXmlTable, SentinelAndGrowthByHalfPlusFiveHundred) {
    const struct {
        int elements;
        std::uint32_t capacity;
    } cases[] = {{1, 500}, {499, 500}, {500, 1250}, {1249, 1250}, {1250, 2375}, {2374, 2375}, {2375, 4062}};
    for (const auto& c : cases) {
        std::wstring text = L"<r>";
        for (int i = 1; i < c.elements; ++i) text += L"<e/>";
        text += L"</r>";
        CSkinXml xml(text.c_str());
        EXPECT_EQ(xml.GetElementCount(), static_cast<std::uint32_t>(c.elements + 1)) << c.elements;
        EXPECT_EQ(xml.GetElementCapacity(), c.capacity) << c.elements;
    }
    CSkinXml empty(L"<!-- only a comment -->");
    EXPECT_EQ(empty.GetElementCount(), 1u);  // the sentinel
    EXPECT_FALSE(empty.GetRoot().IsValid());
}

TEST(SkinXmlTable, ReloadingOneDocumentGivesWhatFreshDocumentsGive) {
    const Bytes main = ReadBytes(DataFolder() + L"main.xml");
    const Bytes msgbox = ReadBytes(DataFolder() + L"msgbox.xml");
    std::string big = "<r>";
    for (int i = 0; i < 3000; ++i) big += "<e i=\"" + std::to_string(i) + "\">x</e>";
    big += "</r>";
    const Bytes huge(big.begin(), big.end());
    const Bytes broken = ToBytes("<a><b x='1'/></a>");
    const std::vector<const Bytes*> sequence = {&huge, &main, &msgbox, &broken, &main, &huge, &msgbox};
    CSkinXml reused;
    for (size_t i = 0; i < sequence.size(); ++i) {
        CSkinXml fresh;
        const bool freshLoaded = fresh.LoadBytes(sequence[i]->data(), sequence[i]->size());
        const bool reusedLoaded = reused.LoadBytes(sequence[i]->data(), sequence[i]->size());
        EXPECT_EQ(Outcome(reused, reusedLoaded), Outcome(fresh, freshLoaded)) << "step " << i;
        EXPECT_EQ(reused.GetElementCount(), fresh.GetElementCount()) << "step " << i;
    }
    reused.Release();
    EXPECT_EQ(reused.GetElementCapacity(), 0u);
    EXPECT_FALSE(reused.GetRoot().IsValid());
}

// A node's value loaded back into its own document: the text lives in the
// buffer the load replaces. The padding makes the buffer big enough to be
// given back (and unmapped) when the short text is loaded into it.
TEST(SkinXmlTable, TextFromTheDocumentsOwnBufferLoadsBackIntoIt) {
    const std::wstring padding(600000, L' ');
    const struct {
        bool asBytes;
        bool padded;
    } cases[] = {{false, false}, {false, true}, {true, false}, {true, true}};
    for (const auto& c : cases) {
        const std::wstring text = L"<r>\xFEFF&lt;x a=&quot;1&quot;&gt;v&lt;/x&gt;</r>" + (c.padded ? padding : L"");
        CSkinXml xml(text.c_str());
        const wchar_t* value = xml.GetRoot().GetValue();
        ASSERT_EQ(value[0], 0xFEFF);
        const bool loaded = c.asBytes ? xml.LoadBytes(value, std::wcslen(value) * sizeof(wchar_t), XmlEncoding::Utf16)
                                      : xml.LoadText(value + 1);
        EXPECT_EQ(Outcome(xml, loaded), L"x{a=1}[v]") << c.asBytes << c.padded;
    }
}

TEST(SkinXmlNode, NavigationAndNamedLookupOverARealSkin) {
    const Bytes bytes = ReadBytes(DataFolder() + L"main.xml");
    CSkinXml xml;
    ASSERT_TRUE(xml.LoadBytes(bytes.data(), bytes.size()));
    CSkinXmlNode root = xml.GetRoot();
    EXPECT_STREQ(root.GetName(), L"Window");
    EXPECT_FALSE(root.GetParent().IsValid());
    EXPECT_FALSE(root.HasSiblings());
    EXPECT_STREQ(root.GetAttributeValue(L"SIZE"), L"700,420");
    EXPECT_STREQ(root.GetAttributeValue(L"absent"), L"");
    EXPECT_TRUE(root.HasAttribute(L"bkTrans"));
    EXPECT_FALSE(root.HasAttribute(L"size2"));

    std::wstring names;
    for (CSkinXmlNode child = root.GetChild(); child.IsValid(); child = child.GetSibling()) {
        names += std::wstring(child.GetName()) + L" ";
    }
    EXPECT_EQ(names, L"Font Font Font Default Default Image VerticalLayout ");
    EXPECT_STREQ(root.GetChild(L"font").GetAttributeValue(L"name"), L"微软雅黑");
    EXPECT_STREQ(root.GetChild(L"DEFAULT").GetAttributeValue(L"value"),
                 L"width=\"9\" showbutton1=\"false\" showbutton2=\"false\"");
    CSkinXmlNode title = root.GetChild(L"verticallayout").GetChild(L"HorizontalLayout").GetChild(L"Label");
    EXPECT_STREQ(title.GetAttributeValue(L"text"), L"安装向导 & 设置");
    EXPECT_EQ(title.GetParent().GetParent().GetIndex(), root.GetChild(L"VerticalLayout").GetIndex());
    EXPECT_FALSE(root.GetChild(L"Missing").IsValid());

    wchar_t buffer[8];
    EXPECT_TRUE(title.GetAttributeValue(L"textcolor", buffer, 8));
    EXPECT_STREQ(buffer, L"#FF1F1F");  // 7 characters and the terminator
    EXPECT_TRUE(title.GetAttributeValue(0, buffer, 8));
    EXPECT_STREQ(buffer, L"zk_txt_");
    EXPECT_FALSE(title.GetAttributeValue(L"absent", buffer, 8));
    EXPECT_FALSE(title.GetAttributeValue(99, buffer, 8));
    EXPECT_STREQ(title.GetAttributeName(99), L"");
    EXPECT_STREQ(title.GetAttributeValue(-1), L"");
}

TEST(SkinXmlNode, InvalidNodeAnswersNothing) {
    const CSkinXmlNode node;
    EXPECT_FALSE(node.IsValid());
    EXPECT_FALSE(node.GetParent().IsValid());
    EXPECT_FALSE(node.GetChild().IsValid());
    EXPECT_FALSE(node.GetSibling().IsValid());
    EXPECT_FALSE(node.GetChild(L"a").IsValid());
    EXPECT_FALSE(node.HasChildren());
    EXPECT_FALSE(node.HasSiblings());
    EXPECT_EQ(node.GetName(), nullptr);
    EXPECT_EQ(node.GetValue(), nullptr);
    EXPECT_FALSE(node.HasAttributes());
    EXPECT_EQ(node.GetAttributeCount(), 0);
    EXPECT_EQ(node.GetAttributeName(0), nullptr);
    EXPECT_EQ(node.GetAttributeValue(0), nullptr);
    EXPECT_EQ(node.GetAttributeValue(L"a"), nullptr);
    wchar_t buffer[4] = L"abc";
    EXPECT_FALSE(node.GetAttributeValue(L"a", buffer, 4));
    EXPECT_FALSE(node.HasAttribute(L"a"));
    CSkinXml empty;
    EXPECT_FALSE(empty.GetRoot().IsValid());
}

TEST(SkinXmlNode, AtMostSixtyFourAttributesAreVisible) {
    for (int count : {63, 64, 65, 100}) {
        std::wstring text = L"<a";
        for (int i = 0; i < count; ++i) text += L" k" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
        text += L">data</a>";
        CSkinXml xml(text.c_str());
        CSkinXmlNode root = xml.GetRoot();
        ASSERT_TRUE(root.IsValid());
        const int visible = count < 64 ? count : 64;
        EXPECT_EQ(root.GetAttributeCount(), visible) << count;
        EXPECT_EQ(std::wstring(root.GetAttributeValue(visible - 1)), L"v" + std::to_wstring(visible - 1));
        EXPECT_EQ(root.HasAttribute(L"k64"), false);
        EXPECT_STREQ(root.GetValue(), L"data");
    }
}

// The attribute map walks the buffer from string to string: a NUL character
// inside a value, or an attribute without a name, once hid the attributes
// after it or made a false one out of the text behind it.
TEST(SkinXmlNode, AttributesAfterANulOrAnUnnamedOneStayVisible) {
    const struct {
        std::string bytes;
        const wchar_t* expected;
    } cases[] = {
        {std::string("<a x=\"1\0y\" z=\"2\"/>", 18), L"a{x=1,z=2}[]"},
        {std::string("<a x=\"1\0\0.y\" =\"k\" z=\"2\"/>", 25), L"a{x=1,z=2}[]"},
        {std::string("<a x=\"\0\" z=\"2\">v</a>", 20), L"a{x=,z=2}[v]"},
        {"<a x=\"1\" =\"2\" =\"3\" y=\"4\"/>", L"a{x=1,y=4}[]"},
        {"<a =\"1&amp;2\" y=\"4\">v</a>", L"a{y=4}[v]"},
    };
    for (const auto& c : cases) {
        for (const bool preserve : {true, false}) {
            CSkinXml xml;
            xml.SetPreserveWhitespace(preserve);
            const bool loaded = xml.LoadBytes(c.bytes.data(), c.bytes.size(), XmlEncoding::Utf8);
            EXPECT_EQ(Outcome(xml, loaded), c.expected) << c.bytes.size() << " bytes, preserve " << preserve;
        }
    }
}

TEST(SkinXmlErrors, MessagesAndLocationsAreBoundedAndClearedByTheNextLoad) {
    CSkinXml xml;
    std::wstring text = L"<a x=1" + std::wstring(60, L'y') + L"/>";
    EXPECT_FALSE(xml.LoadText(text.c_str()));
    EXPECT_FALSE(xml.GetRoot().IsValid());
    EXPECT_EQ(std::wstring(xml.GetLastErrorLocation()), L"1" + std::wstring(48, L'y'));
    wchar_t small[6];
    xml.GetLastErrorMessage(small, 6);
    EXPECT_STREQ(small, L"Expec");
    xml.GetLastErrorLocation(small, 3);
    EXPECT_STREQ(small, L"1y");

    // The location never ends on half a surrogate pair.
    text = L"<a x=" + std::wstring(48, L'z') + L"\U0001F600/>";
    EXPECT_FALSE(xml.LoadText(text.c_str()));
    EXPECT_EQ(std::wstring(xml.GetLastErrorLocation()), std::wstring(48, L'z'));

    EXPECT_TRUE(xml.LoadText(L"<ok/>"));
    EXPECT_STREQ(xml.GetLastErrorMessage(), L"");
    EXPECT_STREQ(xml.GetLastErrorLocation(), L"");
    EXPECT_STREQ(xml.GetRoot().GetName(), L"ok");
}

TEST(SkinXmlEncoding, Utf8WithAndWithoutMarkUtf16BothOrdersAndAnsiLoadAlike) {
    const Bytes utf8 = ReadBytes(DataFolder() + L"main.xml");
    ASSERT_FALSE(utf8.empty());
    const std::wstring text = Wide(utf8);
    CSkinXml reference;
    ASSERT_TRUE(reference.LoadText(text.c_str()));
    const std::wstring expected = Outcome(reference, true);

    const std::string marked = "\xEF\xBB\xBF" + std::string(utf8.begin(), utf8.end());
    const Bytes withMark(marked.begin(), marked.end());
    Bytes little = {0xFF, 0xFE};
    Bytes big = {0xFE, 0xFF};
    for (wchar_t ch : text) {
        little.push_back(static_cast<unsigned char>(ch & 0xFF));
        little.push_back(static_cast<unsigned char>(ch >> 8));
        big.push_back(static_cast<unsigned char>(ch >> 8));
        big.push_back(static_cast<unsigned char>(ch & 0xFF));
    }
    Bytes littleOdd = little;
    littleOdd.push_back(0x41);  // a dangling last byte is dropped
    const Bytes bigCopy = big;

    const struct {
        const char* what;
        const Bytes* bytes;
        XmlEncoding encoding;
    } cases[] = {
        {"utf-8", &utf8, XmlEncoding::Utf8},         {"utf-8 with mark", &withMark, XmlEncoding::Utf8},
        {"utf-16le", &little, XmlEncoding::Utf16},   {"utf-16be", &big, XmlEncoding::Utf16},
        {"utf-16le odd", &littleOdd, XmlEncoding::Utf16},
    };
    for (const auto& c : cases) {
        CSkinXml xml;
        const bool loaded = xml.LoadBytes(c.bytes->data(), c.bytes->size(), c.encoding);
        EXPECT_EQ(Outcome(xml, loaded), expected) << c.what;
    }
    EXPECT_EQ(big, bigCopy);  // swapped while copying, not in the caller's bytes

    CSkinXml xml;
    const Bytes unmarked(little.begin() + 2, little.end());
    EXPECT_FALSE(xml.LoadBytes(unmarked.data(), unmarked.size(), XmlEncoding::Utf16));
    EXPECT_FALSE(xml.GetRoot().IsValid());
    EXPECT_FALSE(xml.LoadBytes(little.data(), 1, XmlEncoding::Utf16));
    // A mark in UTF-8 mode is not skipped unless it is the whole mark.
    const Bytes partialMark = {0xEF, 0xBB, '<', 'a', '/', '>'};
    EXPECT_FALSE(xml.LoadBytes(partialMark.data(), partialMark.size(), XmlEncoding::Utf8));
    EXPECT_STREQ(xml.GetLastErrorMessage(), L"Expected start tag");

    // ANSI goes through the system code page, whatever it is.
    const std::string ansi = "<a x=\"caf\xE9\"/>";
    wchar_t expectedValue[16] = {};
    ::MultiByteToWideChar(CP_ACP, 0, "caf\xE9", 4, expectedValue, 16);
    ASSERT_TRUE(xml.LoadBytes(ansi.data(), ansi.size(), XmlEncoding::Ansi));
    EXPECT_STREQ(xml.GetRoot().GetAttributeValue(L"x"), expectedValue);
}

TEST(SkinXmlStorage, SkinFilesLoadFromFolderZipFileAndMemoryAlike) {
    ResetStorage();
    const std::wstring expectedMain = [] {
        CSkinXml xml;
        const Bytes bytes = ReadBytes(DataFolder() + L"main.xml");
        const bool loaded = xml.LoadBytes(bytes.data(), bytes.size());
        return Outcome(xml, loaded);
    }();
    ASSERT_EQ(expectedMain.substr(0, 7), L"Window{");
    const Bytes packed = ReadBytes(DataFolder() + L"skin-test.zip");
    const Bytes built = MakeZip({{"Main.xml", ReadBytes(DataFolder() + L"main.xml")},
                                 {"pages/Page1.xml", ReadBytes(DataFolder() + L"pages\\Page1.xml"), false}});
    ASSERT_FALSE(packed.empty());
    ASSERT_FALSE(built.empty());
    ASSERT_TRUE(WriteBytes(ScratchFolder() + L"built-skin.zip", built));

    for (int source = 0; source < 5; ++source) {
        ResetStorage();
        switch (source) {
        case 0: Veneer::CSkinStorage::SetResourcePath(DataFolder().c_str()); break;
        case 1:
            Veneer::CSkinStorage::SetResourcePath(DataFolder().c_str());
            Veneer::CSkinStorage::SetResourceZip(L"skin-test.zip");
            break;
        case 2:
            Veneer::CSkinStorage::SetResourcePath(ScratchFolder().c_str());
            Veneer::CSkinStorage::SetResourceZip(L"built-skin.zip", true);
            break;
        case 3: Veneer::CSkinStorage::SetResourceZip(packed.data(), static_cast<unsigned>(packed.size())); break;
        case 4: Veneer::CSkinStorage::SetResourceZip(built.data(), static_cast<unsigned>(built.size())); break;
        }
        CSkinXml xml;
        bool loaded = xml.LoadSkinFile(L"main.xml");
        EXPECT_EQ(Outcome(xml, loaded), expectedMain) << "source " << source;
        loaded = xml.LoadSkinFile(L"pages\\Page1.xml");
        EXPECT_TRUE(loaded) << "source " << source;
        EXPECT_STREQ(xml.GetRoot().GetChild().GetAttributeValue(L"text"), L"第二页");
        EXPECT_FALSE(xml.LoadSkinFile(L"absent.xml"));
        EXPECT_FALSE(xml.GetRoot().IsValid());
        EXPECT_STREQ(xml.GetLastErrorMessage(), source == 0 ? L"Error opening file" : L"Could not find ziped file");
        EXPECT_STREQ(xml.GetLastErrorLocation(), L"");
    }
    ResetStorage();
}

TEST(SkinXmlStorage, FourMebibyteSkinLoadsAndOneByteMoreIsTooLarge) {
    ResetStorage();
    const std::string head = "<Window size=\"1,1\">";
    const std::string tail = "</Window>";
    std::string limit = head + std::string(4194304 - head.size() - tail.size(), ' ') + tail;
    ASSERT_EQ(limit.size(), 4194304u);
    ASSERT_TRUE(WriteBytes(ScratchFolder() + L"limit.xml", ToBytes(limit)));
    ASSERT_TRUE(WriteBytes(ScratchFolder() + L"over.xml", ToBytes(limit + " ")));
    const Bytes zip = MakeZip({{"limit.xml", ToBytes(limit)}, {"over.xml", ToBytes(limit + " ")}});
    for (bool inZip : {false, true}) {
        ResetStorage();
        if (inZip) {
            Veneer::CSkinStorage::SetResourceZip(zip.data(), static_cast<unsigned>(zip.size()));
        } else {
            Veneer::CSkinStorage::SetResourcePath(ScratchFolder().c_str());
        }
        CSkinXml xml;
        EXPECT_TRUE(xml.LoadSkinFile(L"limit.xml")) << xml.GetLastErrorMessage();
        EXPECT_STREQ(xml.GetRoot().GetName(), L"Window");
        EXPECT_FALSE(xml.LoadSkinFile(L"over.xml"));
        EXPECT_STREQ(xml.GetLastErrorMessage(), L"File too large");
    }
    ResetStorage();
}
