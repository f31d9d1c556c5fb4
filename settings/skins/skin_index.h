// The skin index "skins\skins.skn": records of (display name, picture file, text colour).
// Fields are separated by commas or line ends; a field in double quotes may hold commas.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The settings window keeps room for this many skins; records beyond it are not offered.
inline constexpr size_t kMaxSkins = 1001;

struct SkinRecord {
    std::wstring name;
    std::wstring picture;  // a file name inside the skins folder, never a path
    COLORREF colour = 0;
    bool operator==(const SkinRecord&) const = default;
};

// Parses the index file's bytes (UTF-8, with or without a byte-order mark, else the system code
// page). A record whose picture is not a plain file name is dropped, and so is an incomplete
// last record: an index must not make the program read pictures from elsewhere. A colour that
// is not a number, or out of range, reads as black. Bytes that are no text (control characters
// other than tabs and line ends) give no skins at all. Linear in the input; never fails.
std::vector<SkinRecord> ParseSkinIndex(std::string_view bytes);

// Reads and parses the index file; an empty list when it is missing or unreadable.
std::vector<SkinRecord> LoadSkinIndex(const std::wstring& path);

}  // namespace tarnwick
