// "What Zephrin changes": the real window read from another process, the
// saved .reg file imported back by Registry Editor, and the /report JSON
// under the Windows versions Wine can pose as.
#include <gtest/gtest.h>

#include <map>

#include "app/captions.h"
#include "ui/captions.h"
#include "app/changes_window.h"
#include "app/window_names.h"
#include "features/tuning_engine.h"
#include "features/value_verdicts.h"
#include "caption_text.h"
#include "harness.h"
#include "json_reader.h"
#include "platform/desktop_user.h"
#include "platform/program_key.h"
#include "program_windows.h"
#include "screen_reader.h"
#include "system_values.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

const std::wstring kTcpip = kTcpipParametersKey.path;

// The computer before Zephrin: four values of its own, one of them text.
// Then Zephrin's backup, and after it the values as they are now: one
// optimized, one text where a number is usual, one deleted, one binary.
void SeedBeforeAndNow() {
    ResetProgramKey();
    ClearSystemValues();
    SeedOriginals();
    ASSERT_TRUE(TakeBackup(L""));
    WriteDword(HKEY_CURRENT_USER, kInternetSettingsKey.path, L"MaxConnectionsPerServer", 8);
    WriteSz(HKEY_LOCAL_MACHINE, kTcpip, L"KeepAliveTime", L"abc");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTcpip.substr(1).c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegDeleteValueW(key, L"DefaultTTL");
    const BYTE binary[] = {1, 2};
    RegSetValueExW(key, L"SackOpts", 0, REG_BINARY, binary, sizeof binary);
    RegCloseKey(key);
}

const std::map<std::wstring, std::wstring> kNow = {
    {L"MaxConnectionsPerServer", L"8"}, {L"KeepAliveTime", L"\"abc\" (REG_SZ)"},
    {L"SackOpts", L"01 02 (REG_BINARY)"}, {L"TcpWindowSize", L"\"65535\" (REG_SZ)"}, {L"NonBestEffortLimit", L"20"}};
const std::map<std::wstring, std::wstring> kBefore = {{L"MaxConnectionsPerServer", L"10"},
                                                      {L"DefaultTTL", L"128"},
                                                      {L"TcpWindowSize", L"\"65535\" (REG_SZ)"},
                                                      {L"NonBestEffortLimit", L"20"}};

std::wstring Text(const wchar_t* key) { return CaptionOf(kChangesFormName, key); }

std::wstring Or(const std::map<std::wstring, std::wstring>& m, const std::wstring& name, const std::wstring& absent) {
    auto it = m.find(name);
    return it == m.end() ? absent : it->second;
}

// What every cell must say for a connection row and speed level, on Windows 10.
std::vector<std::vector<std::wstring>> ExpectedRows(int row, int speed) {
    const wchar_t* verdictKeys[] = {L"VerdictUsed", L"VerdictWinInet", L"VerdictIgnored", L"VerdictNotKnown"};
    std::vector<std::vector<std::wstring>> rows;
    const auto all = AllTunedValues();
    for (size_t i = 0; i < all.size(); ++i) {
        const std::wstring name = all[i].name;
        const wchar_t* where = i < 2 ? L"WhereInternetSettings" : i >= 12 ? L"WherePacketScheduler" : L"WhereTcpIp";
        std::wstring after = Text(L"NotChanged");
        for (const TunedValue& t : TunedValuesFor(row, speed))
            if (name == t.name) after = std::to_wstring(t.data);
        const int verdict = static_cast<int>(VerdictFor(name, kColumnWindows10));
        rows.push_back({name, Text(where), Or(kNow, name, Text(L"NotSet")), after, Or(kBefore, name, Text(L"NotSet")),
                        Text(verdictKeys[verdict])});
    }
    return rows;
}

// The cells of a list view in another process, through memory lent in that process.
std::vector<std::vector<std::wstring>> ReadListView(HWND list, int columns) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    std::vector<std::vector<std::wstring>> rows;
    if (!process) return rows;
    const size_t textChars = 512;
    char* remote = static_cast<char*>(
        VirtualAllocEx(process.get(), nullptr, sizeof(LVITEMW) + textChars * 2, MEM_COMMIT, PAGE_READWRITE));
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < count; ++r) {
        rows.emplace_back();
        for (int c = 0; c < columns; ++c) {
            LVITEMW item{};
            item.iSubItem = c;
            item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
            item.cchTextMax = static_cast<int>(textChars);
            WriteProcessMemory(process.get(), remote, &item, sizeof item, nullptr);
            SendMessageW(list, LVM_GETITEMTEXTW, r, reinterpret_cast<LPARAM>(remote));
            wchar_t text[textChars] = {};
            ReadProcessMemory(process.get(), remote + sizeof(LVITEMW), text, sizeof text - 2, nullptr);
            rows.back().push_back(text);
        }
    }
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return rows;
}

// Clicks a painted link of a window in another process, at its design place.
void ClickAt(HWND window, int designX, int designY) {
    WindowDC screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    const LPARAM at = MAKELPARAM(MulDiv(designX, dpi, 96), MulDiv(designY, dpi, 96));
    PostMessageW(window, WM_MOUSEMOVE, 0, at);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
}

}  // namespace

TEST(ChangesWindow, EveryCellIsWhatTheRegistryHoldsWhatOptimizeWritesAndWhatRestorePutsBack) {
    Com com;
    SeedBeforeAndNow();
    const Snapshot seeded = TakeSnapshot();
    SetWineVersionFor(L"Zephrin.exe", L"win10");
    Program p;
    HWND main = WaitForWindow(kMainFormClass, p.pid(), 30s);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
    // Cable and Dial-up, which keeps the system's stack values, at both speeds.
    for (auto [row, speed] : {std::pair{0, 0}, {0, 1}, {connection::dialup, 0}, {connection::dialup, 1}}) {
        SCOPED_TRACE("row " + std::to_string(row) + ", speed " + std::to_string(speed));
        SendMessageW(Descendant(main, L"ComboBoxEx32", 1), CB_SETCURSEL, row, 0);
        SendMessageW(Descendant(main, TRACKBAR_CLASSW), TBM_SETPOS, TRUE, speed);
        ClickAt(main, 20, 285);
        HWND changes = WaitForWindow(kChangesFormClass, p.pid(), 10s);
        ASSERT_NE(changes, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(changes) != FALSE; }, 10s));
        EXPECT_EQ(WindowText(changes), Text(kChangesFormName));
        EXPECT_FALSE(IsWindowEnabled(main)) << "modal over the main window";
        HWND list = Descendant(changes, WC_LISTVIEWW);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(ReadListView(list, 6), ExpectedRows(row, speed));
        // The system line, as a screen reader reads it: this Wine's Windows 10.
        auto client = ObjectOf(changes);
        ASSERT_TRUE(client);
        const auto tree = Tree(client.get(), RECT{-100000, -100000, 100000, 100000});
        ASSERT_FALSE(tree.empty());
        EXPECT_EQ(tree.front().rfind(L"This computer runs Windows 10 (version 10.0, build ", 0), 0u) << Narrow(tree.front());
        // Escape closes it, and the main window takes the keyboard again.
        SetForegroundWindow(changes);
        PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(list, WM_KEYUP, VK_ESCAPE, 0xC0000000);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(changes); }, 10s));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 10s));
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
    EXPECT_TRUE(TakeSnapshot() == seeded) << "the window only reads: " << Describe(TakeSnapshot());
    ClearWineVersionFor(L"Zephrin.exe");
    ClearSystemValues();
    ResetProgramKey();
}

TEST(ChangesWindow, TheSavedFilePutsEveryValueBackWhenRegistryEditorImportsIt) {
    SeedBeforeAndNow();
    // Types a backup must keep whole: several strings, and an expandable one.
    const wchar_t multi[] = L"one\0two\0";
    WriteRaw(HKEY_LOCAL_MACHINE, kTcpip, L"TcpMaxDupAcks", REG_MULTI_SZ, multi, sizeof multi);
    const wchar_t expand[] = L"%SystemRoot%\\x \"q\"";
    WriteRaw(HKEY_LOCAL_MACHINE, kTcpip, L"Tcp1323Opts", REG_EXPAND_SZ, expand, sizeof expand);
    // Text in the user's own hive, which any program of the user may write, that would be lines of its own.
    const std::wstring injected = L"4\"\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\ZephrinPlanted]\r\n\"Planted\"=\"yes";
    WriteSz(HKEY_CURRENT_USER, kInternetSettingsKey.path, L"MaxConnectionsPer1_0Server", injected);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, L"\\Software\\ZephrinPlanted");
    const Snapshot seeded = TakeSnapshot();
    const std::wstring file = TempFolder() + L"zephrin-saved.reg";
    DeleteFileW(file.c_str());
    {
        WindowsUnderTest w;
        w.Open();
        w.recorder.saveAs = file;
        w.recorder.log.clear();
        w.main->Show();
        const auto prepare = w.changes->onShow;
        w.changes->onShow = [&] {
            prepare();
            w.changes->SaveButtonClick();
            PostMessageW(w.changes->Find(L"CloseButton")->Handle(), BM_CLICK, 0, 0);
        };
        w.main->LinkLabel8Click();
        SYSTEMTIME now;
        GetLocalTime(&now);
        wchar_t date[16];
        swprintf(date, 16, L"%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
        EXPECT_EQ(w.recorder.log, (std::vector<std::wstring>{
                                      L"click", std::wstring(L"save:Zephrin settings ") + date + L".reg|" +
                                                    Text(L"SaveFileKind") + L"|reg"}));
        EXPECT_TRUE(w.recorder.boxes.empty()) << "saved without a complaint";
    }
    const std::string bytes = ReadFileBytes(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE")) << "UTF-16 with its byte-order mark";
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    EXPECT_EQ(text.rfind(L"Windows Registry Editor Version 5.00\r\n", 0), 0u);
    EXPECT_NE(text.find(L"\"DefaultTTL\"=-\r\n"), std::wstring::npos) << "an absent value is deleted on import";

    ASSERT_TRUE(Optimize(0, 1, L"").backupHeld);
    ASSERT_FALSE(TakeSnapshot() == seeded) << "Optimize changed the values";
    Program regedit(L"/s \"" + file + L"\"", L"C:\\windows\\regedit.exe");
    ASSERT_TRUE(regedit.started());
    ASSERT_TRUE(regedit.WaitExit(60s).has_value());
    EXPECT_TRUE(TakeSnapshot() == seeded) << Describe(TakeSnapshot()) << "\nwanted " << Describe(seeded);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"\\Software\\ZephrinPlanted")) << "every value is one statement";
    // Kept beside the screenshots, for a person to read.
    MoveFileExW(file.c_str(), HostPath(std::string(ZEPHRIN_SCREENSHOT_DIR) + "/saved-settings.reg").c_str(),
                MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
    ClearSystemValues();
    ResetProgramKey();
}

namespace {

Json ReportOf(const std::wstring& file) {
    const std::string bytes = ReadFileBytes(file);
    const auto json = Json::Parse(bytes);
    EXPECT_TRUE(json.has_value()) << "not JSON: " << bytes;
    return json.value_or(Json{});
}

// A cell as "TYPE data", or its state.
std::string CellText(const Json& cell) {
    if (cell.kind == Json::Null) return "null";
    if (cell["state"].text != "set") return cell["state"].text;
    const Json& data = cell["data"];
    std::string text = cell["type"].text;
    if (data.kind == Json::Number) return text + " " + std::to_string(data.number);
    if (data.kind == Json::String) return text + " " + data.text;
    for (const Json& item : data.items) text += " " + item.text;
    return text;
}

}  // namespace

TEST(Report, WritesTheTableAsJsonForEachWindowsAndNothingWhenItCannot) {
    SeedBeforeAndNow();
    WriteDword(kProgramRoot, kProgramKeyPath, L"InternetType", connection::dialup);
    WriteDword(kProgramRoot, kProgramKeyPath, L"SpeedSetting", 1);
    // The policy store of a computer that MDM manages sets one of the scheduler's values.
    const std::wstring mdm = L"\\SOFTWARE\\Microsoft\\PolicyManager\\current\\device\\ADMX_QoS";
    WriteSz(HKEY_LOCAL_MACHINE, mdm, L"QosMaxOutstandingSends", L"<enabled/>");
    const Snapshot seeded = TakeSnapshot();
    const std::wstring file = TempFolder() + L"zephrin report.json";
    struct Pose {
        const wchar_t* wine;
        const char* name;
        VerdictColumn column;
    };
    Json lastReport;
    // This Wine has no Windows 11 to pose as; its rules are checked below from the numbers.
    for (const Pose& pose : {Pose{L"win81", "Windows 8.1", kColumnWindows8}, Pose{L"win10", "Windows 10", kColumnWindows10}}) {
        SCOPED_TRACE(pose.name);
        SetWineVersionFor(L"Zephrin.exe", pose.wine);
        DeleteFileW(file.c_str());
        Program p(L"/report \"" + file + L"\"");
        EXPECT_EQ(p.WaitExit(30s), std::optional<DWORD>(0));
        EXPECT_EQ(TopWindowsOf(p.pid()).size(), 0u);
        const Json report = ReportOf(file);
        lastReport = report;
        ASSERT_EQ(report.kind, Json::Object);
        EXPECT_EQ(report["program"].text, "Zephrin");
        EXPECT_EQ(report["system"]["name"].text, pose.name);
        EXPECT_EQ(report["system"]["major"].number, pose.column == kColumnWindows8 ? 6 : 10);
        EXPECT_EQ(report["system"]["productType"].text, "workstation");
        EXPECT_EQ(report["connectionType"].number, connection::dialup);
        EXPECT_EQ(report["connectionTypeId"].text, "dialup") << "the id /optimize and /check take";
        EXPECT_EQ(report["speedLevel"].number, 1);
        EXPECT_EQ(report["speedLevelId"].text, "max");
        EXPECT_EQ(report["user"].text, Narrow(OwnSid())) << "whose Internet Settings these are";
        EXPECT_TRUE(report["backupHeld"].boolean);
        const auto& values = report["values"].items;
        const auto all = AllTunedValues();
        ASSERT_EQ(values.size(), all.size());
        const char* verdicts[] = {"used", "used by Internet Explorer's networking only", "ignored", "not known"};
        for (size_t i = 0; i < all.size(); ++i) {
            const Json& v = values[i];
            const std::string name = Narrow(all[i].name);
            SCOPED_TRACE(name);
            EXPECT_EQ(v["setting"].text, name);
            const RawRegValue& raw = seeded.values[i];
            std::string now = "not set";
            if (raw.present && raw.type == REG_DWORD) now = "REG_DWORD " + std::to_string(*reinterpret_cast<const DWORD*>(raw.data.data()));
            if (name == "KeepAliveTime") now = "REG_SZ abc";
            if (name == "TcpWindowSize") now = "REG_SZ 65535";
            if (name == "SackOpts") now = "REG_BINARY 0102";
            EXPECT_EQ(CellText(v["now"]), now);
            std::string after = "not changed";
            for (const TunedValue& t : TunedValuesFor(connection::dialup, 1))
                if (name == Narrow(t.name)) after = "REG_DWORD " + std::to_string(t.data);
            EXPECT_EQ(CellText(v["afterOptimize"]), after);
            const std::map<std::string, std::string> before = {{"MaxConnectionsPerServer", "REG_DWORD 10"},
                                                               {"DefaultTTL", "REG_DWORD 128"},
                                                               {"TcpWindowSize", "REG_SZ 65535"},
                                                               {"NonBestEffortLimit", "REG_DWORD 20"}};
            EXPECT_EQ(CellText(v["beforeZephrin"]), before.count(name) ? before.at(name) : "not set");
            EXPECT_EQ(v["onThisWindows"].text, verdicts[static_cast<int>(VerdictFor(all[i].name, pose.column))]);
            EXPECT_EQ(v.Has("managedBy"), name == "MaxOutstandingSends");
        }
        EXPECT_EQ(report["values"][0]["key"].text,
                  "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
        EXPECT_EQ(report["values"][13]["managedBy"].text, "MDM");
    }
    // Run as SYSTEM with nobody at the console: there is no one's Internet Settings to show.
    {
        DeleteFileW(file.c_str());
        SetEnvironmentVariableW(L"ZEPHRIN_CONSOLE_USER", L"nobody");
        Program p(L"/report \"" + file + L"\"");
        SetEnvironmentVariableW(L"ZEPHRIN_CONSOLE_USER", nullptr);
        EXPECT_EQ(p.WaitExit(30s), std::optional<DWORD>(0));
        const Json report = ReportOf(file);
        EXPECT_TRUE(report.Has("user"));
        EXPECT_EQ(report["user"].kind, Json::Null);
        EXPECT_EQ(CellText(report["values"][0]["now"]), "no user logged on");
        EXPECT_EQ(CellText(report["values"][0]["afterOptimize"]), "not changed");
        for (size_t i = 2; i < report["values"].items.size(); ++i)
            EXPECT_EQ(CellText(report["values"][i]["now"]), CellText(lastReport["values"][i]["now"]))
                << "the computer's own are read as ever";
    }
    // A file that cannot be written: exit 1, and nothing left where it was asked for.
    const std::wstring nowhere = TempFolder() + L"no such folder\\report.json";
    Program refused(L"/report \"" + nowhere + L"\"");
    EXPECT_EQ(refused.WaitExit(30s), std::optional<DWORD>(1));
    EXPECT_EQ(GetFileAttributesW(nowhere.c_str()), INVALID_FILE_ATTRIBUTES);
    Program noFile(L"/report");
    EXPECT_EQ(noFile.WaitExit(30s), std::optional<DWORD>(1));
    EXPECT_TRUE(TakeSnapshot() == seeded) << "a report only reads";
    EXPECT_FALSE(ReadSzValue(kProgramRoot, kProgramKeyPath, L"InstalledDate").has_value()) << "nor stamps the program key";
    DeleteFileW(file.c_str());
    DeleteKeyTree(HKEY_LOCAL_MACHINE, mdm);
    ClearWineVersionFor(L"Zephrin.exe");
    ClearSystemValues();
    ResetProgramKey();
}

namespace {

// One entry of a Group Policy file, as the policy editor writes it.
std::string PolicyEntry(const std::wstring& key, const std::wstring& name, DWORD type, const std::string& data) {
    auto wide = [](const std::wstring& w) { return std::string(reinterpret_cast<const char*>(w.c_str()), (w.size() + 1) * 2); };
    auto number = [](DWORD n) { return std::string(reinterpret_cast<const char*>(&n), 4); };
    const std::string semicolon(";\0", 2);
    return std::string("[\0", 2) + wide(key) + semicolon + wide(name) + semicolon + number(type) + semicolon +
           number(static_cast<DWORD>(data.size())) + semicolon + data + std::string("]\0", 2);
}

}  // namespace

TEST(PolicyFile, OnlyAnEntryForTheValueUnderTheSchedulersKeyCounts) {
    const std::string header("PReg\x01\0\0\0", 8);
    const std::wstring psched = L"Software\\Policies\\Microsoft\\Windows\\Psched";
    const std::string fifty("\x32\0\0\0", 4);
    const std::string other = PolicyEntry(L"Software\\Policies\\Microsoft\\Windows\\Other", L"NonBestEffortLimit", REG_DWORD, fifty);
    const std::string file = header + other + PolicyEntry(L"SOFTWARE\\policies\\microsoft\\windows\\PSCHED", L"NonBestEffortLimit", REG_DWORD, fifty);
    EXPECT_TRUE(PolicyFileSets(file, L"NonBestEffortLimit")) << "key and name in any case, after another entry";
    EXPECT_FALSE(PolicyFileSets(file, L"MaxOutstandingSends"));
    EXPECT_FALSE(PolicyFileSets(header + other, L"NonBestEffortLimit")) << "the same name under another key";
    EXPECT_TRUE(PolicyFileSets(header + PolicyEntry(psched, L"**Del.MaxOutstandingSends", REG_SZ, std::string(" \0", 2)),
                               L"MaxOutstandingSends"))
        << "a policy that deletes the value owns it too";
    const std::string clears = header + PolicyEntry(psched, L"**DelVals.", REG_SZ, std::string(" \0", 2));
    EXPECT_TRUE(PolicyFileSets(clears, L"MaxOutstandingSends") && PolicyFileSets(clears, L"NonBestEffortLimit"))
        << "one that clears the key owns every value in it";
    EXPECT_FALSE(PolicyFileSets(header + PolicyEntry(L"Software\\Policies\\Microsoft\\Windows\\Other", L"**delvals.", REG_SZ,
                                                     std::string(" \0", 2)),
                                L"NonBestEffortLimit"))
        << "another key cleared";
    // Damaged files say nothing, and are never read past their end.
    std::string huge = PolicyEntry(psched, L"NonBestEffortLimit", REG_DWORD, fifty);
    huge.replace(huge.size() - 12, 4, std::string("\xff\xff\xff\x7f", 4));
    for (const std::string& damaged : {std::string("PReg"), std::string("XReg\x01\0\0\0", 8) + file.substr(8),
                                       file.substr(0, file.size() - 3), header + huge})
        EXPECT_FALSE(PolicyFileSets(damaged, L"NonBestEffortLimit")) << damaged.size() << " bytes";
    EXPECT_FALSE(PolicyFileSets(header, L"NonBestEffortLimit")) << "no entries";
}

// What Windows says of itself, as the window names it and picks its verdicts:
// Windows 11 only from build 22000, and servers by their product type first,
// since Server 2025 shares build 26100 with Windows 11 24H2.
TEST(RealVersion, NamesAndVerdictColumnsFollowTheNumbers) {
    struct Case {
        unsigned major, minor, build, type;
        const wchar_t* name;
        VerdictColumn column;
    };
    const Case cases[] = {
        {5, 0, 2195, 1, L"Windows 2000", kColumnWindows2000},   {5, 2, 3790, 1, L"Windows XP", kColumnWindowsXP},
        {5, 2, 3790, 3, L"Windows Server 2003", kColumnServer2003}, {6, 3, 9600, 1, L"Windows 8.1", kColumnWindows8},
        {6, 3, 9600, 3, L"Windows Server 2012 R2", kColumnServer2012}, {10, 0, 19045, 1, L"Windows 10", kColumnWindows10},
        {10, 0, 21999, 1, L"Windows 10", kColumnWindows10},     {10, 0, 22000, 1, L"Windows 11", kColumnWindows11},
        {10, 0, 26100, 1, L"Windows 11", kColumnWindows11},     {10, 0, 26100, 3, L"Windows Server 2025", kNoVerdictColumn},
        {10, 0, 17763, 2, L"Windows Server 2019", kNoVerdictColumn}, {10, 0, 18363, 3, L"Windows Server", kNoVerdictColumn},
        {11, 0, 30000, 1, L"Windows", kNoVerdictColumn},        {6, 4, 9841, 1, L"Windows", kNoVerdictColumn},
    };
    for (const Case& c : cases) {
        RealWindowsVersion v;
        v.major = c.major;
        v.minor = c.minor;
        v.build = c.build;
        v.productType = c.type;
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor) + "." + std::to_string(c.build));
        EXPECT_EQ(WindowsProductName(v), c.name);
        EXPECT_EQ(VerdictColumnFor(v), c.column);
    }
    RealWindowsVersion eleven;
    eleven.major = 10;
    eleven.build = 26100;
    eleven.productType = 1;
    EXPECT_EQ(SystemLineText(L"This computer runs %1 (version %2, build %3).", eleven),
              L"This computer runs Windows 11 (version 10.0, build 26100).");
    EXPECT_EQ(VerdictFor(L"TcpWindowSize", VerdictColumnFor(eleven)), Verdict::Ignored);
    EXPECT_EQ(VerdictFor(L"NoSuchValue", kColumnWindows11), Verdict::NotKnown);
}

// Ctrl+A and Ctrl+C reach the list through the form's notification route, and
// a file that cannot be written is said, never passed over.
TEST(ChangesWindow, CopiesItsRowsAndSaysWhenTheFileCannotBeWritten) {
    RegistryRedirect redirect;
    WindowsUnderTest w;
    w.Open();
    w.main->Show();
    w.recorder.saveAs = TempFolder() + L"no such folder\\settings.reg";
    std::wstring copied;
    const auto prepare = w.changes->onShow;
    w.changes->onShow = [&] {
        prepare();
        HWND list = w.changes->valuesList()->Handle();
        BYTE state[256] = {};
        GetKeyboardState(state);
        state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
        SendMessageW(list, WM_KEYDOWN, 'A', 0);
        SendMessageW(list, WM_KEYDOWN, 'C', 0);
        state[VK_CONTROL] = 0;
        SetKeyboardState(state);
        if (OpenClipboard(nullptr)) {
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) copied = text;
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
        w.changes->SaveButtonClick();
        PostMessageW(w.changes->Find(L"CloseButton")->Handle(), BM_CLICK, 0, 0);
    };
    w.main->LinkLabel8Click();
    const auto all = AllTunedValues();
    ASSERT_FALSE(copied.empty());
    EXPECT_EQ(copied.substr(0, copied.find(L"\r\n")),
              Text(L"ColumnSetting") + L"\t" + Text(L"ColumnWhere") + L"\t" + Text(L"ColumnNow") + L"\t" +
                  Text(L"ColumnAfter") + L"\t" + Text(L"ColumnBefore") + L"\t" + Text(L"ColumnWindows"));
    size_t lines = 0;
    for (size_t at = copied.find(L"\r\n"); at != std::wstring::npos; at = copied.find(L"\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, all.size() + 1) << "the titles and every row";
    EXPECT_NE(copied.find(std::wstring(L"\r\n") + all.back().name + L"\t"), std::wstring::npos);
    ASSERT_EQ(w.recorder.boxes.size(), 1u) << "the failed save is said";
    EXPECT_EQ(w.recorder.boxes[0].owner, w.changes->Handle());
    EXPECT_NE(w.recorder.boxes[0].text.find(Text(L"MessageBoxSaveFailed1")), std::wstring::npos);
    EXPECT_EQ(GetFileAttributesW(w.recorder.saveAs.c_str()), INVALID_FILE_ATTRIBUTES);
}
