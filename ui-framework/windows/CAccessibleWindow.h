#pragma once
// The MSAA object of a skinned window's client area, handed to screen readers
// through WM_GETOBJECT. Its children are simple elements (child ids, no
// objects of their own): the AccessibleTree of the window, rebuilt for every
// call. Calls come on the window's thread (its single-threaded apartment
// marshals calls from other processes there), so the control tree is read
// in place.
//
// Once the window goes (Disconnect) every call fails with CO_E_OBJNOTCONNECTED;
// the object itself lives on until the last reader lets it go.
#include <windows.h>
#include <oleacc.h>

#include "windows/AccessibleTree.h"

namespace Veneer {

class CControlUI;
class CPaintManagerUI;

// COM interfaces have no virtual destructor by design; this object is only
// ever freed by its own Release.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class CAccessibleWindow final : public IAccessible {
public:
    // One reference, the caller's. `role`: ROLE_SYSTEM_CLIENT or _DIALOG.
    CAccessibleWindow(CPaintManagerUI* manager, LONG role);
    CAccessibleWindow(const CAccessibleWindow&) = delete;
    CAccessibleWindow& operator=(const CAccessibleWindow&) = delete;

    // Forgets the window and cuts off readers in other processes.
    void Disconnect();
    // Posted to the window with a control (lParam): its default action runs
    // from the window's own loop, never inside a reader's call, which a modal
    // box opened by a click would otherwise hold up.
    static UINT ActionMessage();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch: no type information; readers call the vtable.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** parent) override;
    STDMETHODIMP get_accChildCount(long* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override;
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* child) override;
    STDMETHODIMP get_accSelection(VARIANT* children) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accSelect(long flags, VARIANT child) override;
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override;
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~CAccessibleWindow() = default;

    HWND Window() const;
    CControlUI* Root() const;
    // Rebuilds the tree: false once the window is gone.
    bool Refresh();
    // After a Refresh: S_OK with the control behind `child` (null: the window
    // itself); CO_E_OBJNOTCONNECTED once the window is gone; E_INVALIDARG for
    // an id the tree does not hold.
    HRESULT Find(const VARIANT& child, CControlUI** control);
    // Whether `control` has the manager's focus in a window that has the keyboard's.
    bool HasFocus(const CControlUI* control) const;

    AccessibleTree m_tree;  // valid for the call that refreshed it
    LONG m_refs = 1;
    CPaintManagerUI* m_manager;  // null once disconnected
    LONG m_role;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

}  // namespace Veneer
