// What one started program has used so far: processor time and bytes read and written of the
// process it started and of every process that one started, read from the job that holds them all
// (see Os::StartProcess). Where the system keeps no accounting of jobs (Wine 8 answers
// ERROR_INVALID_FUNCTION, and its GetProcessTimes of another process gives the caller's own
// times, measured), the processor time is summed over the threads of the job's processes, each
// thread counted with the most it was seen to have used: Wine reads a thread's times from Linux,
// which forgets them once the process is gone (measured). What a thread used after its last
// reading is lost there; bytes cannot be had there at all.
#pragma once

#include "cost_meter.h"
#include "os.h"

#include <vector>

namespace tarnwick {

class ProgramCounters {
  public:
    explicit ProgramCounters(StartedProcess started);

    CostCounters Read();
    // Whether every process of the program has ended; true when there is nothing to watch.
    bool Ended() const;
    // Part of what the program used cannot be read: it ran before it joined its job, it has no
    // job, or no process to watch at all, or the system keeps no accounting of jobs.
    bool Partial() const;
    // Whether process `pid` is one of the program's.
    bool Holds(DWORD pid) const;
    // The process that was started (null when there is none); signalled once it has ended.
    HANDLE Process() const { return started_.process.get(); }
    // Lets go of what only the readings need; `Ended` and `Holds` still answer.
    void Release() { processes_.clear(); }

  private:
    // A process of the program and the threads of it seen so far.
    struct Tracked {
        DWORD pid = 0;
        UniqueHandle process;  // null for the one that was started: `started_` holds it
        std::vector<UniqueHandle> threads;  // in the order they were made
        std::vector<uint64_t> threadTimes;  // the most each was seen to have used
    };
    void TrackProcesses();
    void TrackThreads(HANDLE process, Tracked& tracked);
    uint64_t ThreadTimes();

    StartedProcess started_;
    DWORD pid_ = 0;
    bool jobAccounting_;
    std::vector<Tracked> processes_;
};

// The ids of the processes in `job` now; empty when it cannot be read.
std::vector<DWORD> JobProcessIds(HANDLE job);

}  // namespace tarnwick
