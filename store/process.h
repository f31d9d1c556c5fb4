// Starting a program's command line, as the launcher starts its entries: what the seam's
// `StartProcess` and `StartWithHandle` are made of, and what a tool with no seam (the benchmarks,
// the tests' own helpers) starts a program with.
#pragma once

#include "handles.h"
#include "os.h"

#include <windows.h>

#include <string_view>

namespace tarnwick {

// Starts a command line in a new process as a shell or a launcher does: no handles inherited,
// the window shown normally. ERROR_SUCCESS, with the process handle in `process` when one is
// asked for; else the error.
DWORD StartCommandLine(std::wstring_view commandLine, UniqueHandle* process = nullptr);
// The same, handing the new process one handle of the caller's, `inherited` (made inheritable),
// under the same value, and no other.
DWORD StartCommandLineWithHandle(std::wstring_view commandLine, HANDLE inherited,
                                 UniqueHandle* process = nullptr);

// A new job for one started program: it limits nothing (a process in it may still leave it on
// purpose) and ends nothing when it is closed. Empty when the system gave none.
UniqueHandle ProgramJob();
// `StartCommandLine` with the new process in a job of its own (`ProgramJob`) before its first
// instruction runs, so that every process it starts is in the job too. `started` holds the job
// (empty where the process could not be put in one) and the process.
DWORD StartCommandLineInJob(std::wstring_view commandLine, StartedProcess& started);

}  // namespace tarnwick
