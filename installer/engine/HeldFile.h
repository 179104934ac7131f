#pragma once
// A downloaded package held open from its verification until its process
// exists: read access, shared for reading only, so nobody can write, rename or
// delete the file in between and the bytes verified are the bytes started.
#include <windows.h>

#include "core/UiHandle.h"

namespace ZKInstaller {

class CHeldFile {
public:
    // Opens `path` itself, never a link's target; a reparse point or a folder
    // at the path is refused (closed again). False when nothing is held.
    bool Open(const wchar_t* path);
    void Close() { m_file.Reset(); }
    bool IsOpen() const { return static_cast<bool>(m_file); }
    HANDLE Handle() const { return m_file.Get(); }
    // The platform's error of a failed Open; ERROR_SUCCESS otherwise.
    DWORD OpenError() const { return m_error; }

private:
    Veneer::UiKernelHandle m_file;
    DWORD m_error = ERROR_SUCCESS;
};

}  // namespace ZKInstaller
