#pragma once
// Where the downloaded package lies from its download until its run ends.
//
// An elevated run keeps it in a folder that only Administrators and SYSTEM can
// write: %ProgramData%\<product folder>-Setup. It is a direct child of
// ProgramData on purpose. Any user may create folders in ProgramData and then
// owns them, so a nested "<product folder>\Setup" would sit under a parent
// that a user could pre-create and, as its owner, swap our folder for a
// junction between our checks and the package's start. ProgramData itself
// lets users create entries but not rename or delete other users' entries.
//
// An unelevated run (a developer's build started without elevation) keeps
// the package in the user's data folder, beside APP.ini, as before.
#include <windows.h>

#include <string>

#include "core/UiHandle.h"
#include "core/UiString.h"

namespace ZKInstaller {

using Veneer::UiString;

// Owner Administrators; a protected DACL (nothing inherited from ProgramData)
// with full access for SYSTEM and Administrators only, passed on to files and
// subfolders.
constexpr const wchar_t* kProtectedFolderSddl = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Whether the process runs with administrator rights: its token is elevated,
// or (a system without UAC) Administrators is enabled in it.
bool IsProcessElevated();

// %ProgramData%\<product folder>-Setup; empty when ProgramData is unknown.
UiString ProtectedFolderPath();

// What stands at a folder path, looked at without following a link there.
enum class FolderState {
    Missing,
    Trusted,         // a directory owned by Administrators or SYSTEM
    NotADirectory,   // a file
    ReparsePoint,    // a junction or symbolic link (its target is never looked at)
    UntrustedOwner,  // a directory owned by someone else
    Unreadable,      // there, but it cannot be opened or its owner read
};
const wchar_t* FolderStateName(FolderState state);

// Whether `descriptor` is what kProtectedFolderSddl makes: a protected DACL of
// exactly two entries, full access for SYSTEM and for Administrators, and an
// owner that is Administrators or SYSTEM.
bool IsProtectedFolderSecurity(PSECURITY_DESCRIPTOR descriptor);

// The folder of one run. Prepare once; the folder is then held open without
// delete sharing, so it cannot be renamed or removed until the object goes.
class CPackageFolder {
public:
    // Elevated: the protected folder at `protectedPath`, made trustworthy (see
    // PrepareProtected). Else `userFolder`, created when missing. False when
    // no usable folder could be had.
    bool Prepare(bool elevated, const wchar_t* protectedPath, const wchar_t* userFolder);

    // An existing trusted folder gets the protected DACL again; anything else
    // at the path is replaced: a file or a link is removed (the entry itself),
    // a directory of another owner is moved aside untouched (and removed when
    // empty); then the folder is created anew with kProtectedFolderSddl.
    bool PrepareProtected(const wchar_t* path);

    // Deletes the "*.exe" files an earlier run left; returns how many went.
    int DeleteLeftovers() const;

    const UiString& Path() const { return m_path; }
    bool IsProtected() const { return m_protected; }
    // What Prepare found and did, for the log.
    const std::wstring& Report() const { return m_report; }

private:
    UiString m_path;
    bool m_protected = false;
    std::wstring m_report;
    Veneer::UiKernelHandle m_hold;  // the folder itself, opened without FILE_SHARE_DELETE
};

// <folder>\<32 upper-case hex digits of a new GUID>.exe
UiString NewPackagePath(const wchar_t* folder);

}  // namespace ZKInstaller
