// tw_mklink.exe: writes a shortcut, for seeding a StartUp folder in the demo and the tests.
//   tw_mklink.exe LINK.lnk TARGET [ARGUMENTS]
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cwchar>

#include "handles.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: tw_mklink LINK.lnk TARGET [ARGUMENTS]\n");
        return 2;
    }
    tarnwick::ComScope com;
    tarnwick::ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.put_void()))) {
        return 1;
    }
    link->SetPath(argv[2]);
    if (argc > 3) link->SetArguments(argv[3]);
    tarnwick::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return 1;
    return SUCCEEDED(file->Save(argv[1], TRUE)) ? 0 : 1;
}
