#pragma once
// Creates controls by class name ("CButtonUI"), case-insensitively, from a
// table filled once per process; plug-in creators add controls by element
// name from libraries the application loads.
#include <windows.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "controls/CControlUI.h"

namespace Veneer {

// Returns a new control owned by the caller.
using CreateControlFn = CControlUI* (*)();
// A plug-in's creator: a new control for an element name, or null when the
// name is not the plug-in's.
using PluginCreateControlFn = CControlUI* (*)(const wchar_t* elementName);

class CControlFactory {
public:
    // Created on first use (thread-safe).
    static CControlFactory* GetInstance();
    virtual ~CControlFactory();
    CControlFactory(const CControlFactory&) = delete;
    CControlFactory& operator=(const CControlFactory&) = delete;

    // Null for a name nobody registered.
    CControlUI* CreateControl(const wchar_t* className) const;
    // The control of a skin element: element "Button" is class "CButtonUI".
    CControlUI* CreateForElement(const wchar_t* elementName) const;
    // Registers `creator` under the class name, replacing an earlier one.
    void RegistControl(const wchar_t* className, CreateControlFn creator);
    bool IsRegistered(const wchar_t* className) const;
    int GetCount() const { return static_cast<int>(m_creators.size()); }

    // Plug-in creators, asked in the order they were added; adding one twice
    // does nothing. UI thread only.
    static void AddPlugin(PluginCreateControlFn creator);
    static int GetPluginCount();
    // Loads a library and adds its "CreateControl" export; the library stays
    // loaded for the rest of the process. False when either is missing.
    static bool LoadPlugin(const wchar_t* fileName);
    // The first plug-in's answer for `elementName`, or null.
    static CControlUI* CreateFromPlugins(const wchar_t* elementName);

protected:
    CControlFactory();

private:
    static std::wstring Key(const wchar_t* className);

    // lower-cased class name -> creator; found by views of the name as well
    std::map<std::wstring, CreateControlFn, std::less<>> m_creators;
};

}  // namespace Veneer
