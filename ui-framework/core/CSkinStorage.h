#pragma once
// Where skin files come from: a folder, a ZIP archive file, or a ZIP archive
// held in memory (typically taken from a program resource). Process-wide
// settings; the paint manager's static resource setters forward here.
#include <windows.h>

#include <vector>

#include "core/UiString.h"

namespace Veneer {

enum class ResourceType : int { Folder = 1, ZipFile = 2, ZipResource = 4 };

// Skin files above this size are refused (bytes).
constexpr unsigned long kMaxSkinFileBytes = 0x400000;

class CSkinStorage {
public:
    static void SetResourceType(ResourceType type);
    static ResourceType GetResourceType();

    // A "\" is appended unless the path is empty or already ends in "\" or "/".
    static void SetResourcePath(const wchar_t* path);
    static const UiString& GetResourcePath();

    // Archive file resource path + name. When `cached`, it is opened now and
    // kept open; otherwise every read opens and closes it. Does nothing when
    // name and cached flag are unchanged.
    static void SetResourceZip(const wchar_t* name, bool cached = false, const wchar_t* password = nullptr);
    // Archive over a memory block that must stay valid while in use; its name
    // becomes "membuffer" and it is always cached.
    static void SetResourceZip(const void* bytes, unsigned int length, const wchar_t* password = nullptr);
    static const UiString& GetResourceZip();
    static bool IsCachedResourceZip();
    static void* GetResourceZipHandle();  // minizip unzFile of the cached archive
    static const UiString& GetResourceZipPassword();
    // Closes the cached archive and forgets the ZIP settings.
    static void CloseResourceZip();

    // Reads one skin file (name relative to the storage; "\" or "/") whole.
    // On failure returns false and, when `error` is given, one of the
    // storage messages ("Error opening file", "File is empty", "File too
    // large", "Could not read file", "Error opening zip file", "Could not find
    // ziped file", "Could not unzip file").
    static bool ReadFile(const wchar_t* fileName, std::vector<unsigned char>& bytes, const wchar_t** error = nullptr);
    // True when ReadFile would find a non-empty file of at most
    // kMaxSkinFileBytes: a directory entry or archive entry is looked up,
    // nothing is read or inflated.
    static bool HasFile(const wchar_t* fileName);
    // Reads a whole file by plain path with the same limits and messages.
    static bool ReadPlainFile(const wchar_t* path, std::vector<unsigned char>& bytes, const wchar_t** error = nullptr);
    // Reads a program resource (name or numeric id, type) from `instance`.
    static bool ReadResource(HINSTANCE instance, const wchar_t* name, const wchar_t* type,
                             std::vector<unsigned char>& bytes);

    // Module whose program resources hold skin documents read by id (null =
    // the executable). The paint manager forwards its resource instance here.
    static void SetResourceInstance(HINSTANCE instance);
    static HINSTANCE GetResourceInstance();
};

}  // namespace Veneer
