#include "sandbox.h"

#include "policy.h"

#include <windows.h>
#include <rpc.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace tarnwick::testing {
namespace {

std::wstring UniqueName() {
    GUID guid{};
    ::CoCreateGuid(&guid);
    wchar_t text[64];
    ::StringFromGUID2(guid, text, 64);
    return text;
}

UniqueHKey Create(HKEY root, const std::wstring& subKey) {
    UniqueHKey key;
    if (::RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create sandbox key");
    }
    return key;
}

}  // namespace

RegistrySandbox::RegistrySandbox() : path_(L"Software\\TarnwickTests\\" + UniqueName()) {
    machine_ = Create(HKEY_CURRENT_USER, path_ + L"\\HKLM");
    user_ = Create(HKEY_CURRENT_USER, path_ + L"\\HKCU");
    users_ = Create(HKEY_CURRENT_USER, path_ + L"\\HKU");
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.get());
    ::RegOverridePredefKey(HKEY_CURRENT_USER, user_.get());
    ::RegOverridePredefKey(HKEY_USERS, users_.get());
}

RegistrySandbox::~RegistrySandbox() {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_USERS, nullptr);
    machine_.reset();
    user_.reset();
    users_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

FolderSandbox::FolderSandbox() {
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    root = std::filesystem::path(temp) / (L"tarnwick-" + UniqueName());
    startMenu = root / L"Start Menu";
    startUp = startMenu / L"Programs" / L"StartUp";
    recent = root / L"Recent";
    appData = root / L"AppData";
    held = appData / L"Tarnwick" / L"StartUp";
    program = root / L"Program Folder";
    for (const auto& dir : {startUp, recent, appData, program})
        std::filesystem::create_directories(dir);
}

FolderSandbox::~FolderSandbox() {
    std::error_code ec;
    // Hidden and read-only test files must not keep the folder alive.
    for (auto& entry : std::filesystem::recursive_directory_iterator(root, ec)) {
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(root, ec);
}

Sandbox::Sandbox() {
    const std::wstring shellFolders =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    const std::wstring startMenu = folders.startMenu.wstring();
    const std::wstring recent = folders.recent.wstring();
    const std::wstring appData = folders.appData.wstring();
    SetRaw(HKEY_CURRENT_USER, shellFolders, L"Start Menu", REG_EXPAND_SZ, startMenu.c_str(),
           static_cast<DWORD>((startMenu.size() + 1) * sizeof(wchar_t)));
    SetRaw(HKEY_CURRENT_USER, shellFolders, L"Recent", REG_EXPAND_SZ, recent.c_str(),
           static_cast<DWORD>((recent.size() + 1) * sizeof(wchar_t)));
    SetRaw(HKEY_CURRENT_USER, shellFolders, L"AppData", REG_EXPAND_SZ, appData.c_str(),
           static_cast<DWORD>((appData.size() + 1) * sizeof(wchar_t)));
    // The launcher's file, as an installation leaves it: nothing is registered or taken over for a
    // launcher that is not there.
    WriteFile(folders.program / L"Tarnwick.exe", "launcher");
}

void SetRaw(HKEY root, std::wstring_view subKey, std::wstring_view name, DWORD type,
            const void* data, DWORD size) {
    UniqueHKey key = Create(root, std::wstring(subKey));
    ::RegSetValueExW(key.get(), std::wstring(name).c_str(), 0, type, static_cast<const BYTE*>(data),
                     size);
}

void SetSz(HKEY root, std::wstring_view subKey, std::wstring_view name, std::wstring_view text) {
    const std::wstring data(text);
    SetRaw(root, subKey, name, REG_SZ, data.c_str(),
           static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void SetPolicies(std::initializer_list<PolicyValue> values) {
    for (const PolicyValue& v : values) {
        SetRaw(v.root, kPolicyKey, v.name, REG_DWORD, &v.value, sizeof v.value);
    }
}

std::vector<RawValue> DumpKey(HKEY root, std::wstring_view subKey) {
    std::vector<RawValue> values;
    UniqueHKey key;
    if (::RegOpenKeyExW(root, std::wstring(subKey).c_str(), 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS) {
        return values;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLen = 16384;
        DWORD type = 0;
        DWORD size = 0;
        if (::RegEnumValueW(key.get(), i, name, &nameLen, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        RawValue v{std::wstring(name, nameLen), type, std::vector<BYTE>(size)};
        DWORD got = size;
        ::RegQueryValueExW(key.get(), v.name.c_str(), nullptr, &type, v.data.data(), &got);
        values.push_back(std::move(v));
    }
    std::sort(values.begin(), values.end(),
              [](const RawValue& a, const RawValue& b) { return a.name < b.name; });
    return values;
}

std::vector<std::wstring> DumpTree(HKEY root, std::wstring_view subKey) {
    std::vector<std::wstring> lines;
    for (const RawValue& v : DumpKey(root, subKey)) {
        std::wstring line =
            std::wstring(subKey) + L" : " + v.name + L" = " + std::to_wstring(v.type) + L":";
        for (BYTE b : v.data) line += std::to_wstring(b) + L",";
        lines.push_back(std::move(line));
    }
    UniqueHKey key;
    if (::RegOpenKeyExW(root, std::wstring(subKey).c_str(), 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS) {
        return lines;
    }
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD len = 256;
        if (::RegEnumKeyExW(key.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        children.emplace_back(name, len);
    }
    std::sort(children.begin(), children.end());
    for (const auto& child : children) {
        lines.push_back(std::wstring(subKey) + L"\\" + child);
        for (auto& line : DumpTree(root, std::wstring(subKey) + L"\\" + child))
            lines.push_back(std::move(line));
    }
    return lines;
}

bool KeyExists(HKEY root, std::wstring_view subKey) {
    UniqueHKey key;
    return ::RegOpenKeyExW(root, std::wstring(subKey).c_str(), 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
}

void WriteFile(const std::filesystem::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::vector<std::wstring> FileNames(const std::filesystem::path& folder) {
    std::vector<std::wstring> names;
    std::error_code ec;
    for (auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace tarnwick::testing
