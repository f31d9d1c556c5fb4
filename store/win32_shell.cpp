// The shell side of the production seam: its folders, its "open" verb and its own deletion.
#include "win32_os.h"

#include "folder_path.h"
#include "handles.h"
#include "process.h"

#include <shellapi.h>
#include <shlobj.h>

namespace tarnwick::win32 {
namespace {

void FreeCoTaskText(PWSTR text) {
    ::CoTaskMemFree(text);
}
using UniqueCoTaskText = UniqueAny<PWSTR, FreeCoTaskText>;

DWORD ShellExecuteOpen(HWND owner, std::wstring_view file, std::wstring_view parameters,
                       ULONG extraMask, StartedProcess& started) {
    started = {};
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // The calling process may end right after this call: finish the execution before returning.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_NOCLOSEPROCESS | extraMask;
    info.hwnd = owner;
    info.lpVerb = L"open";
    const std::wstring target(file);
    info.lpFile = target.c_str();
    const std::wstring params(parameters);
    info.lpParameters = params.empty() ? nullptr : params.c_str();
    info.nShow = SW_RESTORE;
    if (!::ShellExecuteExW(&info)) return ::GetLastError();
    // A process only where the shell made one: not for a document handed to a program that was
    // running already, nor under Wine for a shortcut (measured).
    started.process.reset(info.hProcess);
    if (started.process) {
        started.job = ProgramJob();
        if (started.job && !::AssignProcessToJobObject(started.job.get(), info.hProcess)) {
            started.job.reset();
        }
        started.joinedLate = true;
    }
    return ERROR_SUCCESS;
}

}  // namespace

Status ShellFolder(HWND owner, int csidl, std::wstring& path) {
    path.clear();
    UniquePidl pidl;
    const HRESULT hr = ::SHGetSpecialFolderLocation(owner, csidl, pidl.put());
    if (hr != S_OK || !pidl) return hr == S_OK ? ERROR_PATH_NOT_FOUND : HRESULT_CODE(hr);
    std::wstring found(32768, L'\0');
    // A folder without a file-system path (a virtual one) is not there for the caller.
    if (!::SHGetPathFromIDListEx(pidl.get(), found.data(), static_cast<DWORD>(found.size()),
                                 GPFIDL_DEFAULT)) {
        return ERROR_PATH_NOT_FOUND;
    }
    path = WithoutTrailingBackslash(std::wstring_view(found.c_str()));
    return ERROR_SUCCESS;
}

Status KnownFolder(const KNOWNFOLDERID& id, std::wstring& path) {
    path.clear();
    UniqueCoTaskText found;
    // DONT_VERIFY: a folder that does not exist yet has its path all the same.
    const HRESULT hr = ::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, found.put());
    if (FAILED(hr) || !found) return FAILED(hr) ? HRESULT_CODE(hr) : ERROR_PATH_NOT_FOUND;
    path = WithoutTrailingBackslash(found.get());
    return ERROR_SUCCESS;
}

Status ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters,
                 StartedProcess& started) {
    return ShellExecuteOpen(owner, file, parameters, 0, started);
}

Status OpenShortcut(HWND owner, std::wstring_view path, StartedProcess& started) {
    // A broken shortcut would otherwise get the shell's own message box, modal inside this
    // call, and hold up everything the caller does after it until someone answers.
    return ShellExecuteOpen(owner, path, {}, SEE_MASK_FLAG_NO_UI, started);
}

Status ShellDelete(std::wstring_view path, bool& aborted) {
    // The shell takes a list of paths, each ended by a NUL, the list by one more.
    std::wstring list(path);
    list.push_back(L'\0');
    list.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    const int rc = ::SHFileOperationW(&op);
    aborted = op.fAnyOperationsAborted != FALSE;
    return static_cast<Status>(rc);
}

}  // namespace tarnwick::win32
