// tw_bench.exe: the Windows side of scripts/bench-launcher.sh, which compares Tarnwick.exe with
// tw_floor.exe, the floor program that does what the launcher has to do the plainest way.
//   tw_bench startup FOLDER SAMPLE LOGS RUNS   time from process creation to the window shown
//                                               and the peak working set after start-up
//   tw_bench seed SAMPLE LOGS COUNT INIT DELAY [WAITIDLE]
//                                               a store holding COUNT captured sample entries,
//                                               "WaitIdle" set to WAITIDLE (True or False)
//   tw_bench started LOGS                       how many sample starts were noted
//   tw_bench schedule FOLDER SAMPLE LOGS COUNT  the start time of each entry against its slot
// FOLDER holds both programs; INIT and DELAY are in tenths of a second, as stored.
#include "gdi.h"
#include "handles.h"
#include "probe.h"
#include "registry.h"
#include "settings_store.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace tarnwick;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Started {
    UniqueHandle process;
    DWORD pid = 0;
    long long createdAt = 0;  // just before CreateProcess
};

Started Start(const std::wstring& commandLine) {
    Started st;
    std::wstring cmd = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    st.createdAt = NowTicks();
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi)) {
        return st;
    }
    ::CloseHandle(pi.hThread);
    st.process.reset(pi.hProcess);
    st.pid = pi.dwProcessId;
    return st;
}

// Milliseconds from the creation of the process to its window being seen, or -1. Seen means
// that the window is visible and its light grey face has reached the screen (read back near its
// top right corner, where neither program draws anything else): a window that is visible but not
// yet painted does not count.
double TimeToShown(const Started& st, const wchar_t* cls) {
    double shownMs = -1;
    const WindowDc screen(nullptr);
    for (int i = 0; st.pid && i < 20000; ++i) {
        if (const HWND window = FindProcessWindow(st.pid, cls, true)) {
            RECT r{};
            ::GetWindowRect(window, &r);
            if (::GetPixel(screen.get(), r.right - 2, r.top + 2) == RGB(192, 192, 192)) {
                shownMs = MsBetween(st.createdAt, NowTicks());
                break;
            }
        }
        ::Sleep(1);
    }
    return shownMs;
}

size_t PeakWorkingSet(HANDLE process) {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    return ::GetProcessMemoryInfo(process, &pmc, sizeof pmc) ? pmc.PeakWorkingSetSize : 0;
}

void End(const Started& s) {
    ::TerminateProcess(s.process.get(), 0);
    ::WaitForSingleObject(s.process.get(), 5000);
}

// A clean store holding `count` captured entries of the sample program, as a log-on after an
// earlier capture finds it.
void Seed(const std::wstring& sample, const fs::path& logs, int count, int initTenths,
          int delayTenths, const std::wstring& waitIdle = L"False") {
    Os& os = SystemOs();
    os.DeleteKey(HKEY_CURRENT_USER, L"Software\\Veltane");
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::wstring& name : Registry::EnumValues(os, root, kRunKey)) {
            Registry::DeleteValue(os, root, kRunKey, name);
        }
    }
    std::error_code ec;
    fs::remove_all(logs, ec);
    fs::create_directories(logs);
    for (int k = 1; k <= count; ++k) {
        wchar_t name[8];
        ::wsprintfW(name, L"E%02d", k);
        StoreWrite(os, kUserSection, name,
                   L"\"" + sample + L"\" " + name + L" \"" + logs.wstring() + L"\" --hidden");
    }
    StoreWrite(os, kMiscSection, L"initTimeDelay", std::to_wstring(initTenths));
    StoreWrite(os, kMiscSection, L"TimeDelay", std::to_wstring(delayTenths));
    StoreWrite(os, kMiscSection, L"WaitIdle", waitIdle);
    StoreWrite(os, kMiscSection, L"Visible", L"1");
}

// Start times (process creation, FILETIME ticks) that the samples noted, by entry name.
std::vector<std::pair<std::wstring, long long>> Recorded(const fs::path& logs) {
    std::vector<std::pair<std::wstring, long long>> starts;
    for (const auto& entry : fs::directory_iterator(logs)) {
        std::ifstream in(entry.path());
        std::string word;
        while (in >> word) {
            if (word.rfind("created=", 0) == 0) {
                starts.emplace_back(entry.path().stem().wstring(), std::stoll(word.substr(8)));
            }
        }
    }
    std::sort(starts.begin(), starts.end());
    return starts;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int Startup(const fs::path& folder, const std::wstring& sample, const fs::path& logs, int runs) {
    const std::wstring tarnwick = L"\"" + (folder / L"Tarnwick.exe").wstring() + L"\"";
    const std::wstring floor = L"\"" + (folder / L"tw_floor.exe").wstring() + L"\"";
    // The launcher with 20 captured entries, as at a log-on, and an initial delay long enough
    // that nothing starts while it is measured. The two programs take turns.
    std::vector<double> startT, startF, wsT, wsF;
    for (int i = 0; i < runs; ++i) {
        {
            const Started f = Start(floor);
            startF.push_back(TimeToShown(f, L"TarnwickFloor"));
            std::this_thread::sleep_for(500ms);
            wsF.push_back(static_cast<double>(PeakWorkingSet(f.process.get())));
            End(f);
        }
        {
            Seed(sample, logs, 20, 300, 10);
            const Started t = Start(tarnwick);
            startT.push_back(TimeToShown(t, L"TarnwickLauncher"));
            std::this_thread::sleep_for(500ms);
            wsT.push_back(static_cast<double>(PeakWorkingSet(t.process.get())));
            End(t);
        }
    }
    std::printf("Start-up, %d runs each: median (min..max)\n", runs);
    // Both targets: at most 1.2 times the floor program's figure.
    constexpr double kMostRatio = 1.2;
    const auto row = [](const char* what, const std::vector<double>& t,
                        const std::vector<double>& f, double scale, const char* unit) {
        const auto [tMin, tMax] = std::minmax_element(t.begin(), t.end());
        const auto [fMin, fMax] = std::minmax_element(f.begin(), f.end());
        const double ratio = Median(t) / Median(f);
        std::printf(
            "  %-26s Tarnwick %7.1f %-3s (%.1f..%.1f)  floor %7.1f %-3s (%.1f..%.1f)  ratio "
            "%.2f (target <= %.1f: %s)\n",
            what, Median(t) / scale, unit, *tMin / scale, *tMax / scale, Median(f) / scale, unit,
            *fMin / scale, *fMax / scale, ratio, kMostRatio,
            ratio <= kMostRatio ? "met" : "NOT met");
    };
    row("creation to window shown", startT, startF, 1, "ms");
    row("peak working set", wsT, wsF, 1024 * 1024, "MiB");
    return 0;
}

int Schedule(const fs::path& folder, const std::wstring& sample, const fs::path& logs, int count) {
    // Each entry's slot: the initial delay and then one second per entry, counted from the end
    // of the launcher's start-up, when it has armed its first timer and begins to wait for input.
    // WaitForInputIdle returns a little after that moment, so the figures lean early by that much.
    Seed(sample, logs, count, 10, 10);
    const Started run = Start(L"\"" + (folder / L"Tarnwick.exe").wstring() + L"\"");
    ::WaitForInputIdle(run.process.get(), 10000);
    const long long armedAt = NowTicks();
    ::WaitForSingleObject(run.process.get(), static_cast<DWORD>(count + 30) * 1000);
    std::this_thread::sleep_for(1s);
    const auto starts = Recorded(logs);
    std::printf("Start times of %zu entries against their slots (ms, + late / - early)",
                starts.size());
    std::vector<double> errors;
    for (size_t k = 0; k < starts.size(); ++k) {
        const double slot = 2000.0 + 1000.0 * static_cast<double>(k);
        errors.push_back(MsBetween(armedAt, starts[k].second) - slot);
        std::printf("%s%ls %+6.1f", k % 5 == 0 ? "\n  " : "   ", starts[k].first.c_str(),
                    errors.back());
    }
    if (errors.empty()) return 1;
    const auto [lo, hi] = std::minmax_element(errors.begin(), errors.end());
    const double n = static_cast<double>(errors.size());
    const double mean = std::accumulate(errors.begin(), errors.end(), 0.0) / n;
    // Drift: the slope of the error over the entries, by least squares.
    double sxy = 0, sxx = 0;
    for (size_t k = 0; k < errors.size(); ++k) {
        const double x = static_cast<double>(k) - (n - 1) / 2;
        sxy += x * (errors[k] - mean);
        sxx += x * x;
    }
    std::printf(
        "\n  min %+.1f  max %+.1f  mean %+.1f ms; drift %+.3f ms per entry (%+.1f ms over %zu)\n",
        *lo, *hi, mean, sxy / sxx, sxy / sxx * (n - 1), errors.size());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> a(argv + 1, argv + argc);
    const auto number = [&](size_t i) { return std::stoi(a.at(i)); };
    try {
        if (a.size() == 5 && a[0] == L"startup") return Startup(a[1], a[2], a[3], number(4));
        if ((a.size() == 6 || a.size() == 7) && a[0] == L"seed") {
            Seed(a[1], a[2], number(3), number(4), number(5), a.size() == 7 ? a[6] : L"False");
            return 0;
        }
        if (a.size() == 2 && a[0] == L"started") {
            std::printf("%zu\n", Recorded(a[1]).size());
            return 0;
        }
        if (a.size() == 5 && a[0] == L"schedule") return Schedule(a[1], a[2], a[3], number(4));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tw_bench: %s\n", e.what());
        return 1;
    }
    std::fputs("usage: tw_bench startup|seed|started|schedule ... (see the source)\n", stderr);
    return 2;
}
