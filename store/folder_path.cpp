#include "folder_path.h"

#include "convert.h"

#include <windows.h>

#include <algorithm>

namespace tarnwick {
namespace {

// Not through the seam, nor `LongPath` below: both only respell a path (against this process's
// current folder, and the names the file system gives it), change nothing, and the seam's call on
// the folder that follows is what a test double makes fail.
std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return {};
    full.resize(length);
    return full;
}

// The long form of an existing path ("PROGRA~1" -> "Program Files"); the path itself when it does
// not exist.
std::wstring LongPath(const std::wstring& path) {
    const DWORD needed = ::GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::wstring longPath(needed, L'\0');
    const DWORD length = ::GetLongPathNameW(path.c_str(), longPath.data(), needed);
    if (length == 0 || length >= needed) return path;
    longPath.resize(length);
    return longPath;
}

}  // namespace

std::wstring_view WithoutTrailingBackslash(std::wstring_view path) {
    while (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
    return path;
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
    std::wstring joined(WithoutTrailingBackslash(folder));
    joined += L'\\';
    joined += name;
    return joined;
}

std::wstring_view ParentOf(std::wstring_view path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == path.npos ? std::wstring_view() : path.substr(0, slash);
}

std::wstring_view LastPartOf(std::wstring_view path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == path.npos ? path : path.substr(slash + 1);
}

std::wstring NormaliseFolder(std::wstring_view path) {
    std::wstring text(path);
    // Only the shell's own spelling of a path is acted on: "\\?\C:\x" is "C:\x", "\\?\UNC\s\x" is
    // "\\s\x"; other device paths are not folders the product could live in.
    if (text.starts_with(L"\\\\?\\UNC\\")) {
        text = L"\\\\" + text.substr(8);
    } else if (text.starts_with(L"\\\\?\\")) {
        text.erase(0, 4);
    }
    if (text.empty() || text.find(L'\0') != std::wstring::npos) return {};
    std::wstring full = FullPath(text);
    if (full.empty() || full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return {};
    full = LongPath(full);
    // "C:\" becomes "C:", "\\server\share\" becomes "\\server\share".
    return std::wstring(WithoutTrailingBackslash(full));
}

bool IsRootFolder(std::wstring_view normalised) {
    if (normalised.size() == 2 && normalised[1] == L':') return true;
    if (!normalised.starts_with(L"\\\\")) return false;
    // "\\server\share": the server and the share name, nothing below.
    return std::count(normalised.begin() + 2, normalised.end(), L'\\') <= 1;
}

// The file system compares names ordinally, without regard to case, as the store compares them.
bool SamePath(std::wstring_view a, std::wstring_view b) {
    return EqualsIgnoringCase(a, b);
}

bool ContainsPath(std::wstring_view folder, std::wstring_view other) {
    if (folder.empty() || other.size() < folder.size()) return false;
    if (!SamePath(folder, other.substr(0, folder.size()))) return false;
    return other.size() == folder.size() || other[folder.size()] == L'\\';
}

}  // namespace tarnwick
