#include <gtest/gtest.h>

#include "harness.h"
#include "features/tuning_engine.h"
#include "platform/desktop_user.h"
#include "platform/program_key.h"
#include "platform/registry.h"
#include "system_values.h"

using namespace zephrin;
using namespace zephrin::test;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    ScratchKey scratch{L"Registry"};
    HKEY root = HKEY_CURRENT_USER;
    const std::wstring& path() { return scratch.path(); }
};

}  // namespace

TEST_F(RegistryTest, StringReadsFallBackToTheDefault) {
    EXPECT_EQ(ReadRegistryString(root, path(), L"Missing", L"dflt", false), L"dflt") << "missing key";
    WriteSz(root, path(), L"Empty", L"");
    EXPECT_EQ(ReadRegistryString(root, path(), L"Empty", L"dflt", false), L"dflt") << "empty text";
    EXPECT_EQ(ReadRegistryString(root, path(), L"Missing", L"dflt", false), L"dflt") << "missing value";
    WriteDword(root, path(), L"Number", 5);
    EXPECT_EQ(ReadRegistryString(root, path(), L"Number", L"dflt", false), L"dflt") << "REG_DWORD";
    WriteRaw(root, path(), L"NoData", REG_SZ, nullptr, 0);
    EXPECT_EQ(ReadRegistryString(root, path(), L"NoData", L"dflt", false), L"dflt") << "zero-size data";
}

TEST_F(RegistryTest, StringReadsStopAtTheFirstNulAndKeepReferences) {
    const wchar_t twoParts[] = L"first\0second";
    WriteRaw(root, path(), L"Two", REG_SZ, twoParts, sizeof twoParts);
    EXPECT_EQ(ReadRegistryString(root, path(), L"Two", L"", false), L"first");
    const std::wstring expand = L"%SystemRoot%\\x";
    WriteRaw(root, path(), L"Expand", REG_EXPAND_SZ, expand.c_str(), static_cast<DWORD>((expand.size() + 1) * 2));
    EXPECT_EQ(ReadRegistryString(root, path(), L"Expand", L"", false), expand);
    // Text written without its terminating NUL still reads whole.
    const std::wstring bare = L"abc";
    WriteRaw(root, path(), L"Bare", REG_SZ, bare.c_str(), static_cast<DWORD>(bare.size() * 2));
    EXPECT_EQ(ReadRegistryString(root, path(), L"Bare", L"", false), L"abc");
}

TEST_F(RegistryTest, IntegerReadsAcceptOnlyDwords) {
    WriteSz(root, path(), L"Digits", L"42");
    EXPECT_EQ(ReadRegistryInteger(root, path(), L"Digits", -7, false), -7);
    const unsigned long long eight = 3;
    WriteRaw(root, path(), L"Qword", REG_QWORD, &eight, sizeof eight);
    EXPECT_EQ(ReadRegistryInteger(root, path(), L"Qword", -7, false), -7);
    const BYTE eightBytes[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    WriteRaw(root, path(), L"LongDword", REG_DWORD, eightBytes, sizeof eightBytes);
    EXPECT_EQ(ReadRegistryInteger(root, path(), L"LongDword", -7, false), -7);
    EXPECT_EQ(ReadRegistryInteger(root, path(), L"Missing", -7, false), -7);
    EXPECT_EQ(ReadRegistryInteger(HKEY_CURRENT_USER, L"\\Software\\ZephrinTests\\NoSuchKey", L"X", 9, false), 9);
}

TEST_F(RegistryTest, NegativeIntegersRoundTripAsFourBytes) {
    WriteRegistryInteger(root, path(), L"Minus", -1, false);
    const RawRegValue raw = ReadRaw(root, path(), L"Minus");
    ASSERT_TRUE(raw.present);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw.data, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ReadRegistryInteger(root, path(), L"Minus", 0, false), -1);
}

TEST_F(RegistryTest, BooleansAreDwordsReadAsNonZero) {
    WriteDword(root, path(), L"Seven", 7);
    EXPECT_TRUE(ReadRegistryBool(root, path(), L"Seven", false, false));
    WriteDword(root, path(), L"Zero", 0);
    EXPECT_FALSE(ReadRegistryBool(root, path(), L"Zero", true, false));
    EXPECT_TRUE(ReadRegistryBool(root, path(), L"Missing", true, false));
    WriteSz(root, path(), L"Text", L"1");
    EXPECT_FALSE(ReadRegistryBool(root, path(), L"Text", false, false));
    WriteRegistryBool(root, path(), L"False", false, false);
    EXPECT_EQ(ReadDwordValue(root, path(), L"False"), std::optional<DWORD>(0));
    EXPECT_FALSE(ReadRegistryBool(root, path(), L"False", true, false)) << "stored false is not the default";
    WriteRegistryBool(root, path(), L"True", true, false);
    EXPECT_EQ(ReadDwordValue(root, path(), L"True"), std::optional<DWORD>(1));
}

TEST_F(RegistryTest, StringsAreStoredWithOneNul) {
    WriteRegistryString(root, path(), L"Name", L"abc", false);
    const RawRegValue raw = ReadRaw(root, path(), L"Name");
    ASSERT_TRUE(raw.present);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.data, (std::vector<BYTE>{'a', 0, 'b', 0, 'c', 0, 0, 0}));
}

TEST_F(RegistryTest, WritesReplaceValuesOfAnotherType) {
    WriteSz(root, path(), L"V", L"text");
    WriteRegistryInteger(root, path(), L"V", 12, false);
    EXPECT_EQ(ReadDwordValue(root, path(), L"V"), std::optional<DWORD>(12));
    WriteRegistryString(root, path(), L"V", L"back", false);
    EXPECT_EQ(ReadSzValue(root, path(), L"V"), std::optional<std::wstring>(L"back"));
}

TEST_F(RegistryTest, WritesCreateEveryKeyOnThePathAndDeletionsCreateNothing) {
    const std::wstring deep = path() + L"\\A\\B\\C\\";
    DeleteRegistryValue(root, deep, L"X", false);
    EXPECT_FALSE(KeyExists(root, path() + L"\\A")) << "a deletion must not create keys";
    WriteRegistryInteger(root, deep, L"X", 1, false);
    EXPECT_TRUE(KeyExists(root, path() + L"\\A\\B\\C"));
    DeleteRegistryValue(root, deep, L"X", false);
    EXPECT_FALSE(ReadRaw(root, deep, L"X").present);
    EXPECT_TRUE(KeyExists(root, path() + L"\\A\\B\\C")) << "the emptied key stays";
    DeleteRegistryValue(root, deep, L"X", false);  // already gone: nothing happens
}

TEST_F(RegistryTest, PathsWithoutLeadingBackslashWorkToo) {
    std::wstring relative = path().substr(1);
    WriteRegistryInteger(root, relative, L"R", 3, false);
    EXPECT_EQ(ReadRegistryInteger(root, path(), L"R", 0, false), 3);
    EXPECT_EQ(RelativeKeyPath(L"\\Software\\ORVANE\\Zephrin\\"), L"Software\\ORVANE\\Zephrin\\");
}

TEST(RegistryMasks, SixtyFourBitViewAddsOnlyTheViewFlag) {
    EXPECT_EQ(RegistryReadMask(false), static_cast<REGSAM>(0x20019));
    EXPECT_EQ(RegistryReadMask(true), static_cast<REGSAM>(0x20119));
    EXPECT_EQ(RegistryWriteMask(false), static_cast<REGSAM>(0x20006));
    EXPECT_EQ(RegistryWriteMask(true), static_cast<REGSAM>(0x20106));
    EXPECT_EQ(RegistryDeleteMask(false), static_cast<REGSAM>(0xF003F));
    EXPECT_EQ(RegistryDeleteMask(true), static_cast<REGSAM>(0xF013F));
}

TEST_F(RegistryTest, RefusedKeysGiveDefaultsAndIgnoreWrites) {
    WriteRegistryInteger(root, path() + L"\\Locked", L"V", 1, false);
    UniqueKey key;
    ASSERT_EQ(RegOpenKeyExW(root, (path().substr(1) + L"\\Locked").c_str(), 0, WRITE_DAC, key.put()), ERROR_SUCCESS);
    // An empty DACL refuses every access.
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    ACL acl;
    InitializeAcl(&acl, sizeof acl, ACL_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, &acl, FALSE);
    ASSERT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &sd), ERROR_SUCCESS);
    EXPECT_EQ(ReadRegistryInteger(root, path() + L"\\Locked", L"V", 77, false), 77);
    EXPECT_FALSE(WriteRegistryInteger(root, path() + L"\\Locked", L"V", 2, false)) << "a refused write says so";
    EXPECT_FALSE(DeleteRegistryValue(root, path() + L"\\Locked", L"V", false)) << "so does a refused delete";
    EXPECT_TRUE(DeleteRegistryValue(root, path() + L"\\Missing", L"V", false)) << "nothing to delete is no failure";
}

namespace {

// A user's hive as the engine meets it, under HKEY_USERS, with a key of it turned into a link into the
// machine's keys, as that user may make one (REG_OPTION_CREATE_LINK).
class UserHiveLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        WriteDword(HKEY_LOCAL_MACHINE, kTarget, L"MaxConnectionsPerServer", 77);
        HKEY parent = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_USERS, (kSid + L"\\Software\\Microsoft\\Windows\\CurrentVersion").c_str(), 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent, nullptr),
                  ERROR_SUCCESS);
        HKEY link = nullptr;
        ASSERT_EQ(RegCreateKeyExW(parent, L"Internet Settings", 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS,
                                  nullptr, &link, nullptr),
                  ERROR_SUCCESS);
        const std::wstring to = L"\\Registry\\Machine" + kTarget;
        EXPECT_EQ(RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(to.c_str()),
                                 static_cast<DWORD>(to.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        RegCloseKey(link);
        RegCloseKey(parent);
        ASSERT_EQ(ReadDwordValue(HKEY_USERS, L"\\" + kSid + kInternetSettings, L"MaxConnectionsPerServer"),
                  std::optional<DWORD>(77))
            << "Windows follows the link";
    }
    void TearDown() override {
        // The link itself goes, never what it points to.
        HKEY link = nullptr;
        if (RegOpenKeyExW(HKEY_USERS, (kSid + kInternetSettings).c_str(), REG_OPTION_OPEN_LINK, DELETE, &link) ==
            ERROR_SUCCESS) {
            using DeleteKeyFn = LONG NTAPI(HANDLE);
            auto* deleteKey = reinterpret_cast<DeleteKeyFn*>(
                reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
            if (deleteKey) deleteKey(link);
            RegCloseKey(link);
        }
        DeleteKeyTree(HKEY_USERS, L"\\" + kSid);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kTarget);
    }
    const std::wstring kSid = L"S-1-5-21-1111-2222-3333-1001";
    const std::wstring kInternetSettings = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    const std::wstring kTarget = L"\\Software\\ZephrinLinkTarget";
};

}  // namespace

TEST_F(UserHiveLinkTest, NothingIsWrittenOrDeletedThroughALink) {
    const KeyPlace place = UserKeyPlace(kSid, kInternetSettings);
    RawValue raw;
    EXPECT_EQ(ReadRaw(place, L"MaxConnectionsPerServer", raw), RawRead::Absent) << "a link holds none of the user's values";
    EXPECT_FALSE(WriteRawChecked(place, L"MaxConnectionsPerServer", DwordValue(8)));
    EXPECT_FALSE(WriteRawChecked(place, L"MaxConnectionsPer1_0Server", DwordValue(8)));
    EXPECT_TRUE(DeleteValueChecked(place, L"MaxConnectionsPerServer")) << "nothing of the user's to delete";
    EXPECT_EQ(ReadDwordValue(HKEY_LOCAL_MACHINE, kTarget, L"MaxConnectionsPerServer"), std::optional<DWORD>(77));
    EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kTarget, L"MaxConnectionsPer1_0Server").present);
    // A plain key beside it is written as ever, and a missing one is made.
    const KeyPlace plain = UserKeyPlace(kSid, L"\\Software\\Zephrin Test\\New");
    EXPECT_TRUE(WriteRawChecked(plain, L"Value", DwordValue(3)));
    EXPECT_EQ(ReadDword(plain, L"Value", 0), 3);
}

TEST_F(UserHiveLinkTest, TheEngineCountsTheLinkedValuesAsNotWrittenAndLosesNothing) {
    ResetProgramKey();
    const OptimizeOutcome optimized = Optimize(connection::dialup, 1, kSid);
    EXPECT_TRUE(optimized.backupHeld);
    EXPECT_EQ(optimized.refused, (std::vector<std::wstring>{L"MaxConnectionsPerServer", L"MaxConnectionsPer1_0Server"}));
    EXPECT_EQ(ReadDwordValue(HKEY_LOCAL_MACHINE, kTarget, L"MaxConnectionsPerServer"), std::optional<DWORD>(77));
    const RestoreOutcome restored = Restore(connection::dialup, kSid);
    EXPECT_TRUE(restored.AllBack());
    EXPECT_FALSE(restored.backupHeld);
    EXPECT_EQ(ReadDwordValue(HKEY_LOCAL_MACHINE, kTarget, L"MaxConnectionsPerServer"), std::optional<DWORD>(77));
    EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kTarget, L"MaxConnectionsPer1_0Server").present);
    ResetProgramKey();

    // A management tool reads the same refusal as a failure, and the backup stays for a restore.
    SetEnvironmentVariableW(L"ZEPHRIN_CONSOLE_USER", kSid.c_str());
    Program command(L"/optimize dialup max");
    SetEnvironmentVariableW(L"ZEPHRIN_CONSOLE_USER", nullptr);
    EXPECT_EQ(command.WaitExit(std::chrono::seconds(60)), std::optional<DWORD>(1603));
    EXPECT_TRUE(BackupHeld());
    EXPECT_EQ(ReadDwordValue(HKEY_LOCAL_MACHINE, kTarget, L"MaxConnectionsPerServer"), std::optional<DWORD>(77));
    ClearSystemValues();
    ResetProgramKey();
}
