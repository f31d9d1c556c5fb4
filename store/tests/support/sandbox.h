// A private world for one test: the process's HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_USERS
// are redirected to fresh keys (RegOverridePredefKey, which shell32 reads through as well), and
// the Start Menu, StartUp, Recent, application-data and program folders are fresh temporary
// folders. Everything is
// removed again when the sandbox goes.
#pragma once

#include "handles.h"

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::testing {

class RegistrySandbox {
  public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // The real key (below the real HKEY_CURRENT_USER) that stands in for the predefined keys.
    const std::wstring& Path() const { return path_; }

  private:
    std::wstring path_;
    UniqueHKey machine_;
    UniqueHKey user_;
    UniqueHKey users_;
};

class FolderSandbox {
  public:
    FolderSandbox();
    ~FolderSandbox();
    FolderSandbox(const FolderSandbox&) = delete;
    FolderSandbox& operator=(const FolderSandbox&) = delete;

    std::filesystem::path root;
    std::filesystem::path startMenu;  // ...\Start Menu
    std::filesystem::path startUp;    // ...\Start Menu\Programs\StartUp
    std::filesystem::path recent;
    std::filesystem::path appData;  // the account's application data
    std::filesystem::path held;     // ...\Tarnwick\StartUp below it, made only by the product
    std::filesystem::path program;  // the program folder
};

// Both, with the shell's Start Menu and Recent folders pointed into the folder sandbox, and a
// stand-in for the launcher's file in the program folder.
class Sandbox {
  public:
    Sandbox();
    RegistrySandbox registry;
    FolderSandbox folders;

    std::wstring ProgramFolder() const { return folders.program.wstring(); }
    std::wstring StartUpFolder() const { return folders.startUp.wstring(); }
    std::wstring HeldFolder() const { return folders.held.wstring(); }
};

// Small helpers over the real registry and file system (no seam: these set up and inspect).
void SetRaw(HKEY root, std::wstring_view subKey, std::wstring_view name, DWORD type,
            const void* data, DWORD size);
void SetSz(HKEY root, std::wstring_view subKey, std::wstring_view name, std::wstring_view text);
// Policy values as Group Policy writes them: REG_DWORD, under the computer's or the user's key.
struct PolicyValue {
    HKEY root;
    const wchar_t* name;
    DWORD value;
};
void SetPolicies(std::initializer_list<PolicyValue> values);
// Every value of a key as name -> (type, bytes), sorted by name for comparison.
struct RawValue {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
    bool operator==(const RawValue&) const = default;
};
std::vector<RawValue> DumpKey(HKEY root, std::wstring_view subKey);
// A whole key tree as sorted text lines, for before/after comparisons.
std::vector<std::wstring> DumpTree(HKEY root, std::wstring_view subKey);
bool KeyExists(HKEY root, std::wstring_view subKey);

void WriteFile(const std::filesystem::path& path, std::string_view content = "x");
// File names directly in a folder, sorted.
std::vector<std::wstring> FileNames(const std::filesystem::path& folder);

}  // namespace tarnwick::testing
