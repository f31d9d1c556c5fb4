// tw_press.exe: answers a dialog the way a user would, for the demo and the log-on scenario that
// drive the real programs from a shell script. Waits for a top-level window of that class and
// title, then clicks the button with that control id.
//   tw_press.exe CLASS TITLE BUTTON_ID [TIMEOUT_MS]     exit code 0 when it clicked, 1 if not
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fwprintf(stderr, L"usage: tw_press CLASS TITLE BUTTON_ID [TIMEOUT_MS]\n");
        return 2;
    }
    const int id = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
    const ULONGLONG timeout = argc > 4 ? std::wcstoull(argv[4], nullptr, 10) : 30'000;
    for (const ULONGLONG until = ::GetTickCount64() + timeout; ::GetTickCount64() < until;
         ::Sleep(50)) {
        const HWND window = ::FindWindowW(argv[1], argv[2]);
        const HWND button = window ? ::GetDlgItem(window, id) : nullptr;
        if (!button || !::IsWindowVisible(window)) continue;
        // Posted: the click may open another modal window, which must not wait on this program.
        ::PostMessageW(button, BM_CLICK, 0, 0);
        return 0;
    }
    return 1;
}
