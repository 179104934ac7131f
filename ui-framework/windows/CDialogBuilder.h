#pragma once
// Turns a skin document into a window description: registers the document's
// fonts, images, default attribute lists, styles and font files with a paint
// manager, applies the root "Window" element's settings to it and builds the
// control tree, creating every control by element name through the control
// factory, the plug-in creators or the application's callback.
#include <windows.h>

#include <cstddef>

#include "controls/CControlUI.h"
#include "core/CSkinXml.h"
#include "core/UiString.h"
#include "manager/CPaintManagerUI.h"

namespace Veneer {

class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    // A new control for an element name the framework does not know, or null
    // when the name is not the application's.
    virtual CControlUI* CreateControl(const wchar_t* className) = 0;
};

class CDialogBuilder {
public:
    // Includes nested deeper than this are skipped (a document that includes
    // itself would otherwise never end).
    static constexpr int kMaxIncludeDepth = 16;

    CDialogBuilder() = default;
    CDialogBuilder(const CDialogBuilder&) = delete;
    CDialogBuilder& operator=(const CDialogBuilder&) = delete;

    // `xml`: a resource id below 65536 (as MAKEINTRESOURCEW; read with `type`
    // from the builder's instance or the paint manager's resource instance),
    // an XML text starting with '<', or a skin file name (looked up in the
    // resource index first). Null on any failure. The returned root is owned
    // by the caller; controls built below `parent` are owned by it.
    CControlUI* Create(const wchar_t* xml, const wchar_t* type = nullptr, IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
    // Builds again from the document already loaded.
    CControlUI* Create(IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr,
                       CControlUI* parent = nullptr);

    CSkinXml* GetMarkup() { return &m_xml; }
    void GetLastErrorMessage(wchar_t* message, size_t length) const;
    void GetLastErrorLocation(wchar_t* source, size_t length) const;
    // Module to read resource documents and included resources from (null =
    // the paint manager's resource instance).
    void SetInstance(HINSTANCE instance) { m_instance = instance; }

private:
    bool Load(const wchar_t* xml, const wchar_t* type);
    void RegisterResources(const CSkinXmlNode& root, CPaintManagerUI& manager) const;
    void ApplyWindowAttributes(const CSkinXmlNode& root, CPaintManagerUI& manager) const;
    // Builds the children of `node` below `parent`; the first control built
    // at this level goes to `first`. False when the build must stop.
    bool BuildChildren(const CSkinXmlNode& node, CControlUI* parent, CPaintManagerUI* manager,
                       CControlUI** first);
    // Runs an "Include"; its first control may become this level's first.
    void BuildInclude(const CSkinXmlNode& node, CControlUI* parent, CPaintManagerUI* manager, CControlUI** first);
    CControlUI* CreateByName(const wchar_t* elementName) const;

    CSkinXml m_xml;
    IDialogBuilderCallback* m_callback = nullptr;
    // The resource type of a document read from resources (a name, or a
    // numeric type when m_typeId is set); unset for files and texts.
    bool m_fromResource = false;
    UiString m_typeName;
    const wchar_t* m_typeId = nullptr;
    HINSTANCE m_instance = nullptr;
    int m_includeDepth = 0;
};

}  // namespace Veneer
