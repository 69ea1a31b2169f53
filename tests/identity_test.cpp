#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

using namespace zephrin::test;

namespace {

std::string ManifestOf(const std::wstring& exe) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return {};
    std::string text;
    if (HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, res)));
        if (data) text.assign(data, SizeofResource(module, res));
    }
    FreeLibrary(module);
    return text;
}

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT len = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &len) || !value) return {};
    return value;
}

}  // namespace

TEST(ProgramIdentity, ManifestAsksForWhatTheProgramNeeds) {
    const std::string m = ManifestOf(BinFolder() + L"Zephrin.exe");
    ASSERT_FALSE(m.empty());
    for (const char* part :
         {"name=\"ORVANE.Zephrin\" version=\"7.0.0.0\" processorArchitecture=\"x86\"", "<description>Zephrin</description>",
          "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
          "level=\"requireAdministrator\" uiAccess=\"false\"",
          "{e2011457-1546-43c5-a5fe-008deee3d3f0}",   // Vista
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // 7
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // 8
          "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"})  // 8.1: reports 6.3
        EXPECT_NE(m.find(part), std::string::npos) << part;
}

TEST(ProgramIdentity, VersionResource) {
    const std::wstring exe = BinFolder() + L"Zephrin.exe";
    DWORD handle = 0;
    std::vector<BYTE> info(GetFileVersionInfoSizeW(exe.c_str(), &handle));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00070000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00070000u);
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"Zephrin");
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Zephrin");
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"7.0.0.0");
}
