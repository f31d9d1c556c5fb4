// Measures the store routines against a plain loop of the raw Win32 calls over the same data:
// capture of 500 Run values and 100 shortcuts, the launch list over 600 captured entries and 100
// shortcuts, and the restore of 500 values and 100 shortcuts. Prints medians and ratios.
#include "capture.h"
#include "launch_list.h"
#include "registry.h"
#include "restore.h"
#include "settings_store.h"

#include "sandbox.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

constexpr int kRuns = 11;
constexpr int kValues = 500;
constexpr int kShortcuts = 100;

double Now() {
    LARGE_INTEGER t, f;
    ::QueryPerformanceCounter(&t);
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

std::wstring Command(int i) {
    return L"\"C:\\Program Files\\Vendor " + std::to_wstring(i) + L"\\app.exe\" /background";
}

using Step = std::function<void(testing::Sandbox&)>;

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Times the routine and the raw loop alternately on freshly seeded sandboxes, so that both see
// the same machine; `verify` looks at each result outside the timing.
void Compare(const char* what, const Step& seed, const Step& routine, const Step& raw,
             const Step& verify = {}) {
    std::vector<double> routineTimes, rawTimes;
    for (int i = 0; i < kRuns; ++i) {
        for (auto [work, times] :
             {std::pair{&routine, &routineTimes}, std::pair{&raw, &rawTimes}}) {
            testing::Sandbox box;
            seed(box);
            const double start = Now();
            (*work)(box);
            times->push_back(Now() - start);
            if (verify) verify(box);
        }
    }
    const double a = Median(routineTimes), b = Median(rawTimes);
    std::printf("%-58s %8.2f ms   raw loop %8.2f ms   ratio %.2f (target <= 2)\n", what, a, b,
                a / b);
}

// --- Raw loops: the same work as plain calls, keys opened once per loop. ---

HKEY OpenKey(HKEY root, const std::wstring& sub, REGSAM access) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr);
    return key;
}

std::vector<std::wstring> RawNames(HKEY key) {
    std::vector<std::wstring> names;
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD len = 16384;
        if (::RegEnumValueW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, len);
    }
    return names;
}

std::wstring RawRead(HKEY key, const std::wstring& name) {
    DWORD size = 0;
    ::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, &size);
    std::wstring text(size / sizeof(wchar_t), L'\0');
    ::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                       &size);
    return text;
}

void RawWrite(HKEY key, const std::wstring& name, const std::wstring& text) {
    ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void RawMoveAll(const std::filesystem::path& from, const std::filesystem::path& to) {
    WIN32_FIND_DATAW data;
    std::vector<std::wstring> files;
    HANDLE find = ::FindFirstFileW((from / L"*.lnk").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do files.emplace_back(data.cFileName);
        while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    for (const auto& f : files) ::MoveFileW((from / f).c_str(), (to / f).c_str());
}

void RawCapture(testing::Sandbox& box) {
    const std::pair<HKEY, const wchar_t*> origins[] = {{HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"},
                                                       {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"}};
    for (const auto& [root, section] : origins) {
        HKEY run = OpenKey(root, std::wstring(kRunKey), KEY_ALL_ACCESS);
        HKEY store = OpenKey(root, StoreSectionKey(section), KEY_ALL_ACCESS);
        for (const auto& name : RawNames(run)) {
            RawWrite(store, name, RawRead(run, name));
            ::RegDeleteValueW(run, name.c_str());
        }
        ::RegCloseKey(store);
        ::RegCloseKey(run);
    }
    std::filesystem::create_directories(box.folders.held);
    RawMoveAll(box.folders.startUp, box.folders.held);
}

void RawListt(testing::Sandbox& box) {
    std::vector<std::pair<std::wstring, std::wstring>> rows;
    const std::pair<HKEY, const wchar_t*> sections[] = {{HKEY_CURRENT_USER, L"priority"},
                                                        {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"},
                                                        {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"}};
    for (const auto& [root, section] : sections) {
        HKEY key = OpenKey(root, StoreSectionKey(section), KEY_READ);
        for (const auto& name : RawNames(key)) rows.emplace_back(name, RawRead(key, name));
        ::RegCloseKey(key);
    }
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((box.folders.held / L"*.lnk").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do rows.emplace_back(data.cFileName, L"");
        while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
}

void RawRestore(testing::Sandbox& box) {
    const std::pair<HKEY, const wchar_t*> origins[] = {{HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"},
                                                       {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"}};
    for (const auto& [root, section] : origins) {
        HKEY store = OpenKey(root, StoreSectionKey(section), KEY_READ);
        HKEY run = OpenKey(root, std::wstring(kRunKey), KEY_ALL_ACCESS);
        for (const auto& name : RawNames(store)) RawWrite(run, name, RawRead(store, name));
        ::RegCloseKey(run);
        ::RegCloseKey(store);
    }
    RawMoveAll(box.folders.held, box.folders.startUp);
}

// Both ways of capturing must have done the whole job, or the comparison means nothing.
void Check(testing::Sandbox& box) {
    const size_t stored = StoreReadSection(SystemOs(), kMachineSection).size() +
                          StoreReadSection(SystemOs(), kUserSection).size();
    const size_t moved = testing::FileNames(box.folders.held).size();
    if (stored != kValues || moved != kShortcuts)
        std::printf("incomplete capture: %zu values, %zu shortcuts\n", stored, moved);
}

// --- Seeds ---

void SeedRunKeys(testing::Sandbox& box) {
    for (int i = 0; i < kValues; ++i) {
        testing::SetSz(i % 2 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, kRunKey,
                       L"Program " + std::to_wstring(i), Command(i));
    }
    for (int i = 0; i < kShortcuts; ++i)
        testing::WriteFile(box.folders.startUp / (L"Shortcut " + std::to_wstring(i) + L".lnk"));
}

void SeedStore(testing::Sandbox& box, int values, int positioned) {
    for (int i = 0; i < values; ++i) {
        const std::wstring name = L"Program " + std::to_wstring(i);
        StoreWrite(SystemOs(), i % 2 ? kUserSection : kMachineSection, name, Command(i));
        if (i < positioned) StoreWrite(SystemOs(), kPrioritySection, name, std::to_wstring(i));
    }
    std::filesystem::create_directories(box.folders.held);
    for (int i = 0; i < kShortcuts; ++i)
        testing::WriteFile(box.folders.held / (L"Shortcut " + std::to_wstring(i) + L".lnk"));
}

}  // namespace
}  // namespace tarnwick

int wmain() {
    using namespace tarnwick;
    std::printf(
        "%d runs each, alternating, medians; Wine registry and file system in a private prefix\n",
        kRuns);

    Compare(
        "capture: 500 Run values + 100 shortcuts", SeedRunKeys,
        [](testing::Sandbox& box) {
            CaptureStartupEntries({SystemOs(), box.ProgramFolder()}, Registration::Write);
        },
        RawCapture, Check);
    Compare(
        "listt: 100 positioned + 500 unpositioned + 100 shortcuts",
        [](testing::Sandbox& box) { SeedStore(box, 600, 100); },
        [](testing::Sandbox& box) {
            LaunchList list;
            listt({SystemOs(), box.ProgramFolder()}, list);
            if (list.Count() != 700) std::printf("unexpected list size %zu\n", list.Count());
        },
        RawListt);
    Compare(
        "restore: 500 values + 100 shortcuts",
        [](testing::Sandbox& box) { SeedStore(box, kValues, 0); },
        [](testing::Sandbox& box) {
            RestoreStartupEntries({SystemOs(), box.ProgramFolder()}, false);
        },
        RawRestore);
    return 0;
}
