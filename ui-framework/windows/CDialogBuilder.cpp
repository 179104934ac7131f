#include "windows/CDialogBuilder.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/CContainerUI.h"
#include "controls/UiAttributeValues.h"
#include "core/CSkinResources.h"
#include "core/CSkinStorage.h"
#include "core/UiHandle.h"
#include "core/UiPhaseClock.h"
#include "core/UiValueScan.h"
#include "windows/CControlFactory.h"
#include "windows/CShadowUI.h"

namespace Veneer {

namespace {

// Longest "source" or "count" value of an "Include" that is read, characters.
constexpr int kIncludeValueLength = 500;

// `expected` is ASCII. ASCII letters are folded here; from the first other
// unit on, the runtime compares (it folds beyond ASCII).
bool NameIs(const wchar_t* name, const wchar_t* expected) {
    for (;; ++name, ++expected) {
        if (*name >= 0x80) return _wcsicmp(name, expected) == 0;
        const wchar_t a = FoldAsciiLetter(*name), b = FoldAsciiLetter(*expected);
        if (a != b) return false;
        if (!a) return true;
    }
}

// Elements that declare resources; below the root they are skipped.
bool IsResourceElement(const wchar_t* name) {
    return NameIs(name, L"Image") || NameIs(name, L"Font") || NameIs(name, L"Default") || NameIs(name, L"Style") ||
           NameIs(name, L"Import");
}

// A decimal attribute, or `fallback` when the element does not carry it.
int IntAttribute(const CSkinXmlNode& node, const wchar_t* name, int fallback) {
    if (!node.HasAttribute(name)) return fallback;
    const wchar_t* p = node.GetAttributeValue(name);
    return static_cast<int>(ScanNumber(p));
}

bool BoolAttribute(const CSkinXmlNode& node, const wchar_t* name) {
    return ParseAttributeBool(node.GetAttributeValue(name));
}

// ---- font files ("Import") ----

struct FontMemoryTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::RemoveFontMemResourceEx(handle); }
};

// Installs a font file of the skin storage for this process, once per file
// name; the fonts stay installed until the process ends.
bool InstallSkinFontFile(const wchar_t* fileName) {
    static std::map<std::wstring, UiHandle<FontMemoryTraits>> installed;
    if (installed.count(fileName) != 0) return true;
    std::vector<unsigned char> bytes;
    if (!CSkinStorage::ReadFile(fileName, bytes) || bytes.empty()) return false;
    DWORD fonts = 0;
    HANDLE handle = ::AddFontMemResourceEx(bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &fonts);
    if (!handle) return false;
    installed.emplace(fileName, UiHandle<FontMemoryTraits>(handle));
    return true;
}

// ---- "Window" attributes ----

struct TWindowAttribute {
    const wchar_t* name;
    bool exactCase;  // compared with case; the others ignore case
    void (*apply)(CPaintManagerUI& manager, const wchar_t* name, const wchar_t* value);
};

BYTE OpacityValue(const wchar_t* value) {
    const wchar_t* p = value;
    const long opacity = ScanNumber(p);
    // Out-of-range values saturate: wrapping 256 to 0 would hide the window.
    return static_cast<BYTE>(opacity < 0 ? 0 : (opacity > 255 ? 255 : opacity));
}

int IntValue(const wchar_t* value) {
    const wchar_t* p = value;
    return static_cast<int>(ScanNumber(p));
}

template <void (CPaintManagerUI::*Setter)(DWORD, bool)>
void ColorValue(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) {
    (m.*Setter)(ParseColorA(v), false);
}
template <void (CPaintManagerUI::*Setter)(bool)>
void BoolValue(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) {
    (m.*Setter)(ParseAttributeBool(v));
}
template <void (CPaintManagerUI::*Setter)(int, int)>
void SizeValue(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) {
    const UiSize size = ScanSize(v);
    (m.*Setter)(size.cx, size.cy);
}
template <void (CPaintManagerUI::*Setter)(const RECT&)>
void RectValue(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) {
    (m.*Setter)(ScanRect(v));
}
template <void (CPaintManagerUI::*Setter)(int)>
void NumberValue(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) {
    (m.*Setter)(IntValue(v));
}
void OpacitySetting(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) { m.SetOpacity(OpacityValue(v)); }
void LayeredImageSetting(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) {
    m.SetLayered(true);
    m.SetLayeredImage(v);
}
// The window's shadow, made by the first shadow setting of the skin; the
// manager creates its window when the tree is attached.
CShadowUI& ShadowOf(CPaintManagerUI& m) {
    IWindowShadow* existing = m.GetShadow();
    if (existing && existing->IsSkinShadow()) return *static_cast<CShadowUI*>(existing);
    auto created = std::make_unique<CShadowUI>();
    CShadowUI& shadow = *created;
    m.SetShadow(std::move(created));
    return shadow;
}
void ShadowSize(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) { ShadowOf(m).SetSize(IntValue(v)); }
void ShadowSharpness(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) { ShadowOf(m).SetSharpness(IntValue(v)); }
void ShadowDarkness(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) { ShadowOf(m).SetDarkness(IntValue(v)); }
void ShadowPosition(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) {
    const UiSize offset = ScanSize(v);
    ShadowOf(m).SetPosition(offset.cx, offset.cy);
}
void ShadowColor(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) { ShadowOf(m).SetColor(ParseColorA(v)); }
void ShadowCorner(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) { ShadowOf(m).SetShadowCorner(ScanRect(v)); }
void ShadowImage(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) { ShadowOf(m).SetImage(v); }
void ShowShadow(CPaintManagerUI& m, const wchar_t*, const wchar_t* v) { ShadowOf(m).ShowShadow(ParseAttributeBool(v)); }

// Searched in order; the first row whose name matches applies the value.
const TWindowAttribute kWindowAttributes[] = {
    {L"size", false, SizeValue<&CPaintManagerUI::SetInitSize>},
    {L"sizebox", false, RectValue<&CPaintManagerUI::SetSizeBox>},
    {L"caption", false, RectValue<&CPaintManagerUI::SetCaptionRect>},
    {L"roundcorner", false, SizeValue<&CPaintManagerUI::SetRoundCorner>},
    {L"mininfo", false, SizeValue<&CPaintManagerUI::SetMinInfo>},
    {L"maxinfo", false, SizeValue<&CPaintManagerUI::SetMaxInfo>},
    {L"showdirty", false, BoolValue<&CPaintManagerUI::SetShowUpdateRect>},
    {L"opacity", false, OpacitySetting},
    {L"alpha", false, OpacitySetting},
    // One opacity serves both: a layered window takes it as the constant
    // alpha of every update.
    {L"layeredopacity", true, OpacitySetting},
    {L"layered", false, BoolValue<&CPaintManagerUI::SetLayered>},
    {L"bktrans", true, BoolValue<&CPaintManagerUI::SetLayered>},
    {L"layeredimage", true, LayeredImageSetting},
    {L"noactivate", true, BoolValue<&CPaintManagerUI::SetNoActivate>},
    {L"disabledfontcolor", false, ColorValue<&CPaintManagerUI::SetDefaultDisabledColor>},
    {L"defaultfontcolor", false, ColorValue<&CPaintManagerUI::SetDefaultFontColor>},
    {L"linkfontcolor", false, ColorValue<&CPaintManagerUI::SetDefaultLinkFontColor>},
    {L"linkhoverfontcolor", false, ColorValue<&CPaintManagerUI::SetDefaultLinkHoverFontColor>},
    {L"selectedcolor", false, ColorValue<&CPaintManagerUI::SetDefaultSelectedBkColor>},
    {L"shadowsize", false, ShadowSize},
    {L"shadowsharpness", false, ShadowSharpness},
    {L"shadowdarkness", false, ShadowDarkness},
    {L"shadowposition", false, ShadowPosition},
    {L"shadowcolor", false, ShadowColor},
    {L"shadowcorner", false, ShadowCorner},
    {L"shadowimage", false, ShadowImage},
    {L"showshadow", false, ShowShadow},
    {L"gdiplustext", false, BoolValue<&CPaintManagerUI::SetUseGdiplusText>},
    {L"textrenderinghint", false, NumberValue<&CPaintManagerUI::SetGdiplusTextRenderingHint>},
    {L"tooltiphovertime", false, NumberValue<&CPaintManagerUI::SetHoverTime>},
};

void ApplyWindowAttribute(CPaintManagerUI& manager, const wchar_t* name, const wchar_t* value) {
    for (const TWindowAttribute& row : kWindowAttributes) {
        const bool match = row.exactCase ? wcscmp(name, row.name) == 0 : _wcsicmp(name, row.name) == 0;
        if (match) {
            row.apply(manager, name, value);
            return;
        }
    }
    // Other attributes of the window are ignored.
}

}  // namespace

// ---- loading ----

bool CDialogBuilder::Load(const wchar_t* xml, const wchar_t* type) {
    m_fromResource = false;
    m_typeName.Empty();
    m_typeId = nullptr;
    if (!xml) return false;
    if (IS_INTRESOURCE(xml)) {
        m_fromResource = true;
        if (IS_INTRESOURCE(type)) {
            m_typeId = type;
        } else {
            m_typeName = type;
        }
        HINSTANCE instance = m_instance ? m_instance : CPaintManagerUI::GetResourceInstance();
        std::vector<unsigned char> bytes;
        if (!CSkinStorage::ReadResource(instance, xml, type, bytes)) {
            m_xml.Release();
            return false;
        }
        return m_xml.LoadBytes(bytes.data(), bytes.size(), XmlEncoding::Utf8);
    }
    if (xml[0] == L'<') return m_xml.LoadText(xml);
    const wchar_t* registered = CSkinResources::GetInstance()->GetXmlPath(xml);
    const UiPhaseScope phase("parse");  // the archive's share is counted apart
    return m_xml.LoadSkinFile(registered ? registered : xml, XmlEncoding::Utf8);
}

CControlUI* CDialogBuilder::Create(const wchar_t* xml, const wchar_t* type, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
    if (!Load(xml, type)) return nullptr;
    return Create(callback, manager, parent);
}

CControlUI* CDialogBuilder::Create(IDialogBuilderCallback* callback, CPaintManagerUI* manager, CControlUI* parent) {
    const UiPhaseScope phase("build");
    m_callback = callback;
    const CSkinXmlNode root = m_xml.GetRoot();
    if (!root.IsValid()) return nullptr;
    if (manager) {
        RegisterResources(root, *manager);
        if (NameIs(root.GetName(), L"Window") && manager->GetPaintWindow()) ApplyWindowAttributes(root, *manager);
    }
    CControlUI* first = nullptr;
    if (!BuildChildren(root, parent, manager, &first)) {
        // Below a parent the parent owns what was built; without one the
        // first control was to be the caller's and nobody else holds it.
        if (!parent) delete first;
        return nullptr;
    }
    return first;
}

void CDialogBuilder::GetLastErrorMessage(wchar_t* message, size_t length) const {
    m_xml.GetLastErrorMessage(message, length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length));
}

void CDialogBuilder::GetLastErrorLocation(wchar_t* source, size_t length) const {
    m_xml.GetLastErrorLocation(source, length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length));
}

// ---- resources and window settings ----

void CDialogBuilder::RegisterResources(const CSkinXmlNode& root, CPaintManagerUI& manager) const {
    for (CSkinXmlNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
        const wchar_t* name = node.GetName();
        if (NameIs(name, L"Image")) {
            const wchar_t* image = node.GetAttributeValue(L"name");
            if (!*image) continue;
            const wchar_t* type = node.GetAttributeValue(L"restype");
            manager.AddImage(image, *type ? type : nullptr, ParseColorA(node.GetAttributeValue(L"mask")), false,
                             BoolAttribute(node, L"shared"), m_instance);
        } else if (NameIs(name, L"Font")) {
            const int id = IntAttribute(node, L"id", -1);
            if (id < 0) continue;
            const wchar_t* face = node.GetAttributeValue(L"name");
            const int size = IntAttribute(node, L"size", 12);
            const bool bold = BoolAttribute(node, L"bold");
            const bool underline = BoolAttribute(node, L"underline");
            const bool italic = BoolAttribute(node, L"italic");
            const bool shared = BoolAttribute(node, L"shared");
            manager.AddFont(id, face, size, bold, underline, italic, shared);
            if (BoolAttribute(node, L"default")) manager.SetDefaultFont(face, size, bold, underline, italic, shared);
        } else if (NameIs(name, L"Default")) {
            const wchar_t* className = node.GetAttributeValue(L"name");
            if (*className) {
                manager.AddDefaultAttributeList(className, node.GetAttributeValue(L"value"),
                                                BoolAttribute(node, L"shared"));
            }
        } else if (NameIs(name, L"Style")) {
            const wchar_t* style = node.GetAttributeValue(L"name");
            if (*style) manager.AddStyle(style, node.GetAttributeValue(L"value"), BoolAttribute(node, L"shared"));
        } else if (NameIs(name, L"Import")) {
            const wchar_t* fontFile = node.GetAttributeValue(L"fontfile");
            if (*fontFile) InstallSkinFontFile(fontFile);
        }
    }
}

void CDialogBuilder::ApplyWindowAttributes(const CSkinXmlNode& root, CPaintManagerUI& manager) const {
    const int count = root.GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        ApplyWindowAttribute(manager, root.GetAttributeName(i), root.GetAttributeValue(i));
    }
}

// ---- the control tree ----

CControlUI* CDialogBuilder::CreateByName(const wchar_t* elementName) const {
    CControlUI* control = CControlFactory::GetInstance()->CreateForElement(elementName);
    if (!control) control = CControlFactory::CreateFromPlugins(elementName);
    if (!control && m_callback) control = m_callback->CreateControl(elementName);
    return control;
}

void CDialogBuilder::BuildInclude(const CSkinXmlNode& node, CControlUI* parent, CPaintManagerUI* manager,
                                  CControlUI** first) {
    wchar_t source[kIncludeValueLength] = {};
    wchar_t countText[kIncludeValueLength] = {};
    if (!node.GetAttributeValue(L"source", source, kIncludeValueLength) || !source[0]) return;
    int count = 1;
    if (node.GetAttributeValue(L"count", countText, kIncludeValueLength)) {
        const wchar_t* p = countText;
        count = static_cast<int>(ScanNumber(p));
    }
    if (m_includeDepth >= kMaxIncludeDepth) return;
    for (int i = 0; i < count; ++i) {
        CDialogBuilder included;
        included.m_instance = m_instance;
        included.m_includeDepth = m_includeDepth + 1;
        CControlUI* built = nullptr;
        if (m_fromResource) {
            const wchar_t* type = m_typeId ? m_typeId : m_typeName.GetData();
            const wchar_t* p = source;
            const long id = ScanNumber(p);
            built = included.Create(MAKEINTRESOURCEW(id), type, m_callback, manager, parent);
        } else {
            built = included.Create(source, nullptr, m_callback, manager, parent);
        }
        if (!built || parent) continue;  // below a parent the parent owns it
        if (!*first) {
            *first = built;
        } else {
            delete built;  // a second control without a parent belongs to nobody
        }
    }
}

bool CDialogBuilder::BuildChildren(const CSkinXmlNode& node, CControlUI* parent, CPaintManagerUI* manager,
                                   CControlUI** first) {
    for (CSkinXmlNode child = node.GetChild(); child.IsValid(); child = child.GetSibling()) {
        const wchar_t* name = child.GetName();
        if (IsResourceElement(name)) continue;
        if (NameIs(name, L"Include")) {
            if (child.HasAttributes()) BuildInclude(child, parent, manager, first);
            continue;
        }
        std::unique_ptr<CControlUI> control(CreateByName(name));
        if (!control) continue;  // unknown: the element and its subtree are skipped
        if (child.HasChildren() && !BuildChildren(child, control.get(), manager, nullptr)) return false;
        if (parent) {
            auto* container = static_cast<IContainerUI*>(parent->GetInterface(L"IContainer"));
            if (!container) return false;
            if (!container->Add(control.get())) continue;
        }
        CControlUI* built = parent ? control.release() : control.get();
        // Lent the manager only while its attributes are applied (default
        // lists and styles live there); the window attaches the whole tree
        // later. A parent that already lives in a window has attached the
        // control while adding it, which stays so.
        CPaintManagerUI* const ownManager = built->GetManager();
        CControlUI* const ownParent = built->GetParent();
        if (manager) {
            built->SetManager(manager, nullptr, false);
            if (const wchar_t* defaults = manager->GetDefaultAttributeList(name)) built->ApplyAttributeList(defaults);
        }
        const int count = child.GetAttributeCount();
        for (int i = 0; i < count; ++i) built->SetAttribute(child.GetAttributeName(i), child.GetAttributeValue(i));
        if (manager) built->SetManager(ownManager, ownParent, false);
        if (first && !*first) {
            *first = built;
            control.release();
        }
        // Without a parent, later controls of this level belong to nobody:
        // `control` deletes them.
    }
    return true;
}

}  // namespace Veneer
