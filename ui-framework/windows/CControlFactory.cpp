#include "windows/CControlFactory.h"

#include <memory>

#include "controls/CButtonUI.h"
#include "controls/CCheckBoxUI.h"
#include "controls/CContainerUI.h"
#include "controls/CHorizontalLayoutUI.h"
#include "controls/CLabelUI.h"
#include "controls/COptionUI.h"
#include "controls/CProgressUI.h"
#include "controls/CScrollBarUI.h"
#include "controls/CTabLayoutUI.h"
#include "controls/CTextUI.h"
#include "controls/CVerticalLayoutUI.h"
#include "core/UiHandle.h"
#include "core/UiValueScan.h"

namespace Veneer {

namespace {

template <typename T>
CControlUI* Make() {
    return new T;
}

struct TFactoryEntry {
    const wchar_t* className;
    CreateControlFn creator;
};

// Registration order of the framework's classes. Classes of the framework
// that no skin of this program uses (combo, edit, list, tree, menu, rich edit
// and the other hosts) are left out: their elements are skipped like any
// unknown name.
const TFactoryEntry kBuiltInControls[] = {
    {L"CControlUI", Make<CControlUI>},
    {L"CContainerUI", Make<CContainerUI>},
    {L"CButtonUI", Make<CButtonUI>},
    {L"CLabelUI", Make<CLabelUI>},
    {L"COptionUI", Make<COptionUI>},
    {L"CCheckBoxUI", Make<CCheckBoxUI>},
    {L"CProgressUI", Make<CProgressUI>},
    {L"CScrollBarUI", Make<CScrollBarUI>},
    {L"CTextUI", Make<CTextUI>},
    {L"CHorizontalLayoutUI", Make<CHorizontalLayoutUI>},
    {L"CTabLayoutUI", Make<CTabLayoutUI>},
    {L"CVerticalLayoutUI", Make<CVerticalLayoutUI>},
};

// Process-wide plug-in state; the libraries stay loaded while their creators
// may be called.
struct PluginState {
    std::vector<PluginCreateControlFn> creators;
    std::vector<std::unique_ptr<UiHandle<ModuleTraits>>> libraries;
};

PluginState& Plugins() {
    static PluginState state;
    return state;
}

}  // namespace

CControlFactory::CControlFactory() {
    for (const TFactoryEntry& entry : kBuiltInControls) RegistControl(entry.className, entry.creator);
}

CControlFactory::~CControlFactory() = default;

CControlFactory* CControlFactory::GetInstance() {
    // Never destroyed: controls may be created while static objects go away.
    static CControlFactory* const instance = new CControlFactory();
    return instance;
}

std::wstring CControlFactory::Key(const wchar_t* className) {
    std::wstring key(className ? className : L"");
    if (!key.empty()) ::CharLowerBuffW(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

CControlUI* CControlFactory::CreateControl(const wchar_t* className) const {
    if (!className || !*className) return nullptr;
    const auto found = m_creators.find(Key(className));
    return found == m_creators.end() ? nullptr : found->second();
}

CControlUI* CControlFactory::CreateForElement(const wchar_t* elementName) const {
    if (!elementName || !*elementName) return nullptr;
    // The key built on the stack, ASCII folded as the system would fold it:
    // one lookup per skin element, without a heap string.
    constexpr size_t kMaxKey = 64;
    wchar_t key[kMaxKey];
    size_t length = 0;
    key[length++] = L'c';
    for (const wchar_t* p = elementName; *p; ++p) {
        if (*p >= 0x80 || length + 3 > kMaxKey) return CreateControl((std::wstring(L"C") + elementName + L"UI").c_str());
        key[length++] = FoldAsciiLetter(*p);
    }
    key[length++] = L'u';
    key[length++] = L'i';
    const auto found = m_creators.find(std::wstring_view(key, length));
    return found == m_creators.end() ? nullptr : found->second();
}

void CControlFactory::RegistControl(const wchar_t* className, CreateControlFn creator) {
    if (!className || !*className || !creator) return;
    m_creators[Key(className)] = creator;
}

bool CControlFactory::IsRegistered(const wchar_t* className) const {
    return className && m_creators.count(Key(className)) != 0;
}

void CControlFactory::AddPlugin(PluginCreateControlFn creator) {
    if (!creator) return;
    std::vector<PluginCreateControlFn>& creators = Plugins().creators;
    for (PluginCreateControlFn known : creators) {
        if (known == creator) return;
    }
    creators.push_back(creator);
}

int CControlFactory::GetPluginCount() { return static_cast<int>(Plugins().creators.size()); }

bool CControlFactory::LoadPlugin(const wchar_t* fileName) {
    if (!fileName || !*fileName) return false;
    auto library = std::make_unique<UiHandle<ModuleTraits>>(::LoadLibraryW(fileName));
    if (!*library) return false;
    const auto creator = reinterpret_cast<PluginCreateControlFn>(
        reinterpret_cast<void*>(::GetProcAddress(library->Get(), "CreateControl")));
    if (!creator) return false;
    AddPlugin(creator);
    Plugins().libraries.push_back(std::move(library));
    return true;
}

CControlUI* CControlFactory::CreateFromPlugins(const wchar_t* elementName) {
    // A copy: a creator may load a further plug-in.
    const std::vector<PluginCreateControlFn> creators = Plugins().creators;
    for (PluginCreateControlFn creator : creators) {
        if (CControlUI* control = creator(elementName)) return control;
    }
    return nullptr;
}

}  // namespace Veneer
