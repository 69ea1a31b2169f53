// The setup program and its uninstaller, run silently as an administrator
// would, and the program's own /restore that the uninstaller relies on.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdio>

#include "harness.h"
#include "platform/registry.h"
#include "platform/program_key.h"
#include "system_values.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {


std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring ProgramFiles() { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\"; }
// The machine's application data folder, where the updater stages its downloads.
std::wstring CommonData() { return KnownFolder(CSIDL_COMMON_APPDATA) + L"\\"; }
std::wstring UpdatesFolder() { return CommonData() + L"ORVANE\\Zephrin\\Updates\\"; }
std::wstring Shortcut() { return KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Zephrin\\Zephrin.lnk"; }
bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool SameFile(const std::wstring& a, const std::wstring& b) {
    const std::string x = ReadFileBytes(a), y = ReadFileBytes(b);
    return !x.empty() && x == y;
}

// Optimizes through a started program's window, answers No to the restart
// question and gives the window back, open and enabled; null when a step fails.
HWND OptimizeWith(Program& p) {
    HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
    if (!main || !WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s)) return nullptr;
    PostMessageW(FindChildByText(main, L"Button", L"&Optimize now"), BM_CLICK, 0, 0);
    const auto box = WaitForMessageBox(p.pid(), 60s);
    if (!box) return nullptr;
    AnswerMessageBox(*box, IDNO);
    return WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 10s) ? main : nullptr;
}

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramKey();
        ClearSystemValues();
    }
    void TearDown() override {
        if (Exists(InstallFolder() + L"ZephrinUninstall.exe")) Uninstall();
        ResetProgramKey();
        ClearSystemValues();
    }
    static void Install(const std::wstring& arguments) {
        Program setup(L"/S " + arguments, L"ZephrinSetup.exe");
        ASSERT_EQ(setup.WaitExit(60s), std::optional<DWORD>(0));
    }
    // The uninstaller hands over to a copy of itself and ends at once; its work is done when its traces are
    // gone: its entry, and the folder unless something that is not ours stays in it.
    static void Uninstall(const std::wstring& folder = InstallFolder(), bool folderGoes = true) {
        Program uninstall(L"/S", folder + L"ZephrinUninstall.exe");
        ASSERT_TRUE(uninstall.WaitExit(60s).has_value());
        EXPECT_TRUE(WaitUntil([&] {
            return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) && (!folderGoes || !Exists(folder));
        }, 60s));
    }
    static std::wstring Entry(const wchar_t* name) {
        return ReadSzValue(HKEY_LOCAL_MACHINE, kUninstallKey, name).value_or(L"(none)");
    }
    // Starts the installed program and gives its main window's title, then closes it.
    static std::wstring InstalledProgramTitle() {
        Program p(L"", InstallFolder() + L"Zephrin.exe");
        HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
        // Its captions are in place once it shows.
        if (!main || !WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s)) return L"(no window)";
        const std::wstring title = WindowText(main);
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
        return title;
    }
};

}  // namespace

TEST_F(SetupTest, SilentInstallPutsEverythingInPlaceAndUninstallTakesItAway) {
    Install(L"");
    for (const wchar_t* file :
         {L"Zephrin.exe", L"ZephrinUpdate.exe", L"Zephrin.chm", L"License.rtf", L"ZephrinUninstall.exe"})
        EXPECT_TRUE(Exists(InstallFolder() + file)) << Narrow(file);
    // The licence under the name the About window opens; the uninstaller's plain name belongs to whatever else
    // shares the folder.
    EXPECT_TRUE(SameFile(InstallFolder() + L"License.rtf", BinFolder() + L"License.rtf"));
    for (const wchar_t* file : {L"ZephrinLicense.rtf", L"Uninstall.exe"}) EXPECT_FALSE(Exists(InstallFolder() + file));
    EXPECT_TRUE(Exists(Shortcut()));
    EXPECT_TRUE(Exists(UpdatesFolder()));
    EXPECT_EQ(Entry(L"DisplayName"), L"Zephrin");
    EXPECT_EQ(Entry(L"DisplayVersion"), L"7.8.18.2014");
    EXPECT_EQ(Entry(L"Publisher"), L"ORVANE");
    EXPECT_EQ(Entry(L"DisplayIcon"), InstallFolder() + L"Zephrin.exe,0");
    EXPECT_EQ(Entry(L"UninstallString"), L"\"" + InstallFolder() + L"ZephrinUninstall.exe\"");
    EXPECT_EQ(Entry(L"QuietUninstallString"), L"\"" + InstallFolder() + L"ZephrinUninstall.exe\" /S");
    EXPECT_GT(ReadDwordValue(HKEY_LOCAL_MACHINE, kUninstallKey, L"EstimatedSize").value_or(0), 500u) << "KB";
    EXPECT_EQ(ReadSzValue(kProgramRoot, kProgramKeyPath, L"Language"), std::optional<std::wstring>(L"english"))
        << "an English user interface";
    EXPECT_FALSE(ReadRaw(kProgramRoot, kProgramKeyPath, L"Updated").present) << "a first installation";
    EXPECT_EQ(InstalledProgramTitle(), L"Zephrin - Make your internet connection faster");
    EXPECT_TRUE(SameFile(InstallFolder() + L"Zephrin.chm", BinFolder() + L"Zephrin.chm")) << "the English help";

    Uninstall();
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_FALSE(KeyExists(kProgramRoot, kProgramKeyPath)) << "no backup: the program key goes";
    EXPECT_FALSE(Exists(ProgramFiles() + L"ORVANE")) << "the setup program made it";
    EXPECT_FALSE(Exists(CommonData() + L"ORVANE"));
}

TEST_F(SetupTest, UpgradeKeepsBackupChoicesAndLanguageAndMarksTheUpdate) {
    Install(L"/LANG=korean");
    EXPECT_TRUE(SameFile(InstallFolder() + L"Zephrin.chm", BinFolder() + L"Zephrin-korean.chm")) << "the Korean help";
    EXPECT_EQ(InstalledProgramTitle(), L"Zephrin - \uB2F9\uC2E0\uC758 \uC778\uD130\uB137 \uC5F0\uACB0\uC744 \uBE60\uB974\uAC8C!");
    // A held backup of a machine that had none of the values, and a chosen row.
    WriteDword(kProgramRoot, kProgramKeyPath, L"InternetType", 3);
    WriteDword(kProgramRoot, kProgramKeyPath, L"Restore", 1);
    WriteDword(kProgramRoot, kProgramKeyPath, L"BackupRecord", 1);
    std::wstring absent;
    for (const TunedValue& t : AllTunedValues()) absent += std::wstring(t.name) + L'\0';
    WriteRaw(kProgramRoot, kProgramKeyPath, L"BackupAbsent", REG_MULTI_SZ, absent.c_str(),
             static_cast<DWORD>((absent.size() + 1) * sizeof(wchar_t)));

    Install(L"");
    EXPECT_EQ(ReadSzValue(kProgramRoot, kProgramKeyPath, L"Language"), std::optional<std::wstring>(L"korean"));
    EXPECT_TRUE(SameFile(InstallFolder() + L"Zephrin.chm", BinFolder() + L"Zephrin-korean.chm")) << "kept on upgrade";
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"InternetType"), std::optional<DWORD>(3));
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"Restore"), std::optional<DWORD>(1));
    EXPECT_TRUE(ReadRaw(kProgramRoot, kProgramKeyPath, L"BackupAbsent").present);
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"Updated"), std::optional<DWORD>(1));
    InstalledProgramTitle();
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"Updated"), std::optional<DWORD>(0));
    EXPECT_TRUE(ReadSzValue(kProgramRoot, kProgramKeyPath, L"UpdatedDate").has_value()) << "stamped at the start";
}

namespace {

// A folder of the machine's that the cases may fill, emptied and removed again, with what is in it.
void RemoveTree(const std::wstring& folder) {
    for (const std::wstring& name : FilesIn(folder, L"*")) {
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + name;
        if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path + L"\\");
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

TEST_F(SetupTest, UpgradeOverTheNamesOfOlderSetupsTakesThemAway) {
    Install(L"");
    // What older setups left: an uninstaller under the plain name with an entry that names it, and the licence
    // under the product's name.
    ASSERT_TRUE(MoveFileW((InstallFolder() + L"ZephrinUninstall.exe").c_str(), (InstallFolder() + L"Uninstall.exe").c_str()));
    ASSERT_TRUE(MoveFileW((InstallFolder() + L"License.rtf").c_str(), (InstallFolder() + L"ZephrinLicense.rtf").c_str()));
    WriteSz(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", L"\"" + InstallFolder() + L"Uninstall.exe\"");
    WriteSz(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString", L"\"" + InstallFolder() + L"Uninstall.exe\" /S");

    Install(L"");
    EXPECT_FALSE(Exists(InstallFolder() + L"Uninstall.exe"));
    EXPECT_FALSE(Exists(InstallFolder() + L"ZephrinLicense.rtf"));
    EXPECT_TRUE(Exists(InstallFolder() + L"ZephrinUninstall.exe"));
    EXPECT_TRUE(SameFile(InstallFolder() + L"License.rtf", BinFolder() + L"License.rtf"));
    EXPECT_EQ(Entry(L"UninstallString"), L"\"" + InstallFolder() + L"ZephrinUninstall.exe\"");
    EXPECT_EQ(Entry(L"QuietUninstallString"), L"\"" + InstallFolder() + L"ZephrinUninstall.exe\" /S");
    Uninstall();
    EXPECT_FALSE(Exists(ProgramFiles() + L"ORVANE")) << "the first setup made it, and the upgrade remembered that";
}

TEST_F(SetupTest, AnUninstallerOfThePlainNameThatIsNotOursStaysAndSoDoesItsFolder) {
    Install(L"");
    // Another program shares the folder; the entry names our uninstaller, so this one is not ours.
    ASSERT_TRUE(WriteFileBytes(InstallFolder() + L"Uninstall.exe", "another program's uninstaller"));
    Install(L"");
    EXPECT_EQ(ReadFileBytes(InstallFolder() + L"Uninstall.exe"), "another program's uninstaller");

    Uninstall(InstallFolder(), false);
    EXPECT_EQ(ReadFileBytes(InstallFolder() + L"Uninstall.exe"), "another program's uninstaller");
    EXPECT_FALSE(Exists(InstallFolder() + L"License.rtf"));
    EXPECT_FALSE(Exists(InstallFolder() + L"Zephrin.exe"));
    RemoveTree(ProgramFiles() + L"ORVANE\\");
}

TEST_F(SetupTest, ReinstallGoesToTheFolderOfThePresentInstallation) {
    const std::wstring elsewhere = ProgramFiles() + L"ZephrinElsewhere\\";
    Install(L"/D=" + elsewhere.substr(0, elsewhere.size() - 1));
    ASSERT_TRUE(Exists(elsewhere + L"Zephrin.exe"));
    EXPECT_EQ(Entry(L"InstallLocation"), elsewhere.substr(0, elsewhere.size() - 1));

    Install(L"");
    EXPECT_FALSE(Exists(InstallFolder())) << "not the default folder";
    EXPECT_TRUE(SameFile(elsewhere + L"ZephrinUpdate.exe", BinFolder() + L"ZephrinUpdate.exe"));
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"Updated"), std::optional<DWORD>(1)) << "an upgrade";
    EXPECT_EQ(Entry(L"UninstallString"), L"\"" + elsewhere + L"ZephrinUninstall.exe\"");

    Uninstall(elsewhere);
}

TEST_F(SetupTest, SilentInstallOutsideProgramFilesIsRefusedWithNothingWritten) {
    const std::wstring outside = TempFolder() + L"ZephrinOutside";
    // Made whole before it is compared, so climbing out of Program Files is outside too.
    const std::wstring climbing = ProgramFiles() + L"..\\ZephrinClimbed";
    const std::wstring climbed = ProgramFiles().substr(0, 3) + L"ZephrinClimbed";
    for (const std::wstring& folder : {outside, climbing}) {
        Program setup(L"/S /D=" + folder, L"ZephrinSetup.exe");
        const auto exit = setup.WaitExit(60s);
        EXPECT_EQ(exit, std::optional<DWORD>(2)) << Narrow(folder) << ": aborted by the script";
    }
    EXPECT_FALSE(Exists(outside));
    EXPECT_FALSE(Exists(climbed));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(KeyExists(kProgramRoot, kProgramKeyPath)) << "not even the language";
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_FALSE(Exists(UpdatesFolder()));
}

TEST_F(SetupTest, FoldersThatWereThereBeforeStayAfterUninstall) {
    // The maker's folders exist already, one of them holding another program's data.
    ASSERT_TRUE(CreateDirectoryW((ProgramFiles() + L"ORVANE").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((CommonData() + L"ORVANE").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((CommonData() + L"ORVANE\\Other").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(CommonData() + L"ORVANE\\Other\\settings.ini", "[other]"));

    Install(L"");
    EXPECT_TRUE(Exists(UpdatesFolder()));
    Uninstall();
    EXPECT_TRUE(Exists(ProgramFiles() + L"ORVANE")) << "the setup program did not make it";
    EXPECT_FALSE(Exists(CommonData() + L"ORVANE\\Zephrin"));
    EXPECT_EQ(ReadFileBytes(CommonData() + L"ORVANE\\Other\\settings.ini"), "[other]");
    RemoveTree(ProgramFiles() + L"ORVANE\\");
    RemoveTree(CommonData() + L"ORVANE\\");
}

// Wine keeps no access lists on files, so what can be seen here is the
// command the setup program runs, not what it does: icacls is replaced by
// launch_probe, which records its command line.
TEST_F(SetupTest, InstallWithAWindowOutsideProgramFilesLimitsTheFolderToAdministrators) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring icacls = std::wstring(system) + L"\\icacls.exe";
    const std::wstring saved = icacls + L".zephrin-saved";
    const std::wstring record = icacls + L".started";
    ASSERT_TRUE(MoveFileExW(icacls.c_str(), saved.c_str(), MOVEFILE_REPLACE_EXISTING));
    struct PutBack {
        std::wstring icacls, saved;
        ~PutBack() { MoveFileExW(saved.c_str(), icacls.c_str(), MOVEFILE_REPLACE_EXISTING); }
    } putBack{icacls, saved};
    ASSERT_TRUE(CopyFileW((BinFolder() + L"launch_probe.exe").c_str(), icacls.c_str(), FALSE));
    DeleteFileW(record.c_str());
    // The file in the system folder, not Wine's own program of that name.
    struct NativeFirst {
        NativeFirst() { WriteSz(HKEY_CURRENT_USER, kKey, L"icacls.exe", L"native"); }
        ~NativeFirst() { DeleteRegistryValue(HKEY_CURRENT_USER, kKey, L"icacls.exe", false); }
        const wchar_t* kKey = L"\\Software\\Wine\\DllOverrides";
    } nativeFirst;

    const std::wstring folder = TempFolder() + L"ZephrinOwnFolder";
    Program setup(L"/LANG=english /D=" + folder, L"ZephrinSetup.exe");
    HWND wizard = nullptr;
    const bool shown = WaitUntil([&] {
        for (HWND w : TopWindowsOf(0))
            if (WindowText(w).rfind(L"Zephrin Setup", 0) == 0 && IsWindowVisible(w)) wizard = w;
        return wizard != nullptr;
    }, 60s);
    ASSERT_TRUE(shown);
    // Welcome, licence, the files, and the last page: the default button each time it can be pressed.
    EXPECT_TRUE(WaitUntil([&] {
        HWND next = GetDlgItem(wizard, IDOK);
        if (IsWindow(wizard) && IsWindowEnabled(next) && IsWindowVisible(next)) {
            PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(next));
            Sleep(300);
        }
        return !IsWindow(wizard);
    }, 120s));
    EXPECT_EQ(setup.WaitExit(30s), std::optional<DWORD>(0));

    EXPECT_EQ(ReadTextFile(record),
              L"\"" + folder + L"\" /reset /T /Q\n"
              L"\"" + folder + L"\" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F "
              L"*S-1-5-32-545:(OI)(CI)RX /Q\n"
              L"\"" + folder + L"\" /setowner *S-1-5-32-544 /T /Q\n");
    EXPECT_TRUE(Exists(folder + L"\\Zephrin.exe"));
    EXPECT_EQ(Entry(L"InstallLocation"), folder);
    DeleteFileW(record.c_str());
    Uninstall(folder + L"\\");
}

// Outside Program Files a folder that someone made first may still be held open by them with the rights they
// had, whatever its access list becomes: only one that the setup program makes itself is taken.
TEST_F(SetupTest, InstallWithAWindowIntoAFolderThatExistsOutsideProgramFilesIsRefused) {
    for (const wchar_t* language : {L"english", L"korean"}) {
        SCOPED_TRACE(Narrow(language));
        const std::wstring folder = TempFolder() + L"ZephrinMadeByAUser";
        CreateDirectoryW(folder.c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(folder + L"\\placed.txt", "a user's file"));
        Program setup(std::wstring(L"/LANG=") + language + L" /D=" + folder, L"ZephrinSetup.exe");
        HWND wizard = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            for (HWND w : TopWindowsOf(setup.pid()))
                if (IsWindowVisible(w) && GetDlgItem(w, IDOK)) wizard = w;
            return wizard != nullptr;
        }, 60s));
        // Welcome, licence, then the files page, where the box comes up over the wizard.
        HWND boxWindow = nullptr;
        EXPECT_TRUE(WaitUntil([&] {
            for (HWND w : TopWindowsOf(setup.pid()))
                if (w != wizard && IsWindowVisible(w) && GetDlgItem(w, 0xFFFF)) boxWindow = w;
            HWND next = GetDlgItem(wizard, IDOK);
            if (!boxWindow && IsWindow(wizard) && IsWindowEnabled(next) && IsWindowVisible(next)) {
                PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(next));
                Sleep(300);
            }
            return boxWindow != nullptr;
        }, 40s));
        ASSERT_NE(boxWindow, nullptr);
        const MessageBoxInfo box = ReadMessageBox(boxWindow, 10s);
        const std::wstring expected = language == std::wstring(L"korean")
                                          ? folder + L" \uD3F4\uB354\uAC00 \uC774\uBBF8 \uC788\uC73C\uBBC0\uB85C"
                                          : L"Zephrin cannot be installed in " + folder + L", because that folder exists already.";
        EXPECT_EQ(box.text.rfind(expected, 0), 0u) << Narrow(box.text);
        AnswerMessageBox(box, IDOK);
        // The section has ended there; what is left of the wizard goes with the process.
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(boxWindow); }, 10s));
        Sleep(1000);
        EXPECT_FALSE(Exists(folder + L"\\Zephrin.exe"));
        EXPECT_EQ(ReadFileBytes(folder + L"\\placed.txt"), "a user's file");
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        DeleteFileW((folder + L"\\placed.txt").c_str());
        RemoveDirectoryW(folder.c_str());
    }
}

TEST_F(SetupTest, UninstallPutsTheOriginalNetworkSettingsBack) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    Install(L"");
    {
        Program p(L"", InstallFolder() + L"Zephrin.exe");
        HWND main = OptimizeWith(p);
        ASSERT_NE(main, nullptr);
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(p.WaitExit(20s).has_value());
    }
    ASSERT_FALSE(TakeSnapshot() == originals) << "optimized";
    Uninstall();
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    EXPECT_FALSE(KeyExists(kProgramRoot, kProgramKeyPath));
}

TEST_F(SetupTest, UninstallWithZephrinOpenAsksToCloseItAndRetries) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    Install(L"");
    Program running(L"", InstallFolder() + L"Zephrin.exe");
    HWND main = OptimizeWith(running);
    ASSERT_NE(main, nullptr);

    // Not silent: the uninstaller hands over to a copy of itself, whose window we find by its title.
    Program uninstall(L"", InstallFolder() + L"ZephrinUninstall.exe");
    HWND wizard = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND w : TopWindowsOf(0))
            if (WindowText(w).rfind(L"Zephrin Uninstall", 0) == 0 && IsWindowVisible(w)) wizard = w;
        return wizard != nullptr;
    }, 60s));
    PostMessageW(GetDlgItem(wizard, IDOK), BM_CLICK, 0, 0);  // "Uninstall" on the confirmation page
    auto answer = [&](const MessageBoxInfo& box, int id) {
        AnswerMessageBox(box, id);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box.window); }, 10s));
    };
    auto box = WaitForOwnedMessageBox(wizard, 30s);
    ASSERT_TRUE(box.has_value());
    ASSERT_EQ(box->text.rfind(L"Zephrin changed this computer's internet settings", 0), 0u) << Narrow(box->text);
    answer(*box, IDYES);

    box = WaitForOwnedMessageBox(wizard, 30s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"Zephrin is open, so the original internet settings cannot be put back now.\r\n\r\n"
                         L"Close Zephrin, then click Retry. Click Cancel to remove Zephrin anyway: the original "
                         L"settings stay saved on this computer, and installing Zephrin again lets you restore them.");
    RECT shown{};
    GetWindowRect(box->window, &shown);
    WaitUntilPainted(box->window, 5s);
    SaveScreenPng(shown, L"uninstall-close-zephrin-english.png");
    std::vector<int> ids;
    for (const auto& b : box->buttons) ids.push_back(b.first);
    EXPECT_EQ(ids, (std::vector<int>{IDCANCEL, IDRETRY}));
    // Retry while Zephrin is still open asks again, and changes nothing.
    answer(*box, IDRETRY);
    box = WaitForOwnedMessageBox(wizard, 30s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text.rfind(L"Zephrin is open", 0), 0u);
    EXPECT_FALSE(TakeSnapshot() == originals);
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(running.WaitExit(20s), std::optional<DWORD>(0));
    answer(*box, IDRETRY);

    // Done: the wizard's last page waits for Close.
    ASSERT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(wizard, IDOK)) == L"&Close"; }, 60s));
    HWND close = GetDlgItem(wizard, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(close) != FALSE; }, 30s));
    PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(close));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wizard); }, 30s));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(Exists(InstallFolder()));
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    EXPECT_FALSE(KeyExists(kProgramRoot, kProgramKeyPath)) << "everything was put back, so the key goes";
}

// ---- Zephrin.exe /restore ----------------------------------------------------------

namespace {

class RestoreCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramKey();
        ClearSystemValues();
        SeedOriginals();
        originals_ = TakeSnapshot();
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"ZEPHRIN_RESTORE_PAUSE_MS", nullptr);
        ResetProgramKey();
        ClearSystemValues();
    }
    static std::optional<DWORD> Restore() { return Program(L"/restore").WaitExit(60s); }
    Snapshot originals_;
};

}  // namespace

TEST_F(RestoreCommand, WithoutABackupChangesNothing) {
    EXPECT_EQ(Restore(), std::optional<DWORD>(0));
    EXPECT_TRUE(TakeSnapshot() == originals_);
    EXPECT_FALSE(ReadRaw(kProgramRoot, kProgramKeyPath, L"InstalledDate").present) << "no start-up work either";
}

TEST_F(RestoreCommand, RefusesWhileTheWindowIsOpenThenPutsEverythingBack) {
    Program running;
    HWND main = OptimizeWith(running);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Restore(), std::optional<DWORD>(1618)) << "never two restores at once";
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"Restore"), std::optional<DWORD>(1));
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(running.WaitExit(20s).has_value());
    EXPECT_EQ(Restore(), std::optional<DWORD>(3010)) << "put back: a restart makes it active";
    EXPECT_TRUE(TakeSnapshot() == originals_) << Describe(TakeSnapshot());
    EXPECT_FALSE(ReadRaw(kProgramRoot, kProgramKeyPath, L"Restore").present);
}

TEST_F(RestoreCommand, KilledMidwayLeavesABackupThatASecondRunCompletes) {
    {
        Program p;
        HWND main = OptimizeWith(p);
        ASSERT_NE(main, nullptr);
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(p.WaitExit(20s).has_value());
    }
    SetEnvironmentVariableW(L"ZEPHRIN_RESTORE_PAUSE_MS", L"400");
    {
        Program restore(L"/restore");
        // The first value goes back first; end the program while the others wait.
        ASSERT_TRUE(WaitUntil([] {
            return ReadDwordValue(HKEY_CURRENT_USER, kInternetSettingsKey.path, L"MaxConnectionsPerServer") ==
                   std::optional<DWORD>(10);
        }, 30s));
        restore.Kill();
    }
    SetEnvironmentVariableW(L"ZEPHRIN_RESTORE_PAUSE_MS", nullptr);
    EXPECT_FALSE(TakeSnapshot() == originals_) << "stopped part way";
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"Restore"), std::optional<DWORD>(1)) << "backup kept";
    EXPECT_EQ(Restore(), std::optional<DWORD>(3010));
    EXPECT_TRUE(TakeSnapshot() == originals_) << Describe(TakeSnapshot());
}

TEST_F(SetupTest, UpdaterInstallsAVerifiedReleaseOverTheRunningProgram) {
    Install(L"");
    ServeRelease(L"real");  // the real setup program, signed as a newer version
    Program running(L"", InstallFolder() + L"Zephrin.exe");
    HWND main = WaitForWindow(L"TZPMainForm", running.pid(), 30s);
    ASSERT_TRUE(main && WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));

    Program updater(L"", InstallFolder() + L"ZephrinUpdate.exe");
    const auto box = WaitForMessageBox(updater.pid(), 80s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text.substr(0, 30), L"The update has been installed.");
    EXPECT_EQ(running.WaitExit(10s), std::optional<DWORD>(0)) << "closed before its files were replaced";
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"Updated"), std::optional<DWORD>(1));
    EXPECT_TRUE(SameFile(InstallFolder() + L"ZephrinUpdate.exe", BinFolder() + L"ZephrinUpdate.exe"));
    // The running updater's own file was moved aside; the uninstaller (TearDown) must take that too.

    AnswerMessageBox(*box, IDYES);
    EXPECT_EQ(updater.WaitExit(20s), std::optional<DWORD>(0));
    // The restarted program turns the mark into the update's date.
    EXPECT_TRUE(WaitUntil([] { return ReadSzValue(kProgramRoot, kProgramKeyPath, L"UpdatedDate").has_value(); }, 30s));
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"Updated"), std::optional<DWORD>(0));
    HWND restarted = WaitForWindow(L"TZPMainForm", 0, 30s);
    ASSERT_NE(restarted, nullptr);
    PostMessageW(restarted, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return !ProcessRunning(L"Zephrin.exe"); }, 20s));
}
