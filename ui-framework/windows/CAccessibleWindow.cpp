#include "windows/CAccessibleWindow.h"

#include "controls/CControlUI.h"

namespace Veneer {

namespace {

// S_FALSE and no string for an empty text, as readers expect of a missing one.
HRESULT ReturnText(const wchar_t* text, BSTR* out) {
    *out = nullptr;
    if (!text || !*text) return S_FALSE;
    *out = ::SysAllocString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnLong(LONG value, VARIANT* out) {
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

HRESULT ReturnNothing(VARIANT* out) {
    out->vt = VT_EMPTY;
    return S_FALSE;
}

}  // namespace

CAccessibleWindow::CAccessibleWindow(CPaintManagerUI* manager, LONG role) : m_manager(manager), m_role(role) {}

void CAccessibleWindow::Disconnect() {
    if (!m_manager) return;
    m_manager = nullptr;
    // Proxies in readers' processes fail from now on, and their stubs let go.
    ::CoDisconnectObject(this, 0);
}

UINT CAccessibleWindow::ActionMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"VeneerAccessibleDefaultAction");
    return message;
}

STDMETHODIMP CAccessibleWindow::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, __uuidof(IAccessible)) || IsEqualIID(riid, __uuidof(IDispatch)) ||
        IsEqualIID(riid, __uuidof(IUnknown))) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CAccessibleWindow::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) CAccessibleWindow::Release() {
    const LONG refs = ::InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP CAccessibleWindow::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HWND CAccessibleWindow::Window() const { return m_manager ? m_manager->GetPaintWindow() : nullptr; }

CControlUI* CAccessibleWindow::Root() const { return m_manager ? m_manager->GetRoot() : nullptr; }

bool CAccessibleWindow::Refresh() {
    m_tree.Rebuild(Root());
    return ::IsWindow(Window()) != FALSE;
}

HRESULT CAccessibleWindow::Find(const VARIANT& child, CControlUI** control) {
    *control = nullptr;
    if (!Refresh()) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) return S_OK;
    *control = m_tree.At(child.lVal);
    return *control ? S_OK : E_INVALIDARG;
}

bool CAccessibleWindow::HasFocus(const CControlUI* control) const {
    return m_manager->GetFocus() == control && ::GetFocus() == Window();
}

// ---- IAccessible: structure ----

STDMETHODIMP CAccessibleWindow::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!::IsWindow(Window())) return CO_E_OBJNOTCONNECTED;
    return ::AccessibleObjectFromWindow(Window(), static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                        reinterpret_cast<void**>(parent));
}

STDMETHODIMP CAccessibleWindow::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    *count = 0;
    if (!Refresh()) return CO_E_OBJNOTCONNECTED;
    *count = m_tree.Count();
    return S_OK;
}

STDMETHODIMP CAccessibleWindow::get_accChild(VARIANT child, IDispatch** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    CControlUI* control = nullptr;
    const HRESULT result = Find(child, &control);
    if (FAILED(result)) return result;
    // Children are simple elements: the caller asks this object about them.
    return control ? S_FALSE : E_INVALIDARG;
}

STDMETHODIMP CAccessibleWindow::accNavigate(long direction, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    end->vt = VT_EMPTY;
    CControlUI* control = nullptr;
    const HRESULT result = Find(start, &control);
    if (FAILED(result)) return result;
    long target = 0;
    if (!control) {
        if (direction == NAVDIR_FIRSTCHILD) target = 1;
        if (direction == NAVDIR_LASTCHILD) target = m_tree.Count();
    } else {
        // Reading order is the only order a flattened tree knows.
        if (direction == NAVDIR_NEXT) target = start.lVal + 1;
        if (direction == NAVDIR_PREVIOUS) target = start.lVal - 1;
    }
    return m_tree.At(target) ? ReturnLong(target, end) : ReturnNothing(end);
}

STDMETHODIMP CAccessibleWindow::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    child->vt = VT_EMPTY;
    if (!Refresh()) return CO_E_OBJNOTCONNECTED;
    HWND window = Window();
    POINT pt{x, y};
    ::ScreenToClient(window, &pt);
    RECT client{};
    ::GetClientRect(window, &client);
    if (!::PtInRect(&client, pt)) return ReturnNothing(child);
    long id = CHILDID_SELF;
    m_tree.HitTest(pt, &id);
    return ReturnLong(id, child);
}

STDMETHODIMP CAccessibleWindow::get_accFocus(VARIANT* child) {
    if (!child) return E_POINTER;
    child->vt = VT_EMPTY;
    if (!Refresh()) return CO_E_OBJNOTCONNECTED;
    if (::GetFocus() != Window()) return ReturnNothing(child);
    long id = CHILDID_SELF;
    m_tree.IdOf(m_manager->GetFocus(), &id);
    return ReturnLong(id, child);
}

STDMETHODIMP CAccessibleWindow::get_accSelection(VARIANT* children) {
    if (!children) return E_POINTER;
    children->vt = VT_EMPTY;
    return m_manager ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

// ---- IAccessible: properties ----

STDMETHODIMP CAccessibleWindow::get_accName(VARIANT child, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    CControlUI* control = nullptr;
    const HRESULT result = Find(child, &control);
    if (FAILED(result)) return result;
    if (control) return ReturnText(m_tree.NameAt(child.lVal), name);
    wchar_t title[256]{};
    ::GetWindowTextW(Window(), title, 256);
    return ReturnText(title, name);
}

STDMETHODIMP CAccessibleWindow::get_accValue(VARIANT child, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    CControlUI* control = nullptr;
    const HRESULT result = Find(child, &control);
    if (FAILED(result)) return result;
    return control ? ReturnText(AccessibleTree::ValueOf(control), value) : S_FALSE;
}

STDMETHODIMP CAccessibleWindow::get_accRole(VARIANT child, VARIANT* role) {
    if (!role) return E_POINTER;
    role->vt = VT_EMPTY;
    CControlUI* control = nullptr;
    const HRESULT result = Find(child, &control);
    if (FAILED(result)) return result;
    return ReturnLong(control ? AccessibleTree::RoleOf(control) : m_role, role);
}

STDMETHODIMP CAccessibleWindow::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    state->vt = VT_EMPTY;
    CControlUI* control = nullptr;
    const HRESULT result = Find(child, &control);
    if (FAILED(result)) return result;
    if (control) return ReturnLong(AccessibleTree::StateOf(control, HasFocus(control)), state);
    // The window itself is focused while no control it shows is.
    long focusedId = 0;
    const bool childFocused = m_tree.IdOf(m_manager->GetFocus(), &focusedId);
    LONG bits = STATE_SYSTEM_FOCUSABLE;
    if (!::IsWindowVisible(Window())) bits |= STATE_SYSTEM_INVISIBLE;
    if (::GetFocus() == Window() && !childFocused) bits |= STATE_SYSTEM_FOCUSED;
    return ReturnLong(bits, state);
}

STDMETHODIMP CAccessibleWindow::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    CControlUI* control = nullptr;
    const HRESULT result = Find(child, &control);
    if (FAILED(result)) return result;
    // Control rectangles are window (client) pixels; readers want the screen's.
    RECT rect{};
    if (control) {
        rect = control->GetPos();
    } else {
        ::GetClientRect(Window(), &rect);
    }
    ::MapWindowPoints(Window(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
}

STDMETHODIMP CAccessibleWindow::get_accDescription(VARIANT, BSTR* description) { return ReturnText(nullptr, description); }
STDMETHODIMP CAccessibleWindow::get_accHelp(VARIANT, BSTR* help) { return ReturnText(nullptr, help); }
STDMETHODIMP CAccessibleWindow::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
    return ReturnText(nullptr, shortcut);
}
STDMETHODIMP CAccessibleWindow::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return S_FALSE;
}

// ---- IAccessible: actions ----

STDMETHODIMP CAccessibleWindow::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (!action) return E_POINTER;
    *action = nullptr;
    CControlUI* control = nullptr;
    const HRESULT result = Find(child, &control);
    if (FAILED(result)) return result;
    return control ? ReturnText(AccessibleTree::DefaultActionOf(control), action) : S_FALSE;
}

STDMETHODIMP CAccessibleWindow::accDoDefaultAction(VARIANT child) {
    CControlUI* control = nullptr;
    const HRESULT result = Find(child, &control);
    if (FAILED(result)) return result;
    if (!control || !AccessibleTree::DefaultActionOf(control)) return DISP_E_MEMBERNOTFOUND;
    if (!control->IsEnabled()) return E_FAIL;
    return ::PostMessageW(Window(), ActionMessage(), 0, reinterpret_cast<LPARAM>(control)) ? S_OK : E_FAIL;
}

STDMETHODIMP CAccessibleWindow::accSelect(long flags, VARIANT child) {
    CControlUI* control = nullptr;
    const HRESULT result = Find(child, &control);
    if (FAILED(result)) return result;
    if (flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
    if (control) {
        m_manager->SetFocus(control);
    } else {
        ::SetFocus(Window());
    }
    return S_OK;
}

}  // namespace Veneer
