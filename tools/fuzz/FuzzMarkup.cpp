// The skin markup reader: any bytes (UTF-16 when they start with a mark,
// else UTF-8). A refused document leaves no root and names a known error; a
// loaded one is a well-linked tree whose every element is reached once, and
// writing it out again and reading that back gives the same tree.
#include <cstring>
#include <cwchar>
#include <string>

#include "core/CSkinXml.h"
#include "core/tests/SkinMutation.h"
#include "tools/fuzz/FuzzInput.h"

using Veneer::CSkinXml;
using Veneer::CSkinXmlNode;

namespace {

std::wstring Escape(const wchar_t* text, bool attribute) {
    std::wstring out;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == L'&') {
            out += L"&amp;";
        } else if (*p == L'<') {
            out += L"&lt;";
        } else if (attribute && *p == L'"') {
            out += L"&quot;";
        } else {
            out.push_back(*p);
        }
    }
    return out;
}

// Checks the links below `node` (and its following siblings) and counts the
// elements reached; `limit` stops a cycle. `unnamed`: an element has an empty
// name (the character after "<" was no name character), which no text
// written out could give again.
void Walk(const CSkinXmlNode& first, std::uint32_t parent, std::uint32_t limit, std::uint32_t& reached,
          bool& unnamed) {
    for (CSkinXmlNode node = first; node.IsValid(); node = node.GetSibling()) {
        Fuzz::Check(++reached <= limit, "an element is reached twice");
        if (node.GetName() && node.GetName()[0] == L'\0') unnamed = true;
        Fuzz::Check(node.GetParent().GetIndex() == parent, "a child does not name its parent");
        Fuzz::Check(node.GetName() != nullptr && node.GetValue() != nullptr, "a name or value is missing");
        const int count = node.GetAttributeCount();
        Fuzz::Check(count >= 0 && count <= CSkinXmlNode::kMaxAttributes, "attribute count out of range");
        for (int i = 0; i < count; ++i) {
            const wchar_t* name = node.GetAttributeName(i);
            const wchar_t* value = node.GetAttributeValue(i);
            Fuzz::Check(name && value, "an attribute text is missing");
            // The first attribute of a name is what a lookup by that name finds.
            const wchar_t* found = node.GetAttributeValue(name);
            int firstIndex = 0;
            while (wcscasecmp(node.GetAttributeName(firstIndex), name) != 0) ++firstIndex;
            Fuzz::Check(found == node.GetAttributeValue(firstIndex), "lookup by name misses the first attribute",
                        Fuzz::Show(name));
        }
        Fuzz::Check(node.GetAttributeName(count)[0] == L'\0', "an attribute past the count");
        if (node.HasChildren()) Walk(node.GetChild(), node.GetIndex(), limit, reached, unnamed);
    }
}

void Write(const CSkinXmlNode& first, std::wstring& out) {
    for (CSkinXmlNode node = first; node.IsValid(); node = node.GetSibling()) {
        out += L"<";
        out += node.GetName();
        for (int i = 0; i < node.GetAttributeCount(); ++i) {
            out += L" ";
            out += node.GetAttributeName(i);
            out += L"=\"" + Escape(node.GetAttributeValue(i), true) + L"\"";
        }
        if (!node.HasChildren() && node.GetValue()[0] == L'\0') {
            out += L"/>";
            continue;
        }
        out += L">" + Escape(node.GetValue(), false);
        if (node.HasChildren()) Write(node.GetChild(), out);
        out += L"</" + std::wstring(node.GetName()) + L">";
    }
}

void Compare(const CSkinXmlNode& a, const CSkinXmlNode& b, const std::wstring& written) {
    CSkinXmlNode x = a;
    CSkinXmlNode y = b;
    for (; x.IsValid() && y.IsValid(); x = x.GetSibling(), y = y.GetSibling()) {
        const std::string where = Fuzz::Show(written);
        Fuzz::Check(std::wcscmp(x.GetName(), y.GetName()) == 0, "name changed by a round trip", where);
        Fuzz::Check(std::wcscmp(x.GetValue(), y.GetValue()) == 0, "value changed by a round trip", where);
        Fuzz::Check(x.GetAttributeCount() == y.GetAttributeCount(), "attributes lost by a round trip", where);
        for (int i = 0; i < x.GetAttributeCount(); ++i) {
            Fuzz::Check(std::wcscmp(x.GetAttributeName(i), y.GetAttributeName(i)) == 0 &&
                            std::wcscmp(x.GetAttributeValue(i), y.GetAttributeValue(i)) == 0,
                        "attribute changed by a round trip", where);
        }
        Fuzz::Check(x.HasChildren() == y.HasChildren(), "children changed by a round trip", where);
        if (x.HasChildren()) Compare(x.GetChild(), y.GetChild(), written);
    }
    Fuzz::Check(x.IsValid() == y.IsValid(), "siblings changed by a round trip", Fuzz::Show(written));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool marked = size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
    const Veneer::XmlEncoding encoding = marked ? Veneer::XmlEncoding::Utf16 : Veneer::XmlEncoding::Utf8;
    for (const bool preserve : {true, false}) {
        CSkinXml xml;
        xml.SetPreserveWhitespace(preserve);
        if (!xml.LoadBytes(data, size, encoding)) {
            Fuzz::Check(!xml.GetRoot().IsValid(), "a refused document keeps a root");
            Fuzz::Check(SkinMutation::MessageIndex(xml.GetLastErrorMessage()) >= 0, "unknown error message",
                        Fuzz::Show(xml.GetLastErrorMessage()));
            return 0;
        }
        if (!xml.GetRoot().IsValid()) continue;  // blanks and comments only
        const std::uint32_t elements = xml.GetElementCount() - 1;
        std::uint32_t reached = 0;
        bool unnamed = false;
        Walk(xml.GetRoot(), 0, elements, reached, unnamed);
        Fuzz::Check(reached == elements, "an element is not reachable from the root");
        if (!preserve || unnamed) continue;

        std::wstring written;
        Write(xml.GetRoot(), written);
        CSkinXml again;
        Fuzz::Check(again.LoadText(written.c_str()), "what was written cannot be read back", Fuzz::Show(written));
        Compare(xml.GetRoot(), again.GetRoot(), written);
    }
    return 0;
}
