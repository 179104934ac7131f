#pragma once
// Deterministic mutation of skin documents and archives: truncations, bit
// flips, insertions of bytes and markup fragments, deletions and duplicated
// ranges. Shared by the test under Wine and the native sanitizer build, so it
// uses nothing but the reader and the standard library.
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "core/CSkinXml.h"

namespace SkinMutation {

using Bytes = std::vector<unsigned char>;

// xorshift64*: the same sequence on every platform and run.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    std::uint64_t Next() {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    // Uniform enough in [0, bound); 0 when bound is 0.
    std::size_t Below(std::size_t bound) {
        return bound ? static_cast<std::size_t>((Next() >> 16) % bound) : 0;
    }

private:
    std::uint64_t m_state;
};

// Fragments that steer the reader into its rarer paths.
inline const std::vector<std::string>& Fragments() {
    static const std::vector<std::string> fragments = {
        "<", ">", "/", "\"", "'", "=", "&", "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#65;", "&am",
        "<!--", "-->", "->", "<?", "?>", "<!", "</", "/>", "< ", " ", "\t", "\r\n", std::string(1, '\0'),
        "\xFF", "\xC3", "\xE4\xB8", "\xEF\xBB\xBF", "\xF0\x9F\x98\x80", "\xED\xA0\x80", "<a>", "</a>",
        "<Window>", "</Window>", "x=\"1\"", " y = \"2\" ", "<b/>", "data-x", ":_", "\"\"", "PK\x03\x04",
        "PK\x01\x02", "PK\x05\x06",
    };
    return fragments;
}

// Position for an edit: anywhere, or (for archives) near the end where the
// central directory lies, and where most of the structure is.
inline std::size_t Position(Random& random, std::size_t size, bool favourTail) {
    if (favourTail && size > 0 && random.Below(2) == 0) {
        const std::size_t tail = size < 160 ? size : 160;
        return size - 1 - random.Below(tail);
    }
    return random.Below(size + 1);
}

inline Bytes Mutate(const Bytes& source, Random& random, bool favourTail = false) {
    Bytes bytes = source;
    const std::size_t edits = 1 + random.Below(3);
    for (std::size_t e = 0; e < edits; ++e) {
        const std::size_t size = bytes.size();
        switch (random.Below(7)) {
        case 0:  // truncate
            bytes.resize(random.Below(size + 1));
            break;
        case 1: {  // flip bits
            const std::size_t flips = 1 + random.Below(8);
            for (std::size_t i = 0; i < flips && !bytes.empty(); ++i) {
                std::size_t at = Position(random, bytes.size(), favourTail);
                if (at >= bytes.size()) at = bytes.size() - 1;
                bytes[at] ^= static_cast<unsigned char>(1u << random.Below(8));
            }
            break;
        }
        case 2: {  // insert a fragment
            const std::string& fragment = Fragments()[random.Below(Fragments().size())];
            const std::size_t at = Position(random, size, favourTail);
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at < size ? at : size), fragment.begin(),
                         fragment.end());
            break;
        }
        case 3: {  // insert random bytes
            const std::size_t count = 1 + random.Below(16);
            const std::size_t at = Position(random, size, favourTail);
            Bytes noise(count);
            for (unsigned char& b : noise) b = static_cast<unsigned char>(random.Next() >> 56);
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at < size ? at : size), noise.begin(), noise.end());
            break;
        }
        case 4: {  // delete a range
            if (size == 0) break;
            std::size_t at = Position(random, size, favourTail);
            if (at >= size) at = size - 1;
            const std::size_t count = 1 + random.Below(size - at < 32 ? size - at : 32);
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + count));
            break;
        }
        case 5: {  // duplicate a range elsewhere (unbalances nesting)
            if (size == 0) break;
            const std::size_t from = random.Below(size);
            const std::size_t count = 1 + random.Below(size - from < 64 ? size - from : 64);
            const Bytes chunk(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                              bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
            const std::size_t at = random.Below(size + 1);
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
            break;
        }
        default: {  // overwrite a byte
            if (size == 0) break;
            std::size_t at = Position(random, size, favourTail);
            if (at >= size) at = size - 1;
            bytes[at] = static_cast<unsigned char>(random.Next() >> 56);
            break;
        }
        }
    }
    return bytes;
}

// The reader's and the storage's messages: every failure ends in one of them.
inline const wchar_t* const* KnownMessages() {
    static const wchar_t* const messages[] = {
        L"Error opening file",        L"File is empty",
        L"File too large",            L"Could not read file",
        L"Error opening zip file",    L"Could not find ziped file",
        L"Could not unzip file",      L"Expected start tag",
        L"Error parsing element name", L"Expected start-tag closing",
        L"Expected end-tag start",    L"Unmatched closing tag",
        L"Error while parsing attributes", L"Expected attribute value",
        L"Error while parsing attribute string", nullptr,
    };
    return messages;
}

inline int MessageIndex(const wchar_t* message) {
    const wchar_t* const* known = KnownMessages();
    for (int i = 0; known[i]; ++i) {
        if (std::wcscmp(known[i], message) == 0) return i;
    }
    return -1;
}

struct Tally {
    int cases = 0;
    int loaded = 0;
    int perMessage[15] = {};
    int unmarkedUtf16 = 0;  // UTF-16 bytes that lost their mark: refused without a message
    std::vector<std::string> problems;
};

// Walks every element of a loaded document through the public interface,
// reading every name, value and attribute whole (a sanitizer build checks
// each read), and checks the table's links.
inline bool CheckTree(const Veneer::CSkinXml& xml, std::string& problem) {
    const std::uint32_t count = xml.GetElementCount();
    std::size_t characters = 0;
    for (std::uint32_t i = 1; i < count; ++i) {
        const Veneer::CSkinXmlNode node(&xml, i);
        characters += std::wcslen(node.GetName()) + std::wcslen(node.GetValue());
        const std::uint32_t parent = node.GetParent().GetIndex();
        const std::uint32_t child = node.GetChild().GetIndex();
        const std::uint32_t sibling = node.GetSibling().GetIndex();
        if (parent >= i || (child && (child <= i || child >= count)) || (sibling && (sibling <= i || sibling >= count))) {
            problem = "element " + std::to_string(i) + " has links out of order";
            return false;
        }
        const int attributes = node.GetAttributeCount();
        if (attributes < 0 || attributes > Veneer::CSkinXmlNode::kMaxAttributes) {
            problem = "attribute count out of range";
            return false;
        }
        for (int a = 0; a < attributes; ++a) {
            characters += std::wcslen(node.GetAttributeName(a)) + std::wcslen(node.GetAttributeValue(a));
        }
        characters += std::wcslen(node.GetAttributeValue(L"name"));
        if (node.GetChild(L"Label").IsValid()) ++characters;
    }
    volatile std::size_t sink = characters;  // keeps the reads
    (void)sink;
    return true;
}

// Records the outcome of one load; false (with a problem noted) when it was
// neither a success nor a failure with a known message.
inline bool Record(const Veneer::CSkinXml& xml, bool loaded, Tally& tally, const std::string& what,
                   bool unmarkedUtf16Allowed = false) {
    ++tally.cases;
    std::string problem;
    if (loaded) {
        ++tally.loaded;
        if (CheckTree(xml, problem)) return true;
    } else {
        const int index = MessageIndex(xml.GetLastErrorMessage());
        if (index >= 0 && !xml.GetRoot().IsValid() && xml.GetElementCount() == 0) {
            ++tally.perMessage[index];
            return true;
        }
        if (unmarkedUtf16Allowed && xml.GetLastErrorMessage()[0] == L'\0') {
            ++tally.unmarkedUtf16;
            return true;
        }
        problem = "unknown failure message";
    }
    if (tally.problems.size() < 20) tally.problems.push_back(what + ": " + problem);
    return false;
}

inline bool HasUtf16Mark(const Bytes& bytes) {
    return bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF));
}

// `rounds` mutated copies of each document, parsed from bytes with and
// without preserved whitespace, into new documents and into one document
// that keeps reusing its blocks.
inline void MutateDocuments(const std::vector<Bytes>& documents, const std::vector<Veneer::XmlEncoding>& encodings,
                            int rounds, std::uint64_t seed, Tally& tally) {
    Random random(seed);
    Veneer::CSkinXml reused;
    for (std::size_t d = 0; d < documents.size(); ++d) {
        for (int round = 0; round < rounds; ++round) {
            const Bytes bytes = Mutate(documents[d], random);
            Veneer::CSkinXml fresh;
            Veneer::CSkinXml& xml = round % 3 == 0 ? reused : fresh;
            xml.SetPreserveWhitespace(round % 2 == 0);
            const bool loaded = xml.LoadBytes(bytes.data(), bytes.size(), encodings[d]);
            const bool utf16 = encodings[d] == Veneer::XmlEncoding::Utf16;
            Record(xml, loaded, tally, "document " + std::to_string(d) + " round " + std::to_string(round),
                   utf16 && !HasUtf16Mark(bytes));
        }
    }
}

// Every prefix of each document (truncated files end anywhere).
inline void TruncateDocuments(const std::vector<Bytes>& documents, const std::vector<Veneer::XmlEncoding>& encodings,
                              std::size_t step, Tally& tally) {
    for (std::size_t d = 0; d < documents.size(); ++d) {
        for (std::size_t size = 0; size < documents[d].size(); size += step) {
            const Bytes prefix(documents[d].begin(), documents[d].begin() + static_cast<std::ptrdiff_t>(size));
            Veneer::CSkinXml xml;
            const bool loaded = xml.LoadBytes(prefix.data(), prefix.size(), encodings[d]);
            Record(xml, loaded, tally, "document " + std::to_string(d) + " cut at " + std::to_string(size),
                   encodings[d] == Veneer::XmlEncoding::Utf16 && !HasUtf16Mark(prefix));
        }
    }
}

// Random bytes, and random strings over the markup's own characters.
inline void NoiseDocuments(int rounds, std::uint64_t seed, Tally& tally) {
    static const char alphabet[] = "<<<>>>///\"\"\"===&&;; \t\r\nab:_-!?ampltgquos#1";
    Random random(seed);
    for (int round = 0; round < rounds; ++round) {
        Bytes bytes(random.Below(200));
        const bool markup = round % 2 == 0;
        for (unsigned char& b : bytes) {
            b = markup ? static_cast<unsigned char>(alphabet[random.Below(sizeof(alphabet) - 1)])
                       : static_cast<unsigned char>(random.Next() >> 56);
        }
        Veneer::CSkinXml xml;
        xml.SetPreserveWhitespace(round % 4 < 2);
        const bool loaded = xml.LoadBytes(bytes.data(), bytes.size(), Veneer::XmlEncoding::Utf8);
        Record(xml, loaded, tally, "noise round " + std::to_string(round));
    }
}

}  // namespace SkinMutation
