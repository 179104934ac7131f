// Plain files and program resources only; replaced by the real skin storage.
#include "core/CSkinStorage.h"

namespace Veneer {

bool CSkinStorage::ReadFile(const wchar_t* fileName, std::vector<unsigned char>& bytes, const wchar_t** error) {
    return ReadPlainFile(fileName, bytes, error);
}

bool CSkinStorage::ReadPlainFile(const wchar_t* path, std::vector<unsigned char>& bytes, const wchar_t** error) {
    bytes.clear();
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) *error = L"Error opening file";
        return false;
    }
    const DWORD size = ::GetFileSize(file, nullptr);
    bytes.resize(size);
    DWORD read = 0;
    const bool ok = size > 0 && ::ReadFile(file, bytes.data(), size, &read, nullptr) && read == size;
    ::CloseHandle(file);
    if (!ok) bytes.clear();
    return ok;
}

bool CSkinStorage::ReadResource(HINSTANCE instance, const wchar_t* name, const wchar_t* type,
                                std::vector<unsigned char>& bytes) {
    HRSRC found = ::FindResourceW(instance, name, type);
    if (!found) return false;
    HGLOBAL loaded = ::LoadResource(instance, found);
    const DWORD size = ::SizeofResource(instance, found);
    const unsigned char* data = static_cast<const unsigned char*>(::LockResource(loaded));
    if (!data || size == 0) return false;
    bytes.assign(data, data + size);
    return true;
}

}  // namespace Veneer
