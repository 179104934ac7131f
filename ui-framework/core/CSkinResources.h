#pragma once
// The process-wide resource index: short ids mapped to skin file paths (images
// and skin documents) and to texts. Filled from an index document whose
// "Image" and "Xml" elements carry "id" and "path".
#include <windows.h>

#include <memory>
#include <vector>

#include "core/CSkinXml.h"
#include "core/UiString.h"
#include "core/UiStringPtrMap.h"

namespace Veneer {

// Answers text ids that the text map does not hold.
class IQueryControlText {
public:
    virtual ~IQueryControlText() = default;
    virtual const wchar_t* QueryControlText(const wchar_t* id, const wchar_t* kind) = 0;
};

class CSkinResources {
public:
    // Created on first use (thread-safe); emptied by Release.
    static CSkinResources* GetInstance();

    CSkinResources(const CSkinResources&) = delete;
    CSkinResources& operator=(const CSkinResources&) = delete;

    // `xml`: a resource id (below 65536, read from `instance` or, when null,
    // from CSkinStorage's resource instance, with `type`), an XML text
    // (starts with '<') or a skin file name. False when the document does not
    // load or has no root. The first registration of an id wins.
    bool LoadIndex(const wchar_t* xml, const wchar_t* type = nullptr, HINSTANCE instance = nullptr);
    // Same sources; "Text" elements with "id" and "value" fill the text map,
    // later entries replacing earlier ones.
    bool LoadLanguage(const wchar_t* xml, const wchar_t* type = nullptr, HINSTANCE instance = nullptr);

    // The registered path, or null.
    const wchar_t* GetImagePath(const wchar_t* id) const;
    const wchar_t* GetXmlPath(const wchar_t* id) const;
    // "" for a null id; the mapped text; else the callback's answer (kept);
    // else the id itself.
    const wchar_t* GetText(const wchar_t* id, const wchar_t* kind = nullptr);
    void SetTextQueryInterface(IQueryControlText* query) { m_textQuery = query; }

    int GetImageCount() const { return m_images.GetSize(); }
    int GetXmlCount() const { return m_xmls.GetSize(); }
    int GetTextCount() const { return m_texts.GetSize(); }

    void Release();

private:
    CSkinResources() = default;
    ~CSkinResources();

    bool LoadDocument(const wchar_t* xml, const wchar_t* type, HINSTANCE instance);
    void WalkIndex(CSkinXmlNode node);
    void WalkLanguage(CSkinXmlNode node);
    // A copy owned until Release; the maps point at these.
    UiString* Keep(const wchar_t* text);

    UiStringPtrMap m_images;  // id -> UiString* path
    UiStringPtrMap m_xmls;    // id -> UiString* path
    UiStringPtrMap m_texts;   // id -> UiString* text
    std::vector<std::unique_ptr<UiString>> m_owned;
    IQueryControlText* m_textQuery = nullptr;
    CSkinXml m_document;
};

}  // namespace Veneer
