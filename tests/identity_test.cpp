#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "platform/identity.h"

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

// Windows 10 1703 and later read dpiAwareness and move the windows between monitors per DPI; older systems
// know only dpiAware, and "true" (not "true/pm") keeps 8.1 at the system DPI as before.
TEST(ProgramIdentity, BothProgramsAreAwareOfEachMonitorsDpiWhereWindowsCanBe) {
    for (const wchar_t* exe : {L"Zephrin.exe", L"ZephrinUpdate.exe"}) {
        SCOPED_TRACE(Narrow(exe));
        const std::string m = ManifestOf(BinFolder() + exe);
        ASSERT_FALSE(m.empty());
        EXPECT_NE(m.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"),
                  std::string::npos);
        EXPECT_NE(m.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2"
                         "</dpiAwareness>"),
                  std::string::npos);
    }
}

// What Windows shows of each shipped file (the Details tab, and the UAC prompt of a file whose signature names no
// program). The uninstaller is made from the setup program's stub and shares its version resource; its signature
// gives it its own name. The program itself is 7.0.0.0 there, as its manifest is; the updater and the setup
// program carry the version the windows show.
TEST(ProgramIdentity, EveryShippedFileSaysWhoMadeItAndWhichVersionItIs) {
    struct Shipped {
        std::wstring path;
        const wchar_t* description;
        const wchar_t* originalName;
        const wchar_t* version;
    };
    const Shipped files[] = {
        {BinFolder() + L"Zephrin.exe", L"Zephrin", L"Zephrin.exe", L"7.0.0.0"},
        {BinFolder() + L"ZephrinUpdate.exe", L"Zephrin Update", L"ZephrinUpdate.exe", zephrin::kProductVersion},
        // A test build's setup program says so in its name, as its package file has it.
        {BinFolder() + L"ZephrinSetup.exe", L"Zephrin Setup", L"ZephrinSetup-TEST.exe", zephrin::kProductVersion},
        {HostPath(ZEPHRIN_PACKAGE_DIR "/ZephrinUninstall.exe"), L"Zephrin Setup", L"ZephrinSetup-TEST.exe",
         zephrin::kProductVersion},
    };
    for (const Shipped& f : files) {
        SCOPED_TRACE(Narrow(f.path));
        unsigned parts[4] = {};
        ASSERT_EQ(swscanf(f.version, L"%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]), 4);
        DWORD handle = 0;
        std::vector<BYTE> info(GetFileVersionInfoSizeW(f.path.c_str(), &handle));
        ASSERT_FALSE(info.empty());
        ASSERT_TRUE(GetFileVersionInfoW(f.path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
        EXPECT_EQ(fixed->dwFileVersionMS, parts[0] << 16 | parts[1]);
        EXPECT_EQ(fixed->dwFileVersionLS, parts[2] << 16 | parts[3]);
        EXPECT_EQ(fixed->dwProductVersionMS, parts[0] << 16 | parts[1]);
        EXPECT_EQ(fixed->dwProductVersionLS, parts[2] << 16 | parts[3]);
        // Explorer reads the strings of the language and code page that the translation table names first.
        WORD* translation = nullptr;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
        ASSERT_GE(len, 4u);
        EXPECT_EQ(translation[0], 0x0409) << "English (United States)";
        wchar_t block[64];
        swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
        const auto text = [&](const wchar_t* name) {
            wchar_t* value = nullptr;
            UINT chars = 0;
            const std::wstring path = block + std::wstring(name);
            return VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &chars) && value
                       ? std::wstring(value) : std::wstring(L"(none)");
        };
        EXPECT_EQ(text(L"CompanyName"), L"ORVANE");
        EXPECT_EQ(text(L"ProductName"), L"Zephrin");
        EXPECT_EQ(text(L"FileDescription"), f.description);
        EXPECT_EQ(text(L"OriginalFilename"), f.originalName);
        EXPECT_EQ(text(L"FileVersion"), f.version);
        // Built for the tests, every file says so where Windows shows it.
        EXPECT_NE(text(L"SpecialBuild").find(L"Test build"), std::wstring::npos) << Narrow(text(L"SpecialBuild"));
        EXPECT_EQ(text(L"ProductVersion"), f.version);
        const std::wstring copyright = text(L"LegalCopyright");
        EXPECT_EQ(copyright.rfind(L"Copyright (C) ", 0), 0u) << Narrow(copyright);
        EXPECT_NE(copyright.find(L" ORVANE"), std::wstring::npos) << Narrow(copyright);
    }
}
