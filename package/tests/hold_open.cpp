// hold_open FILE: keeps FILE open, as a program that reads it does, without letting anyone move
// or delete it; writes FILE.held once it holds it, and ends when FILE.release appears.
#include "handles.h"

#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const std::wstring file = argv[1];
    const tarnwick::UniqueHandle open(tarnwick::NullIfInvalid(::CreateFileW(
        file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)));
    if (!open) return 1;
    const tarnwick::UniqueHandle held(tarnwick::NullIfInvalid(::CreateFileW(
        (file + L".held").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));
    // Two minutes at most: a test that died must not leave it running.
    for (int i = 0; i < 1200; ++i) {
        if (::GetFileAttributesW((file + L".release").c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
        ::Sleep(100);
    }
    return 3;
}
