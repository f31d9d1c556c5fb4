#include "exe_harness.h"

#include "accounts.h"
#include "gdi.h"
#include "policy.h"
#include "registry.h"
#include "run_origins.h"
#include "settings_store.h"

#include <rpc.h>
#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

void UnloadModule(HMODULE module) {
    ::FreeLibrary(module);
}
using UniqueModule = UniqueAny<HMODULE, UnloadModule>;

std::wstring UniqueName() {
    GUID guid{};
    ::CoCreateGuid(&guid);
    wchar_t text[64];
    ::StringFromGUID2(guid, text, 64);
    return text;
}

std::vector<std::wstring> SubKeyNames(HKEY root, const std::wstring& subKey) {
    std::vector<std::wstring> names;
    UniqueHKey key;
    if (::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

void CopyTree(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        const fs::path target = to / fs::relative(entry.path(), from);
        if (entry.is_directory()) {
            fs::create_directories(target);
        } else {
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
        }
    }
}

struct FindData {
    DWORD pid;
    std::wstring_view windowClass;
    std::wstring_view title;
    std::vector<HWND> found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto& data = *reinterpret_cast<FindData*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == data.pid && ::IsWindowVisible(window) && ClassName(window) == data.windowClass &&
        WindowText(window) == data.title) {
        data.found.push_back(window);
    }
    return TRUE;
}

HWND FirstWindow(const Child& child, std::wstring_view windowClass, std::wstring_view title) {
    const std::vector<HWND> found = ProcessWindows(child, windowClass, title);
    return found.empty() ? nullptr : found.front();
}

KeyImage TakeKey(HKEY root, const std::wstring& subKey) {
    KeyImage image;
    image.exists = KeyExists(root, subKey);
    if (!image.exists) return image;
    image.values = DumpKey(root, subKey);
    for (const std::wstring& child : SubKeyNames(root, subKey)) {
        image.children.emplace_back(child, TakeKey(root, subKey + L"\\" + child));
    }
    return image;
}

// Makes the key exactly as in the image again (or absent).
void PutKey(HKEY root, const std::wstring& subKey, const KeyImage& image) {
    ::RegDeleteTreeW(root, subKey.c_str());
    if (!image.exists) return;
    UniqueHKey key;
    ::RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr);
    for (const RawValue& value : image.values) {
        ::RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    }
    for (const auto& [name, child] : image.children) PutKey(root, subKey + L"\\" + name, child);
}

std::vector<BYTE> VersionBlock(const fs::path& exe) {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &handle);
    std::vector<BYTE> block(size);
    if (size == 0 || !::GetFileVersionInfoW(exe.c_str(), 0, size, block.data())) block.clear();
    return block;
}

}  // namespace

Values RunValues(HKEY root) {
    Values values;
    for (const RawValue& v : DumpKey(root, kRunKey)) {
        values[v.name] = v.type == REG_SZ ? DecodeRegString(v.data) : L"<not text>";
    }
    return values;
}

Values StoreSection(std::wstring_view section) {
    Values pairs;
    for (auto& [key, text] : StoreReadSection(SystemOs(), section)) pairs[key] = text;
    return pairs;
}

fs::path BuiltProgram(std::string_view hostPath) {
    std::wstring path = L"Z:";
    for (char c : hostPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

fs::path RealStartUpFolder() {
    const std::wstring startMenu = SpecialFolderPath(SystemOs(), nullptr, kCsidlStartMenu);
    if (startMenu.empty()) throw std::runtime_error("no Start Menu folder");
    return fs::path(startMenu) / L"Programs" / L"StartUp";
}

fs::path RealHeldFolder() {
    const std::wstring folder = HeldShortcutFolder(SystemOs(), nullptr);
    if (folder.empty()) throw std::runtime_error("no application-data folder");
    return folder;
}

fs::path RealStartMenuGroup() {
    return RealStartUpFolder().parent_path() / L"Tarnwick";
}

KeyGuard::KeyGuard(HKEY root, std::wstring subKey)
    : root_(root), subKey_(std::move(subKey)), image_(TakeKey(root_, subKey_)) {
    ::RegDeleteTreeW(root_, subKey_.c_str());
}

PolicyGuard::PolicyGuard()
    : machine_(HKEY_LOCAL_MACHINE, std::wstring(kPolicyKey)),
      user_(HKEY_CURRENT_USER, std::wstring(kPolicyKey)) {}

KeyGuard::~KeyGuard() {
    PutKey(root_, subKey_, image_);
}

RealStateGuard::RealStateGuard()
    : backup_(fs::temp_directory_path() / (L"tarnwick-saved-" + UniqueName())) {
    // The test starts from empty Run keys (the machine's in both views), no store, no Apps &
    // features entry, no switches of Task Manager, an empty StartUp folder and no group.
    for (const RunOrigin& origin : kRunOrigins) {
        keys_.emplace_back(origin.root, std::wstring(origin.runKey));
        PutKey(origin.root, std::wstring(origin.runKey), KeyImage{true, {}, {}});
    }
    keys_.emplace_back(HKEY_LOCAL_MACHINE, std::wstring(kAppsAndFeaturesKey));
    // Task Manager's switches: none, so that no entry and no launcher is switched off.
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        keys_.emplace_back(
            root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved");
    }
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        keys_.emplace_back(root, L"Software\\" + std::wstring(kApplication));
    for (const fs::path& folder : {RealStartUpFolder(), RealStartMenuGroup(), RealHeldFolder()}) {
        SavedFolder saved{folder, fs::exists(folder)};
        if (saved.existed) CopyTree(folder, backup_ / std::to_wstring(folders_.size()));
        folders_.push_back(saved);
    }
    RemoveTree(RealStartUpFolder());
    fs::create_directories(RealStartUpFolder());
    RemoveTree(RealStartMenuGroup());
    RemoveTree(RealHeldFolder());
}

RealStateGuard::~RealStateGuard() {
    for (size_t i = 0; i < folders_.size(); ++i) {
        RemoveTree(folders_[i].path);
        if (folders_[i].existed) CopyTree(backup_ / std::to_wstring(i), folders_[i].path);
    }
    RemoveTree(backup_);
}

TempFolder::TempFolder(std::wstring_view name)
    : root_(fs::temp_directory_path() / (L"tarnwick-" + UniqueName())), path_(root_ / name) {
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    RemoveTree(root_);
}

void RemoveTree(const fs::path& path) {
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(path, ec)) {
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(path, ec);
}

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::map<std::wstring, std::string> FolderContents(const fs::path& folder) {
    std::map<std::wstring, std::string> contents;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ec)) {
        const std::wstring name = fs::relative(entry.path(), folder).wstring();
        contents[name] = entry.is_directory() ? "<dir>" : ReadFileBytes(entry.path());
    }
    return contents;
}

Child::Child(const fs::path& exe, std::wstring_view arguments) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
    if (!arguments.empty()) commandLine += L" " + std::wstring(arguments);
    const std::wstring folder = exe.parent_path().wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        throw std::runtime_error("cannot start the program: error " +
                                 std::to_string(::GetLastError()));
    }
    process_.reset(info.hProcess);
    UniqueHandle thread(info.hThread);
    id_ = info.dwProcessId;
}

Child::~Child() {
    if (Running()) {
        ::TerminateProcess(process_.get(), 99);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

std::optional<DWORD> Child::Wait(Millis timeout) {
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) !=
        WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

bool Child::WaitForInputIdle(Millis timeout) {
    return ::WaitForInputIdle(process_.get(), static_cast<DWORD>(timeout.count())) == 0;
}

bool Eventually(const std::function<bool()>& check, Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!check()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        // The poll's own pace.
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::vector<HWND> ProcessWindows(const Child& child, std::wstring_view windowClass,
                                 std::wstring_view title) {
    FindData data{child.Id(), windowClass, title, {}};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

HWND WaitForWindow(const Child& child, std::wstring_view windowClass, std::wstring_view title,
                   Millis timeout) {
    HWND window = nullptr;
    Eventually([&] { return (window = FirstWindow(child, windowClass, title)) != nullptr; },
               timeout);
    return window;
}

HWND WaitForWindowWhileRunning(Child& child, std::wstring_view windowClass, std::wstring_view title,
                               Millis timeout) {
    const std::wstring className(windowClass);
    const std::wstring text(title);
    HWND window = nullptr;
    Eventually(
        [&] {
            window = ::FindWindowW(className.c_str(), text.c_str());
            if (window && !::IsWindowVisible(window)) window = nullptr;
            return window || !child.Running();
        },
        timeout);
    return window;
}

HWND WatchForWindowUntilExit(Child& child, std::wstring_view windowClass, std::wstring_view title,
                             Millis timeout) {
    HWND window = nullptr;
    Eventually(
        [&] {
            window = FirstWindow(child, windowClass, title);
            return window || !child.Running();
        },
        timeout);
    return window;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    return std::wstring(name, static_cast<size_t>(::GetClassNameW(window, name, 256)));
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

void Click(HWND button) {
    ::PostMessageW(button, BM_CLICK, 0, 0);
}

void MoveMouse(int x, int y) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    const int w = ::GetSystemMetrics(SM_CXSCREEN);
    const int h = ::GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = static_cast<LONG>((x * 65535LL + w / 2) / (w - 1));
    in.mi.dy = static_cast<LONG>((y * 65535LL + h / 2) / (h - 1));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof in);
    Eventually(
        [&] {
            POINT at{};
            return ::GetCursorPos(&at) && at.x == x && at.y == y;
        },
        1s);
}

std::wstring FixedFileVersion(const fs::path& exe) {
    std::vector<BYTE> block = VersionBlock(exe);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT size = 0;
    if (block.empty() ||
        !::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &size)) {
        return {};
    }
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
}

std::wstring VersionText(const fs::path& exe, std::wstring_view name) {
    std::vector<BYTE> block = VersionBlock(exe);
    const std::wstring query = L"\\StringFileInfo\\040904B0\\" + std::wstring(name);
    wchar_t* text = nullptr;
    UINT length = 0;
    if (block.empty() ||
        !::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) ||
        length == 0) {
        return {};
    }
    return std::wstring(text, wcsnlen(text, length));
}

std::string EmbeddedManifest(const fs::path& exe) {
    const UniqueModule module(::LoadLibraryExW(
        exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) return {};
    HRSRC found = ::FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    if (!found) return {};
    const auto* data =
        static_cast<const char*>(::LockResource(::LoadResource(module.get(), found)));
    return data ? std::string(data, ::SizeofResource(module.get(), found)) : std::string();
}

bool WaitForSteadyScreen(RECT r, Millis timeout) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const auto look = [&] {
        const WindowDc screen(nullptr);
        void* bits = nullptr;
        const UniqueBitmap bitmap(
            ::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        std::vector<DWORD> pixels;
        if (!bits) return pixels;
        const MemoryDc memory(screen.get());
        const HGDIOBJ old = ::SelectObject(memory.get(), bitmap.get());
        ::BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
        ::GdiFlush();
        const auto* first = static_cast<const DWORD*>(bits);
        pixels.assign(first, first + static_cast<size_t>(w) * static_cast<size_t>(h));
        ::SelectObject(memory.get(), old);
        return pixels;
    };
    std::vector<DWORD> last;
    int same = 0;
    return Eventually(
        [&] {
            std::vector<DWORD> now = look();
            const bool picture =
                !now.empty() && std::any_of(now.begin(), now.end(),
                                            [&](DWORD pixel) { return pixel != now.front(); });
            same = picture && now == last ? same + 1 : 0;
            last = std::move(now);
            return same >= 2;
        },
        timeout);
}

std::vector<DWORD> ProcessesStartedBy(DWORD parent) {
    std::vector<DWORD> children;
    const UniqueHandle snapshot(NullIfInvalid(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)));
    if (!snapshot) return children;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == parent) children.push_back(entry.th32ProcessID);
    }
    return children;
}

void SaveBoxScreenshot(HWND box, const fs::path& exe, std::wstring_view name) {
    ::RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // The box's thread paints once it has worked through what waited for it (a thread that was
    // busy when the box came has a queue of its own to empty first).
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    RECT shown{};
    ::GetWindowRect(box, &shown);
    WaitForSteadyScreen(shown, 2s);
    SaveScreenshot(exe.parent_path() / L"screenshots" / name, shown, 40);
}

void SaveScreenshot(const fs::path& file, RECT r, int margin) {
    r.left = std::max(0L, r.left - margin);
    r.top = std::max(0L, r.top - margin);
    r.right += margin;
    r.bottom += margin;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const WindowDc screen(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen.get());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueBitmap bitmap(
        ::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const HGDIOBJ old = ::SelectObject(memory, bitmap.get());
    ::BitBlt(memory, 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + stride * static_cast<DWORD>(h);
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * h);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
}

}  // namespace tarnwick::testing
