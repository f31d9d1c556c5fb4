// One spelling of a folder, and comparisons of folders as the file system makes them: what the
// installer and the uninstaller need to tell whether a folder lies below another.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

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
