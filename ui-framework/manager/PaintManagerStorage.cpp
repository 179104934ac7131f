// The skin storage settings (forwarded to the process-wide skin storage) and
// the global shutdown of the process-wide tables.
#include <windows.h>

#include "core/CSkinResources.h"
#include "manager/CPaintManagerUI.h"
#include "manager/PaintManagerShared.h"
#include "render/CUiRender.h"
#include "render/TImageInfo.h"

namespace Veneer {

void CPaintManagerUI::SetResourceType(ResourceType type) { CSkinStorage::SetResourceType(type); }

ResourceType CPaintManagerUI::GetResourceType() { return CSkinStorage::GetResourceType(); }

void CPaintManagerUI::SetResourcePath(const wchar_t* path) { CSkinStorage::SetResourcePath(path); }

const UiString& CPaintManagerUI::GetResourcePath() { return CSkinStorage::GetResourcePath(); }

void CPaintManagerUI::SetResourceZip(const wchar_t* name, bool cached, const wchar_t* password) {
    CSkinStorage::SetResourceZip(name, cached, password);
}

void CPaintManagerUI::SetResourceZip(const void* bytes, unsigned int length, const wchar_t* password) {
    CSkinStorage::SetResourceZip(bytes, length, password);
}

const UiString& CPaintManagerUI::GetResourceZip() { return CSkinStorage::GetResourceZip(); }

bool CPaintManagerUI::IsCachedResourceZip() { return CSkinStorage::IsCachedResourceZip(); }

void* CPaintManagerUI::GetResourceZipHandle() { return CSkinStorage::GetResourceZipHandle(); }

const UiString& CPaintManagerUI::GetResourceZipPassword() { return CSkinStorage::GetResourceZipPassword(); }

void CPaintManagerUI::Term() {
    CSkinResources::GetInstance()->Release();
    PaintManagerShared& shared = Shared();
    shared.images.Clear();
    shared.fonts.Clear();
    shared.defaultFont.font.Reset();
    shared.defaultFont.metrics = TEXTMETRICW{};
    shared.styles.Clear();
    shared.defaultAttributes.Clear();
    CSkinStorage::CloseResourceZip();
    // A manager constructed after the shutdown sets the shared defaults up again.
    shared.initialised = false;
}

}  // namespace Veneer
