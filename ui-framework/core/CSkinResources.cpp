#include "core/CSkinResources.h"

#include <memory>
#include <vector>

#include "core/CSkinStorage.h"

namespace Veneer {

namespace {

// Value of the last attribute called `name` (ignoring case), or null.
const wchar_t* LastAttribute(const CSkinXmlNode& node, const wchar_t* name) {
    const wchar_t* value = nullptr;
    const int count = node.GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        if (_wcsicmp(node.GetAttributeName(i), name) == 0) value = node.GetAttributeValue(i);
    }
    return value;
}

// Visits the leaves below `top` in document order; elements with children
// only group. Iterative, so a deeply nested document costs no stack.
template <typename Visit>
void ForEachLeaf(const CSkinXmlNode& top, Visit visit) {
    CSkinXmlNode node = top.GetChild();
    while (node.IsValid()) {
        if (node.HasChildren()) {
            node = node.GetChild();
            continue;
        }
        visit(node);
        while (!node.HasSiblings()) {
            node = node.GetParent();
            if (!node.IsValid() || node.GetIndex() == top.GetIndex()) return;
        }
        node = node.GetSibling();
    }
}

}  // namespace

CSkinResources* CSkinResources::GetInstance() {
    static CSkinResources instance;  // initialised once, thread-safe
    return &instance;
}

CSkinResources::~CSkinResources() { Release(); }

UiString* CSkinResources::Keep(const wchar_t* text) {
    m_owned.push_back(std::make_unique<UiString>(text));
    return m_owned.back().get();
}

void CSkinResources::Release() {
    m_images.RemoveAll();
    m_xmls.RemoveAll();
    m_texts.RemoveAll();
    m_owned.clear();
    m_document.Release();
}

bool CSkinResources::LoadDocument(const wchar_t* xml, const wchar_t* type, HINSTANCE instance) {
    bool loaded = false;
    if (IS_INTRESOURCE(xml)) {
        std::vector<unsigned char> bytes;
        if (!instance) instance = CSkinStorage::GetResourceInstance();
        m_document.Release();
        loaded = CSkinStorage::ReadResource(instance, xml, type, bytes) &&
                 m_document.LoadBytes(bytes.data(), bytes.size(), XmlEncoding::Utf8);
    } else if (xml[0] == L'<') {
        loaded = m_document.LoadText(xml);
    } else {
        loaded = m_document.LoadSkinFile(xml, XmlEncoding::Utf8);
    }
    return loaded && m_document.GetRoot().IsValid();
}

bool CSkinResources::LoadIndex(const wchar_t* xml, const wchar_t* type, HINSTANCE instance) {
    if (!LoadDocument(xml, type, instance)) return false;
    WalkIndex(m_document.GetRoot());
    return true;
}

bool CSkinResources::LoadLanguage(const wchar_t* xml, const wchar_t* type, HINSTANCE instance) {
    if (!LoadDocument(xml, type, instance)) return false;
    WalkLanguage(m_document.GetRoot());
    return true;
}

void CSkinResources::WalkIndex(CSkinXmlNode top) {
    ForEachLeaf(top, [this](const CSkinXmlNode& node) {
        UiStringPtrMap* map = nullptr;
        if (_wcsicmp(node.GetName(), L"Image") == 0) {
            map = &m_images;
        } else if (_wcsicmp(node.GetName(), L"Xml") == 0) {
            map = &m_xmls;
        }
        if (!map || !node.HasAttributes()) return;
        const wchar_t* id = LastAttribute(node, L"id");
        const wchar_t* path = LastAttribute(node, L"path");
        if (!id || !path || map->Find(id, false)) return;
        map->Insert(id, Keep(path));
    });
}

void CSkinResources::WalkLanguage(CSkinXmlNode top) {
    ForEachLeaf(top, [this](const CSkinXmlNode& node) {
        if (_wcsicmp(node.GetName(), L"Text") != 0 || !node.HasAttributes()) return;
        const wchar_t* id = LastAttribute(node, L"id");
        const wchar_t* value = LastAttribute(node, L"value");
        if (!id || !value) return;
        m_texts.Set(id, Keep(value));
    });
}

const wchar_t* CSkinResources::GetImagePath(const wchar_t* id) const {
    const UiString* path = id ? static_cast<const UiString*>(m_images.Find(id, false)) : nullptr;
    return path ? path->GetData() : nullptr;
}

const wchar_t* CSkinResources::GetXmlPath(const wchar_t* id) const {
    const UiString* path = id ? static_cast<const UiString*>(m_xmls.Find(id, false)) : nullptr;
    return path ? path->GetData() : nullptr;
}

const wchar_t* CSkinResources::GetText(const wchar_t* id, const wchar_t* kind) {
    if (!id) return L"";
    if (const UiString* text = static_cast<const UiString*>(m_texts.Find(id, false))) return text->GetData();
    if (m_textQuery) {
        if (const wchar_t* answer = m_textQuery->QueryControlText(id, kind)) {
            UiString* stored = Keep(answer);
            m_texts.Set(id, stored);
            return stored->GetData();
        }
    }
    return id;
}

}  // namespace Veneer
