// The one seam between Tarnwick and the operating system. Everything the shared code does to the
// registry, the shell folders and the file system goes through `Os`, so that a test can make any
// single operation fail. `SystemOs()` is the real thing: each member is one Win32 call sequence
// that opens and closes its own handles. The members are grouped by what they reach: the
// registry, the file system, the shell, processes and their environment, the accounts.
#pragma once

#include "handles.h"

#include <windows.h>
#include <shtypes.h>

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// One registry value as stored: its type and raw bytes.
struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct NamedRegValue {
    std::wstring name;
    RegValue value;
};

// What a start left to watch: the job that holds the started process and every process it starts,
// and the process itself. Either may be empty: a start that the shell handed to a process already
// running leaves neither, a process that could not be put into a job only itself.
struct StartedProcess {
    UniqueHandle job;
    UniqueHandle process;
    // The process ran for a while before it was put in its job (the shell started it): what it
    // started meanwhile is not in the job.
    bool joinedLate = false;
};

// What every member of the seam answers: ERROR_SUCCESS when it did what it says, a "not there"
// code (see `IsNotThere`) when what it names does not exist, or the Win32 error it failed with.
// What a member reads comes back through its last parameters, emptied when the call fails.
using Status = DWORD;

// ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND: Windows answers the second for some keys and
// folders missing on the way, where Wine answers the first.
inline bool IsNotThere(Status status) {
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

// A path that leads somewhere else than it says: through a junction or a symbolic link, or out of
// the folder it must stay in. Tarnwick's own code (bit 29 marks a code of the application's own),
// so that no error of Windows is ever taken for it.
inline constexpr Status kLeadsElsewhere = 0x20000001;

// What a member of the seam reaches, as flags: whether it only reads, what it may change, and
// whether a standard user is refused it. The test doubles learn from these alone which calls a
// crash can cut off and what a standard user may do, so no member can be left out of either.
using Reach = unsigned;
inline constexpr Reach kReadsOnly = 0;
inline constexpr Reach kWritesRegistry = 1u << 0;
inline constexpr Reach kWritesFiles = 1u << 1;
inline constexpr Reach kStartsProcess = 1u << 2;
// Refused to a standard user whatever it names: reads of what only administrators may see, and
// changes that only they may make.
inline constexpr Reach kNeedsAdmin = 1u << 3;

// Every member of `Os`, one entry each: X(reach, name, (parameters), (arguments)), grouped as the
// class below is. The table is what the production class (store/win32_os.cpp) and the test
// doubles' forwarders (store/tests/support/forwarding_os.h) are generated from, each forwarder
// checked by `override` against the declaration below; a member declared without an entry
// leaves the production class abstract, which does not compile. The declarations stay written
// out, for their comments and for every reader who looks up a member: the table is a list, the
// class is the documentation. A new member: one entry here, its declaration, and its Win32 body
// in the store/win32_*.cpp of its group.
#define TARNWICK_OS_REGISTRY(X)                                                                    \
    X(kReadsOnly, QueryValue,                                                                      \
      (HKEY root, std::wstring_view subKey, std::wstring_view name, RegValue & out),               \
      (root, subKey, name, out))                                                                   \
    X(kWritesRegistry, SetString,                                                                  \
      (HKEY root, std::wstring_view subKey, std::wstring_view name, std::wstring_view text),       \
      (root, subKey, name, text))                                                                  \
    X(kWritesRegistry, SetValue,                                                                   \
      (HKEY root, std::wstring_view subKey, std::wstring_view name, const RegValue& value),        \
      (root, subKey, name, value))                                                                 \
    X(kWritesRegistry, DeleteValue, (HKEY root, std::wstring_view subKey, std::wstring_view name), \
      (root, subKey, name))                                                                        \
    X(kWritesRegistry, DeleteKey, (HKEY root, std::wstring_view subKey), (root, subKey))           \
    X(kReadsOnly, EnumValues,                                                                      \
      (HKEY root, std::wstring_view subKey, std::vector<NamedRegValue> & values),                  \
      (root, subKey, values))                                                                      \
    X(kReadsOnly, EnumKeys,                                                                        \
      (HKEY root, std::wstring_view subKey, std::vector<std::wstring> & names),                    \
      (root, subKey, names))

#define TARNWICK_OS_FILES(X)                                                                       \
    X(kReadsOnly, ListFiles,                                                                       \
      (std::wstring_view folder, std::wstring_view pattern, std::vector<std::wstring> & names),    \
      (folder, pattern, names))                                                                    \
    X(kReadsOnly, ListFolder, (std::wstring_view folder, std::vector<std::wstring> & names),       \
      (folder, names))                                                                             \
    X(kReadsOnly, FileAttributes, (std::wstring_view path, DWORD & attributes),                    \
      (path, attributes))                                                                          \
    X(kReadsOnly, FileIdentity, (std::wstring_view path, std::wstring & identity),                 \
      (path, identity))                                                                            \
    X(kReadsOnly, FindOnSearchPath, (std::wstring_view name, std::wstring_view extension),         \
      (name, extension))                                                                           \
    X(kReadsOnly, TempFolder, (std::wstring & path), (path))                                       \
    X(kWritesFiles, MoveFile, (std::wstring_view from, std::wstring_view to), (from, to))          \
    X(kWritesFiles, MoveFileReplacing, (std::wstring_view from, std::wstring_view to), (from, to)) \
    X(kWritesFiles, MoveFileInside,                                                                \
      (std::wstring_view from, std::wstring_view fromRoot, std::wstring_view to,                   \
       std::wstring_view toRoot),                                                                  \
      (from, fromRoot, to, toRoot))                                                                \
    X(kWritesFiles, CopyFile, (std::wstring_view from, std::wstring_view to), (from, to))          \
    X(kWritesFiles, DeleteFile, (std::wstring_view path), (path))                                  \
    X(kWritesFiles, CreateDirectory, (std::wstring_view path), (path))                             \
    X(kWritesFiles, RemoveDirectory, (std::wstring_view path), (path))                             \
    X(kReadsOnly, FolderSecurity, (std::wstring_view path, std::wstring & sddl), (path, sddl))     \
    X(kWritesFiles | kNeedsAdmin, ProtectFolder, (std::wstring_view path, std::wstring_view sddl), \
      (path, sddl))                                                                                \
    X(kWritesFiles | kNeedsAdmin, CreateProtectedFolder,                                           \
      (std::wstring_view path, std::wstring_view sddl), (path, sddl))                              \
    X(kReadsOnly, FileOwner, (std::wstring_view path, std::wstring & sid), (path, sid))

#define TARNWICK_OS_SHELL(X)                                                                      \
    X(kReadsOnly, ShellFolder, (HWND owner, int csidl, std::wstring& path), (owner, csidl, path)) \
    X(kReadsOnly, KnownFolder, (const KNOWNFOLDERID& id, std::wstring& path), (id, path))         \
    X(kStartsProcess, ShellOpen,                                                                  \
      (HWND owner, std::wstring_view file, std::wstring_view parameters,                          \
       StartedProcess & started),                                                                 \
      (owner, file, parameters, started))                                                         \
    X(kStartsProcess, OpenShortcut,                                                               \
      (HWND owner, std::wstring_view path, StartedProcess & started), (owner, path, started))     \
    X(kWritesFiles, ShellDelete, (std::wstring_view path, bool& aborted), (path, aborted))

#define TARNWICK_OS_PROCESSES(X)                                                               \
    X(kStartsProcess, StartProcess, (std::wstring_view commandLine, StartedProcess & started), \
      (commandLine, started))                                                                  \
    X(kStartsProcess, StartWithHandle, (std::wstring_view commandLine, HANDLE inherited),      \
      (commandLine, inherited))                                                                \
    X(kReadsOnly, ExpandEnvironment, (std::wstring_view text, std::wstring & expanded),        \
      (text, expanded))                                                                        \
    X(kReadsOnly, EnvironmentVariable, (std::wstring_view name, std::wstring & value),         \
      (name, value))                                                                           \
    X(kReadsOnly, LockHoldings, (DWORD timeoutMs, OwnedMutex & held), (timeoutMs, held))

#define TARNWICK_OS_ACCOUNTS(X)                                                                  \
    X(kReadsOnly, CurrentAccountSid, (std::wstring & sid), (sid))                                \
    X(kReadsOnly | kNeedsAdmin, AdminRights, (), ())                                             \
    X(kWritesRegistry | kNeedsAdmin, LoadHive, (std::wstring_view name, std::wstring_view file), \
      (name, file))                                                                              \
    X(kWritesRegistry | kNeedsAdmin, UnloadHive, (std::wstring_view name), (name))

#define TARNWICK_OS_SEAM(X) \
    TARNWICK_OS_REGISTRY(X) \
    TARNWICK_OS_FILES(X) TARNWICK_OS_SHELL(X) TARNWICK_OS_PROCESSES(X) TARNWICK_OS_ACCOUNTS(X)

class Os {
  public:
    virtual ~Os() = default;

    // The registry.
    //
    // Reads a value's type and bytes. ERROR_FILE_NOT_FOUND for a missing key or value; any other
    // status is a failure to read (the value may well exist).
    virtual Status QueryValue(HKEY root, std::wstring_view subKey, std::wstring_view name,
                              RegValue& out) = 0;
    // Writes a REG_SZ value, creating the key and its parents when missing.
    virtual Status SetString(HKEY root, std::wstring_view subKey, std::wstring_view name,
                             std::wstring_view text) = 0;
    // Writes a value of any type exactly as given, creating the key and its parents when missing.
    virtual Status SetValue(HKEY root, std::wstring_view subKey, std::wstring_view name,
                            const RegValue& value) = 0;
    virtual Status DeleteValue(HKEY root, std::wstring_view subKey, std::wstring_view name) = 0;
    // Deletes a key with everything below it.
    virtual Status DeleteKey(HKEY root, std::wstring_view subKey) = 0;
    // Every value of a key, with its data, in the registry's own order: one read of the whole
    // key. A missing key gives ERROR_FILE_NOT_FOUND and no values.
    virtual Status EnumValues(HKEY root, std::wstring_view subKey,
                              std::vector<NamedRegValue>& values) = 0;
    // The names of a key's sub-keys. ERROR_FILE_NOT_FOUND for a missing key.
    virtual Status EnumKeys(HKEY root, std::wstring_view subKey,
                            std::vector<std::wstring>& names) = 0;

    // The file system.
    //
    // Names of the plain files of `folder` matching `pattern`: no folders, no hidden or system
    // files. ERROR_SUCCESS also when nothing matches; any other status: the listing failed.
    virtual Status ListFiles(std::wstring_view folder, std::wstring_view pattern,
                             std::vector<std::wstring>& names) = 0;
    // Names of everything directly in `folder`: files of every kind and sub-folders, without "."
    // and "..". ERROR_PATH_NOT_FOUND (or ERROR_FILE_NOT_FOUND) when the folder does not exist.
    virtual Status ListFolder(std::wstring_view folder, std::vector<std::wstring>& names) = 0;
    // GetFileAttributes; a path that does not exist answers a "not there" code, one that cannot
    // be reached (a drive that is not ready) its own error.
    virtual Status FileAttributes(std::wstring_view path, DWORD& attributes) = 0;
    // What makes a file the file it is, whatever path names it (a short 8.3 name, another letter
    // case, a link): its volume and its index there, as text. Two paths name one file when their
    // identities are equal.
    virtual Status FileIdentity(std::wstring_view path, std::wstring& identity) = 0;
    // Looks for a file the way CreateProcess looks for a program named without a path
    // (SearchPath: the running program's folder, the current folder, the system folders, PATH),
    // with `extension` added to a name that has none. ERROR_SUCCESS when found,
    // ERROR_FILE_NOT_FOUND when not, any other status: the search failed.
    virtual Status FindOnSearchPath(std::wstring_view name, std::wstring_view extension) = 0;
    // The running account's temporary folder (GetTempPath), without a trailing backslash.
    virtual Status TempFolder(std::wstring& path) = 0;
    // Renames a file; fails when the target exists. Never copies.
    virtual Status MoveFile(std::wstring_view from, std::wstring_view to) = 0;
    // Renames a file over an existing one in one step (on one volume the target is never
    // missing). Never copies.
    virtual Status MoveFileReplacing(std::wstring_view from, std::wstring_view to) = 0;
    // `MoveFile` for folders that another account controls. Moves only when the file itself is no
    // link and its folder, resolved through every link, is `fromRoot` resolved followed by the
    // rest of its path as written (no link below `fromRoot`), and the same for the target's folder
    // and `toRoot`. Both folders are held open while the file moves, which keeps Windows from
    // renaming them or putting a link in their place meanwhile. kLeadsElsewhere when a check
    // fails.
    virtual Status MoveFileInside(std::wstring_view from, std::wstring_view fromRoot,
                                  std::wstring_view to, std::wstring_view toRoot) = 0;
    // Copies a file; fails when the target exists.
    virtual Status CopyFile(std::wstring_view from, std::wstring_view to) = 0;
    // Deletes one file (never a folder).
    virtual Status DeleteFile(std::wstring_view path) = 0;
    virtual Status CreateDirectory(std::wstring_view path) = 0;
    virtual Status RemoveDirectory(std::wstring_view path) = 0;
    // A folder's owner and DACL as SDDL text ("O:BAD:P(A;OICI;FA;;;BA)..."); a folder open to
    // everyone (a null DACL) reads "D:NO_ACCESS_CONTROL".
    virtual Status FolderSecurity(std::wstring_view path, std::wstring& sddl) = 0;
    // Gives an existing folder the DACL of `sddl` (SDDL text), and its owner when the text names
    // one, as its own: protected from what the folder above hands down, while what the folder
    // holds inherits the DACL's inheritable entries. ERROR_INVALID_PARAMETER for a text without
    // a DACL.
    virtual Status ProtectFolder(std::wstring_view path, std::wstring_view sddl) = 0;
    // Creates one folder that has the owner and the DACL of `sddl` from its first moment, so that
    // nobody can put anything into it before it has them. Fails when the folder exists.
    virtual Status CreateProtectedFolder(std::wstring_view path, std::wstring_view sddl) = 0;
    // The owner of a file or folder, as a security identifier in text form.
    virtual Status FileOwner(std::wstring_view path, std::wstring& sid) = 0;

    // The shell.
    //
    // The file-system path of a shell folder (CSIDL) without a trailing backslash.
    virtual Status ShellFolder(HWND owner, int csidl, std::wstring& path) = 0;
    // The file-system path of a known folder, whether or not it exists yet, without a trailing
    // backslash.
    virtual Status KnownFolder(const KNOWNFOLDERID& id, std::wstring& path) = 0;
    // The shell's "Open" verb (documents, addresses, a program that asks for elevation) with
    // SW_RESTORE; `parameters` may be empty. The shell shows its own message when it fails.
    // 0 on success, else the error. `started` holds the process the shell made, if it made one,
    // and the job it was put into once the shell had started it.
    virtual Status ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters,
                             StartedProcess& started) = 0;
    // Opens a shortcut file through the shell's "open" verb with SW_RESTORE, the shell showing no
    // message of its own when the shortcut is broken, and returns once the shell has started it.
    // 0 on success, else the error. `started` as for `ShellOpen`.
    virtual Status OpenShortcut(HWND owner, std::wstring_view path, StartedProcess& started) = 0;
    // The shell's own deletion of one path (FO_DELETE with no flags: the shell asks the user,
    // shows its progress and deletes permanently). Returns the shell's result code; `aborted`
    // says whether the user declined.
    virtual Status ShellDelete(std::wstring_view path, bool& aborted) = 0;

    // Processes, their environment, and what Tarnwick's programs share.
    //
    // Runs a whole command line in a new process, shown normally, not waited for. The process
    // runs in a job of its own from its first instruction, which every process it starts joins
    // too; a process may still leave it on purpose (CREATE_BREAKAWAY_FROM_JOB), and neither the
    // job nor its end ever ends a process. `started` holds the job and the process (the job is
    // empty where the system refused one).
    virtual Status StartProcess(std::wstring_view commandLine, StartedProcess& started) = 0;
    // Runs a command line in a new process, shown normally, in no job, handing it one handle of
    // the caller's, `inherited` (made inheritable), under the same value, and no other.
    // ERROR_INVALID_HANDLE for a null handle.
    virtual Status StartWithHandle(std::wstring_view commandLine, HANDLE inherited) = 0;
    // `text` with every %NAME% of the running program's environment put in, as Windows expands an
    // expandable value; a name the environment does not hold stays as it is.
    virtual Status ExpandEnvironment(std::wstring_view text, std::wstring& expanded) = 0;
    // One variable of the running program's environment; ERROR_ENVVAR_NOT_FOUND when it has none
    // of that name.
    virtual Status EnvironmentVariable(std::wstring_view name, std::wstring& value) = 0;
    // The one lock of the whole machine, for every session and account, under which Tarnwick's
    // programs change what they hold: waited for at most `timeoutMs`. ERROR_SUCCESS with `held`
    // owning it; ERROR_TIMEOUT when another program held it all that time; any other status: it
    // could not be had. The thread that holds it may take it again; each hold ends with its
    // owner. Changes nothing itself.
    virtual Status LockHoldings(DWORD timeoutMs, OwnedMutex& held) = 0;

    // The accounts of the machine.
    //
    // The running account's security identifier as text ("S-1-5-21-...").
    virtual Status CurrentAccountSid(std::wstring& sid) = 0;
    // ERROR_SUCCESS when the process holds administrator rights (elevated, or with UAC off),
    // ERROR_ACCESS_DENIED when it does not.
    virtual Status AdminRights() = 0;
    // Loads the hive file of an account that is not logged on as HKEY_USERS\<name>; `UnloadHive`
    // lets it go again. Each turns on the backup and restore privileges that it needs for that
    // call alone, and puts them back as they were.
    virtual Status LoadHive(std::wstring_view name, std::wstring_view file) = 0;
    virtual Status UnloadHive(std::wstring_view name) = 0;
};

// The production implementation: straight Win32.
Os& SystemOs();

// Whether `path` names a file (not a folder, not nothing).
inline bool IsFile(Os& os, const std::wstring& path) {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    return os.FileAttributes(path, attributes) == ERROR_SUCCESS &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether `path` names a folder.
inline bool IsFolder(Os& os, const std::wstring& path) {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    return os.FileAttributes(path, attributes) == ERROR_SUCCESS &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// `text` expanded as `Os::ExpandEnvironment` does; `text` itself when the expansion failed.
inline std::wstring ExpandEnvironment(Os& os, std::wstring_view text) {
    std::wstring expanded;
    return os.ExpandEnvironment(text, expanded) == ERROR_SUCCESS ? expanded : std::wstring(text);
}

}  // namespace tarnwick
