#include "load_meter.h"

#include <winioctl.h>

#include <algorithm>

namespace tarnwick {
namespace {

uint64_t Ticks(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

unsigned Processors() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? info.dwNumberOfProcessors : 1;
}

// The share of all processors busy from `a` to `b`, 0 to 1.
double BusyShare(const LoadCounters& a, const LoadCounters& b) {
    const uint64_t total = (b.kernel - a.kernel) + (b.user - a.user);
    if (total == 0) return 0;
    const uint64_t idle = b.idle - a.idle;
    return 1.0 - static_cast<double>(idle > total ? total : idle) / static_cast<double>(total);
}

}  // namespace

void LoadWindow::Add(const LoadCounters& counters) {
    samples_.push_back(counters);
    while (samples_.size() > kLoadWindowSamples + 1) samples_.pop_front();
}

double LoadWindow::BusyCores() const {
    if (samples_.size() < 2) return 0;
    return BusyShare(samples_.front(), samples_.back()) * processors_;
}

std::optional<double> LoadWindow::LastBusyShare() const {
    if (samples_.size() < 2) return std::nullopt;
    return BusyShare(samples_[samples_.size() - 2], samples_.back());
}

std::optional<double> LoadWindow::DiskShare() const {
    if (samples_.size() < 2) return std::nullopt;
    const LoadCounters& a = samples_.front();
    const LoadCounters& b = samples_.back();
    if (!a.diskIdle || !b.diskIdle || !a.diskQuery || !b.diskQuery) return std::nullopt;
    const uint64_t span = *b.diskQuery - *a.diskQuery;
    if (span == 0) return std::nullopt;
    const uint64_t idle = *b.diskIdle - *a.diskIdle;
    return 1.0 - static_cast<double>(idle > span ? span : idle) / static_cast<double>(span);
}

bool LeavesRoom(double busyCores, unsigned processors) {
    if (processors < 2) return busyCores < 0.5;
    return busyCores <= processors - 1.5;
}

bool LoadWindow::HasRoom() const {
    if (samples_.size() <= kLoadWindowSamples) return false;
    if (!LeavesRoom(BusyCores(), processors_)) return false;
    const std::optional<double> disk = DiskShare();
    return !disk || *disk < kSettledDiskShare;
}

SystemLoadMeter::SystemLoadMeter(ULONGLONG originTick)
    : window_(Processors()),
      origin_(originTick),
      disk_(NullIfInvalid(::CreateFileW(L"\\\\.\\PhysicalDrive0", 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        0, nullptr))) {}

void SystemLoadMeter::Sample() {
    LoadCounters c;
    FILETIME idle{}, kernel{}, user{};
    if (!::GetSystemTimes(&idle, &kernel, &user)) return;
    c.idle = Ticks(idle);
    c.kernel = Ticks(kernel);
    c.user = Ticks(user);
    // The disk's counters, where the system keeps them (Windows does unless they were switched
    // off; Wine does not).
    DISK_PERFORMANCE perf{};
    DWORD bytes = 0;
    if (disk_ && ::DeviceIoControl(disk_.get(), IOCTL_DISK_PERFORMANCE, nullptr, 0, &perf,
                                   sizeof perf, &bytes, nullptr)) {
        c.diskIdle = static_cast<uint64_t>(perf.IdleTime.QuadPart);
        c.diskQuery = static_cast<uint64_t>(perf.QueryTime.QuadPart);
    } else {
        disk_.reset();  // not reported here: not asked again
    }
    window_.Add(c);
    if (const std::optional<double> busy = window_.LastBusyShare()) {
        const ULONGLONG now = ::GetTickCount64();
        const ULONGLONG at = now > origin_ ? now - origin_ : 0;
        samples_.push_back({static_cast<uint32_t>(std::min<ULONGLONG>(at, UINT32_MAX)),
                            static_cast<uint32_t>(*busy * 100 + 0.5)});
    }
}

}  // namespace tarnwick
