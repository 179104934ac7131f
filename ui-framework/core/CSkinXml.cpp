#include "core/CSkinXml.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "core/CSkinStorage.h"
#include "core/SkinTextConvert.h"

namespace Veneer {

namespace {

const wchar_t kExpectedStartTag[] = L"Expected start tag";
const wchar_t kErrorParsingElementName[] = L"Error parsing element name";
const wchar_t kExpectedStartTagClosing[] = L"Expected start-tag closing";
const wchar_t kExpectedEndTagStart[] = L"Expected end-tag start";
const wchar_t kUnmatchedClosingTag[] = L"Unmatched closing tag";
const wchar_t kErrorParsingAttributes[] = L"Error while parsing attributes";
const wchar_t kExpectedAttributeValue[] = L"Expected attribute value";
const wchar_t kErrorParsingAttributeString[] = L"Error while parsing attribute string";
const wchar_t kOutOfMemory[] = L"Out of memory";

const wchar_t kEmpty[] = L"";

// Copies at most `size` - 1 characters and a terminator, never ending on the
// first half of a surrogate pair.
void CopyBounded(wchar_t* destination, const wchar_t* source, int size) {
    if (!destination || size <= 0) return;
    int n = 0;
    for (; source && source[n]; ++n) {
        if (n == size - 1) {
            if (n > 0 && destination[n - 1] >= 0xD800 && destination[n - 1] <= 0xDBFF) --n;
            break;
        }
        destination[n] = source[n];
    }
    destination[n] = L'\0';
}

inline bool IsBlank(wchar_t ch) { return static_cast<unsigned int>(ch) <= 32; }

// Letters and digits as iswalnum sees them, '_' and ':'. ASCII by table.
struct NameTable {
    bool ascii[128];
    NameTable() {
        for (int i = 0; i < 128; ++i) {
            ascii[i] = (i >= 'a' && i <= 'z') || (i >= 'A' && i <= 'Z') || (i >= '0' && i <= '9') || i == '_' ||
                       i == ':';
        }
    }
};
const NameTable kNameTable;

inline bool IsNameChar(wchar_t ch) {
    const unsigned int code = static_cast<unsigned int>(ch);
    if (code < 128) return kNameTable.ascii[code];
    return std::iswalnum(static_cast<std::wint_t>(ch)) != 0;
}

}  // namespace

// ---- parser ------------------------------------------------------------------
// Walks the buffer once with a cursor. The buffer ends in a terminator at
// `m_end`; zeros written in place always lie behind the cursor, so inside the
// scanning loops a zero ahead is either the end or a NUL character of the
// document (treated as a control character).

class SkinXmlParser {
public:
    SkinXmlParser(CSkinXml& document, wchar_t* text, std::size_t length)
        : m_document(document), m_text(text), m_end(text + length), m_preserve(document.m_preserveWhitespace) {}

    bool Run();

private:
    wchar_t* SkipBlanks(wchar_t* p) const {
        while (p < m_end && IsBlank(*p)) ++p;
        return p;
    }
    bool Fail(const wchar_t* message, const wchar_t* at) {
        m_document.SetError(message, at);
        return false;
    }
    std::uint32_t Offset(const wchar_t* p) const { return static_cast<std::uint32_t>(p - m_text); }
    // Appends a zeroed element; false when the table cannot grow.
    bool AddElement(std::uint32_t& index);
    bool ParseAttributes(wchar_t*& p);
    // Decodes character data in place from `p` up to `stop` or the end; `p`
    // is left there. Returns the end of the decoded text.
    wchar_t* Decode(wchar_t*& p, wchar_t stop) const;
    bool CloseElement(wchar_t*& p, std::uint32_t element);

    CSkinXml& m_document;
    wchar_t* const m_text;
    wchar_t* const m_end;
    const bool m_preserve;
};

bool SkinXmlParser::AddElement(std::uint32_t& index) {
    CSkinXml& d = m_document;
    if (d.m_elementCount == d.m_elementCapacity) {
        // Grows by half plus 500: the first growth gives 500 slots.
        const std::size_t capacity = static_cast<std::size_t>(d.m_elementCapacity) + d.m_elementCapacity / 2 + 500;
        if (capacity > 0xFFFFFFFFu || capacity > static_cast<std::size_t>(-1) / sizeof(SkinXmlElement)) return false;
        SkinUnpoison(d.m_elements, d.m_elementCapacity * sizeof(SkinXmlElement));
        void* grown = std::realloc(d.m_elements, capacity * sizeof(SkinXmlElement));
        if (!grown) return false;
        d.m_elements = static_cast<SkinXmlElement*>(grown);
        d.m_elementCapacity = static_cast<std::uint32_t>(capacity);
    }
    index = d.m_elementCount++;
    d.m_elements[index] = SkinXmlElement{0, 0, 0, 0, 0};
    return true;
}

wchar_t* SkinXmlParser::Decode(wchar_t*& p, wchar_t stop) const {
    wchar_t* r = p;
    // Pass 1: nothing to rewrite until an entity or, when blanks collapse, a
    // blank followed by another blank or control character. The terminator
    // at m_end is a zero, so the scan ends there at the latest. (Block
    // compares were tried here: values and indentation runs are too short
    // for them to pay.)
    const wchar_t collapsing = m_preserve ? stop : L' ';
    for (;; ++r) {
        const wchar_t ch = *r;
        if (ch == stop || ch == L'&') break;
        if (ch == L'\0') {
            // The end, or a NUL character of the document: pass 2 ends an
            // attribute value there and copies character data on.
            if (r == m_end || stop == L'"') break;
        } else if (ch == collapsing && r + 1 < m_end && IsBlank(r[1])) {
            break;
        }
    }
    wchar_t* w = r;
    // Pass 2: copy with a write cursor trailing the read cursor.
    while (r < m_end) {
        const wchar_t ch = *r;
        if (ch == stop) break;
        if (ch == L'\0' && stop == L'"') {
            // A NUL character ends what a reader of the value sees. The rest
            // up to the quote goes into the blank gap: the attribute mapper
            // walks from string to string and would take it for a name.
            while (r < m_end && *r != stop) ++r;
            break;
        }
        if (ch == L'&') {
            const std::size_t left = static_cast<std::size_t>(m_end - r);
            wchar_t decoded = 0;
            std::size_t length = 0;
            if (left >= 5 && r[1] == L'a' && r[2] == L'm' && r[3] == L'p' && r[4] == L';') {
                decoded = L'&';
                length = 5;
            } else if (left >= 4 && r[1] == L'l' && r[2] == L't' && r[3] == L';') {
                decoded = L'<';
                length = 4;
            } else if (left >= 4 && r[1] == L'g' && r[2] == L't' && r[3] == L';') {
                decoded = L'>';
                length = 4;
            } else if (left >= 6 && r[1] == L'q' && r[2] == L'u' && r[3] == L'o' && r[4] == L't' && r[5] == L';') {
                decoded = L'"';
                length = 6;
            } else if (left >= 6 && r[1] == L'a' && r[2] == L'p' && r[3] == L'o' && r[4] == L's' && r[5] == L';') {
                decoded = L'\'';
                length = 6;
            }
            if (length) {
                *w++ = decoded;
                r += length;
            } else {
                *w++ = L'&';  // not an entity: the text after it is copied as it is
                ++r;
            }
            continue;
        }
        *w++ = ch;
        ++r;
        if (ch == L' ' && !m_preserve) {
            while (r < m_end && IsBlank(*r)) ++r;
        }
    }
    // The attribute mapper walks the buffer: blanks over what was consumed.
    for (wchar_t* gap = w + 1; gap < r; ++gap) *gap = L' ';
    p = r;
    return w;
}

bool SkinXmlParser::ParseAttributes(wchar_t*& p) {
    if (*p == L'>' || (*p == L'/' && p[1] == L'>')) return true;
    *p = L'\0';  // ends the element name
    p = SkipBlanks(p);
    while (p < m_end && *p != L'>' && *p != L'/') {
        wchar_t* const nameStart = p;
        wchar_t* nameEnd = p;
        while (IsNameChar(*nameEnd)) ++nameEnd;
        p = SkipBlanks(nameEnd);
        if (p == m_end || *p != L'=') return Fail(kErrorParsingAttributes, p);
        *p = L' ';
        *nameEnd = L'\0';
        p = SkipBlanks(p);
        if (p == m_end || *p != L'"') return Fail(kExpectedAttributeValue, p);
        ++p;
        wchar_t* decodedEnd = Decode(p, L'"');
        if (p == m_end) return Fail(kErrorParsingAttributeString, p);
        // A shortened value leaves the closing quote in the blank gap.
        if (decodedEnd != p) *p = L' ';
        *decodedEnd = L'\0';
        // Without a name the mapper cannot find the attribute (an empty name
        // is a zero among the blanks it skips) and would read its value as
        // the next name: the whole attribute becomes blanks.
        if (nameEnd == nameStart) {
            for (wchar_t* q = nameStart; q <= p; ++q) *q = L' ';
        }
        p = SkipBlanks(p + 1);
    }
    return true;
}

// At "</" of `element`: the closing tag must repeat its name exactly.
bool SkinXmlParser::CloseElement(wchar_t*& p, std::uint32_t element) {
    *p = L'\0';
    p = SkipBlanks(p + 2);
    const wchar_t* name = m_text + m_document.m_elements[element].nameOffset;
    const std::size_t length = std::wcslen(name);
    if (static_cast<std::size_t>(m_end - p) < length || std::wmemcmp(p, name, length) != 0) {
        return Fail(kUnmatchedClosingTag, p);
    }
    p = SkipBlanks(p + length);
    if (p == m_end || *p != L'>') return Fail(kUnmatchedClosingTag, p);
    ++p;
    return true;
}

// One loop over the whole document instead of one call per nesting level:
// `parent` is the element whose children are being read and `previous` the
// last child read at this level, so nesting depth costs no stack.
bool SkinXmlParser::Run() {
    std::uint32_t sentinel = 0;
    if (!AddElement(sentinel)) return Fail(kOutOfMemory, m_text);
    std::uint32_t parent = 0;
    std::uint32_t previous = 0;
    wchar_t* p = SkipBlanks(m_text);
    for (;;) {
        // Several top-level elements are accepted, and a document that ends
        // inside the root's children is complete.
        if (p == m_end && parent <= 1) return true;
        p = SkipBlanks(p);
        if (p == m_end || *p != L'<') return Fail(kExpectedStartTag, p);
        if (p[1] == L'/') {
            if (parent == 0) return true;  // a stray closing tag ends the document
            if (!CloseElement(p, parent)) return false;
            previous = parent;
            parent = m_document.m_elements[parent].parent;
            p = SkipBlanks(p);
            continue;
        }
        *p = L'\0';
        p = SkipBlanks(p + 1);

        // Comments and processing instructions: "<!" ends at the first "->".
        if (p < m_end && (*p == L'!' || *p == L'?')) {
            const wchar_t first = *p == L'!' ? L'-' : L'?';
            ++p;
            while (p < m_end && !(p[0] == first && p[1] == L'>')) ++p;
            if (p < m_end) p += 2;
            p = SkipBlanks(p);
            continue;
        }

        std::uint32_t element = 0;
        if (!AddElement(element)) return Fail(kOutOfMemory, p);
        SkinXmlElement* elements = m_document.m_elements;
        elements[element].nameOffset = Offset(p);
        elements[element].parent = parent;
        if (previous) {
            elements[previous].nextSibling = element;
        } else if (parent) {
            elements[parent].firstChild = element;
        }
        previous = element;

        wchar_t* nameEnd = p;
        while (IsNameChar(*nameEnd)) ++nameEnd;
        p = nameEnd;
        if (p == m_end) return Fail(kErrorParsingElementName, p);
        if (!ParseAttributes(p)) return false;
        p = SkipBlanks(p);

        if (p[0] == L'/' && p[1] == L'>') {  // empty-element tag: the value is ""
            elements[element].dataOffset = Offset(p);
            *p = L'\0';
            *nameEnd = L'\0';
            p = SkipBlanks(p + 2);
            continue;
        }
        if (p == m_end || *p != L'>') return Fail(kExpectedStartTagClosing, p);
        *nameEnd = L'\0';
        ++p;
        elements[element].dataOffset = Offset(p);
        wchar_t* decodedEnd = Decode(p, L'<');
        if (decodedEnd != p) *decodedEnd = L'\0';  // else the '<' gets the terminator
        if (p == m_end) {
            if (parent <= 1) return true;
            return Fail(kExpectedEndTagStart, p);
        }
        // Children, or at once the closing tag: both continue one level down.
        parent = element;
        previous = 0;
    }
}

// ---- document ----------------------------------------------------------------

CSkinXml::CSkinXml(const wchar_t* xml) {
    if (xml) LoadText(xml);
}

CSkinXml::~CSkinXml() { Release(); }

void CSkinXml::Release() {
    Forget();
    SkinUnpoison(m_text, m_textCapacity * sizeof(wchar_t));
    SkinUnpoison(m_elements, m_elementCapacity * sizeof(SkinXmlElement));
    std::free(m_text);
    std::free(m_elements);
    m_text = nullptr;
    m_textCapacity = 0;
    m_elements = nullptr;
    m_elementCapacity = 0;
}

void CSkinXml::Forget() {
    m_textLength = 0;
    m_elementCount = 0;
}

void CSkinXml::SetError(const wchar_t* message, const wchar_t* location) {
    CopyBounded(m_errorMessage, message, kErrorMessageSize);
    CopyBounded(m_errorLocation, location, kErrorLocationSize);
}

bool CSkinXml::ParseText(std::size_t length) {
    m_errorMessage[0] = L'\0';
    m_errorLocation[0] = L'\0';
    SkinUnpoison(m_elements, m_elementCapacity * sizeof(SkinXmlElement));
    m_textLength = length;
    m_elementCount = 0;
    SkinXmlParser parser(*this, m_text, length);
    if (!parser.Run()) {
        Release();
        return false;
    }
    SkinPoison(m_elements + m_elementCount, (m_elementCapacity - m_elementCount) * sizeof(SkinXmlElement));
    return true;
}

bool CSkinXml::OverlapsText(const void* memory, std::size_t bytes) const {
    if (!memory || !m_text) return false;
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(m_text);
    const std::uintptr_t end = start + m_textCapacity * sizeof(wchar_t);
    return first < end && first + (bytes ? bytes : 1) > start;
}

bool CSkinXml::LoadText(const wchar_t* xml) {
    // A text inside our own buffer (a node's value loaded back) would be
    // overwritten or freed while it is copied: take a private copy first.
    if (OverlapsText(xml, sizeof(wchar_t))) {
        const std::wstring copy(xml);
        return LoadText(copy.c_str());
    }
    Forget();
    if (!xml) xml = kEmpty;
    const std::size_t length = std::wcslen(xml);
    if (!SkinReserveText(m_text, m_textCapacity, length + 1)) {
        Release();
        SetError(kOutOfMemory, nullptr);
        return false;
    }
    std::memcpy(m_text, xml, (length + 1) * sizeof(wchar_t));
    SkinPoison(m_text + length + 1, (m_textCapacity - length - 1) * sizeof(wchar_t));
    return ParseText(length);
}

bool CSkinXml::LoadBytes(const void* bytes, std::size_t count, XmlEncoding encoding) {
    if (OverlapsText(bytes, count)) {
        const unsigned char* first = static_cast<const unsigned char*>(bytes);
        const std::vector<unsigned char> copy(first, first + count);
        return LoadBytes(copy.data(), copy.size(), encoding);
    }
    Forget();
    const unsigned char* in = static_cast<const unsigned char*>(bytes);
    if (!in) count = 0;
    std::size_t length = 0;
    bool converted = false;
    switch (encoding) {
    case XmlEncoding::Utf8:
        if (count >= 3 && in[0] == 0xEF && in[1] == 0xBB && in[2] == 0xBF) {
            in += 3;
            count -= 3;
        }
        converted = SkinUtf8ToUtf16(reinterpret_cast<const char*>(in), count, m_text, m_textCapacity, length);
        break;
    case XmlEncoding::Ansi:
        converted = SkinMultiByteToUtf16(0 /* CP_ACP */, reinterpret_cast<const char*>(in), count, m_text,
                                         m_textCapacity, length);
        break;
    case XmlEncoding::Utf16: {
        const bool bigEndian = count >= 2 && in[0] == 0xFE && in[1] == 0xFF;
        const bool littleEndian = count >= 2 && in[0] == 0xFF && in[1] == 0xFE;
        if (!bigEndian && !littleEndian) {
            // Without a byte-order mark the text cannot be read.
            Release();
            m_errorMessage[0] = L'\0';
            m_errorLocation[0] = L'\0';
            return false;
        }
        // The caller's bytes stay untouched (they may be read-only resource
        // memory): big-endian pairs are swapped while copying.
        length = count / 2 - 1;
        converted = SkinReserveText(m_text, m_textCapacity, length + 1);
        if (converted) {
            const unsigned char* unit = in + 2;
            const int high = bigEndian ? 0 : 1;
            for (std::size_t i = 0; i < length; ++i, unit += 2) {
                m_text[i] = static_cast<wchar_t>((unit[high] << 8) | unit[1 - high]);
            }
            m_text[length] = L'\0';
            SkinPoison(m_text + length + 1, (m_textCapacity - length - 1) * sizeof(wchar_t));
        }
        break;
    }
    }
    if (!converted) {
        Release();
        SetError(kOutOfMemory, nullptr);
        return false;
    }
    return ParseText(length);
}

bool CSkinXml::LoadSkinFile(const wchar_t* fileName, XmlEncoding encoding) {
    Forget();
    std::vector<unsigned char> bytes;
    const wchar_t* error = nullptr;
    if (!CSkinStorage::ReadFile(fileName, bytes, &error)) {
        Release();
        SetError(error, nullptr);
        return false;
    }
    return LoadBytes(bytes.data(), bytes.size(), encoding);
}

CSkinXmlNode CSkinXml::GetRoot() const { return m_elementCount > 1 ? CSkinXmlNode(this, 1) : CSkinXmlNode(); }

void CSkinXml::GetLastErrorMessage(wchar_t* buffer, int length) const { CopyBounded(buffer, m_errorMessage, length); }

void CSkinXml::GetLastErrorLocation(wchar_t* buffer, int length) const {
    CopyBounded(buffer, m_errorLocation, length);
}

// ---- node --------------------------------------------------------------------

CSkinXmlNode::CSkinXmlNode(const CSkinXml* document, std::uint32_t index)
    : m_document(index != 0 ? document : nullptr), m_index(index) {}

const SkinXmlElement& CSkinXmlNode::Element() const { return m_document->m_elements[m_index]; }

CSkinXmlNode CSkinXmlNode::GetParent() const {
    return m_document ? CSkinXmlNode(m_document, Element().parent) : CSkinXmlNode();
}

CSkinXmlNode CSkinXmlNode::GetChild() const {
    return m_document ? CSkinXmlNode(m_document, Element().firstChild) : CSkinXmlNode();
}

CSkinXmlNode CSkinXmlNode::GetSibling() const {
    return m_document ? CSkinXmlNode(m_document, Element().nextSibling) : CSkinXmlNode();
}

CSkinXmlNode CSkinXmlNode::GetChild(const wchar_t* name) const {
    if (!m_document || !name) return CSkinXmlNode();
    const SkinXmlElement* elements = m_document->m_elements;
    for (std::uint32_t child = Element().firstChild; child != 0; child = elements[child].nextSibling) {
        if (_wcsicmp(m_document->m_text + elements[child].nameOffset, name) == 0) {
            return CSkinXmlNode(m_document, child);
        }
    }
    return CSkinXmlNode();
}

bool CSkinXmlNode::HasChildren() const { return m_document && Element().firstChild != 0; }

bool CSkinXmlNode::HasSiblings() const { return m_document && Element().nextSibling != 0; }

const wchar_t* CSkinXmlNode::GetName() const {
    return m_document ? m_document->m_text + Element().nameOffset : nullptr;
}

const wchar_t* CSkinXmlNode::GetValue() const {
    return m_document ? m_document->m_text + Element().dataOffset : nullptr;
}

// From the element name, every zero-terminated string up to the data offset
// is an attribute name followed (after blanks and zeros) by '"' and its value.
void CSkinXmlNode::MapAttributes() const {
    if (m_mapped || !m_document) return;
    m_mapped = true;
    m_attributeCount = 0;
    const wchar_t* const text = m_document->m_text;
    const wchar_t* const end = text + m_document->m_textLength;
    const wchar_t* const data = text + Element().dataOffset;
    const wchar_t* p = text + Element().nameOffset;
    auto stepPastString = [end](const wchar_t* q) {
        while (q < end && *q) ++q;
        return q < end ? q + 1 : q;
    };
    auto skipBlanks = [end](const wchar_t* q) {
        while (q < end && IsBlank(*q)) ++q;
        return q;
    };
    while (m_attributeCount < kMaxAttributes) {
        p = skipBlanks(stepPastString(p));
        // '>' closes a start tag that has a blank after its name.
        if (p >= data || *p == L'>') break;
        const wchar_t* name = p;
        p = skipBlanks(stepPastString(p));
        if (p >= data || *p != L'"') break;
        m_attributes[m_attributeCount].name = static_cast<std::uint32_t>(name - text);
        m_attributes[m_attributeCount].value = static_cast<std::uint32_t>(p + 1 - text);
        ++m_attributeCount;
    }
}

bool CSkinXmlNode::HasAttributes() const { return GetAttributeCount() > 0; }

int CSkinXmlNode::GetAttributeCount() const {
    MapAttributes();
    return m_attributeCount;
}

const wchar_t* CSkinXmlNode::GetAttributeName(int index) const {
    if (!m_document) return nullptr;
    MapAttributes();
    if (index < 0 || index >= m_attributeCount) return kEmpty;
    return m_document->m_text + m_attributes[index].name;
}

const wchar_t* CSkinXmlNode::GetAttributeValue(int index) const {
    if (!m_document) return nullptr;
    MapAttributes();
    if (index < 0 || index >= m_attributeCount) return kEmpty;
    return m_document->m_text + m_attributes[index].value;
}

const wchar_t* CSkinXmlNode::FindAttribute(const wchar_t* name) const {
    if (!m_document || !name) return nullptr;
    MapAttributes();
    for (int i = 0; i < m_attributeCount; ++i) {
        if (_wcsicmp(m_document->m_text + m_attributes[i].name, name) == 0) {
            return m_document->m_text + m_attributes[i].value;
        }
    }
    return nullptr;
}

const wchar_t* CSkinXmlNode::GetAttributeValue(const wchar_t* name) const {
    if (!m_document) return nullptr;
    const wchar_t* value = FindAttribute(name);
    return value ? value : kEmpty;
}

bool CSkinXmlNode::GetAttributeValue(int index, wchar_t* destination, int maxLength) const {
    if (!m_document) return false;
    MapAttributes();
    if (index < 0 || index >= m_attributeCount) return false;
    CopyBounded(destination, m_document->m_text + m_attributes[index].value, maxLength);
    return true;
}

bool CSkinXmlNode::GetAttributeValue(const wchar_t* name, wchar_t* destination, int maxLength) const {
    const wchar_t* value = FindAttribute(name);
    if (!value) return false;
    CopyBounded(destination, value, maxLength);
    return true;
}

bool CSkinXmlNode::HasAttribute(const wchar_t* name) const { return FindAttribute(name) != nullptr; }

}  // namespace Veneer
