#include "folder_access.h"

#include "folder_path.h"
#include "handles.h"

#include <sddl.h>

#include <string>

namespace tarnwick {
namespace {

// CSIDL_PROGRAM_FILES and CSIDL_PROGRAM_FILESX86: in a 64-bit program, the 64-bit folder and the
// 32-bit one.
constexpr int kProgramFolders[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86};

// The groups every account is in, whether or not it is an administrator's.
constexpr WELL_KNOWN_SID_TYPE kEveryUsersGroups[] = {WinWorldSid, WinAuthenticatedUserSid,
                                                     WinBuiltinUsersSid, WinInteractiveSid};

// Rights on a folder that let someone plant or replace a file in it or take it over. Generic
// rights appear in entries that are handed down.
constexpr ACCESS_MASK kChangingRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD |
                                        DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                        GENERIC_ALL;

bool IsEveryUsersGroup(PSID sid) {
    for (const WELL_KNOWN_SID_TYPE group : kEveryUsersGroups) {
        if (::IsWellKnownSid(sid, group)) return true;
    }
    return false;
}

}  // namespace

bool InProgramFiles(Os& os, std::wstring_view folder) {
    const std::wstring normalised = NormaliseFolder(folder);
    if (normalised.empty()) return false;
    for (const int csidl : kProgramFolders) {
        std::wstring programFiles;
        if (os.ShellFolder(nullptr, csidl, programFiles) != ERROR_SUCCESS) continue;
        if (ContainsPath(NormaliseFolder(programFiles), normalised)) return true;
    }
    return false;
}

Status ProtectProgramFolder(Os& os, std::wstring_view folder) {
    if (InProgramFiles(os, folder)) return ERROR_SUCCESS;
    const std::wstring normalised = NormaliseFolder(folder);
    if (normalised.empty()) return ERROR_BAD_PATHNAME;
    return os.ProtectFolder(normalised, kAdministratorsOnly);
}

bool OrdinaryUsersMayChange(std::wstring_view sddl) {
    const std::wstring text(sddl);
    // A null DACL: everyone may do everything. (Wine reads it back as an empty DACL, which would
    // let nobody in.)
    if (text.find(L"NO_ACCESS_CONTROL") != std::wstring::npos) return true;
    UniqueSecurityDescriptor descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                                descriptor.put(), nullptr)) {
        return true;
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted) || !present ||
        !dacl) {
        return true;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) return true;
        // A conditional entry grants like a plain one; denials are not weighed, so a folder that
        // grants a group and denies it again counts as open.
        const BYTE type = static_cast<const ACE_HEADER*>(ace)->AceType;
        if (type != ACCESS_ALLOWED_ACE_TYPE && type != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & kChangingRights) && IsEveryUsersGroup(&allowed->SidStart)) return true;
    }
    return false;
}

}  // namespace tarnwick
