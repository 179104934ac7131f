#pragma once
// Files, folders and real ZIP archives for the skin storage and parser tests.
#include <windows.h>

#include <string>
#include <vector>

#include "core/CSkinStorage.h"
#include "zip.h"
#include "zlib.h"

namespace SkinTest {

using Bytes = std::vector<unsigned char>;

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline std::wstring ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// Test documents and the archive packed from them at build time.
inline std::wstring DataFolder() { return ExeFolder() + L"skin-data\\"; }

// A fresh folder under the temporary directory, unique per process.
inline std::wstring ScratchFolder() {
    static std::wstring folder;
    if (folder.empty()) {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"veneer-core-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
        ::CreateDirectoryW(folder.c_str(), nullptr);
    }
    return folder;
}

inline bool WriteBytes(const std::wstring& path, const Bytes& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = bytes.empty() || ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

inline Bytes ReadBytes(const std::wstring& path) {
    Bytes bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    const DWORD size = ::GetFileSize(file, nullptr);
    bytes.resize(size);
    DWORD got = 0;
    if (size && !::ReadFile(file, bytes.data(), size, &got, nullptr)) got = 0;
    bytes.resize(got);
    ::CloseHandle(file);
    return bytes;
}

struct ZipEntry {
    std::string name;  // UTF-8, as stored in the archive
    Bytes data;
    bool deflate = true;
    const char* password = nullptr;
};

// Writes an archive with minizip's zip module; true on success.
inline bool MakeZipFile(const std::wstring& path, const std::vector<ZipEntry>& entries) {
    ::DeleteFileW(path.c_str());
    const std::string ansi(path.begin(), path.end());  // scratch paths are ASCII
    zipFile zip = zipOpen(ansi.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    bool ok = true;
    for (const ZipEntry& entry : entries) {
        zip_fileinfo info = {};
        const uLong crc = crc32(0L, entry.data.data(), static_cast<uInt>(entry.data.size()));
        ok = ok && zipOpenNewFileInZip3(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                        entry.deflate ? Z_DEFLATED : 0, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS,
                                        8, Z_DEFAULT_STRATEGY, entry.password, crc) == ZIP_OK;
        ok = ok && (entry.data.empty() ||
                    zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())) == ZIP_OK);
        ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

inline Bytes MakeZip(const std::vector<ZipEntry>& entries) {
    const std::wstring path = ScratchFolder() + L"built.zip";
    if (!MakeZipFile(path, entries)) return Bytes();
    Bytes bytes = ReadBytes(path);
    ::DeleteFileW(path.c_str());
    return bytes;
}

// Puts the process-wide storage back to folder mode with no path.
inline void ResetStorage() {
    Veneer::CSkinStorage::CloseResourceZip();
    Veneer::CSkinStorage::SetResourcePath(L"");
    Veneer::CSkinStorage::SetResourceType(Veneer::ResourceType::Folder);
}

inline std::wstring Message(const wchar_t* error) { return error ? error : L"(none)"; }

}  // namespace SkinTest
