// The processes side of the production seam: starting programs, the running program's
// environment, and the lock that Tarnwick's programs share.
#include "win32_os.h"

#include "handles.h"
#include "holdings_lock.h"
#include "process.h"

#include <iterator>
#include <optional>
#include <vector>

namespace tarnwick {
namespace {

// The security of the holdings lock. SYSTEM and the administrators may do anything with it; every
// other account may only wait for it and release a hold of its own (a release by a thread that
// holds nothing fails), which is all that Tarnwick's programs ask for. The entry for OWNER RIGHTS
// takes the place of the rights an owner has without any entry (to read and to rewrite the DACL):
// a standard user whose launcher happens to make the lock first owns it and still cannot lock
// the others out of it.
class LockSecurity {
  public:
    LockSecurity() {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        SID_IDENTIFIER_AUTHORITY creator = SECURITY_CREATOR_SID_AUTHORITY;
        constexpr DWORD kWaitAndRelease = SYNCHRONIZE | MUTEX_MODIFY_STATE;
        const struct {
            SID_IDENTIFIER_AUTHORITY* authority;
            BYTE count;
            DWORD first, second;
            DWORD access;
        } entries[] = {
            {&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, MUTEX_ALL_ACCESS},
            {&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, MUTEX_ALL_ACCESS},
            {&world, 1, SECURITY_WORLD_RID, 0, kWaitAndRelease},
            {&creator, 1, SECURITY_CREATOR_OWNER_RIGHTS_RID, 0, kWaitAndRelease},
        };
        DWORD size = static_cast<DWORD>(sizeof(ACL));
        for (size_t i = 0; i < std::size(entries); ++i) {
            if (!::AllocateAndInitializeSid(entries[i].authority, entries[i].count,
                                            entries[i].first, entries[i].second, 0, 0, 0, 0, 0, 0,
                                            sids_[i].put())) {
                error_ = ::GetLastError();
                return;
            }
            size += static_cast<DWORD>(sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) +
                    ::GetLengthSid(sids_[i].get());
        }
        acl_.resize(size);
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        if (!::InitializeAcl(acl, size, ACL_REVISION)) {
            error_ = ::GetLastError();
            return;
        }
        for (size_t i = 0; i < std::size(entries); ++i) {
            if (!::AddAccessAllowedAce(acl, ACL_REVISION, entries[i].access, sids_[i].get())) {
                error_ = ::GetLastError();
                return;
            }
        }
        if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
            !::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE)) {
            error_ = ::GetLastError();
            return;
        }
        attributes_.lpSecurityDescriptor = &descriptor_;
    }

    DWORD Error() const { return error_; }
    SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

  private:
    UniqueSid sids_[4];
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    DWORD error_ = ERROR_SUCCESS;
};

// The attribute that limits what a new process inherits to one handle: without it, every
// inheritable handle of the caller would go with it.
class HandleList {
  public:
    explicit HandleList(HANDLE handle) : handle_(handle) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        list_ = list;
        // The list points at the handle: it lives as long as the list does.
        if (!::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_,
                                         sizeof handle_, nullptr, nullptr)) {
            error_ = ::GetLastError();
        }
    }
    ~HandleList() {
        if (list_) ::DeleteProcThreadAttributeList(list_);
    }
    HandleList(const HandleList&) = delete;
    HandleList& operator=(const HandleList&) = delete;

    // ERROR_SUCCESS once the list holds the handle.
    DWORD Error() const { return list_ ? error_ : ERROR_NOT_ENOUGH_MEMORY; }
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

  private:
    HANDLE handle_;
    std::vector<BYTE> buffer_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;
};

// Starts a command line; `flags` are CreateProcess's creation flags. The process and its first
// thread, or the error.
DWORD Start(std::wstring_view commandLine, HANDLE inherited, DWORD flags, PROCESS_INFORMATION& pi) {
    std::wstring cmd(commandLine);  // CreateProcessW may write into its command line.
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof si.StartupInfo;
    si.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    si.StartupInfo.wShowWindow = SW_SHOWNORMAL;
    std::optional<HandleList> handles;
    if (inherited) {
        handles.emplace(inherited);
        if (handles->Error() != ERROR_SUCCESS) return handles->Error();
        si.StartupInfo.cb = sizeof si;
        si.lpAttributeList = handles->get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    pi = {};
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, inherited != nullptr, flags,
                          nullptr, nullptr, &si.StartupInfo, &pi)) {
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

DWORD Start(std::wstring_view commandLine, HANDLE inherited, UniqueHandle* process) {
    PROCESS_INFORMATION pi{};
    if (const DWORD error = Start(commandLine, inherited, 0, pi)) return error;
    UniqueHandle started(pi.hProcess);
    const UniqueHandle thread(pi.hThread);
    if (process) *process = std::move(started);
    return ERROR_SUCCESS;
}

}  // namespace

DWORD StartCommandLine(std::wstring_view commandLine, UniqueHandle* process) {
    return Start(commandLine, nullptr, process);
}

DWORD StartCommandLineWithHandle(std::wstring_view commandLine, HANDLE inherited,
                                 UniqueHandle* process) {
    return inherited ? Start(commandLine, inherited, process) : ERROR_INVALID_HANDLE;
}

UniqueHandle ProgramJob() {
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    // Nothing is limited but this: a process that asks to leave the job (CREATE_BREAKAWAY_FROM_JOB)
    // may, where a job that does not allow it makes that CreateProcess fail with "access
    // denied". Above all no JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE: the launcher's end must never end
    // the user's programs.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                   sizeof limits)) {
        job.reset();
    }
    return job;
}

DWORD StartCommandLineInJob(std::wstring_view commandLine, StartedProcess& started) {
    started = {};
    // Suspended until it is in its job, so that nothing it does, and no process it starts, is
    // left out.
    PROCESS_INFORMATION pi{};
    if (const DWORD error = Start(commandLine, nullptr, CREATE_SUSPENDED, pi)) return error;
    UniqueHandle process(pi.hProcess);
    const UniqueHandle thread(pi.hThread);
    UniqueHandle job = ProgramJob();
    // A system without nested jobs refuses a second job to a process that is in one already
    // (the launcher's own, inherited): the program then runs unwatched, but it runs.
    if (job && !::AssignProcessToJobObject(job.get(), process.get())) job.reset();
    if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        // Never leave a program frozen for the user to find: it goes, and the start failed.
        const DWORD error = ::GetLastError();
        ::TerminateProcess(process.get(), error);
        return error;
    }
    started.job = std::move(job);
    started.process = std::move(process);
    return ERROR_SUCCESS;
}

namespace win32 {

Status StartProcess(std::wstring_view commandLine, StartedProcess& started) {
    return StartCommandLineInJob(commandLine, started);
}

Status StartWithHandle(std::wstring_view commandLine, HANDLE inherited) {
    return StartCommandLineWithHandle(commandLine, inherited);
}

Status ExpandEnvironment(std::wstring_view text, std::wstring& expanded) {
    expanded.clear();
    const std::wstring source(text);
    const DWORD size = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
    if (size == 0) return ::GetLastError();
    std::wstring result(size, L'\0');
    if (::ExpandEnvironmentStringsW(source.c_str(), result.data(), size) == 0)
        return ::GetLastError();
    result.resize(wcslen(result.c_str()));
    expanded = std::move(result);
    return ERROR_SUCCESS;
}

Status EnvironmentVariable(std::wstring_view name, std::wstring& value) {
    value.clear();
    const std::wstring variable(name);
    // The size with the terminator; a variable that grew meanwhile answers its larger size again.
    std::wstring result;
    for (DWORD size = ::GetEnvironmentVariableW(variable.c_str(), nullptr, 0); size != 0;) {
        result.resize(size);
        const DWORD length = ::GetEnvironmentVariableW(variable.c_str(), result.data(), size);
        if (length < size) {
            result.resize(length);
            value = std::move(result);
            return ERROR_SUCCESS;
        }
        size = length;
    }
    return ::GetLastError();
}

Status LockHoldings(DWORD timeoutMs, OwnedMutex& held) {
    held.reset();
    LockSecurity security;
    if (security.Error() != ERROR_SUCCESS) return security.Error();
    // Made with that security by whichever program comes first, opened by every later one
    // with no more rights than waiting and releasing need, so that a standard user's program
    // opens it as well as an administrator's. A lock that another account made first with a
    // security that keeps this program out, or a thing of another kind under its name, cannot
    // be opened: the caller changes nothing then.
    UniqueHandle mutex(::CreateMutexExW(security.Attributes(), kHoldingsLockName, 0,
                                        SYNCHRONIZE | MUTEX_MODIFY_STATE));
    if (!mutex) return ::GetLastError();
    switch (::WaitForSingleObject(mutex.get(), timeoutMs)) {
        case WAIT_OBJECT_0:
        // Its last holder ended while holding it: every step of a change is whole on its own,
        // so the next change may begin.
        case WAIT_ABANDONED:
            held.reset(mutex.release());
            return ERROR_SUCCESS;
        case WAIT_TIMEOUT:
            return ERROR_TIMEOUT;
        default:
            return ::GetLastError();
    }
}

}  // namespace win32
}  // namespace tarnwick
