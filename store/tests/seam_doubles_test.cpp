// The test doubles know every member of the seam for what it is. The crash sweeps cut a process
// off after its n-th change and the standard user's model refuses changes to the machine: both
// learn what changes from `Call::Changes`. A member that writes but is not known to write would
// slip through every cut, and the tests built on them could not fail.
#include "os.h"

#include "folder_access.h"
#include "folder_path.h"

#include "exe_harness.h"
#include "faulty_os.h"
#include "sandbox.h"

#include <gtest/gtest.h>
#include <knownfolders.h>

#include <functional>
#include <set>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using testing::Op;

struct Member {
    Op op;
    bool changes;
    std::function<Status(Os&)> call;
};

// Everything the calls below could change: their key and their folder. (The shell's own lookup of
// a folder writes the shell's records of it; that is not the call's doing.)
std::vector<std::wstring> SeamWorld(const fs::path& folder, std::wstring_view key) {
    std::vector<std::wstring> world = testing::DumpTree(HKEY_CURRENT_USER, key);
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        world.push_back(entry.path().wstring());
    return world;
}

TEST(SeamDoublesTest, EveryMemberThatChangesSomethingIsKnownToChangeIt) {
    testing::Sandbox box;
    const fs::path root = box.folders.root;
    const std::wstring dir = (root / L"dir").wstring();
    const std::wstring file = (root / L"dir\\file.lnk").wstring();
    const std::wstring key = L"Software\\Seam";
    fs::create_directories(root / L"dir\\empty");
    testing::WriteFile(root / L"dir\\file.lnk", "x");
    testing::SetSz(HKEY_CURRENT_USER, key, L"v", L"text");
    const std::wstring missing = (root / L"none.exe").wstring();
    bool shellDeleted = false;

    const std::vector<Member> members = {
        {Op::QueryValue, false,
         [&](Os& os) {
             RegValue v;
             return os.QueryValue(HKEY_CURRENT_USER, key, L"v", v);
         }},
        {Op::SetString, true,
         [&](Os& os) { return os.SetString(HKEY_CURRENT_USER, key, L"w", L"new"); }},
        {Op::SetValue, true,
         [&](Os& os) {
             return os.SetValue(HKEY_CURRENT_USER, key, L"w", {REG_BINARY, {1, 2}});
         }},
        {Op::DeleteValue, true,
         [&](Os& os) { return os.DeleteValue(HKEY_CURRENT_USER, key, L"v"); }},
        {Op::DeleteKey, true, [&](Os& os) { return os.DeleteKey(HKEY_CURRENT_USER, key); }},
        {Op::EnumValues, false,
         [&](Os& os) {
             std::vector<NamedRegValue> values;
             return os.EnumValues(HKEY_CURRENT_USER, key, values);
         }},
        {Op::ShellFolder, false,
         [&](Os& os) {
             std::wstring path;
             return os.ShellFolder(nullptr, 11, path);
         }},
        {Op::KnownFolder, false,
         [&](Os& os) {
             std::wstring path;
             return os.KnownFolder(FOLDERID_Documents, path);
         }},
        {Op::ListFiles, false,
         [&](Os& os) {
             std::vector<std::wstring> names;
             return os.ListFiles(dir, L"*.lnk", names);
         }},
        {Op::MoveFile, true, [&](Os& os) { return os.MoveFile(file, dir + L"\\moved.lnk"); }},
        {Op::MoveFileReplacing, true,
         [&](Os& os) { return os.MoveFileReplacing(file, dir + L"\\moved.lnk"); }},
        {Op::MoveFileInside, true,
         [&](Os& os) {
             return os.MoveFileInside(file, root.wstring(), dir + L"\\empty\\moved.lnk",
                                      root.wstring());
         }},
        {Op::CopyFile, true, [&](Os& os) { return os.CopyFile(file, dir + L"\\copied.lnk"); }},
        {Op::TempFolder, false,
         [&](Os& os) {
             std::wstring path;
             return os.TempFolder(path);
         }},
        {Op::DeleteFile, true, [&](Os& os) { return os.DeleteFile(file); }},
        {Op::CreateDirectory, true, [&](Os& os) { return os.CreateDirectory(dir + L"\\new"); }},
        {Op::RemoveDirectory, true, [&](Os& os) { return os.RemoveDirectory(dir + L"\\empty"); }},
        {Op::FolderSecurity, false,
         [&](Os& os) {
             std::wstring sddl;
             return os.FolderSecurity(dir, sddl);
         }},
        {Op::ProtectFolder, true,
         [&](Os& os) { return os.ProtectFolder(dir + L"\\empty", kAdministratorsOnly); }},
        {Op::CreateProtectedFolder, true,
         [&](Os& os) { return os.CreateProtectedFolder(dir + L"\\made", kAdministratorsOnly); }},
        {Op::StartProcess, true,
         [&](Os& os) {
             StartedProcess started;
             return os.StartProcess(missing, started);
         }},
        {Op::StartWithHandle, true,
         [&](Os& os) { return os.StartWithHandle(missing, ::GetCurrentProcess()); }},
        {Op::ExpandEnvironment, false,
         [&](Os& os) {
             std::wstring expanded;
             return os.ExpandEnvironment(L"%SystemRoot%", expanded);
         }},
        {Op::EnvironmentVariable, false,
         [&](Os& os) {
             std::wstring value;
             return os.EnvironmentVariable(L"SystemRoot", value);
         }},
        {Op::ShellOpen, true,
         [&](Os& os) {
             StartedProcess started;
             return os.ShellOpen(nullptr, missing, {}, started);
         }},
        {Op::OpenShortcut, true,
         [&](Os& os) {
             StartedProcess started;
             return os.OpenShortcut(nullptr, missing, started);
         }},
        {Op::ShellDelete, true,
         [&](Os& os) {
             bool aborted = true;
             return os.ShellDelete(dir, aborted);
         }},
        {Op::FileAttributes, false,
         [&](Os& os) {
             DWORD attributes = 0;
             return os.FileAttributes(file, attributes);
         }},
        {Op::FindOnSearchPath, false, [&](Os& os) { return os.FindOnSearchPath(L"cmd", L".exe"); }},
        {Op::FileIdentity, false,
         [&](Os& os) {
             std::wstring identity;
             return os.FileIdentity(file, identity);
         }},
        {Op::ListFolder, false,
         [&](Os& os) {
             std::vector<std::wstring> names;
             return os.ListFolder(dir, names);
         }},
        {Op::EnumKeys, false,
         [&](Os& os) {
             std::vector<std::wstring> names;
             return os.EnumKeys(HKEY_CURRENT_USER, L"Software", names);
         }},
        {Op::FileOwner, false,
         [&](Os& os) {
             std::wstring sid;
             return os.FileOwner(file, sid);
         }},
        {Op::CurrentAccountSid, false,
         [&](Os& os) {
             std::wstring sid;
             return os.CurrentAccountSid(sid);
         }},
        {Op::AdminRights, false, [&](Os& os) { return os.AdminRights(); }},
        {Op::LoadHive, true,
         [&](Os& os) { return os.LoadHive(L"Tarnwick.Seam", (root / L"NTUSER.DAT").wstring()); }},
        {Op::UnloadHive, true, [&](Os& os) { return os.UnloadHive(L"Tarnwick.Seam"); }},
        {Op::LockHoldings, false,
         [&](Os& os) {
             OwnedMutex held;
             return os.LockHoldings(1000, held);
         }},
    };
    std::set<Op> listed;
    for (const Member& member : members) listed.insert(member.op);
    EXPECT_EQ(listed.size(), members.size()) << "a member is listed twice";
    EXPECT_EQ(members.size(), static_cast<size_t>(Op::Count))
        << "a member of the seam is missing here: say whether it changes anything";

    const std::vector<std::wstring> before = SeamWorld(dir, key);
    for (const Member& member : members) {
        testing::FaultyOs os(SystemOs());
        os.shellDelete = [&](std::wstring_view, bool& aborted) {
            shellDeleted = true;
            aborted = false;
            return Status{ERROR_SUCCESS};
        };
        // A process cut off before its first change.
        os.CutAfter(0);
        const Status rc = member.call(os);
        const int op = static_cast<int>(member.op);
        if (member.changes) {
            EXPECT_EQ(rc, static_cast<Status>(ERROR_ACCESS_DENIED)) << "member " << op;
        } else {
            EXPECT_NE(rc, static_cast<Status>(ERROR_ACCESS_DENIED)) << "member " << op;
        }
        EXPECT_TRUE(SeamWorld(dir, key) == before) << "member " << op << " changed something";
        EXPECT_TRUE(os.changes.empty()) << "member " << op;
    }
    EXPECT_FALSE(shellDeleted);
}

TEST(SeamDoublesTest, AStandardUserChangesNothingInTheProgramFolderButMayCopyOutOfIt) {
    testing::Sandbox box;
    const std::wstring folder = box.ProgramFolder();
    const std::wstring inside = JoinPath(folder, L"Tarnwick.exe");
    const std::wstring outside = (box.folders.root / L"copy.exe").wstring();
    testing::WriteFile(inside, "launcher");
    testing::FaultyOs os(SystemOs());
    os.rule = testing::StandardUserRights(folder);
    EXPECT_EQ(os.CopyFile(outside, JoinPath(folder, L"planted.exe")),
              static_cast<Status>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(os.DeleteFile(inside), static_cast<Status>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(os.MoveFile(inside, outside), static_cast<Status>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(os.CopyFile(inside, outside), static_cast<Status>(ERROR_SUCCESS));
    EXPECT_EQ(testing::ReadFileBytes(outside), "launcher");
}

}  // namespace
}  // namespace tarnwick
