// The Authenticode signatures of what is shipped, as Windows itself checks
// them, and the installed uninstaller, which only a setup run brings out of
// the setup program for the host's signature check (tests/signing_verify.sh).
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstdio>
#include <string>

#include "harness.h"

using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {


// Where the signature starts in a PE file (its certificate table), or 0 when it has none.
size_t SignatureOffset(const std::string& image) {
    if (image.size() < sizeof(IMAGE_DOS_HEADER)) return 0;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32) > image.size())
        return 0;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) return 0;
    const IMAGE_DATA_DIRECTORY& table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
    return table.VirtualAddress != 0 && table.VirtualAddress < image.size() ? table.VirtualAddress : 0;
}

// What WinVerifyTrust says of a file, with Authenticode's own policy and no window.
LONG TrustOf(const std::wstring& path) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return result;
}

}  // namespace

TEST(Signing, WinVerifyTrustTellsAOneByteChangeFromTheSignedProgram) {
    const std::wstring intact = BinFolder() + L"Zephrin.exe";
    std::string image = ReadFileBytes(intact);
    const size_t signature = SignatureOffset(image);
    ASSERT_NE(signature, 0u) << "Zephrin.exe carries no signature";
    // A byte of code or data, well inside what the signed hash covers.
    image[signature / 2] = static_cast<char>(image[signature / 2] ^ 0x01);
    const std::wstring changed = TempFolder() + L"ZephrinChanged.exe";
    ASSERT_TRUE(WriteFileBytes(changed, image));

    const LONG intactResult = TrustOf(intact);
    const LONG changedResult = TrustOf(changed);
    DeleteFileW(changed.c_str());
    // The test root is trusted nowhere, so the intact file need not be trusted; but it is signed, its hash matches,
    // and only the changed copy fails on the hash.
    EXPECT_NE(intactResult, TRUST_E_NOSIGNATURE);
    EXPECT_NE(intactResult, TRUST_E_BAD_DIGEST);
    EXPECT_EQ(changedResult, TRUST_E_BAD_DIGEST) << std::hex << changedResult;
    EXPECT_NE(intactResult, changedResult);
}

// Sets up the host's check of the installed uninstaller (Signing.InstalledFilesVerify).
TEST(Signing, InstalledUninstallerIsTheSignedOneAndIsHandedToTheHost) {
    ResetProgramKey();
    {
        Program setup(L"/S", L"ZephrinSetup.exe");
        ASSERT_EQ(setup.WaitExit(60s), std::optional<DWORD>(0));
    }
    const std::wstring installed = InstallFolder() + L"ZephrinUninstall.exe";
    const std::string bytes = ReadFileBytes(installed);
    // What makensis signed, kept beside the setup program, is what scripts/release checks: it must be what installs.
    EXPECT_EQ(bytes, ReadFileBytes(HostPath(ZEPHRIN_PACKAGE_DIR "/ZephrinUninstall.exe")));
    EXPECT_NE(SignatureOffset(bytes), 0u);
    // A copy left by an earlier run must not stand in for this one.
    const std::wstring handed = HostPath(ZEPHRIN_SIGNING_CHECK_DIR "/");
    DeleteFileW((handed + L"ZephrinUninstall.exe").c_str());
    CreateDirectoryW(handed.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW(installed.c_str(), (handed + L"ZephrinUninstall.exe").c_str(), FALSE));

    Program uninstall(L"/S", installed);
    ASSERT_TRUE(uninstall.WaitExit(60s).has_value());
    // The uninstaller works on in a copy of itself; it is done when its entry and the folder are gone.
    EXPECT_TRUE(WaitUntil([] {
        return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) &&
               GetFileAttributesW(InstallFolder().c_str()) == INVALID_FILE_ATTRIBUTES;
    }, 60s));
    ResetProgramKey();
}
