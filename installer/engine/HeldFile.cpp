#include "installer/engine/HeldFile.h"

namespace ZKInstaller {

bool CHeldFile::Open(const wchar_t* path) {
    m_file.Reset(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    m_error = m_file ? ERROR_SUCCESS : GetLastError();
    BY_HANDLE_FILE_INFORMATION info{};
    if (m_file && (!GetFileInformationByHandle(m_file.Get(), &info) ||
                   (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))) {
        m_file.Reset();
        m_error = ERROR_CANT_ACCESS_FILE;
    }
    return IsOpen();
}

}  // namespace ZKInstaller
