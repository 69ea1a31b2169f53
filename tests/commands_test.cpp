// The commands for management tools, end to end: the real program started as
// Intune or a script starts it, its whole 32-bit exit code read, and the
// values and the backup compared byte for byte with what the window leaves.
#include <gtest/gtest.h>

#include <map>

#include "app/tuning_flows.h"
#include "harness.h"
#include "platform/privileges.h"
#include "platform/program_key.h"
#include "program_windows.h"
#include "system_values.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

// Every value below a key, by its path and name, with its type and bytes.
using Tree = std::map<std::wstring, RawRegValue>;
void ReadTree(HKEY root, const std::wstring& path, const std::wstring& under, Tree& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    wchar_t name[256];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = 256, dataSize = sizeof data, type = 0;
        if (RegEnumValueW(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        out[under + name] = RawRegValue{true, type, std::vector<BYTE>(data, data + dataSize)};
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = 256;
        if (RegEnumKeyExW(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        ReadTree(root, path + L"\\" + name, under + name + L"\\", out);
    }
    RegCloseKey(key);
}
// The program key as a record of the backup: what Optimize keeps there, without the start-up stamps.
Tree Backup() {
    Tree tree;
    ReadTree(HKEY_LOCAL_MACHINE, std::wstring(kProgramKeyPath).substr(1), L"", tree);
    for (const wchar_t* stamp : {L"InstalledDate", L"Updated", L"UpdatedDate"}) tree.erase(stamp);
    return tree;
}

DWORD Command(const std::wstring& arguments, const std::wstring& user = L"") {
    if (!user.empty()) SetEnvironmentVariableW(L"ZEPHRIN_CONSOLE_USER", user.c_str());
    Program p(arguments);
    SetEnvironmentVariableW(L"ZEPHRIN_CONSOLE_USER", nullptr);
    return p.WaitExit(60s).value_or(0xDEAD);
}

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramKey();
        ClearSystemValues();
        SeedOriginals();
    }
    void TearDown() override {
        ClearSystemValues();
        ResetProgramKey();
    }
};

}  // namespace

TEST_F(CommandsTest, OptimizeCheckAndRestoreDoWhatTheWindowDoesAndSaySoInTheirCodes) {
    const Snapshot originals = TakeSnapshot();
    // What the window's Optimize leaves for Cable at Maximum Boost, and its Restore.
    Tree windowBackup;
    Snapshot windowTuned;
    {
        WindowsUnderTest w;
        w.Open();
        w.main->modemCombo()->SetSelected(connection::cable);
        w.main->speedTrackBar()->SetPosition(kMaximumBoost);
        w.recorder.answers = {IDNO};
        RunOptimize(*w.main, *w.progress);
        windowTuned = TakeSnapshot();
        windowBackup = Backup();
        w.recorder.answers = {IDOK, IDNO};
        RunRestore(*w.main, *w.progress);
        ASSERT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    }
    ResetProgramKey();

    EXPECT_EQ(Command(L"/check cable max"), 1u) << "not tuned yet";
    EXPECT_EQ(Command(L"/OPTIMIZE Cable MAX"), 3010u) << "changed: a restart makes it active";
    EXPECT_TRUE(TakeSnapshot() == windowTuned) << Describe(TakeSnapshot());
    EXPECT_TRUE(Backup() == windowBackup) << "the same backup, byte for byte";
    EXPECT_EQ(Command(L"/check cable max"), 0u);
    EXPECT_EQ(Command(L"/check dialup boost"), 1u) << "4 connections per server, not 8";
    EXPECT_EQ(Command(L"/optimize cable max"), 0u) << "nothing changed";
    EXPECT_TRUE(Backup() == windowBackup) << "the backup of the first one stays";
    for (const wchar_t* wrong : {L"/optimize cable turbo", L"/optimize modem max", L"/optimize cable", L"/optimize",
                                 L"/check", L"/check lan"})
        EXPECT_EQ(Command(wrong), 87u) << Narrow(wrong);
    EXPECT_TRUE(TakeSnapshot() == windowTuned) << "nothing written";

    {
        // Zephrin open: the user may be optimizing or restoring in it right now.
        Program window;
        ASSERT_NE(WaitForWindow(L"TZPMainForm", window.pid(), 30s), nullptr);
        EXPECT_EQ(Command(L"/optimize lan boost"), 1618u);
        EXPECT_EQ(Command(L"/restore"), 1618u);
        EXPECT_TRUE(TakeSnapshot() == windowTuned);
    }
    {
        // Zephrin open in another session, where a command run as SYSTEM cannot see its window.
        UniqueHandle mark(CreateMutexW(nullptr, FALSE, L"Global\\ORVANE.Zephrin.Window"));
        EXPECT_EQ(Command(L"/restore"), 1618u);
    }
    EXPECT_EQ(Command(L"/restore"), 3010u) << "put back: a restart makes it active";
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    EXPECT_TRUE(Backup().count(L"Restore") == 0 && Backup().count(L"BackupRecord") == 0) << "the backup went";
    EXPECT_EQ(Command(L"/restore"), 0u) << "nothing to put back";
}

// The two Internet Settings values are a person's. A management tool runs the commands as SYSTEM, where the
// person is whoever sits at the console; here a seam stands in for that, as Wine has one user and no SYSTEM.
TEST_F(CommandsTest, EachUsersOriginalsGoBackIntoTheirOwnHiveWhoeverRestores) {
    const std::wstring first = L"S-1-5-21-1111-2222-3333-1001", second = L"S-1-5-21-1111-2222-3333-1002";
    const std::wstring settings = kInternetSettingsKey.path;
    auto hive = [&](const std::wstring& sid) { return L"\\" + sid + settings; };
    for (const std::wstring& sid : {first, second}) DeleteKeyTree(HKEY_USERS, L"\\" + sid);
    WriteDword(HKEY_USERS, hive(first), L"MaxConnectionsPerServer", 10);
    WriteDword(HKEY_USERS, hive(second), L"MaxConnectionsPerServer", 6);
    WriteDword(HKEY_USERS, hive(second), L"MaxConnectionsPer1_0Server", 6);
    const Snapshot machine = TakeSnapshot();

    EXPECT_EQ(Command(L"/optimize cable max", first), 3010u);
    EXPECT_EQ(ReadDwordValue(HKEY_USERS, hive(first), L"MaxConnectionsPerServer"), std::optional<DWORD>(8));
    EXPECT_EQ(ReadDwordValue(HKEY_USERS, hive(first), L"MaxConnectionsPer1_0Server"), std::optional<DWORD>(8));
    EXPECT_EQ(ReadDwordValue(HKEY_USERS, hive(second), L"MaxConnectionsPerServer"), std::optional<DWORD>(6));
    EXPECT_EQ(Command(L"/check cable max", first), 0u);
    EXPECT_EQ(Command(L"/check cable max", second), 1u) << "the second user's are not tuned";

    // The first user has logged off: their hive is a file in their profile, loaded for the restore and unloaded.
    const std::wstring profile = TempFolder() + L"zephrin-profile";
    const std::wstring file = profile + L"\\NTUSER.DAT";
    CreateDirectoryW(profile.c_str(), nullptr);
    DeleteFileW(file.c_str());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, first.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    LONG saved;
    {
        EnabledPrivileges backup({SE_BACKUP_NAME});
        saved = RegSaveKeyW(key, file.c_str(), nullptr);
    }
    RegCloseKey(key);
    ASSERT_EQ(saved, ERROR_SUCCESS) << "the hive as a file";
    DeleteKeyTree(HKEY_USERS, L"\\" + first);
    auto firstRecord = [&] { return Backup().count(L"Users\\" + first + L"\\MaxConnectionsPerServer") == 1; };

    // Nowhere to be found: the computer's values go back, the first user's stay in the backup.
    EXPECT_EQ(Command(L"/restore", second), 1603u);
    EXPECT_TRUE(TakeSnapshot() == machine) << Describe(TakeSnapshot());
    EXPECT_TRUE(firstRecord()) << "kept for a restore that can reach them";

    const std::wstring profiles = L"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + first;
    WriteSz(HKEY_LOCAL_MACHINE, profiles, L"ProfileImagePath", profile);
    EXPECT_EQ(Command(L"/restore", second), 3010u) << "restored by another user, from the profile's hive";
    EXPECT_FALSE(firstRecord()) << "put back, so the record went";
    EXPECT_FALSE(KeyExists(HKEY_USERS, L"\\" + first)) << "unloaded again";
    EXPECT_EQ(ReadDwordValue(HKEY_USERS, hive(second), L"MaxConnectionsPerServer"), std::optional<DWORD>(6))
        << "the second user's own are untouched";
    // Wine keeps a loaded hive in memory and does not write it back to its file when it is unloaded, so
    // the file cannot show the values here; Windows writes them back.

    // Nobody logged on: the computer's values are tuned, nobody's own.
    ResetProgramKey();
    EXPECT_EQ(Command(L"/optimize cable max", L"nobody"), 3010u);
    EXPECT_EQ(ReadDwordValue(HKEY_USERS, hive(second), L"MaxConnectionsPerServer"), std::optional<DWORD>(6));
    EXPECT_EQ(Command(L"/check cable max", L"nobody"), 0u);
    EXPECT_EQ(Command(L"/restore", L"nobody"), 3010u);
    EXPECT_TRUE(TakeSnapshot() == machine) << Describe(TakeSnapshot());

    DeleteKeyTree(HKEY_LOCAL_MACHINE, profiles);
    DeleteFileW(file.c_str());
    RemoveDirectoryW(profile.c_str());
    DeleteKeyTree(HKEY_USERS, L"\\" + second);
}
