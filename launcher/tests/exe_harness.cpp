#include "exe_harness.h"

#include "registry.h"
#include "settings_store.h"
#include "../resource.h"

#include <rpc.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace tarnwick::testing {
namespace fs = std::filesystem;

namespace {

std::wstring UniqueName() {
    GUID guid{};
    ::CoCreateGuid(&guid);
    wchar_t text[64];
    ::StringFromGUID2(guid, text, 64);
    return text;
}

}  // namespace

// ---- places

fs::path TestBinaryFolder() {
    wchar_t path[MAX_PATH * 4];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return fs::path(std::wstring(path, n)).parent_path();
}

fs::path TarnwickExe() {
    return TestBinaryFolder().parent_path() / L"Tarnwick.exe";
}
fs::path SampleExe() {
    return TestBinaryFolder().parent_path() / L"demo" / L"tw_sample.exe";
}

// ---- the registry and the StartUp folder, saved and put back

struct WorldSnapshot::Tree {
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    bool exists = false;
    std::vector<Value> values;
    std::vector<std::pair<std::wstring, std::unique_ptr<Tree>>> children;

    static std::unique_ptr<Tree> Read(HKEY root, const std::wstring& path) {
        auto tree = std::make_unique<Tree>();
        UniqueHKey key;
        if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
            return tree;
        }
        tree->exists = true;
        for (DWORD i = 0;; ++i) {
            wchar_t name[16384];
            DWORD nameLength = 16384;
            DWORD type = 0;
            DWORD size = 0;
            if (::RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS) {
                break;
            }
            Value v{std::wstring(name, nameLength), type, std::vector<BYTE>(size)};
            ::RegQueryValueExW(key.get(), v.name.c_str(), nullptr, &type, v.data.data(), &size);
            tree->values.push_back(std::move(v));
        }
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            DWORD nameLength = 256;
            if (::RegEnumKeyExW(key.get(), i, name, &nameLength, nullptr, nullptr, nullptr,
                                nullptr) != ERROR_SUCCESS) {
                break;
            }
            const std::wstring child(name, nameLength);
            tree->children.emplace_back(child, Read(root, path + L"\\" + child));
        }
        return tree;
    }

    void Write(HKEY root, const std::wstring& path) const {
        if (!exists) return;
        UniqueHKey key;
        if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr) != ERROR_SUCCESS) {
            return;
        }
        for (const Value& v : values) {
            ::RegSetValueExW(key.get(), v.name.c_str(), 0, v.type, v.data.data(),
                             static_cast<DWORD>(v.data.size()));
        }
        for (const auto& [name, child] : children) child->Write(root, path + L"\\" + name);
    }
};

namespace {

// Removes a key's values (the Run keys themselves stay) or the whole tree (the store).
void Empty(HKEY root, const std::wstring& path, bool keepKey) {
    if (!keepKey) {
        ::RegDeleteTreeW(root, path.c_str());
        return;
    }
    UniqueHKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return;
    ::RegDeleteTreeW(key.get(), nullptr);
}

void MoveAll(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(from, ec)) {
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::rename(entry.path(), to / entry.path().filename(), ec);
    }
}

}  // namespace

WorldSnapshot::WorldSnapshot() {
    keys_ = {{HKEY_LOCAL_MACHINE, std::wstring(kRunKey)},
             {HKEY_CURRENT_USER, std::wstring(kRunKey)},
             {HKEY_CURRENT_USER, L"Software\\Veltane"}};
    for (const auto& [root, path] : keys_) {
        saved_.push_back(Tree::Read(root, path));
        Empty(root, path, path == kRunKey);
    }
    startUp_ = fs::path(tarnwick::StartUpFolder(SystemOs(), nullptr));
    if (startUp_.empty()) throw std::runtime_error("no StartUp folder");
    fs::create_directories(startUp_);
    startUpBackup_ = fs::temp_directory_path() / (L"tarnwick-startup-" + UniqueName());
    fs::create_directories(startUpBackup_);
    MoveAll(startUp_, startUpBackup_);
}

WorldSnapshot::~WorldSnapshot() {
    for (size_t i = 0; i < keys_.size(); ++i) {
        const auto& [root, path] = keys_[i];
        Empty(root, path, false);
        saved_[i]->Write(root, path);
    }
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(startUp_, ec)) {
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(entry.path(), ec);
    }
    MoveAll(startUpBackup_, startUp_);
    fs::remove_all(startUpBackup_, ec);
}

TempFolder::TempFolder(std::wstring_view prefix)
    : path_(fs::temp_directory_path() / (std::wstring(prefix) + L"-" + UniqueName())) {
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // A program that was just ended may still hold its file for a moment.
    for (int attempt = 0; attempt < 20; ++attempt) {
        fs::remove_all(path_, ec);
        if (!fs::exists(path_)) return;
        std::this_thread::sleep_for(100ms);
    }
}

// ---- processes

Process Process::Start(const std::wstring& commandLine) {
    std::wstring cmd = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Process p;
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi)) {
        return p;
    }
    ::CloseHandle(pi.hThread);
    p.handle_.reset(pi.hProcess);
    p.id_ = pi.dwProcessId;
    return p;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        End();
        handle_ = std::move(other.handle_);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void Process::End() {
    if (handle_ && Running()) {
        ::TerminateProcess(handle_.get(), 99);
        ::WaitForSingleObject(handle_.get(), 5000);
    }
}

bool Process::Running() const {
    return ::WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitExit(std::chrono::milliseconds timeout) const {
    if (::WaitForSingleObject(handle_.get(), static_cast<DWORD>(timeout.count())) !=
        WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(handle_.get(), &code);
    return code;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// ---- windows

std::wstring Text(HWND hwnd) {
    wchar_t buffer[512];
    const LRESULT n = ::SendMessageW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
    return std::wstring(buffer, static_cast<size_t>(n));
}

RECT WindowRect(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
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
}

void MouseButton(DWORD flag) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flag;
    ::SendInput(1, &in, sizeof in);
}

// ---- what the samples recorded

std::vector<SampleStart> ReadSampleStarts(const fs::path& logFolder) {
    std::vector<SampleStart> starts;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(logFolder, ec)) {
        if (entry.path().extension() != L".txt") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            SampleStart s;
            s.name = entry.path().stem().wstring();
            std::istringstream fields(line);
            std::string created, entered, pid;
            fields >> created >> entered >> pid;
            if (created.rfind("created=", 0) != 0 || pid.rfind("pid=", 0) != 0) continue;
            s.created = std::stoll(created.substr(8));
            s.pid = static_cast<DWORD>(std::stoul(pid.substr(4)));
            const size_t cmd = line.find(" cmd=");
            if (cmd != std::string::npos) {
                const std::string text = line.substr(cmd + 5);
                s.commandLine.resize(text.size());
                const int n = ::MultiByteToWideChar(
                    CP_UTF8, 0, text.data(), static_cast<int>(text.size()), s.commandLine.data(),
                    static_cast<int>(s.commandLine.size()));
                s.commandLine.resize(static_cast<size_t>(n));
            }
            starts.push_back(std::move(s));
        }
    }
    std::sort(starts.begin(), starts.end(),
              [](const SampleStart& a, const SampleStart& b) { return a.created < b.created; });
    return starts;
}

void EndSamples(const std::vector<SampleStart>& starts) {
    for (const SampleStart& s : starts) {
        UniqueHandle h(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, s.pid));
        if (!h) continue;
        ::TerminateProcess(h.get(), 99);
        ::WaitForSingleObject(h.get(), 2000);
    }
}

// ---- screenshots

void SaveScreenshot(const fs::path& file, RECT r, int margin) {
    r.left = std::max(0L, r.left - margin);
    r.top = std::max(0L, r.top - margin);
    r.right += margin;
    r.bottom += margin;
    const int w = Width(r);
    const int h = Height(r);
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueGdiObj bitmap(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const HGDIOBJ old = ::SelectObject(memory, bitmap.get());
    ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
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
    ::ReleaseDC(nullptr, screen);
}

// ---- the fixture

LauncherFixture::LauncherFixture()
    : program_(folder_.path() / L"Program Files" / L"Tarnwick"), logs_(folder_.path() / L"logs") {
    fs::create_directories(program_);
    fs::create_directories(logs_);
    fs::copy_file(TarnwickExe(), program_ / L"Tarnwick.exe");
}

void LauncherFixture::TearDown() {
    launcher_ = Process();
    EndSamples(Starts());
}

void LauncherFixture::SetMisc(const wchar_t* key, const std::wstring& text) {
    StoreWrite(SystemOs(), kMiscSection, key, text);
}

std::wstring LauncherFixture::Misc(const wchar_t* key) {
    return StoreRead(SystemOs(), kMiscSection, key, L"<none>");
}

void LauncherFixture::AddRun(HKEY root, const std::wstring& name, const std::wstring& command) {
    Registry::SetValue(SystemOs(), root, kRunKey, name, command);
}

std::wstring LauncherFixture::Sample(const std::wstring& name, const std::wstring& extra) const {
    return L"\"" + SampleExe().wstring() + L"\" " + name + L" \"" + logs_.wstring() + L"\" " +
           extra;
}

void LauncherFixture::StartLauncher(bool visible) {
    launcher_ = Process::Start(L"\"" + (program_ / L"Tarnwick.exe").wstring() + L"\"");
    ASSERT_TRUE(launcher_) << ::GetLastError();
    const DWORD pid = launcher_.Id();
    ASSERT_TRUE(WaitFor(
        [&] {
            form_ = FindProcessWindow(pid, L"TarnwickLauncher");
            return form_ && (!visible || ::IsWindowVisible(form_));
        },
        15s))
        << "no launcher window";
    shownAt_ = NowTicks();
}

fs::path LauncherFixture::ShotPath(const std::wstring& name) const {
    return TestBinaryFolder() / L"screenshots" / (name + L".bmp");
}

}  // namespace tarnwick::testing
