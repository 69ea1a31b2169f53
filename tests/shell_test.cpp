#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "harness.h"
#include "platform/desktop_user.h"
#include "platform/desktop_open.h"
#include "platform/folders.h"
#include "platform/help_viewer.h"
#include "platform/programs.h"
#include "platform/sound.h"
#include "platform/system_library.h"
#include "ui/application.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

TEST(Shell, HelpPathJoinsFolderFileTopicAndWindow) {
    EXPECT_EQ(HelpPath(L"C:\\Apps\\", L"Zephrin.chm", L"/html/main.htm"),
              L"C:\\Apps\\Zephrin.chm::/html/main.htm>HelpWindow");
}

TEST(Shell, ProgramFolderEndsWithASeparator) {
    const std::wstring folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_NE(GetFileAttributesW((folder + L"Zephrin.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Shell, HelpLibraryComesFromTheSystemFolderOnce) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(HelpLibraryPath(), std::wstring(system) + L"\\hhctrl.ocx");
    // A planted copy in the program folder must never be the one loaded.
    CopyIntoBin(L"launch_probe.exe", L"hhctrl.ocx");
    HelpViewer viewer;
    HMODULE first = viewer.Library();
    HMODULE second = viewer.Library();
    DeleteFileW((BinFolder() + L"hhctrl.ocx").c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second) << "loaded once for the whole run";
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(first, loaded, MAX_PATH);
    EXPECT_EQ(_wcsicmp(loaded, HelpLibraryPath().c_str()), 0) << Narrow(loaded);
    // Its own dependencies from the system folder alone, as on Windows 8 and later, which Wine follows here;
    // the altered search path would take the program's folder and PATH too.
    EXPECT_EQ(SystemLibraryLoadFlags(), static_cast<DWORD>(0x00000800));
}

TEST(Shell, HelpLibraryWithoutTheViewerFunctionShowsNothingAndGoesOn) {
    // A system library that lacks HtmlHelpW, and one that is not there at all.
    for (const std::wstring& library : {SystemFilePath(L"version.dll"), SystemFilePath(L"no-such-help.ocx")}) {
        SCOPED_TRACE(Narrow(library));
        HelpViewer viewer(library);
        EXPECT_EQ(viewer.Library(), nullptr);
        const size_t windowsBefore = TopWindowsOf(GetCurrentProcessId()).size();
        viewer.ShowTopic(L"Zephrin.chm", L"/html/main.htm");
        EXPECT_EQ(TopWindowsOf(GetCurrentProcessId()).size(), windowsBefore) << "no viewer, no box";
        EXPECT_EQ(viewer.Library(), nullptr) << "asked once, not again";
    }
}

TEST(Sound, TheSoundServiceIsLoadedFromTheSystemFolderAtTheFirstClick) {
    PlayClickSound();
    HMODULE winmm = GetModuleHandleW(L"winmm.dll");
    ASSERT_NE(winmm, nullptr);
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(winmm, loaded, MAX_PATH);
    EXPECT_EQ(_wcsicmp(loaded, SystemFilePath(L"winmm.dll").c_str()), 0) << Narrow(loaded);
}

TEST(Sound, ClickResourceHasTheExpectedHeader) {
    HRSRC res = FindResourceExW(nullptr, L"WAVE", L"CLICK", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(res, nullptr);
    ASSERT_EQ(SizeofResource(nullptr, res), 2202u);
    const auto* b = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, res)));
    auto u32 = [&](int o) { return b[o] | b[o + 1] << 8 | b[o + 2] << 16 | static_cast<unsigned>(b[o + 3]) << 24; };
    auto u16 = [&](int o) { return b[o] | b[o + 1] << 8; };
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b), 4), "RIFF");
    EXPECT_EQ(u32(4), 2194u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 8), 8), "WAVEfmt ");
    EXPECT_EQ(u32(16), 16u);
    EXPECT_EQ(u16(20), 1);
    EXPECT_EQ(u16(22), 1);
    EXPECT_EQ(u32(24), 22050u);
    EXPECT_EQ(u32(28), 44100u);
    EXPECT_EQ(u16(32), 2);
    EXPECT_EQ(u16(34), 16);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 36), 4), "data");
    EXPECT_EQ(u32(40), 2158u);
    int peak = 0;
    for (int i = 44; i < 2202; i += 2) peak = std::max(peak, std::abs(static_cast<int16_t>(u16(i))));
    EXPECT_GT(peak, 3000) << "audible";
    EXPECT_LT(std::abs(static_cast<int16_t>(u16(2200))), 200) << "ends quietly";
}

TEST(Shell, HandCursorIsTheSystemHand) {
    ui::Application::Instance().InstallHandCursor();
    EXPECT_EQ(ui::Application::Instance().Cursor(ui::CursorId::HandPoint), LoadCursorW(nullptr, IDC_HAND));
}

TEST(Shell, LaunchStartsTheProgramWithItsParameters) {
    ASSERT_TRUE(CopyIntoBin(L"launch_probe.exe", L"probe_launch.exe"));
    const std::wstring record = BinFolder() + L"probe_launch.exe.started";
    DeleteFileW(record.c_str());
    StartProgram(BinFolder() + L"probe_launch.exe", L"/checkupdate");
    EXPECT_TRUE(WaitUntil([&] { return !ReadTextFile(record).empty(); }, 15s));
    EXPECT_NE(ReadTextFile(record).find(L"/checkupdate"), std::wstring::npos);
    DeleteFileW(record.c_str());
    // Through the desktop's own shell, which Wine's explorer answers.
    OpenForDesktopUser(GetDesktopWindow(), BinFolder() + L"probe_launch.exe");
    EXPECT_TRUE(WaitUntil([&] { return !ReadTextFile(record).empty(); }, 15s));
    DeleteFileW(record.c_str());
    // With no desktop shell to ask, only a process with the desktop user's own rights opens it itself.
    const auto noDesktopShell = [](const std::wstring&) { return false; };
    OpenForDesktopUser(GetDesktopWindow(), BinFolder() + L"probe_launch.exe", noDesktopShell, false);
    EXPECT_FALSE(WaitUntil([&] { return !ReadTextFile(record).empty(); }, 3s)) << "elevated, or another account";
    OpenForDesktopUser(GetDesktopWindow(), BinFolder() + L"probe_launch.exe", noDesktopShell, true);
    EXPECT_TRUE(WaitUntil([&] { return !ReadTextFile(record).empty(); }, 15s)) << "the desktop user's own rights";
    DeleteFileW(record.c_str());
    // Wine runs everything as one administrator whose token it reports as the elevated half, as UAC's is.
    EXPECT_FALSE(HasDesktopUsersOwnRights());
    // The probe's file can go once the probe has ended.
    EXPECT_TRUE(WaitUntil([&] { return DeleteFileW((BinFolder() + L"probe_launch.exe").c_str()) != FALSE; }, 15s));
}

BOOL CALLBACK CollectBoxes(HWND w, LPARAM lp) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

TEST(Shell, MissingFileLeavesNoTrace) {
    StartProgram(BinFolder() + L"NoSuchProgram.exe", L"");
    OpenForDesktopUser(nullptr, BinFolder() + L"NoSuchProgram.exe");
    OpenForDesktopUser(GetDesktopWindow(), BinFolder() + L"License-missing.rtf");
    // The desktop's shell opens them in its own process: no box of its may stay up either.
    Sleep(2000);
    std::vector<HWND> boxes;
    EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&boxes));
    for (HWND box : boxes) ADD_FAILURE() << "a message box: " << Narrow(WindowText(box));
}

TEST(Shell, AHandlesFinalPathAndAProcessImageNameTheSameFileInTheirOwnForms) {
    EXPECT_TRUE(SamePathName(L"\\\\?\\C:\\ProgramData\\Setup.exe", L"c:\\programdata\\SETUP.EXE"));
    EXPECT_TRUE(SamePathName(L"\\\\?\\UNC\\server\\share\\Setup.exe", L"\\\\server\\share\\Setup.exe"));
    EXPECT_FALSE(SamePathName(L"\\\\?\\C:\\ProgramData\\Setup.exe", L"C:\\ProgramData\\Other\\Setup.exe"));
    EXPECT_FALSE(SamePathName(L"\\\\?\\UNC\\server\\share\\Setup.exe", L"C:\\share\\Setup.exe"));
    EXPECT_FALSE(SamePathName(L"", L"")) << "a path the system did not give proves nothing";
}
