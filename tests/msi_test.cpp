// The Windows Installer package as a management tool drives it: msiexec with
// no interface, its whole exit code read, and what it leaves on the computer.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "features/tuning_engine.h"
#include "harness.h"
#include "platform/program_key.h"
#include "system_values.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

std::wstring Package() { return HostPath(ZEPHRIN_MSI_FILE); }
std::wstring NextPackage() { return HostPath(ZEPHRIN_NEXT_MSI_FILE); }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
// Windows puts a per-machine package's shortcut into every user's Start menu; Wine's installer into the
// user's own. The package's tables say which (the tables test checks them).
bool ShortcutExists() {
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        wchar_t programs[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, programs);
        if (Exists(std::wstring(programs) + L"\\Zephrin\\Zephrin.lnk")) return true;
    }
    return false;
}
std::wstring Log() { return TempFolder() + L"zephrin-msi.log"; }
// The installer's log is plain text in the system's code page; our lines are ASCII.
bool LogHas(const std::string& text) { return ReadFileBytes(Log()).find(text) != std::string::npos; }

std::optional<std::wstring> InstalledProduct() {
    return ReadSzValue(HKEY_LOCAL_MACHINE, kProgramKeyPath, L"MsiProductCode");
}
std::wstring Entry(const std::wstring& product) {
    return L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product;
}

DWORD Msiexec(const std::wstring& arguments) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    DeleteFileW(Log().c_str());
    Program msiexec(arguments + L" /qn /l*v " + Quoted(Log()), std::wstring(system) + L"\\msiexec.exe");
    return msiexec.WaitExit(240s).value_or(0xDEAD);
}
// The installed program, as a management tool's script runs it.
DWORD Installed(const std::wstring& arguments) {
    Program p(arguments, InstallFolder() + L"Zephrin.exe");
    return p.WaitExit(60s).value_or(0xDEAD);
}

class MsiTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveEverything();
        ResetProgramKey();
        ClearSystemValues();
        SeedOriginals();
    }
    void TearDown() override {
        RemoveEverything();
        ResetProgramKey();
        ClearSystemValues();
    }
    static void RemoveEverything() {
        if (const auto product = InstalledProduct()) Msiexec(L"/x " + *product);
        if (Exists(InstallFolder() + L"ZephrinUninstall.exe")) RemoveSetupProgramsInstallation();
    }
    // Its uninstaller hands over to a copy of itself and ends at once; the entry's going marks the end.
    static void RemoveSetupProgramsInstallation() {
        Program uninstall(L"/S", InstallFolder() + L"ZephrinUninstall.exe");
        uninstall.WaitExit(60s);
        EXPECT_TRUE(WaitUntil([] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }, 60s));
    }
};

}  // namespace

TEST_F(MsiTest, InstallTunedUpgradeAndRemoveSilently) {
    const Snapshot originals = TakeSnapshot();
    ASSERT_EQ(Msiexec(L"/i " + Quoted(Package()) + L" LANGUAGE=korean OPTIMIZE=\"Cable MAX\""), 3010u)
        << "tuned: a restart makes it active";
    EXPECT_TRUE(LogHas("Zephrin: Zephrin.exe /optimize Cable MAX ended with 3010"));
    const std::wstring folder = InstallFolder();
    for (const wchar_t* file : {L"Zephrin.exe", L"ZephrinUpdate.exe", L"License.rtf"})
        EXPECT_EQ(ReadFileBytes(folder + file), ReadFileBytes(BinFolder() + file)) << Narrow(file);
    EXPECT_EQ(ReadFileBytes(folder + L"Zephrin.chm"), ReadFileBytes(BinFolder() + L"Zephrin-korean.chm"));
    EXPECT_FALSE(Exists(folder + L"ZephrinMsiActions.dll")) << "the package's own library stays in the package";
    EXPECT_TRUE(ShortcutExists());
    EXPECT_EQ(ReadSzValue(HKEY_LOCAL_MACHINE, kProgramKeyPath, L"Language"), std::optional<std::wstring>(L"korean"));
    const auto first = InstalledProduct();
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Entry(*first)));
    EXPECT_EQ(Installed(L"/check cable max"), 0u) << "what /optimize writes";
    const Snapshot tuned = TakeSnapshot();
    EXPECT_FALSE(tuned == originals);

    // The next build replaces it whole, with the properties given again as a management tool gives them.
    // On Windows the older package's removal sees UPGRADINGPRODUCTCODE, skips its restore and the tuning
    // is already in place (0). Wine's installer removes it as if by hand: its restore runs, and the new
    // one tunes again (3010). Either way the tuning and a backup of the originals stay.
    EXPECT_EQ(Msiexec(L"/i " + Quoted(NextPackage()) + L" LANGUAGE=korean OPTIMIZE=\"cable max\""), 3010u);
    const auto second = InstalledProduct();
    ASSERT_TRUE(second.has_value());
    EXPECT_NE(*second, *first);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Entry(*first))) << "one installation, not two side by side";
    EXPECT_EQ(ReadSzValue(HKEY_LOCAL_MACHINE, Entry(*second), L"DisplayVersion"),
              std::optional<std::wstring>(L"" ZEPHRIN_NEXT_MSI_VERSION));
    EXPECT_EQ(ReadDwordValue(HKEY_LOCAL_MACHINE, kProgramKeyPath, L"Updated"), std::optional<DWORD>(1));
    EXPECT_TRUE(TakeSnapshot() == tuned) << Describe(TakeSnapshot());
    EXPECT_TRUE(BackupHeld());
    EXPECT_EQ(ReadFileBytes(folder + L"Zephrin.chm"), ReadFileBytes(BinFolder() + L"Zephrin-korean.chm"));

    // Removal puts the originals back first, then everything goes.
    EXPECT_EQ(Msiexec(L"/x " + Quoted(NextPackage())), 3010u) << "put back: a restart makes it active";
    EXPECT_TRUE(LogHas("Zephrin: Zephrin.exe /restore ended with 3010"));
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(folder + L"..")) << "the maker's folder, which the package made";
    EXPECT_FALSE(ShortcutExists());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProgramKeyPath)) << "nothing left to keep";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Entry(*second)));
}

TEST_F(MsiTest, ATuningThatCannotBeDoneUndoesTheInstallation) {
    const Snapshot originals = TakeSnapshot();
    EXPECT_EQ(Msiexec(L"/i " + Quoted(Package()) + L" OPTIMIZE=\"cable turbo\""), 1603u);
    EXPECT_TRUE(LogHas("Zephrin: Zephrin.exe /optimize cable turbo ended with 87"));
    EXPECT_FALSE(InstalledProduct().has_value());
    EXPECT_FALSE(Exists(InstallFolder() + L"Zephrin.exe")) << "rolled back";
    // Nothing but two words of letters and digits reaches a command line run as the system account.
    EXPECT_EQ(Msiexec(L"/i " + Quoted(Package()) + L" OPTIMIZE=\"cable max & calc\""), 1603u);
    EXPECT_TRUE(LogHas("is not of the form OPTIMIZE=\"TYPE LEVEL\""));
    EXPECT_FALSE(Exists(InstallFolder() + L"Zephrin.exe"));
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
}

TEST_F(MsiTest, EachPackageRefusesToInstallOverTheOthersInstallation) {
    Program setup(L"/S", L"ZephrinSetup.exe");
    ASSERT_EQ(setup.WaitExit(60s), std::optional<DWORD>(0));
    // Wine's installer does not log a launch condition's message; the tables test checks its text.
    EXPECT_EQ(Msiexec(L"/i " + Quoted(Package())), 1603u);
    EXPECT_FALSE(InstalledProduct().has_value());
    EXPECT_TRUE(Exists(InstallFolder() + L"ZephrinUninstall.exe")) << "the setup program's installation is whole";
    RemoveSetupProgramsInstallation();

    ASSERT_EQ(Msiexec(L"/i " + Quoted(Package())), 0u) << "nothing to tune";
    Program refused(L"/S", L"ZephrinSetup.exe");
    EXPECT_EQ(refused.WaitExit(60s), std::optional<DWORD>(2));
    EXPECT_FALSE(Exists(InstallFolder() + L"ZephrinUninstall.exe"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(Msiexec(L"/x " + Quoted(Package())), 0u) << "nothing to put back";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProgramKeyPath));
}
