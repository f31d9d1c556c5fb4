// Who may change the program folder. Every account runs Tarnwick.exe when it logs on, and
// administrators run TarnwickSettings.exe and uninstall.exe with their full rights: whoever could
// replace one of them, or put a DLL beside them, could act as those accounts. A folder below
// Program Files inherits permissions that only administrators can change; anywhere else a folder
// takes what its parent hands down, on a drive's root the right of every signed-in user to change
// what is in it.
#pragma once

#include "os.h"

#include <string_view>

namespace tarnwick {

// Owned by Administrators, who with SYSTEM may do everything there, while Users may read and run
// what is in it; every entry is handed down to all the folder holds, and nothing comes from the
// folder above. The setup program's script reads this text from here and sets the same.
inline constexpr wchar_t kAdministratorsOnly[] =
    L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

// Whether `folder` is, or lies below, the 64-bit or the 32-bit Program Files folder. Paths are
// compared normalised.
bool InProgramFiles(Os& os, std::wstring_view folder);

// Gives the program folder permissions that only administrators can change (`kAdministratorsOnly`),
// unless it lies in Program Files, whose own it keeps. ERROR_SUCCESS, or why they could not be set.
Status ProtectProgramFolder(Os& os, std::wstring_view folder);

// Whether a folder's SDDL text (see `Os::FolderSecurity`) lets a group that every user belongs to
// (Everyone, Authenticated Users, Users, INTERACTIVE) put a file into it, change or delete what
// it holds, or change its permissions or owner; also true for a folder open to everyone and for
// a text that cannot be read.
bool OrdinaryUsersMayChange(std::wstring_view sddl);

}  // namespace tarnwick
