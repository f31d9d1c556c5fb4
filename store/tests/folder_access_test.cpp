// The program folder's permissions: what the text that only administrators may change grants, how
// a folder's permissions are judged, and the seam's three members against Wine's file system,
// which keeps of a DACL what a Unix mode can show (whether Everyone may write).
#include "folder_access.h"

#include "faulty_os.h"
#include "handles.h"
#include "sandbox.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <cwchar>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using testing::Call;
using testing::Op;

// The owner and every entry of SDDL text, as Windows reads it: "owner", then "sid flags rights".
std::vector<std::wstring> Entries(const wchar_t* sddl, bool& protectedDacl) {
    std::vector<std::wstring> entries;
    UniqueSecurityDescriptor descriptor;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    UniqueLocalText text;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                descriptor.put(), nullptr) ||
        !::GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted) || !owner ||
        !::ConvertSidToStringSidW(owner, text.put()) ||
        !::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted) || !dacl ||
        !::GetSecurityDescriptorControl(descriptor.get(), &control, &revision)) {
        return entries;
    }
    protectedDacl = (control & SE_DACL_PROTECTED) != 0;
    entries.push_back(text.get());
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) break;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
            !::ConvertSidToStringSidW(&allowed->SidStart, text.put())) {
            break;
        }
        wchar_t rest[32];
        swprintf(rest, 32, L" %u 0x%lx", allowed->Header.AceFlags, allowed->Mask);
        entries.push_back(text.get() + std::wstring(rest));
    }
    return entries;
}

// Owned by Administrators; Administrators and SYSTEM all rights, Users read and run; everything
// handed down to files and folders (OBJECT_INHERIT | CONTAINER_INHERIT = 3), nothing taken.
TEST(AdministratorsOnly, OwnedByAdministratorsWhoWithSystemMayDoAllUsersReadAndRun) {
    bool protectedDacl = false;
    EXPECT_EQ(Entries(kAdministratorsOnly, protectedDacl),
              (std::vector<std::wstring>{L"S-1-5-32-544", L"S-1-5-32-544 3 0x1f01ff",
                                         L"S-1-5-18 3 0x1f01ff", L"S-1-5-32-545 3 0x1200a9"}));
    EXPECT_TRUE(protectedDacl) << "the folder above must hand nothing down";
    EXPECT_FALSE(OrdinaryUsersMayChange(kAdministratorsOnly));
}

TEST(OrdinaryUsersMayChange, TheFoldersAProgramFolderMayBeIn) {
    const struct {
        const char* name;
        const wchar_t* sddl;
        bool mayChange;
    } cases[] = {
        {"a folder made on C:\\ of Windows",
         L"D:AI(A;ID;FA;;;BA)(A;OICIIOID;GA;;;BA)(A;ID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)"
         L"(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)",
         true},
        {"Program Files of Windows",
         L"D:PAI(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
         L"(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;S-1-15-2-1)",
         false},
        {"Wine's for a Unix mode of 0755", L"D:(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;WD)", false},
        {"Wine's for 0777", L"D:(A;OICI;FA;;;SY)(A;OICI;0x1301ff;;;WD)", true},
        {"an administrator's own folder", L"D:(A;OICI;FA;;;S-1-5-21-1-2-3-500)", false},
        {"interactive users may delete what it holds", L"D:(A;;0x40;;;IU)", true},
        {"signed-in users may change its permissions", L"D:(A;;0x40000;;;AU)", true},
        {"handed down to its files only", L"D:(A;OIIO;GW;;;BU)", true},
        {"open to everyone", L"D:NO_ACCESS_CONTROL", true},
        {"not permissions at all", L"Tarnwick", true},
    };
    for (const auto& c : cases) EXPECT_EQ(OrdinaryUsersMayChange(c.sddl), c.mayChange) << c.name;
}

TEST(InProgramFiles, EitherViewAndBelowItHoweverSpelt) {
    std::wstring programFiles, programFiles32;
    ASSERT_EQ(SystemOs().ShellFolder(nullptr, CSIDL_PROGRAM_FILES, programFiles), ERROR_SUCCESS);
    ASSERT_EQ(SystemOs().ShellFolder(nullptr, CSIDL_PROGRAM_FILESX86, programFiles32), 0u);
    for (const std::wstring& in :
         {programFiles, programFiles32 + L"\\Tarnwick", L"\\\\?\\" + programFiles + L"\\tarnwick\\",
          programFiles + L"\\Other\\..\\Tarnwick"}) {
        EXPECT_TRUE(InProgramFiles(SystemOs(), in)) << in;
    }
    for (const std::wstring& out : {programFiles + L" Extra\\Tarnwick",
                                    programFiles + L"\\..\\Tarnwick", std::wstring(L"C:\\")}) {
        EXPECT_FALSE(InProgramFiles(SystemOs(), out)) << out;
    }
    // Where Program Files cannot be found, nothing is taken to lie in it.
    testing::FaultyOs lost{SystemOs()};
    lost.rule = [](const Call& c) -> DWORD {
        return c.op == Op::ShellFolder ? ERROR_PATH_NOT_FOUND : 0;
    };
    EXPECT_FALSE(InProgramFiles(lost, programFiles + L"\\Tarnwick"));
}

// Wine keeps of a DACL what a Unix mode can show: whether Everyone may write (set), and for a
// folder created with the DACL no right for Everyone at all (mode 0750), where a plain one lets
// Everyone read: the descriptor reached the file system at creation.
TEST(FolderPermissions, SetAndCreatedAsWineKeepsThem) {
    testing::FolderSandbox folders;
    Os& os = SystemOs();
    const auto security = [&](const fs::path& folder) {
        std::wstring sddl = L"seeded";
        const Status read = os.FolderSecurity(folder.wstring(), sddl);
        return read == ERROR_SUCCESS ? sddl : L"error " + std::to_wstring(read) + L": " + sddl;
    };
    const fs::path set = folders.root / L"Set";
    ASSERT_EQ(os.CreateDirectory(set.wstring()), ERROR_SUCCESS);
    EXPECT_NE(security(set).find(L";;;WD)"), std::wstring::npos) << security(set);
    EXPECT_FALSE(OrdinaryUsersMayChange(security(set)));
    ASSERT_EQ(os.ProtectFolder(set.wstring(), L"D:(A;OICI;FA;;;WD)"), ERROR_SUCCESS);
    EXPECT_TRUE(OrdinaryUsersMayChange(security(set))) << security(set);
    EXPECT_EQ(os.ProtectFolder(set.wstring(), kAdministratorsOnly), ERROR_SUCCESS);
    EXPECT_FALSE(OrdinaryUsersMayChange(security(set))) << security(set);
    // Without a DACL the folder would keep what it has.
    EXPECT_EQ(os.ProtectFolder(set.wstring(), L"O:BA"), ERROR_INVALID_PARAMETER);

    const fs::path made = folders.root / L"Made";
    ASSERT_EQ(os.CreateProtectedFolder(made.wstring(), kAdministratorsOnly), ERROR_SUCCESS);
    EXPECT_EQ(security(made).find(L";;;WD)"), std::wstring::npos) << security(made);
    EXPECT_EQ(os.CreateProtectedFolder(made.wstring(), kAdministratorsOnly), ERROR_ALREADY_EXISTS);

    const fs::path none = folders.root / L"None";
    EXPECT_TRUE(IsNotThere(os.ProtectFolder(none.wstring(), kAdministratorsOnly)));
    EXPECT_TRUE(security(none).ends_with(L": ")) << "nothing read is handed out";
}

}  // namespace
}  // namespace tarnwick
