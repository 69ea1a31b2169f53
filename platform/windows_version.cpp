#include "platform/windows_version.h"

#include <windows.h>

#include <cstring>

#include "platform/system_library.h"

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

namespace {

// The version query, in its extended form where the system has it.
OSVERSIONINFOEXW QueryVersion() {
    OSVERSIONINFOEXW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        std::memset(&info, 0, sizeof(OSVERSIONINFOW));
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    }
    return info;
}

}  // namespace

bool WindowsVistaOrLater() { return QueryVersion().dwMajorVersion >= 6; }

int GetWindowsVersion() {
    const OSVERSIONINFOEXW info = QueryVersion();
    return ClassifyWindowsVersion(info.dwMajorVersion, info.dwMinorVersion, info.wProductType);
}

RealWindowsVersion GetRealWindowsVersion() {
    OSVERSIONINFOEXW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    // ntdll's answer is not shaped by the manifest. It is looked up, not
    // imported, so that a system without it still starts and asks the version query.
    using RtlGetVersionFn = LONG WINAPI(OSVERSIONINFOW*);
    auto* rtlGetVersion = SystemFunction<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
    if (!rtlGetVersion || rtlGetVersion(reinterpret_cast<OSVERSIONINFOW*>(&info)) != 0) info = QueryVersion();
    RealWindowsVersion v;
    v.major = info.dwMajorVersion;
    v.minor = info.dwMinorVersion;
    v.build = info.dwBuildNumber;
    v.productType = info.wProductType;
    return v;
}

std::wstring WindowsProductName(const RealWindowsVersion& v) {
    const bool workstation = v.Workstation();
    const bool server = v.productType >= 2;
    const unsigned version = v.major * 100 + v.minor;
    if (workstation || v.productType == 0) {
        switch (version) {
        case 500: return L"Windows 2000";
        case 501: return L"Windows XP";
        case 502: return L"Windows XP";  // the x64 edition
        case 600: return L"Windows Vista";
        case 601: return L"Windows 7";
        case 602: return L"Windows 8";
        case 603: return L"Windows 8.1";
        case 1000: return v.build >= kFirstWindows11Build ? L"Windows 11" : L"Windows 10";
        default: break;
        }
    }
    if (server) {
        switch (version) {
        case 500: return L"Windows 2000 Server";
        case 502: return L"Windows Server 2003";
        case 600: return L"Windows Server 2008";
        case 601: return L"Windows Server 2008 R2";
        case 602: return L"Windows Server 2012";
        case 603: return L"Windows Server 2012 R2";
        case 1000:
            // The long-term editions; the others of 10.0 are named by their release, not a year.
            switch (v.build) {
            case 14393: return L"Windows Server 2016";
            case 17763: return L"Windows Server 2019";
            case 20348: return L"Windows Server 2022";
            case 26100: return L"Windows Server 2025";
            default: return L"Windows Server";
            }
        default: break;
        }
    }
    return L"Windows";
}

}  // namespace zephrin
