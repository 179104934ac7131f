// The mutation loop of the skin reader, built natively with the address and
// undefined-behaviour sanitizers: any read past the text buffer or the
// element table stops the run. Arguments: the test documents.
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>

#include "../SkinMutation.h"

using namespace SkinMutation;

namespace {

Bytes ReadFileBytes(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Bytes ToUtf16(const Bytes& ascii, bool bigEndian) {
    // The mutation only needs a marked UTF-16 text; non-ASCII bytes pass as
    // Latin-1 here.
    Bytes out = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
    for (unsigned char b : ascii) {
        out.push_back(bigEndian ? 0 : b);
        out.push_back(bigEndian ? b : 0);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Bytes> documents;
    std::vector<Veneer::XmlEncoding> encodings;
    for (int i = 1; i < argc; ++i) {
        documents.push_back(ReadFileBytes(argv[i]));
        encodings.push_back(Veneer::XmlEncoding::Utf8);
        if (documents.back().empty()) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 2;
        }
    }
    if (documents.empty()) {
        std::fprintf(stderr, "usage: %s document...\n", argv[0]);
        return 2;
    }
    documents.push_back(ToUtf16(documents[0], false));
    encodings.push_back(Veneer::XmlEncoding::Utf16);
    documents.push_back(ToUtf16(documents[0], true));
    encodings.push_back(Veneer::XmlEncoding::Utf16);

    // A node's value loaded back into its own document: the text lives in the
    // buffer the load reuses (short padding) or gives back (long padding).
    for (const size_t padding : {size_t{0}, size_t{4000}}) {
        const std::wstring text = L"<r>&lt;x a=&quot;1&quot;/&gt;</r>" + std::wstring(padding, L' ');
        Veneer::CSkinXml xml(text.c_str());
        if (!xml.LoadText(xml.GetRoot().GetValue()) || std::wcscmp(xml.GetRoot().GetName(), L"x") != 0) {
            std::fprintf(stderr, "loading a node's own value back failed\n");
            return 1;
        }
    }

    Tally tally;
    MutateDocuments(documents, encodings, 5000, 0x5EED0001u, tally);
    TruncateDocuments(documents, encodings, 1, tally);
    NoiseDocuments(20000, 0x5EED0002u, tally);

    std::printf("native mutation cases: %d, loaded: %d, unmarked utf-16: %d\n", tally.cases, tally.loaded,
                tally.unmarkedUtf16);
    for (int i = 0; i < 15; ++i) {
        if (tally.perMessage[i]) std::printf("  %ls: %d\n", KnownMessages()[i], tally.perMessage[i]);
    }
    for (const std::string& problem : tally.problems) std::printf("PROBLEM %s\n", problem.c_str());
    return tally.problems.empty() ? 0 : 1;
}
