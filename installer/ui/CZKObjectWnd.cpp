#include "installer/ui/CZKObjectWnd.h"

#include <algorithm>
#include <map>

#include "core/CSkinResources.h"
#include "installer/ui/CMonitorTable.h"
#include "manager/CPaintManagerUI.h"

namespace ZKInstaller {

using Veneer::CPaintManagerUI;

POINT CenterPosition(SIZE size, const RECT& bounds, const RECT* shownOwner, const RECT& primary, POINT offset) {
    const bool bounded = !::IsRectEmpty(&bounds);
    RECT area = primary;
    if (bounded) {
        area = bounds;
    } else if (shownOwner) {
        area = RECT{shownOwner->left, primary.top, shownOwner->right, primary.bottom};
    }
    POINT position{(area.left + area.right) / 2 + offset.x - size.cx / 2,
                   (area.top + area.bottom) / 2 + offset.y - size.cy / 2};
    if (bounded) {
        position.x = std::max(bounds.left, std::min(position.x, bounds.right - size.cx));
        position.y = std::max(bounds.top, std::min(position.y, bounds.bottom - size.cy));
    }
    return position;
}

CZKObjectWnd::CZKObjectWnd(const wchar_t* skinFile, const wchar_t* className)
    : m_skinFile(skinFile ? skinFile : L""), m_className(className ? className : L"") {}

void CZKObjectWnd::Center() { Center(RECT{}, 0, 0); }

void CZKObjectWnd::Center(const RECT& bounds, int offsetX, int offsetY) {
    if (!::IsWindow(m_hwnd)) return;
    RECT window{};
    ::GetWindowRect(m_hwnd, &window);
    HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
    RECT ownerRect{};
    const bool ownerShown = owner && ::IsWindowVisible(owner) && !::IsIconic(owner) && ::GetWindowRect(owner, &ownerRect);
    const POINT position =
        CenterPosition(SIZE{window.right - window.left, window.bottom - window.top}, bounds,
                       ownerShown ? &ownerRect : nullptr, CMonitorTable::Get().PrimaryRect(), POINT{offsetX, offsetY});
    ::SetWindowPos(m_hwnd, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {
// Open boxes per owner window; UI thread only.
std::map<HWND, int>& BoxCounts() {
    static std::map<HWND, int> counts;
    return counts;
}
}  // namespace

int CZKObjectWnd::OpenBoxes(HWND owner) {
    const auto found = BoxCounts().find(owner);
    return found == BoxCounts().end() ? 0 : found->second;
}

CZKObjectWnd::BoxOverOwner::BoxOverOwner(HWND owner) : m_owner(owner) {
    if (m_owner) ++BoxCounts()[m_owner];
}

CZKObjectWnd::BoxOverOwner::~BoxOverOwner() {
    if (!m_owner) return;
    if (--BoxCounts()[m_owner] > 0) {
        // The modal loop that just ended enabled the owner under another box.
        ::EnableWindow(m_owner, FALSE);
        return;
    }
    BoxCounts().erase(m_owner);
    if (::IsWindow(m_owner)) ::PostMessageW(m_owner, kBoxesGoneMessage, 0, 0);
}

LRESULT CZKObjectWnd::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
    handled = OpenBoxes(m_hwnd) > 0;
    if (handled) m_closeHeld = true;
    return 0;
}

LRESULT CZKObjectWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == kBoxesGoneMessage) {
        handled = true;
        if (m_closeHeld && OpenBoxes(m_hwnd) == 0) {
            m_closeHeld = false;
            ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        }
        return 0;
    }
    if (msg == WM_TIMER) OnTimerHook(msg, wParam, lParam, handled);
    handled = false;
    return 0;
}

LRESULT CZKObjectWnd::OnTimerHook(UINT, WPARAM, LPARAM, bool&) { return 0; }

void CZKObjectWnd::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

void SetupSkinStorage() {
    CPaintManagerUI::SetResourceType(Veneer::ResourceType::ZipResource);
    // Named for completeness: nothing is read from this folder in archive mode.
    const std::wstring folder = std::wstring(CPaintManagerUI::GetInstancePath().GetData()) + L"skin\\";
    CPaintManagerUI::SetResourcePath(folder.c_str());
    HINSTANCE instance = CPaintManagerUI::GetResourceInstance();
    HRSRC resource = ::FindResourceW(instance, MAKEINTRESOURCEW(113), L"ZKZIP_RES");
    HGLOBAL loaded = resource ? ::LoadResource(instance, resource) : nullptr;
    const DWORD size = resource ? ::SizeofResource(instance, resource) : 0;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    // The bytes belong to the loaded module and stay valid for the whole run.
    if (bytes && size > 0) CPaintManagerUI::SetResourceZip(bytes, size);
    // The archive has no resource index: skin files go by their own names.
    Veneer::CSkinResources::GetInstance()->LoadIndex(L"res.xml");
    if (loaded) ::FreeResource(loaded);
}

}  // namespace ZKInstaller
