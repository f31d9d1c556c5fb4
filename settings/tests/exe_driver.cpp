#include "exe_driver.h"

#include "capture.h"
#include "context.h"
#include "exe_harness.h"
#include "registry.h"

#include <gtest/gtest.h>
#include <rpc.h>

#include <thread>

namespace tarnwick::settings::testing {
namespace {

using namespace std::chrono_literals;

std::wstring UniqueName() {
    GUID guid{};
    ::CoCreateGuid(&guid);
    wchar_t text[64];
    ::StringFromGUID2(guid, text, 64);
    return text;
}

std::filesystem::path TempFolder(std::wstring_view prefix) {
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    auto path = std::filesystem::path(temp) / (std::wstring(prefix) + UniqueName());
    std::filesystem::create_directories(path);
    return path;
}

void RemoveFolder(const std::filesystem::path& path) {
    std::error_code ec;
    for (auto& entry : std::filesystem::recursive_directory_iterator(path, ec)) {
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(path, ec);
}

void CopyFiles(const std::filesystem::path& from, const std::filesystem::path& to) {
    for (auto& entry : std::filesystem::directory_iterator(from)) {
        std::filesystem::copy(entry.path(), to / entry.path().filename(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
    }
}

struct FindData {
    DWORD processId;
    std::wstring_view title;
    std::vector<HWND> found;
};

BOOL CALLBACK FindDialogs(HWND hwnd, LPARAM lParam) {
    auto& data = *reinterpret_cast<FindData*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t title[64]{};
    wchar_t kind[16]{};
    ::GetWindowTextW(hwnd, title, 64);
    ::GetClassNameW(hwnd, kind, 16);
    if (pid == data.processId && ::IsWindowVisible(hwnd) &&
        std::wstring_view(title) == data.title && std::wstring_view(kind) == L"#32770") {
        data.found.push_back(hwnd);
    }
    return TRUE;
}

}  // namespace

std::filesystem::path TestFolder() {
    return std::filesystem::path(ProgramFolder());
}

RealWorldSnapshot::RealWorldSnapshot() {
    const std::pair<HKEY, std::wstring> places[] = {
        {HKEY_LOCAL_MACHINE, std::wstring(kRunKey)},
        {HKEY_CURRENT_USER, std::wstring(kRunKey)},
        {HKEY_CURRENT_USER, L"Software\\Veltane"},
    };
    for (const auto& [root, path] : places) {
        const bool existed = tarnwick::testing::KeyExists(root, path);
        keys_.push_back({root, path, existed, existed ? Read(root, path) : Tree{}});
        ::RegDeleteTreeW(root, path.c_str());
    }
    startUp_ = StartUpFolder(SystemOs(), nullptr);
    startUpExisted_ = std::filesystem::exists(startUp_);
    startUpBackup_ = TempFolder(L"tarnwick-startup-");
    if (startUpExisted_) {
        CopyFiles(startUp_, startUpBackup_);
        RemoveFolder(startUp_);
    }
    std::filesystem::create_directories(startUp_);
}

RealWorldSnapshot::~RealWorldSnapshot() {
    for (const SavedKey& key : keys_) {
        ::RegDeleteTreeW(key.root, key.path.c_str());
        if (key.existed) Write(key.root, key.path, key.tree);
    }
    RemoveFolder(startUp_);
    if (startUpExisted_) {
        std::filesystem::create_directories(startUp_);
        CopyFiles(startUpBackup_, startUp_);
    }
    RemoveFolder(startUpBackup_);
}

RealWorldSnapshot::Tree RealWorldSnapshot::Read(HKEY root, const std::wstring& path) {
    Tree tree{tarnwick::testing::DumpKey(root, path), {}};
    UniqueHKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return tree;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        tree.children.emplace_back(std::wstring(name, length), Tree{});
    }
    for (auto& [name, child] : tree.children) child = Read(root, path + L"\\" + name);
    return tree;
}

void RealWorldSnapshot::Write(HKEY root, const std::wstring& path, const Tree& tree) {
    UniqueHKey key;
    ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr);
    for (const auto& value : tree.values) {
        tarnwick::testing::SetRaw(root, path, value.name, value.type, value.data.data(),
                                  static_cast<DWORD>(value.data.size()));
    }
    for (const auto& [name, child] : tree.children) Write(root, path + L"\\" + name, child);
}

ProgramFolderCopy::ProgramFolderCopy() : path_(TempFolder(L"tarnwick-program-")) {
    const std::filesystem::path built = TestFolder().parent_path() / L"TarnwickSettings.exe";
    std::filesystem::copy_file(built, Exe());
}

void ProgramFolderCopy::CopyProductData() const {
    const std::filesystem::path source = tarnwick::testing::BuiltProgram(TARNWICK_SOURCE_DIR);
    std::filesystem::copy(source / L"settings" / L"data" / L"skins", path_ / L"skins",
                          std::filesystem::copy_options::recursive);
    std::filesystem::copy_file(source / L"launcher" / L"res" / L"twlogo.jpg",
                               path_ / L"twlogo.jpg");
    std::filesystem::copy_file(source / L"settings" / L"data" / L"TARNWICK.HTM",
                               path_ / L"TARNWICK.HTM");
}

ProgramFolderCopy::~ProgramFolderCopy() {
    RemoveFolder(path_);
}

SettingsProcess::SettingsProcess(const std::filesystem::path& exe) {
    std::wstring command = L"\"" + exe.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          exe.parent_path().c_str(), &startup, &info)) {
        ADD_FAILURE() << "cannot start the program: error " << ::GetLastError();
        return;
    }
    process_.reset(info.hProcess);
    UniqueHandle thread(info.hThread);
    processId_ = info.dwProcessId;
    window_ = WaitForWindow(L"Tarnwick Settings", 15s);
    if (!window_) ADD_FAILURE() << "the settings window did not appear";
}

std::vector<HWND> SettingsProcess::Windows(std::wstring_view title) const {
    FindData data{processId_, title, {}};
    ::EnumWindows(FindDialogs, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

HWND SettingsProcess::WaitForWindow(std::wstring_view title,
                                    std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::vector<HWND> found = Windows(title);
        if (!found.empty()) return found.front();
        if (std::chrono::steady_clock::now() >= deadline) return nullptr;
        std::this_thread::sleep_for(20ms);
    }
}

SettingsProcess::~SettingsProcess() {
    if (process_ && !WaitForExit(0ms)) {
        ::TerminateProcess(process_.get(), 99);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

LRESULT SettingsProcess::Send(HWND target, UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(target, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result)) {
        ADD_FAILURE() << "message " << message << " was not answered";
    }
    return static_cast<LRESULT>(result);
}

std::wstring SettingsProcess::Text(int id) const {
    wchar_t text[512]{};
    Send(Item(id), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

bool SettingsProcess::Checked(int id) const {
    return Send(Item(id), BM_GETCHECK) == BST_CHECKED;
}

void SettingsProcess::ClickLabel(int id) const {
    Send(Item(id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    Send(Item(id), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void SettingsProcess::Spin(int id, int code) const {
    Send(window_, WM_VSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(Item(id)));
}

int SettingsProcess::Count(int list) const {
    return static_cast<int>(Send(Item(list), LB_GETCOUNT));
}

std::wstring SettingsProcess::Row(int list, int row) const {
    const auto length = Send(Item(list), LB_GETTEXTLEN, static_cast<WPARAM>(row));
    if (length < 0) return L"<no row>";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    Send(Item(list), LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::vector<std::wstring> SettingsProcess::Rows(int list) const {
    std::vector<std::wstring> rows;
    for (int i = 0; i < Count(list); ++i) rows.push_back(Row(list, i));
    return rows;
}

int SettingsProcess::Selected(int list) const {
    return static_cast<int>(Send(Item(list), LB_GETCURSEL));
}

int SettingsProcess::Top(int list) const {
    return static_cast<int>(Send(Item(list), LB_GETTOPINDEX));
}

void SettingsProcess::ClickRow(int list, int row) const {
    const int height = static_cast<int>(Send(Item(list), LB_GETITEMHEIGHT));
    const LPARAM at = MAKELPARAM(10, (row - Top(list)) * height + height / 2);
    Send(Item(list), WM_LBUTTONDOWN, MK_LBUTTON, at);
    Send(Item(list), WM_LBUTTONUP, 0, at);
}

bool SettingsProcess::WaitForExit(std::chrono::milliseconds timeout) const {
    return process_ && ::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) ==
                           WAIT_OBJECT_0;
}

DWORD SettingsProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

}  // namespace tarnwick::settings::testing
