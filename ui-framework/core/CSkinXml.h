#pragma once
// The skin markup reader: a small in-place XML parser. The document text is
// converted once into a UTF-16 buffer that the parser rewrites in place
// (terminators over delimiters, entities decoded); elements are kept as
// offsets into that buffer, so names and values are never copied.
//
// Subset: elements, attributes in double quotes, character data, the five
// named entities, comments and processing instructions. No DTD, no CDATA,
// no numeric character references, no namespaces.
#include <cstddef>
#include <cstdint>

namespace Veneer {

enum class XmlEncoding : int { Utf8 = 0, Utf16 = 1, Ansi = 2 };

// One element; offsets are in characters from the start of the text buffer,
// indices refer to the element table (0 = none: element 0 is a sentinel).
struct SkinXmlElement {
    std::uint32_t nameOffset;
    std::uint32_t firstChild;
    std::uint32_t nextSibling;
    std::uint32_t parent;
    std::uint32_t dataOffset;
};

class CSkinXml;

// A handle to one element of a loaded document. Cheap to copy; valid only while
// the document stays loaded. Returned strings point into the document.
class CSkinXmlNode {
public:
    static constexpr int kMaxAttributes = 64;

    CSkinXmlNode() {}  // the attribute map stays unfilled until asked for
    CSkinXmlNode(const CSkinXml* document, std::uint32_t index);

    bool IsValid() const { return m_document != nullptr; }
    // Index in the element table (0 for an invalid node).
    std::uint32_t GetIndex() const { return m_document ? m_index : 0; }

    CSkinXmlNode GetParent() const;
    CSkinXmlNode GetChild() const;    // first child
    CSkinXmlNode GetSibling() const;  // next sibling
    // First child whose name equals `name`, ignoring case.
    CSkinXmlNode GetChild(const wchar_t* name) const;
    bool HasChildren() const;
    bool HasSiblings() const;

    const wchar_t* GetName() const;
    // Character data before the first child element.
    const wchar_t* GetValue() const;

    bool HasAttributes() const;
    int GetAttributeCount() const;
    // "" when the index is out of range (null on an invalid node).
    const wchar_t* GetAttributeName(int index) const;
    const wchar_t* GetAttributeValue(int index) const;
    // First attribute of that name, ignoring case; "" when there is none.
    const wchar_t* GetAttributeValue(const wchar_t* name) const;
    // Copies at most `maxLength` - 1 characters and a terminator; false when
    // the attribute is absent.
    bool GetAttributeValue(int index, wchar_t* destination, int maxLength) const;
    bool GetAttributeValue(const wchar_t* name, wchar_t* destination, int maxLength) const;
    bool HasAttribute(const wchar_t* name) const;

private:
    struct AttributeOffsets {
        std::uint32_t name;
        std::uint32_t value;
    };

    const SkinXmlElement& Element() const;
    // Fills the attribute map on the first attribute query of this handle.
    void MapAttributes() const;
    const wchar_t* FindAttribute(const wchar_t* name) const;

    const CSkinXml* m_document = nullptr;
    std::uint32_t m_index = 0;
    mutable bool m_mapped = false;
    mutable int m_attributeCount = 0;
    mutable AttributeOffsets m_attributes[kMaxAttributes];
};

class CSkinXml {
public:
    static constexpr int kErrorMessageSize = 100;   // characters, terminator included
    static constexpr int kErrorLocationSize = 50;  // characters, terminator included

    // With a text, loads it at once.
    explicit CSkinXml(const wchar_t* xml = nullptr);
    ~CSkinXml();
    CSkinXml(const CSkinXml&) = delete;
    CSkinXml& operator=(const CSkinXml&) = delete;

    // Every load first drops the previous content (its nodes and strings
    // become invalid); the memory blocks are kept for the next load unless
    // Release gives them back.
    // Copies a zero-terminated text and parses it.
    bool LoadText(const wchar_t* xml);
    // UTF-8 (byte-order mark optional), UTF-16 (mark required; big-endian is
    // swapped while copying) or the system ANSI code page.
    bool LoadBytes(const void* bytes, std::size_t count, XmlEncoding encoding = XmlEncoding::Utf8);
    // Reads the file from the skin storage, then LoadBytes.
    bool LoadSkinFile(const wchar_t* fileName, XmlEncoding encoding = XmlEncoding::Utf8);
    // Frees the text and the element table.
    void Release();

    // Element 1, or an invalid node when nothing is loaded.
    CSkinXmlNode GetRoot() const;

    // Copy out at most `length` - 1 characters and a terminator.
    void GetLastErrorMessage(wchar_t* buffer, int length) const;
    void GetLastErrorLocation(wchar_t* buffer, int length) const;
    const wchar_t* GetLastErrorMessage() const { return m_errorMessage; }
    const wchar_t* GetLastErrorLocation() const { return m_errorLocation; }

    // When off, a blank in character data swallows the blanks and control
    // characters after it. On by default.
    void SetPreserveWhitespace(bool preserve = true) { m_preserveWhitespace = preserve; }

    // Element table, sentinel included (0 when empty), and its capacity.
    std::uint32_t GetElementCount() const { return m_elementCount; }
    std::uint32_t GetElementCapacity() const { return m_elementCapacity; }
    // Characters in the text buffer, terminator excluded.
    std::size_t GetTextLength() const { return m_textLength; }

private:
    friend class CSkinXmlNode;
    friend class SkinXmlParser;

    // Forgets the content; the text block and the table stay for reuse, so
    // loading again does not pay for fresh memory.
    void Forget();
    // True when [memory, memory + bytes) touches the text block, which the
    // next load rewrites or frees.
    bool OverlapsText(const void* memory, std::size_t bytes) const;
    // Parses the converted text in m_text; a failure releases everything.
    bool ParseText(std::size_t length);
    void SetError(const wchar_t* message, const wchar_t* location);

    wchar_t* m_text = nullptr;
    std::size_t m_textLength = 0;
    std::size_t m_textCapacity = 0;  // characters
    SkinXmlElement* m_elements = nullptr;
    std::uint32_t m_elementCount = 0;
    std::uint32_t m_elementCapacity = 0;
    wchar_t m_errorMessage[kErrorMessageSize] = {};
    wchar_t m_errorLocation[kErrorLocationSize] = {};
    bool m_preserveWhitespace = true;
};

}  // namespace Veneer
