#include "platform/windows_version.h"

#include <windows.h>

#include <cstring>

namespace zephrin {

int ClassifyWindowsVersion(unsigned major, unsigned minor, unsigned productType) {
    const bool workstation = productType == 1;
    const bool server = productType >= 2;
    if (major == 5) {
        if (minor == 0) return kWindows2000;
        if (minor == 1) return kWindowsXP;
        if (minor == 2) {
            if (workstation) return kWindowsXP;
            if (server) return kWindowsServer2003;
        }
        return kWindowsOther;
    }
    if (major == 6) {
        switch (minor) {
        case 0:
            if (workstation) return kWindowsVista;
            if (server) return kWindowsServer2008;
            break;
        case 1:
            if (workstation) return kWindows7;
            if (server) return kWindowsServer2008;
            break;
        case 2:
        case 3:
            if (workstation) return kWindows8;
            if (server) return kWindowsServer2012;
            break;
        default:
            break;
        }
    }
    return kWindowsOther;
}

int GetWindowsVersion() {
    OSVERSIONINFOEXW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        std::memset(&info, 0, sizeof(OSVERSIONINFOW));
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    }
    return ClassifyWindowsVersion(info.dwMajorVersion, info.dwMinorVersion, info.wProductType);
}

int WindowsComboRow(int code) {
    switch (code) {
    case kWindows2000: return 7;
    case kWindowsXP: return 3;
    case kWindowsServer2003: return 6;
    case kWindowsVista: return 2;
    case kWindowsServer2008: return 5;
    case kWindows7: return 1;
    case kWindows8: return 0;
    case kWindowsServer2012: return 4;
    default: return 0;
    }
}

}  // namespace zephrin
