#include "ui/display.h"

#include <cwchar>

#include "platform/system_library.h"

namespace zephrin::ui {

bool SystemHighContrast() {
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof hc;
    if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON)) return true;
#ifdef ZEPHRIN_TEST_DISPLAY
    // Wine cannot turn high contrast on, so the test build also believes the
    // flag where Windows keeps it, which a test can set.
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Accessibility\\HighContrast", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    wchar_t flags[16] = {};
    DWORD type = 0, size = sizeof flags - sizeof(wchar_t);
    const bool read = RegQueryValueExW(key, L"Flags", nullptr, &type, reinterpret_cast<BYTE*>(flags), &size) ==
                          ERROR_SUCCESS && type == REG_SZ;
    RegCloseKey(key);
    return read && (std::wcstoul(flags, nullptr, 10) & HCF_HIGHCONTRASTON) != 0;
#else
    return false;
#endif
}

int WindowDpi(HWND window) {
    // Windows 10 1607 and later; user32 is loaded already.
    static auto* const getDpi = SystemFunction<UINT WINAPI(HWND)>(L"user32.dll", "GetDpiForWindow");
    return getDpi && window ? static_cast<int>(getDpi(window)) : 0;
}

}  // namespace zephrin::ui
