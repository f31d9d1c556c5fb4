#include "program_counters.h"

#include <winternl.h>

#include <algorithm>

namespace tarnwick {
namespace {

uint64_t TimeTicks(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// Whether the system keeps the accounting of jobs: asked once of a job of no process.
bool SystemKeepsJobAccounting() {
    static const bool keeps = [] {
        const UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_BASIC_AND_IO_ACCOUNTING_INFORMATION info{};
        return job &&
               ::QueryInformationJobObject(job.get(), JobObjectBasicAndIoAccountingInformation,
                                           &info, sizeof info, nullptr);
    }();
    return keeps;
}

// The threads of a process one by one (ntdll's NtGetNextThread, there since Windows Vista and in
// Wine): the thread after `previous`, or the first for null. Null after the last.
using NextThreadFunction = NTSTATUS(NTAPI*)(HANDLE, HANDLE, ACCESS_MASK, ULONG, ULONG, PHANDLE);

NextThreadFunction NextThreadCall() {
    static const auto call = reinterpret_cast<NextThreadFunction>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtGetNextThread")));
    return call;
}

}  // namespace

std::vector<DWORD> JobProcessIds(HANDLE job) {
    std::vector<DWORD> ids;
    if (!job) return ids;
    // Room for 32 processes first, and as many as the job says it has when that is not enough.
    std::vector<ULONG_PTR> buffer(2 + 32);
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
        const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(ULONG_PTR));
        const bool read =
            ::QueryInformationJobObject(job, JobObjectBasicProcessIdList, list, size, nullptr);
        if (read || ::GetLastError() != ERROR_MORE_DATA) {
            if (!read) return ids;
            for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
                ids.push_back(static_cast<DWORD>(list->ProcessIdList[i]));
            }
            return ids;
        }
        buffer.resize(2 + list->NumberOfAssignedProcesses + 16);
    }
    return ids;
}

ProgramCounters::ProgramCounters(StartedProcess started)
    : started_(std::move(started)),
      pid_(started_.process ? ::GetProcessId(started_.process.get()) : 0),
      jobAccounting_(SystemKeepsJobAccounting()) {
    if (jobAccounting_ || !started_.process) return;
    // Its first thread now, while it surely runs: a program that ends within its first second
    // would otherwise leave no thread to read.
    Tracked first;
    first.pid = pid_;
    TrackThreads(started_.process.get(), first);
    processes_.push_back(std::move(first));
}

bool ProgramCounters::Partial() const {
    return !jobAccounting_ || !started_.job || started_.joinedLate;
}

bool ProgramCounters::Ended() const {
    if (started_.job) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
        if (::QueryInformationJobObject(started_.job.get(), JobObjectBasicAccountingInformation,
                                        &info, sizeof info, nullptr)) {
            return info.ActiveProcesses == 0;
        }
    }
    return !started_.process || ::WaitForSingleObject(started_.process.get(), 0) == WAIT_OBJECT_0;
}

bool ProgramCounters::Holds(DWORD pid) const {
    if (pid == 0) return false;
    if (pid == pid_) return true;
    const std::vector<DWORD> ids = JobProcessIds(started_.job.get());
    return std::find(ids.begin(), ids.end(), pid) != ids.end();
}

CostCounters ProgramCounters::Read() {
    CostCounters counters;
    if (!jobAccounting_) {
        TrackProcesses();
        counters.cpu = ThreadTimes();
        return counters;
    }
    JOBOBJECT_BASIC_AND_IO_ACCOUNTING_INFORMATION job{};
    if (started_.job &&
        ::QueryInformationJobObject(started_.job.get(), JobObjectBasicAndIoAccountingInformation,
                                    &job, sizeof job, nullptr)) {
        counters.cpu = static_cast<uint64_t>(job.BasicInfo.TotalUserTime.QuadPart) +
                       static_cast<uint64_t>(job.BasicInfo.TotalKernelTime.QuadPart);
        counters.readBytes = job.IoInfo.ReadTransferCount;
        counters.writtenBytes = job.IoInfo.WriteTransferCount;
    }
    // A process that joined its job late, or none, counts at least for itself, from its start.
    if (started_.process && (!started_.job || started_.joinedLate)) {
        FILETIME created{}, exited{}, kernel{}, user{};
        if (::GetProcessTimes(started_.process.get(), &created, &exited, &kernel, &user)) {
            counters.cpu = std::max(counters.cpu, TimeTicks(kernel) + TimeTicks(user));
        }
        IO_COUNTERS io{};
        if (::GetProcessIoCounters(started_.process.get(), &io)) {
            counters.readBytes = std::max(counters.readBytes, io.ReadTransferCount);
            counters.writtenBytes = std::max(counters.writtenBytes, io.WriteTransferCount);
        }
    }
    return counters;
}

void ProgramCounters::TrackProcesses() {
    for (Tracked& tracked : processes_) {
        TrackThreads(tracked.process ? tracked.process.get() : started_.process.get(), tracked);
    }
    for (const DWORD pid : JobProcessIds(started_.job.get())) {
        const bool known = std::any_of(processes_.begin(), processes_.end(),
                                       [pid](const Tracked& t) { return t.pid == pid; });
        if (known) continue;
        Tracked tracked;
        tracked.pid = pid;
        tracked.process.reset(::OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid));
        // Gone before it could be opened: what it used is lost, as the record says already.
        if (!tracked.process) continue;
        TrackThreads(tracked.process.get(), tracked);
        processes_.push_back(std::move(tracked));
    }
}

void ProgramCounters::TrackThreads(HANDLE process, Tracked& tracked) {
    const NextThreadFunction next = NextThreadCall();
    if (!next) return;
    // Threads come in the order they were made, also after one that has ended (measured under
    // Wine, where alone this runs): going on from the newest one seen finds only new ones, one
    // call when there are none.
    for (;;) {
        HANDLE previous = tracked.threads.empty() ? nullptr : tracked.threads.back().get();
        HANDLE found = nullptr;
        if (next(process, previous, THREAD_QUERY_LIMITED_INFORMATION, 0, 0, &found) != 0) return;
        tracked.threads.emplace_back(found);
        tracked.threadTimes.push_back(0);
    }
}

uint64_t ProgramCounters::ThreadTimes() {
    uint64_t sum = 0;
    for (Tracked& tracked : processes_) {
        for (size_t i = 0; i < tracked.threads.size(); ++i) {
            FILETIME created{}, exited{}, kernel{}, user{};
            if (::GetThreadTimes(tracked.threads[i].get(), &created, &exited, &kernel, &user)) {
                tracked.threadTimes[i] =
                    std::max(tracked.threadTimes[i], TimeTicks(kernel) + TimeTicks(user));
            }
            sum += tracked.threadTimes[i];
        }
    }
    return sum;
}

}  // namespace tarnwick
