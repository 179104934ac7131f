#include "core/CSkinStorage.h"

#include <cstring>
#include <string>

#include "core/UiHandle.h"
#include "core/UiPhaseClock.h"
#include "unzip.h"
// After unzip.h: iowin32.h relies on the declarations it brings in.
#include "iowin32.h"

namespace Veneer {

namespace {

const wchar_t kErrorOpeningFile[] = L"Error opening file";
const wchar_t kFileIsEmpty[] = L"File is empty";
const wchar_t kFileTooLarge[] = L"File too large";
const wchar_t kCouldNotReadFile[] = L"Could not read file";
const wchar_t kErrorOpeningZip[] = L"Error opening zip file";
const wchar_t kCouldNotFindEntry[] = L"Could not find ziped file";
const wchar_t kCouldNotUnzip[] = L"Could not unzip file";

const wchar_t kMemoryArchiveName[] = L"membuffer";

// Entry names are compared as UTF-8 bytes of at most this length.
constexpr int kMaxEntryNameBytes = 260;

struct StorageState {
    ResourceType type = ResourceType::Folder;
    UiString path;
    UiString zipName;
    UiString zipPassword;
    bool zipCached = false;
    unzFile archive = nullptr;     // the cached archive, opened by a setter
    const void* memoryBytes = nullptr;  // block under the "membuffer" archive
    unsigned int memoryLength = 0;
    HINSTANCE resourceInstance = nullptr;
};

StorageState& State() {
    static StorageState state;
    return state;
}

bool Fail(const wchar_t** error, const wchar_t* message) {
    if (error) *error = message;
    return false;
}

std::string ToAnsi(const wchar_t* text) {
    std::string result;
    if (!text || !*text) return result;
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return result;
    result.resize(static_cast<size_t>(length));
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], length, nullptr, nullptr);
    result.resize(static_cast<size_t>(length - 1));
    return result;
}

// ---- minizip file functions over a memory block ----------------------------
// The block descriptor travels through unzOpen2's path argument; each open
// gets its own cursor so the same block can back several archives.

struct MemoryBlock {
    const unsigned char* bytes;
    unsigned long length;
};

struct MemoryStream {
    MemoryBlock block;
    unsigned long position;
};

voidpf ZCALLBACK MemoryOpen(voidpf, const char* filename, int mode) {
    if (!filename || (mode & ZLIB_FILEFUNC_MODE_WRITE)) return nullptr;
    const MemoryBlock* block = reinterpret_cast<const MemoryBlock*>(filename);
    return new MemoryStream{*block, 0};
}

uLong ZCALLBACK MemoryRead(voidpf, voidpf stream, void* buffer, uLong size) {
    MemoryStream* s = static_cast<MemoryStream*>(stream);
    const unsigned long available = s->block.length - s->position;
    if (size > available) size = available;
    if (size) std::memcpy(buffer, s->block.bytes + s->position, size);
    s->position += size;
    return size;
}

uLong ZCALLBACK MemoryWrite(voidpf, voidpf, const void*, uLong) { return 0; }

long ZCALLBACK MemoryTell(voidpf, voidpf stream) {
    return static_cast<long>(static_cast<MemoryStream*>(stream)->position);
}

long ZCALLBACK MemorySeek(voidpf, voidpf stream, uLong offset, int origin) {
    MemoryStream* s = static_cast<MemoryStream*>(stream);
    unsigned long long base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = s->position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = s->block.length; break;
    default: return -1;
    }
    const unsigned long long target = base + offset;
    if (target > s->block.length) return -1;
    s->position = static_cast<unsigned long>(target);
    return 0;
}

int ZCALLBACK MemoryClose(voidpf, voidpf stream) {
    delete static_cast<MemoryStream*>(stream);
    return 0;
}

int ZCALLBACK MemoryError(voidpf, voidpf) { return 0; }

unzFile OpenMemoryArchive(const void* bytes, unsigned int length) {
    if (!bytes || length == 0) return nullptr;
    zlib_filefunc_def functions = {};
    functions.zopen_file = MemoryOpen;
    functions.zread_file = MemoryRead;
    functions.zwrite_file = MemoryWrite;
    functions.ztell_file = MemoryTell;
    functions.zseek_file = MemorySeek;
    functions.zclose_file = MemoryClose;
    functions.zerror_file = MemoryError;
    MemoryBlock block{static_cast<const unsigned char*>(bytes), length};
    return unzOpen2(reinterpret_cast<const char*>(&block), &functions);
}

unzFile OpenFileArchive(const UiString& path) {
    zlib_filefunc64_def functions = {};
    fill_win32_filefunc64W(&functions);
    return unzOpen2_64(path.GetData(), &functions);
}

// Closes an archive this read opened itself, on every return path.
class ArchiveCloser {
public:
    explicit ArchiveCloser(unzFile archive) : m_archive(archive) {}
    ~ArchiveCloser() {
        if (m_archive) unzClose(m_archive);
    }
    ArchiveCloser(const ArchiveCloser&) = delete;
    ArchiveCloser& operator=(const ArchiveCloser&) = delete;

private:
    unzFile m_archive;
};

// ASCII case folded, "\" equal to "/": "Skin\Main.XML" finds "skin/main.xml".
bool EntryNameMatches(const char* entry, const char* wanted, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        unsigned char a = static_cast<unsigned char>(entry[i]);
        unsigned char b = static_cast<unsigned char>(wanted[i]);
        if (a == '\\') a = '/';
        if (b == '\\') b = '/';
        if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a + 32);
        if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b + 32);
        if (a != b) return false;
    }
    return true;
}

// Makes the named entry current; false when the archive has no such entry.
bool LocateEntry(unzFile archive, const wchar_t* fileName, unz_file_info64& info) {
    char wanted[kMaxEntryNameBytes + 1];
    const int converted = ::WideCharToMultiByte(CP_UTF8, 0, fileName, -1, wanted, sizeof(wanted), nullptr, nullptr);
    if (converted <= 1) return false;  // empty or longer than kMaxEntryNameBytes
    const size_t length = static_cast<size_t>(converted - 1);
    for (size_t i = 0; i < length; ++i) {
        if (wanted[i] == '\\') wanted[i] = '/';
    }

    char entry[kMaxEntryNameBytes + 1];
    for (int status = unzGoToFirstFile(archive); status == UNZ_OK; status = unzGoToNextFile(archive)) {
        if (unzGetCurrentFileInfo64(archive, &info, entry, sizeof(entry), nullptr, 0, nullptr, 0) != UNZ_OK) {
            return false;
        }
        if (info.size_filename == length && EntryNameMatches(entry, wanted, length)) return true;
    }
    return false;
}

bool ReadCurrentEntry(unzFile archive, const unz_file_info64& info, const std::string& password,
                      std::vector<unsigned char>& bytes, const wchar_t** error) {
    if (info.uncompressed_size == 0) return Fail(error, kFileIsEmpty);
    if (info.uncompressed_size > kMaxSkinFileBytes) return Fail(error, kFileTooLarge);
    const unsigned int size = static_cast<unsigned int>(info.uncompressed_size);

    // The reader decrypts whenever it is given a password, so only encrypted
    // entries (flag bit 0) get it: an archive may mix both kinds.
    const bool encrypted = (info.flag & 1) != 0;
    const char* key = encrypted && !password.empty() ? password.c_str() : nullptr;
    if (unzOpenCurrentFilePassword(archive, key) != UNZ_OK) {
        return Fail(error, kCouldNotUnzip);
    }
    bytes.resize(size);
    unsigned int done = 0;
    while (done < size) {
        const int got = unzReadCurrentFile(archive, bytes.data() + done, size - done);
        if (got <= 0) break;
        done += static_cast<unsigned int>(got);
    }
    // Closing checks the CRC, which also catches a wrong password.
    const int closed = unzCloseCurrentFile(archive);
    if (done != size || closed != UNZ_OK) {
        bytes.clear();
        return Fail(error, kCouldNotUnzip);
    }
    return true;
}

}  // namespace

void CSkinStorage::SetResourceType(ResourceType type) { State().type = type; }

ResourceType CSkinStorage::GetResourceType() { return State().type; }

void CSkinStorage::SetResourcePath(const wchar_t* path) {
    UiString& stored = State().path;
    stored = path;
    if (stored.IsEmpty()) return;
    const wchar_t last = stored[stored.GetLength() - 1];
    if (last != L'\\' && last != L'/') stored += L'\\';
}

const UiString& CSkinStorage::GetResourcePath() { return State().path; }

void CSkinStorage::SetResourceZip(const wchar_t* name, bool cached, const wchar_t* password) {
    StorageState& s = State();
    // Unchanged settings keep the open archive; a cached archive that failed
    // to open is tried again (the path may have been set since).
    if (s.zipName == (name ? name : L"") && s.zipCached == cached && (!cached || s.archive)) return;
    CloseResourceZip();
    s.zipName = name;
    s.zipCached = cached;
    s.zipPassword = password;
    if (cached) s.archive = OpenFileArchive(s.path + s.zipName);
}

void CSkinStorage::SetResourceZip(const void* bytes, unsigned int length, const wchar_t* password) {
    StorageState& s = State();
    // Another block replaces the archive: reading on from the old one could
    // touch memory its owner has since released.
    if (s.zipName == kMemoryArchiveName && s.memoryBytes == bytes && s.memoryLength == length && s.archive) {
        return;
    }
    CloseResourceZip();
    s.zipName = kMemoryArchiveName;
    s.zipCached = true;
    s.zipPassword = password;
    s.memoryBytes = bytes;
    s.memoryLength = length;
    s.archive = OpenMemoryArchive(bytes, length);
}

const UiString& CSkinStorage::GetResourceZip() { return State().zipName; }

bool CSkinStorage::IsCachedResourceZip() { return State().zipCached; }

void* CSkinStorage::GetResourceZipHandle() { return State().archive; }

const UiString& CSkinStorage::GetResourceZipPassword() { return State().zipPassword; }

void CSkinStorage::CloseResourceZip() {
    StorageState& s = State();
    if (s.archive) unzClose(s.archive);
    s.archive = nullptr;
    s.zipName.Empty();
    s.zipPassword.Empty();
    s.zipCached = false;
    s.memoryBytes = nullptr;
    s.memoryLength = 0;
}

bool CSkinStorage::ReadFile(const wchar_t* fileName, std::vector<unsigned char>& bytes, const wchar_t** error) {
    const UiPhaseScope phase("archive");
    bytes.clear();
    if (!fileName) fileName = L"";
    const StorageState& s = State();
    if (s.zipName.IsEmpty()) return ReadPlainFile(s.path + fileName, bytes, error);

    unzFile archive = s.zipCached ? s.archive : OpenFileArchive(s.path + s.zipName);
    ArchiveCloser closer(s.zipCached ? nullptr : archive);
    if (!archive) return Fail(error, kErrorOpeningZip);

    unz_file_info64 info = {};
    if (!LocateEntry(archive, fileName, info)) return Fail(error, kCouldNotFindEntry);
    return ReadCurrentEntry(archive, info, ToAnsi(s.zipPassword), bytes, error);
}

bool CSkinStorage::HasFile(const wchar_t* fileName) {
    if (!fileName) fileName = L"";
    const StorageState& s = State();
    if (s.zipName.IsEmpty()) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        const UiString path = s.path + fileName;
        if (!::GetFileAttributesExW(path.GetData(), GetFileExInfoStandard, &data)) return false;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
        return data.nFileSizeHigh == 0 && data.nFileSizeLow > 0 && data.nFileSizeLow <= kMaxSkinFileBytes;
    }
    unzFile archive = s.zipCached ? s.archive : OpenFileArchive(s.path + s.zipName);
    ArchiveCloser closer(s.zipCached ? nullptr : archive);
    unz_file_info64 info = {};
    if (!archive || !LocateEntry(archive, fileName, info)) return false;
    return info.uncompressed_size > 0 && info.uncompressed_size <= kMaxSkinFileBytes;
}

bool CSkinStorage::ReadPlainFile(const wchar_t* path, std::vector<unsigned char>& bytes, const wchar_t** error) {
    bytes.clear();
    UiHandle<KernelHandleTraits> file(::CreateFileW(path ? path : L"", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Fail(error, kErrorOpeningFile);
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.Get(), &size)) return Fail(error, kCouldNotReadFile);
    if (size.QuadPart == 0) return Fail(error, kFileIsEmpty);
    if (size.QuadPart > static_cast<LONGLONG>(kMaxSkinFileBytes)) return Fail(error, kFileTooLarge);

    const DWORD wanted = static_cast<DWORD>(size.QuadPart);
    bytes.resize(wanted);
    DWORD done = 0;
    while (done < wanted) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), bytes.data() + done, wanted - done, &got, nullptr) || got == 0) break;
        done += got;
    }
    if (done != wanted) {
        bytes.clear();
        return Fail(error, kCouldNotReadFile);
    }
    return true;
}

bool CSkinStorage::ReadResource(HINSTANCE instance, const wchar_t* name, const wchar_t* type,
                                std::vector<unsigned char>& bytes) {
    bytes.clear();
    if (!name || !type) return false;
    HRSRC resource = ::FindResourceW(instance, name, type);
    if (!resource) return false;
    HGLOBAL loaded = ::LoadResource(instance, resource);  // not to be freed
    if (!loaded) return false;
    const DWORD size = ::SizeofResource(instance, resource);
    const void* data = ::LockResource(loaded);
    if (!data || size == 0) return false;
    const unsigned char* first = static_cast<const unsigned char*>(data);
    bytes.assign(first, first + size);
    return true;
}

void CSkinStorage::SetResourceInstance(HINSTANCE instance) { State().resourceInstance = instance; }

HINSTANCE CSkinStorage::GetResourceInstance() { return State().resourceInstance; }

}  // namespace Veneer
