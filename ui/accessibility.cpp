#include "accessibility.h"

#include "handles.h"

#include <oleacc.h>

namespace tarnwick::ui {

bool HighContrastOn() {
    HIGHCONTRASTW contrast{sizeof contrast, 0, nullptr};
    if (::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0) {
        return true;
    }
    // Straight from the environment, not the seam: a switch that the tests of whole programs set
    // for the program they start, read by window code that has no seam.
    wchar_t value[2]{};
    return ::GetEnvironmentVariableW(L"TARNWICK_HIGH_CONTRAST", value, 2) == 1 && value[0] == L'1';
}

bool NameForScreenReaders(HWND control, const wchar_t* name) {
    ComPtr<IAccPropServices> services;
    if (FAILED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IAccPropServices, services.put_void()))) {
        return false;
    }
    // The service keeps its own copy of the text.
    return SUCCEEDED(services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT),
                                              CHILDID_SELF, PROPID_ACC_NAME,
                                              const_cast<wchar_t*>(name)));
}

}  // namespace tarnwick::ui
