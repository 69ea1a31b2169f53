#pragma once
// The main window's Windows list: its fixed rows, each with its picture and
// the version code that selects it, in one table beside the list.
#include "platform/windows_version.h"

namespace zephrin {

struct WindowsListRow {
    const wchar_t* text;  // two leading blanks, as the list has always shown them
    int picture;          // 0 a desktop edition, 1 a server edition
    int code;             // the version code that selects the row
};
inline constexpr WindowsListRow kWindowsListRows[] = {
    {L"  Microsoft \u00AE Windows 8", 0, kWindows8},
    {L"  Microsoft \u00AE Windows 7", 0, kWindows7},
    {L"  Microsoft \u00AE Windows Vista", 0, kWindowsVista},
    {L"  Microsoft \u00AE Windows XP", 0, kWindowsXP},
    {L"  Microsoft \u00AE Windows Server 2012", 1, kWindowsServer2012},
    {L"  Microsoft \u00AE Windows Server 2008", 1, kWindowsServer2008},
    {L"  Microsoft \u00AE Windows Server 2003", 1, kWindowsServer2003},
    {L"  Microsoft \u00AE Windows Server 2000", 1, kWindows2000},
};

// The row a code selects; a code that no row has, -1 included, shows the first.
constexpr int WindowsListRowFor(int code) {
    for (int row = 0; row < static_cast<int>(sizeof kWindowsListRows / sizeof kWindowsListRows[0]); ++row)
        if (kWindowsListRows[row].code == code) return row;
    return 0;
}

}  // namespace zephrin
