// The registry side of the production seam: each member opens and closes its own key.
#include "win32_os.h"

#include "handles.h"

#include <algorithm>
#include <vector>

namespace tarnwick::win32 {
Status QueryValue(HKEY root, std::wstring_view subKey, std::wstring_view name, RegValue& out) {
    out = {};
    UniqueHKey key;
    LSTATUS rc = ::RegOpenKeyExW(root, Str(subKey).c_str(), 0, KEY_QUERY_VALUE, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    const std::wstring valueName(name);
    DWORD type = REG_NONE;
    DWORD size = 0;
    rc = ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size);
    // A value that grew since its size was taken answers ERROR_MORE_DATA with its new size:
    // read again at that size. One that shrank reports fewer bytes.
    while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        out.data.resize(size);
        DWORD got = size;
        rc = ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                                out.data.empty() ? nullptr : out.data.data(), &got);
        if (rc == ERROR_SUCCESS) {
            out.type = type;
            out.data.resize(got);
            return ERROR_SUCCESS;
        }
        // Always larger, so that a size that does not grow cannot keep the loop going.
        size = std::max<DWORD>(got, size + sizeof(wchar_t));
    }
    // The caller only ever sees what was really read.
    out = {};
    return rc;
}

Status SetString(HKEY root, std::wstring_view subKey, std::wstring_view name,
                 std::wstring_view text) {
    UniqueHKey key;
    LSTATUS rc = ::RegCreateKeyExW(root, Str(subKey).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                   key.put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    const std::wstring data(text);
    // REG_SZ is written with its terminator.
    const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), Str(name).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()), bytes);
}

Status SetValue(HKEY root, std::wstring_view subKey, std::wstring_view name,
                const RegValue& value) {
    UniqueHKey key;
    LSTATUS rc = ::RegCreateKeyExW(root, Str(subKey).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                   key.put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return ::RegSetValueExW(key.get(), Str(name).c_str(), 0, value.type,
                            value.data.empty() ? nullptr : value.data.data(),
                            static_cast<DWORD>(value.data.size()));
}

Status DeleteValue(HKEY root, std::wstring_view subKey, std::wstring_view name) {
    UniqueHKey key;
    LSTATUS rc = ::RegOpenKeyExW(root, Str(subKey).c_str(), 0, KEY_SET_VALUE, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    return ::RegDeleteValueW(key.get(), Str(name).c_str());
}

Status DeleteKey(HKEY root, std::wstring_view subKey) {
    // With a sub-key, RegDeleteTreeW removes the key itself along with its contents.
    return ::RegDeleteTreeW(root, Str(subKey).c_str());
}

Status EnumValues(HKEY root, std::wstring_view subKey, std::vector<NamedRegValue>& values) {
    values.clear();
    UniqueHKey key;
    LSTATUS rc = ::RegOpenKeyExW(root, Str(subKey).c_str(), 0, KEY_QUERY_VALUE, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    DWORD count = 0;
    DWORD maxName = 0;
    DWORD maxData = 0;
    rc = ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                            &maxName, &maxData, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    // Buffers sized from the key's own longest name and data, so that no value's length
    // can end the listing early.
    std::wstring name(maxName + 1, L'\0');
    std::vector<BYTE> data(maxData + sizeof(wchar_t));
    values.reserve(count);
    for (DWORD i = 0;;) {
        auto nameLen = static_cast<DWORD>(name.size());
        auto dataLen = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        rc = ::RegEnumValueW(key.get(), i, name.data(), &nameLen, nullptr, &type, data.data(),
                             &dataLen);
        if (rc == ERROR_MORE_DATA) {
            // Something grew since RegQueryInfoKeyW: larger buffers, same index again.
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 4096);
            continue;
        }
        if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        values.push_back({std::wstring(name.data(), nameLen),
                          {type, std::vector<BYTE>(data.begin(), data.begin() + dataLen)}});
        ++i;
    }
}

Status EnumKeys(HKEY root, std::wstring_view subKey, std::vector<std::wstring>& names) {
    names.clear();
    UniqueHKey key;
    LSTATUS rc = ::RegOpenKeyExW(root, Str(subKey).c_str(), 0, KEY_ENUMERATE_SUB_KEYS, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    // A key name is at most 255 characters.
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        rc = ::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        names.emplace_back(name, length);
    }
}

}  // namespace tarnwick::win32
