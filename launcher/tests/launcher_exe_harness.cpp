#include "launcher_exe_harness.h"

#include "context.h"
#include "registry.h"
#include "settings_store.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tarnwick::testing {
namespace fs = std::filesystem;

// ---- places

fs::path TarnwickExe() {
    return BuiltProgram(TARNWICK_EXE);
}
fs::path SampleExe() {
    return BuiltProgram(TW_SAMPLE_EXE);
}

// ---- windows

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

void MouseButton(DWORD flag, DWORD data) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flag;
    in.mi.mouseData = data;
    ::SendInput(1, &in, sizeof in);
}

void MakeShortcut(const fs::path& link, const fs::path& target, const std::wstring& arguments) {
    ComScope com;
    ComPtr<IShellLinkW> shellLink;
    ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_IShellLinkW, shellLink.put_void()));
    shellLink->SetPath(target.c_str());
    shellLink->SetArguments(arguments.c_str());
    ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.put_void()));
    ASSERT_HRESULT_SUCCEEDED(file->Save(link.c_str(), TRUE));
}

int VisibleWindowsOfClass(const wchar_t* cls) {
    struct Search {
        const wchar_t* cls;
        int count;
    } search{cls, 0};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lParam);
            wchar_t name[64];
            if (::GetClassNameW(hwnd, name, 64) && std::wstring_view(name) == s.cls &&
                ::IsWindowVisible(hwnd)) {
                ++s.count;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
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
            if (created.rfind("created=", 0) != 0 || entered.rfind("main=", 0) != 0 ||
                pid.rfind("pid=", 0) != 0) {
                continue;
            }
            s.created = std::stoll(created.substr(8));
            s.entered = std::stoll(entered.substr(5));
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

// ---- the fixture

LauncherFixture::LauncherFixture() : logs_(work_.Path() / L"logs") {
    // The launcher started here ends right after its sequence instead of lingering for the
    // entries Windows starts at a real log-on; nothing is registered for it to take anyway.
    ::SetEnvironmentVariableW(L"TARNWICK_SETTLE_MS", L"0");
    // Nor does it stay the minute it measures each program for, for a program that runs on: two
    // seconds of it, enough to be measured (the tests of measuring set their own).
    ::SetEnvironmentVariableW(L"TARNWICK_MEASURE_MS", L"2000");
    fs::create_directories(logs_);
    fs::copy_file(TarnwickExe(), program_.Path() / L"Tarnwick.exe");
}

void LauncherFixture::TearDown() {
    launcher_.reset();
    EndSamples(Starts());
}

void LauncherFixture::SetMisc(const wchar_t* key, const std::wstring& text) {
    StoreWrite(SystemOs(), kMiscSection, key, text);
}

std::wstring LauncherFixture::Misc(const wchar_t* key) {
    return StoreRead(SystemOs(), kMiscSection, key, L"<none>");
}

void LauncherFixture::Hold(HKEY root, const std::wstring& name, const std::wstring& command) {
    StoreWrite(SystemOs(), root == HKEY_LOCAL_MACHINE ? kMachineSection : kUserSection, name,
               command);
}

std::wstring LauncherFixture::Sample(const std::wstring& name, const std::wstring& extra) const {
    // The name is quoted: a name with a space is one argument, as the sample reads it.
    return L"\"" + SampleExe().wstring() + L"\" \"" + name + L"\" \"" + logs_.wstring() + L"\" " +
           extra;
}

void LauncherFixture::StartLauncher(bool visible) {
    launcher_.emplace(program_.Path() / L"Tarnwick.exe");
    const DWORD pid = launcher_->Id();
    ASSERT_TRUE(Eventually(
        [&] {
            form_ = FindProcessWindow(pid, L"TarnwickLauncher", visible);
            return form_ != nullptr;
        },
        15s))
        << "no launcher window";
    // The window shows before the launcher reads what it holds, which on a loaded machine takes
    // a good part of a second; the sequence's first timer is armed after that, and the launcher
    // then waits for input.
    ASSERT_TRUE(launcher_->WaitForInputIdle(15s)) << "the launcher's start-up did not end";
    readyAt_ = NowTicks();
}

fs::path LauncherFixture::ShotPath(const std::wstring& name) const {
    // Beside the test binary, in the build tree.
    return fs::path(ProgramFolder()) / L"screenshots" / (name + L".bmp");
}

}  // namespace tarnwick::testing
