// The user's first action in the log-on storm benchmark: a small program that does a fixed amount
// of work (some computing, a small document saved and read back) and ends. Whoever starts it
// times it from the start to the end of its process, as a user waits for a program to open.
//   storm_probe.exe SCRATCH UNITS KILOBYTES
// Exit code 0 when done, 2 for bad arguments, 3 when the file work failed.
#include "storm_common.h"

#include <algorithm>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace tarnwick::storm;
    const auto args = Arguments();
    if (args.size() != 3) return 2;
    const auto units = ParseCount(args[1]);
    const auto kilobytes = ParseCount(args[2]);
    if (!units || !kilobytes || *kilobytes > 1024) return 2;

    volatile std::uint64_t sink = Spin(*units);
    const std::vector<char> pattern = Pattern(sink);
    const std::uint64_t bytes = *kilobytes << 10;
    {
        tarnwick::UniqueHandle file = CreateForWriting(args[0]);
        if (!file || !WriteFlushed(file.get(), pattern, bytes)) return 3;
        std::vector<char> back(bytes);
        DWORD read = 0;
        if (::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
            !::ReadFile(file.get(), back.data(), static_cast<DWORD>(bytes), &read, nullptr) ||
            read != bytes || !std::equal(back.begin(), back.end(), pattern.begin()))
            return 3;
    }
    return ::DeleteFileW(args[0].c_str()) ? 0 : 3;
}
