#include "logon_watch.h"

#include <algorithm>
#include <climits>
#include <system_error>

namespace tarnwick {
namespace {

// A window that was made hidden is looked at this often while it is new (a program mostly shows
// its window right after making it), then only with the program's own readings.
constexpr ULONGLONG kNewWindowLookMs = 100;
constexpr ULONGLONG kNewWindowMs = 2000;
constexpr ULONGLONG kOldWindowLookMs = 1000;

// The one watch whose thread takes the window events: the callback gets no context of its own.
LogOnWatch* g_eventWatch = nullptr;

uint32_t MsBetween(ULONGLONG from, ULONGLONG to) {
    return to > from ? static_cast<uint32_t>(std::min<ULONGLONG>(to - from, UINT32_MAX)) : 0;
}

}  // namespace

LogOnWatch::LogOnWatch(ULONGLONG originTick, uint32_t measuredMs)
    : origin_(originTick),
      measuredMs_(measuredMs),
      wake_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      measured_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

LogOnWatch::~LogOnWatch() {
    StopThread();
}

void LogOnWatch::StopThread() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    if (wake_) ::SetEvent(wake_.get());
    if (thread_.joinable()) thread_.join();
}

void LogOnWatch::Started(size_t index, std::wstring_view name, StartedProcess started) {
    const ULONGLONG now = ::GetTickCount64();
    // The thread comes with the first start: a launcher that starts nothing never makes one. The
    // start is not held up for it: a window the program shows before the thread asks for the
    // window events, the thread finds among the windows there are.
    if (!thread_.joinable() && wake_ && measured_) {
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            // No thread: the programs are read once, at the end, and say so.
        }
    }
    const std::lock_guard lock(mutex_);
    entries_.push_back(std::make_unique<Entry>(index, name, now, MsBetween(origin_, now),
                                               std::move(started), measuredMs_));
    if (wake_) ::SetEvent(wake_.get());
}

bool LogOnWatch::Ended(size_t index) const {
    const std::lock_guard lock(mutex_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if ((*it)->index == index) return (*it)->counters.Ended();
    }
    return true;
}

void LogOnWatch::Finish() {
    const std::lock_guard lock(mutex_);
    finished_ = true;
    if (!thread_.joinable() && measured_) ::SetEvent(measured_.get());
    if (wake_) ::SetEvent(wake_.get());
}

uint32_t LogOnWatch::SpanMs() const {
    const std::lock_guard lock(mutex_);
    return entries_.empty() ? 0 : entries_.back()->startMs;
}

std::vector<StartedProgram> LogOnWatch::Programs() {
    Finish();
    if (thread_.joinable()) thread_.join();
    std::vector<StartedProgram> programs;
    const std::lock_guard lock(mutex_);
    for (const auto& entry : entries_) {
        // Not read to its end: the thread was stopped, or there was none.
        const bool cut = !entry->complete;
        if (cut) Read(*entry, ::GetTickCount64());
        StartedProgram program;
        program.name = entry->name;
        program.startMs = entry->startMs;
        program.cpuPerSecond = entry->meter.CpuPerSecond();
        program.cost = entry->meter.Cost();
        program.cost.firstWindowMs = entry->firstWindowMs;
        program.cost.partial = cut || entry->counters.Partial();
        programs.push_back(std::move(program));
    }
    return programs;
}

void LogOnWatch::Read(Entry& entry, ULONGLONG now) {
    entry.readNow = false;
    // Whether it has ended first: what it used up to then is all in the reading after. While the
    // process that was started runs, its job has not ended: no need to ask.
    if (!entry.waited && entry.counters.Process() && !entry.processEnded) {
        entry.processEnded = ::WaitForSingleObject(entry.counters.Process(), 0) == WAIT_OBJECT_0;
    }
    const bool ended = (entry.processEnded || !entry.counters.Process()) && entry.counters.Ended();
    entry.meter.Add(MsBetween(entry.startTick, now), entry.counters.Read());
    if (ended) entry.meter.Ended();
    if (!entry.meter.Complete()) return;
    entry.complete = true;
    entry.counters.Release();
    std::erase_if(candidates_, [&entry](const Candidate& c) { return c.entry == &entry; });
}

void LogOnWatch::WindowShown(Entry& entry, ULONGLONG at) {
    if (entry.firstWindowMs) return;
    entry.firstWindowMs = MsBetween(entry.startTick, at);
    std::erase_if(candidates_, [&entry](const Candidate& c) { return c.entry == &entry; });
}

ULONGLONG LogOnWatch::Step(ULONGLONG now) {
    ULONGLONG next = ULLONG_MAX;
    for (const auto& entry : entries_) {
        if (entry->complete) continue;
        if (entry->readNow || now >= entry->startTick + entry->meter.NextDueMs()) {
            Read(*entry, now);
        }
        if (!entry->complete) next = std::min(next, entry->startTick + entry->meter.NextDueMs());
    }
    for (size_t i = 0; i < candidates_.size();) {
        Candidate& c = candidates_[i];
        if (now >= c.nextLook) {
            if (!::IsWindow(c.hwnd)) {
                candidates_.erase(candidates_.begin() + static_cast<ptrdiff_t>(i));
                continue;
            }
            if (::IsWindowVisible(c.hwnd)) {
                // Removes this candidate and the program's others.
                WindowShown(*c.entry, now);
                i = 0;
                continue;
            }
            c.nextLook = now + (now - c.made < kNewWindowMs ? kNewWindowLookMs : kOldWindowLookMs);
        }
        next = std::min(next, c.nextLook);
        ++i;
    }
    return next;
}

void LogOnWatch::Run() {
    MSG msg;
    // The thread's message queue, which the window events come through.
    ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    g_eventWatch = this;
    // Out of context: the events come here as messages; nothing is loaded into the programs.
    // EVENT_OBJECT_CREATE for the windows that Wine shows without telling.
    const HWINEVENTHOOK hook =
        ::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, &LogOnWatch::OnWinEvent,
                          0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    FindWindowsShownBefore();
    std::vector<HANDLE> waits;
    std::vector<Entry*> waited;
    for (;;) {
        DWORD timeout = INFINITE;
        waits.assign(1, wake_.get());
        waited.clear();
        {
            const std::lock_guard lock(mutex_);
            if (stop_) break;
            const ULONGLONG now = ::GetTickCount64();
            const ULONGLONG next = Step(now);
            const bool measuring = std::any_of(entries_.begin(), entries_.end(),
                                               [](const auto& e) { return !e->complete; });
            if (finished_ && !measuring) break;
            if (next != ULLONG_MAX) timeout = static_cast<DWORD>(next > now ? next - now : 0);
            // Each program's process too, while it runs: its end is read at once, and a program
            // that has ended needs the launcher no longer.
            for (const auto& entry : entries_) {
                entry->waited = false;
                if (entry->complete || entry->processEnded || !entry->counters.Process()) continue;
                // MsgWaitForMultipleObjects takes one handle fewer than the most.
                if (waits.size() == MAXIMUM_WAIT_OBJECTS - 1) continue;
                entry->waited = true;
                waits.push_back(entry->counters.Process());
                waited.push_back(entry.get());
            }
        }
        const DWORD woke = ::MsgWaitForMultipleObjects(static_cast<DWORD>(waits.size()),
                                                       waits.data(), FALSE, timeout, QS_ALLINPUT);
        if (woke > WAIT_OBJECT_0 && woke < WAIT_OBJECT_0 + waits.size()) {
            const std::lock_guard lock(mutex_);
            Entry* entry = waited[woke - WAIT_OBJECT_0 - 1];
            entry->processEnded = true;
            entry->readNow = true;
        }
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    if (hook) ::UnhookWinEvent(hook);
    g_eventWatch = nullptr;
    ::SetEvent(measured_.get());
}

void CALLBACK LogOnWatch::OnWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child,
                                     DWORD, DWORD time) {
    if (!g_eventWatch || !hwnd || object != OBJID_WINDOW || child != CHILDID_SELF) return;
    if (event != EVENT_OBJECT_CREATE && event != EVENT_OBJECT_SHOW) return;
    // Top-level windows only: a control or a message-only window is no program's window.
    if (::GetAncestor(hwnd, GA_PARENT) != ::GetDesktopWindow()) return;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    // The event's own time (GetTickCount's), which a busy thread hears late.
    const ULONGLONG now = ::GetTickCount64();
    const ULONGLONG at = now - std::min<ULONGLONG>(now, ::GetTickCount() - time);
    g_eventWatch->OnWindow(event, hwnd, pid, at);
}

void LogOnWatch::FindWindowsShownBefore() {
    const std::lock_guard lock(mutex_);
    ::EnumWindows(
        [](HWND hwnd, LPARAM watch) -> BOOL {
            if (!::IsWindowVisible(hwnd)) return TRUE;
            DWORD pid = 0;
            ::GetWindowThreadProcessId(hwnd, &pid);
            reinterpret_cast<LogOnWatch*>(watch)->ShownBefore(pid);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
}

void LogOnWatch::ShownBefore(DWORD pid) {
    const ULONGLONG now = ::GetTickCount64();
    for (const auto& entry : entries_) {
        if (!entry->complete && !entry->firstWindowMs && entry->counters.Holds(pid)) {
            WindowShown(*entry, now);
        }
    }
}

void LogOnWatch::OnWindow(DWORD event, HWND hwnd, DWORD pid, ULONGLONG at) {
    const std::lock_guard lock(mutex_);
    for (const auto& entry : entries_) {
        if (entry->complete || entry->firstWindowMs || !entry->counters.Holds(pid)) continue;
        if (event == EVENT_OBJECT_SHOW || ::IsWindowVisible(hwnd)) {
            WindowShown(*entry, at);
        } else {
            candidates_.push_back({hwnd, entry.get(), at, at + kNewWindowLookMs});
            if (wake_) ::SetEvent(wake_.get());
        }
        return;
    }
}

}  // namespace tarnwick
