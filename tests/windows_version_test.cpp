#include <gtest/gtest.h>

#include "harness.h"
#include "platform/windows_version.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

TEST(WindowsVersion, ClassificationTable) {
    struct Row {
        unsigned major, minor, product;
        int code;
    };
    const Row rows[] = {
        {5, 0, 0, 0}, {5, 0, 1, 0}, {5, 0, 3, 0},  {5, 1, 0, 1}, {5, 1, 1, 1},  {5, 1, 2, 1},
        {5, 2, 1, 1}, {5, 2, 2, 2}, {5, 2, 3, 2},  {5, 2, 0, -1}, {6, 0, 1, 3}, {6, 0, 2, 4},
        {6, 0, 3, 4}, {6, 1, 1, 5}, {6, 1, 3, 4},  {6, 2, 1, 6}, {6, 2, 2, 7},  {6, 2, 3, 7},
        {6, 3, 1, 6}, {6, 3, 3, 7}, {6, 0, 0, -1}, {6, 1, 0, -1}, {6, 2, 0, -1}, {6, 3, 0, -1},
        {5, 3, 1, -1}, {5, 9, 3, -1}, {6, 4, 1, -1}, {6, 4, 3, -1}, {7, 0, 1, -1}, {10, 0, 1, -1},
        {4, 0, 1, -1}, {0, 0, 0, -1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ClassifyWindowsVersion(r.major, r.minor, r.product), r.code)
            << r.major << "." << r.minor << " type " << r.product;
}

// The real program under Wine posing as each version; the main window's list shows the row.
TEST(WindowsVersion, DetectedUnderEmulatedVersions) {
    ResetProgramKey();
    struct Case {
        const wchar_t* version;
        int row;
    };
    // win7 poses as a server edition in this Wine (6.1, product type 3): Server 2008's row.
    const Case cases[] = {{L"win2k", 7}, {L"winxp", 3},   {L"win2003", 6}, {L"vista", 2},
                          {L"win2008", 5}, {L"win7", 5}, {L"win8", 0},    {L"win81", 0},
                          // The manifest stops at 8.1, so 10 (and 11, which this Wine cannot pose as) show 8's row.
                          {L"win10", 0}};
    for (const Case& c : cases) {
        SetWineVersionFor(L"Zephrin.exe", c.version);
        Program p;
        HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
        ASSERT_NE(main, nullptr) << Narrow(c.version);
        HWND combo = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            EnumChildWindows(main, [](HWND w, LPARAM lp) WINAPI -> BOOL {
                wchar_t cls[64];
                GetClassNameW(w, cls, 64);
                if (lstrcmpW(cls, L"ComboBoxEx32") == 0) { *reinterpret_cast<HWND*>(lp) = w; return FALSE; }
                return TRUE;
            }, reinterpret_cast<LPARAM>(&combo));
            return combo != nullptr;
        }, 10s));
        const int row = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
        RecordProperty(Narrow(c.version), row);
        // This Wine's win7 is a server (product type 3); the workstation row is in the classification table.
        EXPECT_EQ(row, c.row) << Narrow(c.version);
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(p.WaitExit(20s).has_value());
    }
    ClearWineVersionFor(L"Zephrin.exe");
    ResetProgramKey();
}
