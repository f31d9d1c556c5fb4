// What the log-on storm programs share: one clock for every process of a run, a fixed amount of
// CPU work, and flushed file writes.
#pragma once

#include "handles.h"
#include "process.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::storm {

// Milliseconds on the performance counter. The counter is one clock for the whole machine (on
// Wine as on Windows), so times taken by different processes of a run compare directly.
inline double NowMs() {
    LARGE_INTEGER t, f;
    ::QueryPerformanceCounter(&t);
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// A fixed amount of arithmetic: `units` times a block of one million dependent steps, so that the
// same work takes longer when the program gets less of a core, as real work does. A unit is about
// 1.7 ms of CPU on the machine the benchmark was sized for. The result depends on every step, so
// the compiler cannot drop the loop.
inline std::uint64_t Spin(std::uint64_t units, std::uint64_t seed = 0x9E3779B97F4A7C15ull) {
    std::uint64_t x = seed | 1;
    for (std::uint64_t i = 0; i < units * 1'000'000; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
    }
    return x;
}

// The program's arguments after its own name.
inline std::vector<std::wstring> Arguments() {
    int count = 0;
    LPWSTR* raw = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; i < count; ++i) args.emplace_back(raw[i]);
    ::LocalFree(raw);
    return args;
}

// A whole non-negative decimal number, nothing else; nullopt for anything that is not one.
inline std::optional<std::uint64_t> ParseCount(const std::wstring& text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    std::uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return value;
}

// Starts a command line in a new process, as a shell or a launcher does (no handles inherited,
// the window shown normally); the process handle, or an empty one when it could not start. Not
// through the seam: the bench is the load that the programs under measure run against, with no
// double to put in its way, and it starts bare processes, without the job `Os::StartProcess` adds.
inline UniqueHandle StartCommand(const std::wstring& commandLine) {
    UniqueHandle process;
    StartCommandLine(commandLine, &process);
    return process;
}

inline UniqueHandle CreateForWriting(const std::wstring& path) {
    return UniqueHandle(
        NullIfInvalid(::CreateFileW(path.c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

// Appends `bytes` of the pattern to the file and forces them onto the disk, as a program saving
// its state does; false when any write fails.
inline bool WriteFlushed(HANDLE file, const std::vector<char>& pattern, std::uint64_t bytes) {
    while (bytes > 0) {
        const DWORD chunk = static_cast<DWORD>(bytes < pattern.size() ? bytes : pattern.size());
        DWORD written = 0;
        if (!::WriteFile(file, pattern.data(), chunk, &written, nullptr) || written != chunk)
            return false;
        bytes -= chunk;
    }
    return ::FlushFileBuffers(file) != FALSE;
}

// One megabyte of bytes that do not compress, so that no layer below can shrink the writes.
inline std::vector<char> Pattern(std::uint64_t seed) {
    std::vector<char> bytes(1 << 20);
    std::uint64_t x = seed | 1;
    for (char& b : bytes) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        b = static_cast<char>(x >> 56);
    }
    return bytes;
}

inline bool WriteText(const std::wstring& path, std::string_view text) {
    UniqueHandle file = CreateForWriting(path);
    DWORD written = 0;
    return file &&
           ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) &&
           written == text.size();
}

}  // namespace tarnwick::storm
