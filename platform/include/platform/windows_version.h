#pragma once
// Which Windows the program runs on, as one small code.
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
// Row of the main window's Windows list for a code; unknown codes show row 0.
int WindowsComboRow(int code);

}  // namespace zephrin
