#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>

#include <memory>

#include "app/startup.h"
#include "harness.h"
#include "platform/handles.h"
#include "platform/program_key.h"
#include "platform/timestamps.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

StartMode ModeOf(const std::wstring& firstArgument) {
    // Quoted, so that the program sees exactly this argument.
    return ReadStartRequest((L"Zephrin.exe \"" + firstArgument + L"\"").c_str()).mode;
}

}  // namespace

TEST(ModeArgument, OnlyTheWholeWordInAnyAsciiCaseSelectsTheMode) {
    for (const wchar_t* yes : {L"/checkupdate", L"/CHECKUPDATE", L"/CheckUpdate", L"/cHeCkUpDaTe"})
        EXPECT_EQ(ModeOf(yes), StartMode::CheckUpdate) << Narrow(yes);
    for (const wchar_t* no : {L"/checkupdatex", L"checkupdate", L"/check update", L"", L" /checkupdate",
                              L"/checkupdat\u0130"})
        EXPECT_EQ(ModeOf(no), StartMode::Window) << Narrow(no);
}

TEST(ModeArgument, OnlyTheFirstArgumentCounts) {
    EXPECT_EQ(ReadStartRequest(L"Zephrin.exe /CheckUpdate").mode, StartMode::CheckUpdate);
    EXPECT_EQ(ReadStartRequest(L"Zephrin.exe other /checkupdate").mode, StartMode::Window);
    EXPECT_EQ(CommandArguments(L"Zephrin.exe other /checkupdate"), (std::vector<std::wstring>{L"other", L"/checkupdate"}));
    EXPECT_TRUE(CommandArguments(L"\"C:\\Program Files\\Zephrin.exe\"").empty());
    // The report takes the argument after it as its file, and only that one.
    const StartRequest report = ReadStartRequest(L"Zephrin.exe /REPORT \"C:\\a b.json\" extra");
    EXPECT_EQ(report.mode, StartMode::Report);
    EXPECT_EQ(report.file(), L"C:\\a b.json");
    EXPECT_EQ(ReadStartRequest(L"Zephrin.exe /report").file(), L"");
    EXPECT_TRUE(ReadStartRequest(L"Zephrin.exe /restore file.json").arguments.empty()) << "a switch without a file takes none";
    const StartRequest optimize = ReadStartRequest(L"Zephrin.exe /OPTIMIZE Cable");
    EXPECT_EQ(optimize.mode, StartMode::Optimize);
    EXPECT_EQ(optimize.arguments, (std::vector<std::wstring>{L"Cable", L""})) << "a missing level is empty";
}

TEST(ModeArgument, SplitsAsTheSystemSplits) {
    for (const wchar_t* line :
         {L"Zephrin.exe", L"Zephrin.exe \t /checkupdate  more", L"\"C:\\Pro gram\\Zephrin.exe\" /checkupdate",
          L"\"C:\\Unclosed /checkupdate", L"Zephrin.exe \"/check update\" x", L"Zephrin.exe /check\"up date\"",
          L"Zephrin.exe a\\\\\"b c\" d", L"Zephrin.exe a\\\"b", L"Zephrin.exe a\\\\\\\"b", L"Zephrin.exe a\\b\\",
          L"Zephrin.exe \"a\"\"b\" c", L"Zephrin.exe \"\" /checkupdate", L"Zephrin.exe \"/checkupdate",
          L"Zephrin.exe \"\\\\server\\share\\\"", L"Zephrin.exe\t/x"}) {
        int count = 0;
        LPWSTR* argv = CommandLineToArgvW(line, &count);
        ASSERT_NE(argv, nullptr);
        const std::vector<std::wstring> expected(argv + (count > 0 ? 1 : 0), argv + count);
        LocalFree(argv);
        EXPECT_EQ(CommandArguments(line), expected) << Narrow(line);
    }
}

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramKey(); }
    void TearDown() override { ResetProgramKey(); }

    std::optional<std::wstring> Stored(const wchar_t* name) {
        return ReadSzValue(kProgramRoot, kProgramKeyPath, name);
    }
    // Runs the program in the update-check mode, which makes no window, to its end.
    void RunModeOnce() {
        Program p(L"/checkupdate");
        ASSERT_TRUE(p.started());
        ASSERT_EQ(p.WaitExit(30s), std::optional<DWORD>(0));
    }
};

int32_t Now() { return *ParseTimestamp(CurrentTimestampString()); }

}  // namespace

TEST_F(StartupTest, ModeRunStampsTheFirstStartAndMakesNoWindow) {
    const int32_t before = Now();
    Program p(L"/CHECKUPDATE");
    ASSERT_EQ(p.WaitExit(30s), std::optional<DWORD>(0));
    const auto installed = Stored(L"InstalledDate");
    ASSERT_TRUE(installed.has_value());
    const int32_t stamp = *ParseTimestamp(*installed);
    EXPECT_GE(stamp, before - 1);
    EXPECT_LE(stamp, Now() + 1);
    EXPECT_FALSE(Stored(L"UpdatedDate").has_value());
}

TEST_F(StartupTest, NonEmptyInstalledDateIsNeverRewritten) {
    WriteSz(kProgramRoot, kProgramKeyPath, L"InstalledDate", L"not a number");
    RunModeOnce();
    EXPECT_EQ(Stored(L"InstalledDate"), std::optional<std::wstring>(L"not a number"));
    WriteSz(kProgramRoot, kProgramKeyPath, L"InstalledDate", L"");
    RunModeOnce();
    ASSERT_TRUE(Stored(L"InstalledDate").has_value());
    EXPECT_TRUE(ParseTimestamp(*Stored(L"InstalledDate")).has_value()) << "an empty value counts as missing";
}

TEST_F(StartupTest, PendingUpdateFlagIsConsumedOnce) {
    WriteDword(kProgramRoot, kProgramKeyPath, L"Updated", 1);
    RunModeOnce();
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"Updated"), std::optional<DWORD>(0));
    const auto first = Stored(L"UpdatedDate");
    ASSERT_TRUE(first.has_value());
    EXPECT_NEAR(*ParseTimestamp(*first), Now(), 30);
    WriteSz(kProgramRoot, kProgramKeyPath, L"UpdatedDate", L"12345");
    RunModeOnce();
    EXPECT_EQ(Stored(L"UpdatedDate"), std::optional<std::wstring>(L"12345")) << "a second start changes nothing";
}

TEST_F(StartupTest, UpdateFlagStoredAsTextIsNotConsumed) {
    WriteSz(kProgramRoot, kProgramKeyPath, L"Updated", L"1");
    RunModeOnce();
    EXPECT_EQ(Stored(L"Updated"), std::optional<std::wstring>(L"1"));
    EXPECT_FALSE(Stored(L"UpdatedDate").has_value());
}

TEST_F(StartupTest, NormalRunShowsTheThreeWindowsUnderTheirClasses) {
    Program p(L"/checkupdatex");
    HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
    EXPECT_NE(FindTopWindow(L"TZPAboutForm", p.pid()), nullptr);
    EXPECT_NE(FindTopWindow(L"TZPSettingsForm", p.pid()), nullptr);
    EXPECT_FALSE(IsWindowVisible(FindTopWindow(L"TZPAboutForm", p.pid())));
    EXPECT_TRUE(Stored(L"InstalledDate").has_value());
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
}

TEST_F(StartupTest, SecondStartRestoresTheFirstCopyAndEnds) {
    Program first;
    HWND main = WaitForWindow(L"TZPMainForm", first.pid(), 30s);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(main) != FALSE; }, 10s));
    DeleteKeyTree(kProgramRoot, kProgramKeyPath);  // the second run stamps anew

    Program second(L"/checkupdate second-argument-is-ignored");
    EXPECT_EQ(second.WaitExit(30s), std::optional<DWORD>(0));
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(main); }, 10s)) << "restored from minimised";
    EXPECT_TRUE(Stored(L"InstalledDate").has_value()) << "stamped although it only brought the other copy forward";

    DeleteKeyTree(kProgramRoot, kProgramKeyPath);
    Program third;
    EXPECT_EQ(third.WaitExit(30s), std::optional<DWORD>(0));
    for (HWND w : TopWindowsOf(third.pid())) EXPECT_FALSE(IsWindowVisible(w)) << "no window of its own";
    EXPECT_TRUE(Stored(L"InstalledDate").has_value());
    EXPECT_FALSE(IsIconic(main));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitExit(20s), std::optional<DWORD>(0));
}

// Only the update check talks to the network, in a copy of its own: the window's process never loads Winsock.
TEST_F(StartupTest, TheWindowsProcessLoadsNeitherWinsockNorOleAutomation) {
    Program p;
    HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
    ASSERT_TRUE(WaitUntilPainted(main, 10s));
    std::vector<std::wstring> modules;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, p.pid()));
    MODULEENTRY32W module{sizeof module};
    for (BOOL more = Module32FirstW(snapshot.get(), &module); more; more = Module32NextW(snapshot.get(), &module)) {
        CharLowerW(module.szModule);
        modules.push_back(module.szModule);
    }
    auto loaded = [&](const wchar_t* name) { return std::find(modules.begin(), modules.end(), name) != modules.end(); };
    ASSERT_TRUE(loaded(L"user32.dll")) << "the list of its modules is read";
    EXPECT_FALSE(loaded(L"ws2_32.dll"));
    // The window shows the date it stored at this start, read back as its own text.
    EXPECT_FALSE(loaded(L"oleaut32.dll"));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
}

TEST(Hardening, AnOverrunOnTheStackEndsTheProgramBeforeItGoesOn) {
    // Built as the programs are: the canary of a function's frame, and a copy checked against its destination.
    for (const wchar_t* how : {L"canary", L"copy"}) {
        SCOPED_TRACE(Narrow(how));
        const std::wstring marker = BinFolder() + L"overrun_probe.exe.survived";
        DeleteFileW(marker.c_str());
        Program probe(how, BinFolder() + L"overrun_probe.exe");
        EXPECT_EQ(probe.WaitExit(20s), std::optional<DWORD>(0xC0000409));
        EXPECT_EQ(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "it went on after the overrun";
    }
}

TEST(PlantedLibraries, NeitherProgramLoadsALibraryLyingBesideIt) {
    // Copies of both programs in a folder of their own, as in a Downloads folder, with a library
    // under a system name beside them that only our own code could ask for. (Wine's own common
    // controls import msimg32, so a planted msimg32 says nothing about us here; that the programs
    // import nothing from it is the import check's to keep.)
    const std::wstring folder = BinFolder() + L"planted\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    const wchar_t* planted[] = {L"crypt32.dll", L"ws2_32.dll"};
    for (const wchar_t* name : planted) {
        DeleteFileW((folder + name + L".loaded").c_str());
        ASSERT_TRUE(CopyFileW((BinFolder() + L"planted_dll.dll").c_str(), (folder + name).c_str(), FALSE));
    }
    for (const wchar_t* exe : {L"Zephrin.exe", L"ZephrinUpdate.exe"})
        ASSERT_TRUE(CopyFileW((BinFolder() + exe).c_str(), (folder + exe).c_str(), FALSE));
    ResetProgramKey();
    // Wine prefers its own system libraries, whatever lies beside a program; Windows searches the
    // program's folder first for any library that is not a known one. The programs are made to meet
    // the Windows order.
    struct NativeFirst {
        NativeFirst() {
            for (const wchar_t* exe : {L"Zephrin.exe", L"ZephrinUpdate.exe"})
                WriteSz(HKEY_CURRENT_USER, Key(exe), L"crypt32", L"native,builtin");
            // Zephrin.exe loads Winsock at its first call, for the update check: by its full path.
            WriteSz(HKEY_CURRENT_USER, Key(L"Zephrin.exe"), L"ws2_32", L"native,builtin");
        }
        ~NativeFirst() {
            for (const wchar_t* exe : {L"Zephrin.exe", L"ZephrinUpdate.exe"}) DeleteKeyTree(HKEY_CURRENT_USER, Key(exe));
        }
        static std::wstring Key(const wchar_t* exe) {
            return std::wstring(L"\\Software\\Wine\\AppDefaults\\") + exe + L"\\DllOverrides";
        }
    };
    auto nativeFirst = std::make_unique<NativeFirst>();
    {
        Program p(L"", folder + L"Zephrin.exe");
        HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
        ASSERT_TRUE(WaitUntilPainted(main, 10s)) << "the pictures are drawn";
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
    }
    {
        // No update server answers here either: the check asks, finds none and ends without a word.
        Program check(L"/checkupdate", folder + L"Zephrin.exe");
        EXPECT_EQ(check.WaitExit(60s), std::optional<DWORD>(0));
    }
    {
        // No update server answers here: the updater gets as far as its signature check's set-up and says so.
        Program u(L"", folder + L"ZephrinUpdate.exe");
        const auto box = WaitForMessageBox(u.pid(), 60s);
        ASSERT_TRUE(box.has_value());
        AnswerMessageBox(*box, IDOK);
        EXPECT_TRUE(u.WaitExit(20s).has_value());
    }
    nativeFirst.reset();
    for (const wchar_t* name : planted)
        EXPECT_EQ(GetFileAttributesW((folder + name + L".loaded").c_str()), INVALID_FILE_ATTRIBUTES) << Narrow(name);
    // The planted library does mark its loading: loaded by its full path under a name of its own, it says so.
    ASSERT_TRUE(CopyFileW((BinFolder() + L"planted_dll.dll").c_str(), (folder + L"control.dll").c_str(), FALSE));
    HMODULE control = LoadLibraryW((folder + L"control.dll").c_str());
    ASSERT_NE(control, nullptr);
    FreeLibrary(control);
    EXPECT_NE(GetFileAttributesW((folder + L"control.dll.loaded").c_str()), INVALID_FILE_ATTRIBUTES);
    for (const wchar_t* f : {L"crypt32.dll", L"crypt32.dll.loaded", L"ws2_32.dll", L"ws2_32.dll.loaded",
                             L"msimg32.dll", L"msimg32.dll.loaded",
                             L"control.dll", L"control.dll.loaded", L"Zephrin.exe", L"ZephrinUpdate.exe"})
        DeleteFileW((folder + f).c_str());
    RemoveDirectoryW(folder.c_str());
    ResetProgramKey();
}
