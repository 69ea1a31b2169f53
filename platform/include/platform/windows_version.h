#pragma once
// Which Windows the program runs on, as one small code.
#include <string>

namespace zephrin {

enum WindowsCode : int {
    kWindowsOther = -1,
    kWindows2000 = 0,
    kWindowsXP = 1,
    kWindowsServer2003 = 2,
    kWindowsVista = 3,
    kWindowsServer2008 = 4,
    kWindows7 = 5,
    kWindows8 = 6,
    kWindowsServer2012 = 7,
};

// Product type 0 means the system did not say; it matches neither side.
int ClassifyWindowsVersion(unsigned major, unsigned minor, unsigned productType);
int GetWindowsVersion();
// Whether the version query says 6.0 or later: the elevation shield and version 6 of the common controls.
bool WindowsVistaOrLater();

// The version as Windows itself has it, not as the manifest's list of
// supported systems lets the version query tell it: Windows 10 and 11 say
// 10.0 here. For showing and judging only; the classification above stays on
// the version query.
struct RealWindowsVersion {
    unsigned major = 0, minor = 0, build = 0;
    unsigned productType = 0;  // VER_NT_WORKSTATION, _DOMAIN_CONTROLLER or _SERVER; 0 unknown
    bool Workstation() const { return productType == 1; }
};
RealWindowsVersion GetRealWindowsVersion();
// Windows 11 is 10.0 from build 22000 on.
inline constexpr unsigned kFirstWindows11Build = 22000;
// The product's name, as Microsoft names it ("Windows 11", "Windows Server 2019"),
// or "Windows" when this version is not one we know.
std::wstring WindowsProductName(const RealWindowsVersion& v);

}  // namespace zephrin
