// How Tarnwick writes a folder: without a trailing backslash, everywhere ("C:\Users\ann", a
// drive's root "C:"), and joined to what it holds by `JoinPath` alone. Also comparisons of folders
// as the file system makes them, which the installer and the uninstaller need to tell whether a
// folder lies below another.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// `path` without the backslashes it ends in, however many: "C:\" is "C:".
std::wstring_view WithoutTrailingBackslash(std::wstring_view path);
// `folder` and `name` with one backslash between them, whether or not `folder` ends in one.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);
// What a path lies in: everything before its last backslash; empty when it has none.
std::wstring_view ParentOf(std::wstring_view path);
// A path's last part: everything after its last backslash; the path itself when it has none.
std::wstring_view LastPartOf(std::wstring_view path);

// One spelling of a folder: absolute, long names, backslashes, no "." or ".." parts and no
// trailing backslash, so "C:" for a drive's root. Empty when the path cannot be made absolute or
// is a device path.
std::wstring NormaliseFolder(std::wstring_view path);

// A drive's root ("C:") or a share's root ("\\server\share"), normalised.
bool IsRootFolder(std::wstring_view normalised);

// Normalised paths compared as the file system does: without regard to letter case.
bool SamePath(std::wstring_view a, std::wstring_view b);
// `folder` is `other` or holds it somewhere below itself.
bool ContainsPath(std::wstring_view folder, std::wstring_view other);

}  // namespace tarnwick
