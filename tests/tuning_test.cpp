#include <gtest/gtest.h>

#include "app/about_window.h"
#include "app/main_window.h"
#include "caption_text.h"
#include "harness.h"
#include "system_values.h"
#include "program_windows.h"
#include "platform/registry.h"
#include "platform/program_key.h"
#include "features/tuning_engine.h"
#include "app/paced_step.h"
#include "platform/restart.h"
#include "app/progress_window.h"
#include "app/tuning_flows.h"
#include "features/tuning_plan.h"
#include "app/captions.h"
#include "ui/captions.h"

#include <algorithm>

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

// ---- The plan as data ------------------------------------------------------

// Which types leave the stack alone is declared with the types; what the declaration cannot say is that a row the
// list does not have, none chosen included, gets everything.
TEST(TuningPlan, RowsTheListDoesNotHaveGetEveryValue) {
    for (int row : {-1, kConnectionTypeCount, 100}) EXPECT_EQ(TunedValuesFor(row, kBoost).size(), 14u) << row;
    EXPECT_EQ(TunedValuesFor(connection::isdn, kMaximumBoost).size(), 4u);
    EXPECT_EQ(ConnectionTypeOfId("DialUp"), &kConnectionTypes[connection::dialup]) << "ids in any ASCII case";
    EXPECT_EQ(ConnectionTypeOfId("dial-up"), nullptr);
}

// ---- Paced steps against a fake pump and clock -----------------------------

namespace {

struct FakeWorld {
    int passes = 0;
    std::vector<std::pair<int, std::wstring>> statuses;  // pass number, text
    std::vector<uint32_t> sleeps;
    std::vector<int> progress;
    int quitAtPass = -1;
    PacedStepIO io() {
        PacedStepIO io;
        io.seed = [] { return 12345u; };
        io.pump = [this] { return ++passes != quitAtPass; };
        io.setStatus = [this](const std::wstring& s) { statuses.emplace_back(passes, s); };
        io.sleep = [this](uint32_t ms) { sleeps.push_back(ms); };
        io.setProgress = [this](int p) { progress.push_back(p); };
        return io;
    }
};

}  // namespace

TEST(PacedStep, DotsAtTheirPassesAndPausesAfterEach) {
    FakeWorld w;
    int count = 0;
    ASSERT_TRUE(RunPacedStepWith(kReleasePacing, w.io(), L"Finding", count, 11));
    using S = std::vector<std::pair<int, std::wstring>>;
    EXPECT_EQ(w.statuses, (S{{20000, L"Finding."}, {50000, L"Finding.."}, {150000, L"Finding..."}}));
    EXPECT_EQ(w.sleeps, (std::vector<uint32_t>{500, 500, 500}));
    EXPECT_GE(w.passes, 1000000);
    EXPECT_LT(w.passes, 3000000);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(w.progress, (std::vector<int>{9}));
}

TEST(PacedStep, PassCountsStayInTheirRange) {
    int lo = INT32_MAX, hi = 0;
    for (uint32_t seed = 0; seed < 2000; ++seed) {
        const int32_t n = DrawPassCount(kReleasePacing, seed * 2654435761u);
        lo = std::min(lo, n);
        hi = std::max(hi, n);
    }
    EXPECT_GE(lo, 1000000);
    EXPECT_LT(hi, 3000000);
    EXPECT_LT(lo, 1100000);
    EXPECT_GT(hi, 2900000);
}

TEST(PacedStep, BarPositionsRoundHalfToEven) {
    std::vector<int> optimize, restore;
    for (int i = 1; i <= 11; ++i) optimize.push_back(ProgressPercent(i, 11));
    for (int i = 1; i <= 9; ++i) restore.push_back(ProgressPercent(i, 9));
    EXPECT_EQ(optimize, (std::vector<int>{9, 18, 27, 36, 45, 55, 64, 73, 82, 91, 100}));
    EXPECT_EQ(restore, (std::vector<int>{11, 22, 33, 44, 56, 67, 78, 89, 100}));
    EXPECT_EQ(ProgressPercent(1, 8), 12) << "12.5 goes to the even neighbour";
    EXPECT_EQ(ProgressPercent(3, 8), 38) << "37.5 goes to the even neighbour";
}

TEST(PacedStep, TestPacingKeepsTheSameTexts) {
    FakeWorld w;
    int count = 4;
    ASSERT_TRUE(RunPacedStepWith(kTestPacing, w.io(), L"X", count, 9));
    ASSERT_EQ(w.statuses.size(), 3u);
    EXPECT_EQ(w.statuses.back().second, L"X...");
    EXPECT_EQ(w.progress, (std::vector<int>{56}));
}

TEST(PacedStep, EndingProgramStopsTheStepAtOnce) {
    FakeWorld w;
    w.quitAtPass = 30000;
    int count = 0;
    EXPECT_FALSE(RunPacedStepWith(kReleasePacing, w.io(), L"X", count, 11));
    EXPECT_EQ(w.passes, 30000);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(w.progress.empty());
}

// ---- Restart -----------------------------------------------------------------

namespace {
std::vector<std::string> g_restartCalls;
}

TEST(Restart, PrivilegeIsSwitchedOffEvenWhenTheRestartFails) {
    g_restartCalls.clear();
    RestartCalls calls;
    calls.setPrivilege = [](bool on) { g_restartCalls.push_back(on ? "on" : "off"); };
    calls.exitWindows = [](UINT flags, DWORD reason) -> BOOL {
        g_restartCalls.push_back("exit " + std::to_string(flags) + " " + std::to_string(reason));
        return FALSE;
    };
    RestartWindowsWith(calls);
    EXPECT_EQ(g_restartCalls, (std::vector<std::string>{"on", "exit " + std::to_string(EWX_REBOOT | EWX_FORCEIFHUNG) + " 0", "off"}));
    EXPECT_EQ(kRestartFlags & EWX_FORCE, 0u) << "never end programs that still answer";
}

namespace {
// Whether this process's token has the shutdown privilege switched on; nullopt when it lacks it.
std::optional<bool> ShutdownPrivilegeEnabled() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
    std::vector<BYTE> buffer(4096);
    DWORD size = 0;
    const BOOL ok = GetTokenInformation(token, TokenPrivileges, buffer.data(), static_cast<DWORD>(buffer.size()), &size);
    CloseHandle(token);
    if (!ok) return std::nullopt;
    LUID shutdown{};
    LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &shutdown);
    const auto* list = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < list->PrivilegeCount; ++i) {
        const LUID& l = list->Privileges[i].Luid;
        if (l.LowPart == shutdown.LowPart && l.HighPart == shutdown.HighPart)
            return (list->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    return std::nullopt;
}
}  // namespace

TEST(Restart, ShutdownPrivilegeIsSwitchedOnAndOffAgain) {
    SetShutdownPrivilege(true);
    EXPECT_EQ(ShutdownPrivilegeEnabled(), std::optional<bool>(true));
    SetShutdownPrivilege(false);
    EXPECT_EQ(ShutdownPrivilegeEnabled(), std::optional<bool>(false));
}

// ---- The operations, in process --------------------------------------------

namespace {

class TuningTest : public ::testing::Test, protected WindowsUnderTest {
protected:
    void SetUp() override {
        redirect_.emplace();
        ResetProgramKey();
        ClearSystemValues();
    }
    void TearDown() override { redirect_.reset(); }
    // Made first and gone last: every registry access of the case lands in scratch keys.
    std::optional<RegistryRedirect> redirect_;
    void Open(int row, int speed) {
        WindowsUnderTest::Open();
        main->Show();
        main->modemCombo()->SetSelected(row);
        main->speedTrackBar()->SetPosition(speed);
    }
    DWORD System(const RegistryPlace& place, const wchar_t* name) {
        return ReadDwordValue(place.root, place.path, name).value_or(0xDEADBEEF);
    }
    std::optional<DWORD> Prog(const wchar_t* name) { return ReadDwordValue(kProgramRoot, kProgramKeyPath, name); }
};

}  // namespace

TEST_F(TuningTest, FirstOptimizationWritesEverythingAndAsks) {
    Open(0, 1);
    const auto start = std::chrono::steady_clock::now();
    RunOptimize(*main, *progress);
    RecordProperty("optimization_ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                           std::chrono::steady_clock::now() - start).count()));
    EXPECT_EQ(Prog(L"InternetType"), std::optional<DWORD>(0));
    EXPECT_EQ(Prog(L"SpeedSetting"), std::optional<DWORD>(1));
    EXPECT_EQ(Prog(L"Restore"), std::optional<DWORD>(1));
    EXPECT_EQ(Prog(L"MaxConnectionsPerServer"), std::optional<DWORD>(2)) << "absent settings back up as defaults";
    EXPECT_EQ(Prog(L"KeepAliveTime"), std::optional<DWORD>(7200000));
    EXPECT_EQ(Prog(L"KeepAliveInterval"), std::optional<DWORD>(1000));
    for (const TunedValue& t : TunedValuesFor(0, 1))
        EXPECT_EQ(System(t.place, t.name), static_cast<DWORD>(t.data)) << Narrow(t.name);
    EXPECT_EQ(recorder.log.front(), L"click");
    ASSERT_EQ(recorder.boxes.size(), 1u);
    const auto& box = recorder.boxes[0];
    EXPECT_EQ(box.owner, main->Handle());
    EXPECT_EQ(box.title, L"Zephrin - Make your internet connection faster");
    EXPECT_EQ(box.style, 0x134u);
    EXPECT_EQ(box.text, L"The changes to the computer's internet settings have finished.\r\n\r\n"
                        L"You will need to restart Windows for the changes to become active.\r\n\r\n"
                        L"Click Yes to restart the computer now, or click No to restart later.");
    EXPECT_EQ(recorder.log.back(), L"box") << "No: no restart";
    EXPECT_TRUE(main->restoreButton()->Enabled());
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    EXPECT_FALSE(progress->Visible());
    EXPECT_EQ(progress->progressBar()->Position(), 100);
    EXPECT_EQ(progress->status()->caption(), L"Writing new modem settings...");
    EXPECT_EQ(progress->heading()->caption(), L"Optimizing the computer's internet settings");
}

TEST_F(TuningTest, YesRestarts) {
    Open(0, 0);
    recorder.answers = {IDYES};
    RunOptimize(*main, *progress);
    EXPECT_EQ(recorder.log.back(), L"restart");
    EXPECT_EQ(System(kInternetSettingsKey, L"MaxConnectionsPer1_0Server"), 4u);
}

TEST_F(TuningTest, DialUpAndIsdnLeaveTheStackAlone) {
    for (int row : {connection::dialup, connection::isdn}) {
        ClearSystemValues();
        ResetProgramKey();
        WriteDword(HKEY_LOCAL_MACHINE, kTcpipParametersKey.path, L"DefaultTTL", 99);
        Open(row, 0);
        RunOptimize(*main, *progress);
        EXPECT_EQ(System(kTcpipParametersKey, L"DefaultTTL"), 99u) << row;
        EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kPschedPolicyKey.path, L"MaxOutstandingSends").present);
        EXPECT_EQ(System(kTcpipParametersKey, L"KeepAliveTime"), 7200000u);
        EXPECT_EQ(System(kInternetSettingsKey, L"MaxConnectionsPerServer"), 4u);
    }
}

TEST_F(TuningTest, NoRowSelectedStoresMinusOneAndWritesAll) {
    WriteDword(kProgramRoot, kProgramKeyPath, L"InternetType", 42);
    Open(-1, 1);
    ASSERT_EQ(main->modemCombo()->Selected(), -1);
    RunOptimize(*main, *progress);
    EXPECT_EQ(Prog(L"InternetType"), std::optional<DWORD>(0xFFFFFFFF));
    EXPECT_EQ(System(kPschedPolicyKey, L"MaxOutstandingSends"), 65535u);
}

TEST_F(TuningTest, SecondOptimizationKeepsTheFirstBackup) {
    SeedOriginals();
    Open(0, 1);
    RunOptimize(*main, *progress);
    EXPECT_EQ(Prog(L"MaxConnectionsPerServer"), std::optional<DWORD>(10));
    main->speedTrackBar()->SetPosition(0);
    RunOptimize(*main, *progress);
    EXPECT_EQ(Prog(L"MaxConnectionsPerServer"), std::optional<DWORD>(10));
    EXPECT_EQ(Prog(L"SpeedSetting"), std::optional<DWORD>(0));
    EXPECT_EQ(System(kInternetSettingsKey, L"MaxConnectionsPerServer"), 4u);
}

TEST_F(TuningTest, RestorePutsBackExactlyWhatWasThere) {
    SeedOriginals();
    const Snapshot before = TakeSnapshot();
    Open(0, 1);
    RunOptimize(*main, *progress);
    EXPECT_FALSE(TakeSnapshot() == before);
    main->modemCombo()->SetSelected(7);  // the row at restore time no longer matters
    recorder.answers = {IDOK, IDNO};
    recorder.boxes.clear();
    recorder.log.clear();
    RunRestore(*main, *progress);
    EXPECT_TRUE(TakeSnapshot() == before) << Describe(TakeSnapshot()) << "\nwant " << Describe(before);
    ASSERT_EQ(recorder.boxes.size(), 2u);
    EXPECT_EQ(recorder.boxes[0].style, 0x31u);
    EXPECT_EQ(recorder.boxes[0].text, L"This will restore all changes made to the computer's internet settings to "
                                      L"their original recommended values.\r\n\r\nClick OK to continue.");
    EXPECT_EQ(recorder.boxes[1].style, 0x134u);
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"box", L"click", L"box"}));
    EXPECT_FALSE(Prog(L"Restore").has_value());
    EXPECT_FALSE(Prog(L"MaxConnectionsPerServer").has_value());
    EXPECT_EQ(Prog(L"InternetType"), std::optional<DWORD>(0)) << "choices stay";
    EXPECT_FALSE(main->restoreButton()->Enabled());
    EXPECT_EQ(progress->heading()->caption(), L"Restoring the computer's internet settings");
    EXPECT_EQ(progress->status()->caption(), L"Restoring modem settings...");
}

TEST_F(TuningTest, CancelChangesNothing) {
    Open(0, 1);
    RunOptimize(*main, *progress);
    const Snapshot tuned = TakeSnapshot();
    recorder.answers = {IDCANCEL};
    recorder.log.clear();
    RunRestore(*main, *progress);
    EXPECT_TRUE(TakeSnapshot() == tuned);
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"box"})) << "no click sound";
    EXPECT_EQ(Prog(L"Restore"), std::optional<DWORD>(1));
    EXPECT_TRUE(main->restoreButton()->Enabled());
}

TEST_F(TuningTest, OldStyleBackupRestoresByTheRowRule) {
    // A program key written before the full record existed: the flag and four values.
    WriteDword(kProgramRoot, kProgramKeyPath, L"Restore", 1);
    WriteDword(kProgramRoot, kProgramKeyPath, L"MaxConnectionsPerServer", 6);
    WriteRegistryInteger(HKEY_LOCAL_MACHINE, kTcpipParametersKey.path, L"DefaultTTL", 64, false);
    Open(7, 0);
    recorder.answers = {IDOK, IDNO};
    RunRestore(*main, *progress);
    EXPECT_EQ(System(kInternetSettingsKey, L"MaxConnectionsPerServer"), 6u);
    EXPECT_EQ(System(kInternetSettingsKey, L"MaxConnectionsPer1_0Server"), 2u) << "missing backups restore defaults";
    EXPECT_EQ(System(kTcpipParametersKey, L"KeepAliveTime"), 7200000u);
    EXPECT_EQ(System(kTcpipParametersKey, L"KeepAliveInterval"), 1000u);
    EXPECT_EQ(System(kTcpipParametersKey, L"DefaultTTL"), 64u) << "row 7 keeps the stack values";
    // A flag with none of the four values behind it holds no backup: nothing is written or deleted.
    WriteDword(kProgramRoot, kProgramKeyPath, L"Restore", 1);
    main->modemCombo()->SetSelected(0);
    recorder.answers = {IDOK, IDNO};
    RunRestore(*main, *progress);
    EXPECT_EQ(System(kTcpipParametersKey, L"DefaultTTL"), 64u);
    EXPECT_EQ(System(kInternetSettingsKey, L"MaxConnectionsPerServer"), 6u);
    EXPECT_FALSE(Prog(L"Restore").has_value());
}

namespace {

// Every status text the progress window shows, in order: a message hook sees
// the repaint that follows each change.
std::vector<std::wstring>* g_statusTexts = nullptr;
ProgressWindow* g_statusSource = nullptr;
HHOOK g_statusHook = nullptr;

LRESULT CALLBACK RecordStatus(int code, WPARAM wp, LPARAM lp) {
    if (g_statusTexts && g_statusSource) {
        const std::wstring& now = g_statusSource->status()->caption();
        if (g_statusTexts->empty() || g_statusTexts->back() != now) g_statusTexts->push_back(now);
    }
    return CallNextHookEx(g_statusHook, code, wp, lp);
}

class StatusRecorder {
public:
    explicit StatusRecorder(ProgressWindow& progress) : texts{progress.status()->caption()} {
        g_statusTexts = &texts;
        g_statusSource = &progress;
        g_statusHook = SetWindowsHookExW(WH_GETMESSAGE, RecordStatus, nullptr, GetCurrentThreadId());
    }
    ~StatusRecorder() {
        UnhookWindowsHookEx(g_statusHook);
        g_statusTexts = nullptr;
        g_statusSource = nullptr;
    }
    std::vector<std::wstring> texts;
};

// What the steps show for (count, key) pairs: each text with one, two and three dots.
std::vector<std::wstring> StepTexts(std::initializer_list<std::pair<int, const wchar_t*>> steps) {
    std::vector<std::wstring> out;
    for (auto [count, key] : steps)
        for (int i = 0; i < count; ++i)
            for (const wchar_t* dots : {L".", L"..", L"..."}) out.push_back(CaptionOf(L"ZPSettingsForm", key) + dots);
    return out;
}

}  // namespace

TEST_F(TuningTest, StepsShowEveryTextInOrderAndClicksMeanwhileStartNothing) {
    Open(0, 1);
    std::vector<bool> enabledDuringSteps;
    auto clickBoth = [&] {
        RunLater([&] {
            enabledDuringSteps.push_back(IsWindowEnabled(main->Handle()) != FALSE);
            PostMessageW(main->goButton()->Handle(), BM_CLICK, 0, 0);
            PostMessageW(main->restoreButton()->Handle(), BM_CLICK, 0, 0);
        });
    };
    {
        StatusRecorder status(*progress);
        clickBoth();
        RunOptimize(*main, *progress);
        auto want = StepTexts({{2, L"MessageChange1"}, {3, L"MessageChange2"}, {2, L"MessageChange3"},
                               {4, L"MessageChange4"}});
        want.insert(want.begin(), L"");  // the first run of the program starts from an empty line
        EXPECT_EQ(status.texts, want);
        ASSERT_GE(status.texts.size(), 2u);
        EXPECT_EQ(status.texts[1], L"Finding computer information.");
    }
    EXPECT_EQ(enabledDuringSteps, std::vector<bool>{false});
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"click", L"box"})) << "one run, one restart question";
    EXPECT_EQ(progress->stepCount(), 11);

    // Shown again, the bar starts from nothing and both labels keep their texts until the first step.
    const std::wstring heading = progress->heading()->caption(), last = progress->status()->caption();
    progress->Show();
    EXPECT_EQ(progress->progressBar()->Position(), 0);
    EXPECT_EQ(progress->heading()->caption(), heading);
    EXPECT_EQ(progress->status()->caption(), last);
    progress->Hide();

    recorder.log.clear();
    recorder.answers = {IDOK, IDNO};
    {
        StatusRecorder status(*progress);
        clickBoth();
        RunRestore(*main, *progress);
        auto want = StepTexts({{2, L"MessageChange1"}, {3, L"MessageChange2"}, {4, L"MessageChange5"}});
        want.insert(want.begin(), L"Writing new modem settings...");  // what the last run left
        EXPECT_EQ(status.texts, want);
    }
    EXPECT_EQ(enabledDuringSteps, (std::vector<bool>{false, false}));
    EXPECT_EQ(recorder.log, (std::vector<std::wstring>{L"box", L"click", L"box"})) << "no second confirmation";
    EXPECT_EQ(progress->stepCount(), 9);
    EXPECT_FALSE(Prog(L"Restore").has_value());
}

TEST_F(TuningTest, RestoreWithNothingSavedSaysSoAndAsksNoRestart) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    WriteDword(kProgramRoot, kProgramKeyPath, L"Restore", 1);
    Open(0, 1);
    ASSERT_TRUE(main->restoreButton()->Enabled());
    recorder.answers = {IDOK, IDYES};
    RunRestore(*main, *progress);
    ASSERT_EQ(recorder.boxes.size(), 2u) << "the question, then one message";
    EXPECT_EQ(recorder.boxes[1].text, L"No saved settings were found, so nothing was changed.\r\n\r\n"
                                      L"Zephrin saves the current settings the next time you click Optimize now.");
    EXPECT_EQ(recorder.boxes[1].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(std::count(recorder.log.begin(), recorder.log.end(), L"restart"), 0);
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    EXPECT_FALSE(Prog(L"Restore").has_value());
    EXPECT_FALSE(main->restoreButton()->Enabled());
}

TEST_F(TuningTest, DamagedRecordKeepsTheBackupAndNamesWhatItLacks) {
    SeedOriginals();
    Open(0, 1);
    RunOptimize(*main, *progress);
    // DefaultTTL (128 before) lost its saved copy; SackOpts (absent before) lost its place in the list.
    DeleteRegistryValue(kProgramRoot, kBackupKeyPath, L"DefaultTTL", false);
    std::wstring absent;
    for (const TunedValue& t : AllTunedValues()) {
        const RawRegValue saved = ReadRaw(kProgramRoot, kBackupKeyPath, t.name);
        if (!saved.present && std::wstring(t.name) != L"SackOpts" && std::wstring(t.name) != L"DefaultTTL")
            absent += std::wstring(t.name) + L'\0';
    }
    WriteRaw(kProgramRoot, kProgramKeyPath, L"BackupAbsent", REG_MULTI_SZ, absent.c_str(),
             static_cast<DWORD>((absent.size() + 1) * sizeof(wchar_t)));
    recorder.boxes.clear();
    recorder.answers = {IDOK, IDOK, IDNO};
    RunRestore(*main, *progress);
    ASSERT_EQ(recorder.boxes.size(), 3u);
    EXPECT_EQ(recorder.boxes[1].text,
              L"Zephrin's saved copy of these settings is missing, so they could not be put back:\r\n\r\n"
              L"DefaultTTL\r\nSackOpts\r\n\r\n"
              L"They keep their present values. Zephrin keeps the rest of its saved settings, so that nothing more is lost.");
    EXPECT_EQ(recorder.boxes[1].style, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(recorder.boxes[2].style, 0x134u) << "the others are back: the restart question";
    EXPECT_EQ(Prog(L"Restore"), std::optional<DWORD>(1)) << "the backup is not released";
    EXPECT_EQ(Prog(L"BackupRecord"), std::optional<DWORD>(1));
    EXPECT_TRUE(main->restoreButton()->Enabled());
    EXPECT_EQ(System(kInternetSettingsKey, L"MaxConnectionsPerServer"), 10u) << "the rest was put back";
    EXPECT_EQ(System(kTcpipParametersKey, L"DefaultTTL"), 64u) << "the tuned value stays";
    EXPECT_EQ(System(kTcpipParametersKey, L"SackOpts"), 1u);
    // Without any list of absent names nothing unsaved can be deleted: all of the computer's values but the two
    // saved ones are named. The user's own two were back after the first Restore, and their record went with them.
    DeleteRegistryValue(kProgramRoot, kProgramKeyPath, L"BackupAbsent", false);
    recorder.boxes.clear();
    recorder.answers = {IDOK, IDOK, IDNO};
    RunRestore(*main, *progress);
    ASSERT_EQ(recorder.boxes.size(), 3u);
    const std::wstring& named = recorder.boxes[1].text;
    EXPECT_EQ(named.rfind(L"Zephrin's saved copy of these settings is missing", 0), 0u);
    EXPECT_EQ(std::count(named.begin(), named.end(), L'\n'), 4 + 9) << "two paragraph breaks, ten names";
    EXPECT_EQ(System(kTcpipParametersKey, L"SackOpts"), 1u) << "nothing unlisted is deleted";
    EXPECT_EQ(Prog(L"Restore"), std::optional<DWORD>(1));
}

// Interruptions at every stage of the registry work, then a full restore.
TEST_F(TuningTest, NoInterruptionLosesTheOriginals) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    auto restoreFully = [&] {
        Open(0, 1);
        if (main->restoreButton()->Enabled()) {
            recorder.answers = {IDOK, IDNO};
            RunRestore(*main, *progress);
        }
    };
    // Killed during the optimization's paced steps: only the choices were saved.
    WriteProgramInteger(value::kInternetType, 0);
    WriteProgramInteger(value::kSpeedSetting, 1);
    Open(0, 1);
    EXPECT_FALSE(main->restoreButton()->Enabled());
    RunOptimize(*main, *progress);
    restoreFully();
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());

    // Killed halfway through taking the backup: the flag is not set yet.
    WriteProgramInteger(L"MaxConnectionsPerServer", 99);
    WriteRegistryInteger(kProgramRoot, kBackupKeyPath, L"DefaultTTL", 1, false);
    Open(0, 1);
    EXPECT_FALSE(main->restoreButton()->Enabled());
    RunOptimize(*main, *progress);
    restoreFully();
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());

    // Killed while the tuned values were being written.
    TakeBackup(L"");
    WriteTunedValues(0, 1, L"");
    DeleteRegistryValue(HKEY_LOCAL_MACHINE, kPschedPolicyKey.path, L"MaxOutstandingSends", false);
    restoreFully();
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());

    // Killed in the middle of a restore: some originals back, the flag still set.
    Open(3, 0);
    RunOptimize(*main, *progress);
    WriteRegistryInteger(HKEY_CURRENT_USER, kInternetSettingsKey.path, L"MaxConnectionsPerServer", 10, false);
    restoreFully();
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());

    // Killed after the originals were back and the flag gone, with backups left over.
    Open(0, 1);
    RunOptimize(*main, *progress);
    PutBackOriginals(0, L"");
    DeleteProgramValue(value::kRestore);
    EXPECT_TRUE(TakeSnapshot() == originals);
    Open(0, 1);
    RunOptimize(*main, *progress);  // backs up afresh over the leftovers
    restoreFully();
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
}

// ---- End to end with the real program --------------------------------------

namespace {

// The real program in its own process works on the prefix's real keys, and so do these cases.
class TuningEndToEnd : public TuningTest {
protected:
    void SetUp() override {
        ResetProgramKey();
        ClearSystemValues();
    }
    void TearDown() override {
        ResetProgramKey();
        ClearSystemValues();
    }
    HWND StartAndWait(Program& p) {
        HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
        if (main) WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s);
        return main;
    }
};

}  // namespace

TEST_F(TuningEndToEnd, OptimizeThroughTheWindowAndAnswerNo) {
    Program p;
    HWND main = StartAndWait(p);
    ASSERT_NE(main, nullptr);
    HWND go = FindChildByText(main, L"Button", L"&Optimize now");
    ASSERT_NE(go, nullptr);
    PostMessageW(go, BM_CLICK, 0, 0);
    const auto box = WaitForMessageBox(p.pid(), 60s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->owner, main);
    EXPECT_EQ(box->title, L"Zephrin - Make your internet connection faster");
    EXPECT_EQ(box->text.substr(0, 20), L"The changes to the c");
    EXPECT_EQ(box->defaultButton, IDNO);
    EXPECT_EQ(System(kTcpipParametersKey, L"DefaultTTL"), 64u);
    EXPECT_EQ(Prog(L"Restore"), std::optional<DWORD>(1));
    AnswerMessageBox(*box, IDNO);
    HWND restore = FindChildByText(main, L"Button", L"&Restore");
    ASSERT_NE(restore, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(restore) != FALSE; }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 10s));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
}

TEST_F(TuningEndToEnd, EnterOnTheWindowPressesOptimize) {
    Program p;
    HWND main = StartAndWait(p);
    ASSERT_NE(main, nullptr);
    SetForegroundWindow(main);
    HWND go = FindChildByText(main, L"Button", L"&Optimize now");
    ASSERT_NE(go, nullptr);
    auto press = [](WORD key) {
        INPUT in[2] = {};
        in[0].type = INPUT_KEYBOARD;
        in[0].ki.wVk = key;
        in[1] = in[0];
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    };
    auto focused = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
        return info.hwndFocus;
    };
    // Away from the button itself, so that only the default-button rule can press it.
    for (int i = 0; i < 4 && (focused() == nullptr || focused() == go); ++i) {
        press(VK_TAB);
        WaitUntil([&] { return focused() != nullptr && focused() != go; }, 2s);
    }
    ASSERT_NE(focused(), nullptr);
    ASSERT_NE(focused(), go);
    press(VK_RETURN);
    const auto box = WaitForMessageBox(p.pid(), 60s);
    ASSERT_TRUE(box.has_value()) << "Enter started the optimization";
    EXPECT_EQ(box->text.substr(0, 20), L"The changes to the c");
    EXPECT_EQ(Prog(L"Restore"), std::optional<DWORD>(1));
    AnswerMessageBox(*box, IDNO);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 10s));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
}

TEST_F(TuningEndToEnd, ClosingTheWindowMidStepStopsCleanly) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    SetEnvironmentVariableW(L"ZEPHRIN_PACING_PAUSE_MS", L"150");
    Program p;
    SetEnvironmentVariableW(L"ZEPHRIN_PACING_PAUSE_MS", nullptr);
    HWND main = StartAndWait(p);
    ASSERT_NE(main, nullptr);
    PostMessageW(FindChildByText(main, L"Button", L"&Optimize now"), BM_CLICK, 0, 0);
    HWND progress = WaitForWindow(L"TZPSettingsForm", p.pid(), 10s);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(progress) != FALSE; }, 10s));
    SendMessageTimeoutW(main, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, nullptr);
    EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
    EXPECT_TRUE(TakeSnapshot() == originals) << "no system value changed";
    EXPECT_FALSE(Prog(L"Restore").has_value()) << "no backup is claimed";
}

TEST_F(TuningEndToEnd, KilledDuringThePacedStepsLosesNothing) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    SetEnvironmentVariableW(L"ZEPHRIN_PACING_PAUSE_MS", L"150");
    auto startSlow = [] { return std::make_unique<Program>(); };
    // An optimization killed mid-step: nothing changed, nothing claimed.
    {
        auto p = startSlow();
        HWND main = StartAndWait(*p);
        ASSERT_NE(main, nullptr);
        PostMessageW(FindChildByText(main, L"Button", L"&Optimize now"), BM_CLICK, 0, 0);
        HWND progress = WaitForWindow(L"TZPSettingsForm", p->pid(), 10s);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(progress) != FALSE; }, 10s));
        p->Kill();
    }
    EXPECT_TRUE(TakeSnapshot() == originals);
    EXPECT_FALSE(Prog(L"Restore").has_value());
    // A full optimization, then a restore killed mid-step: the backup and its flag stay.
    {
        auto p = startSlow();
        HWND main = StartAndWait(*p);
        PostMessageW(FindChildByText(main, L"Button", L"&Optimize now"), BM_CLICK, 0, 0);
        auto box = WaitForMessageBox(p->pid(), 60s);
        ASSERT_TRUE(box.has_value());
        AnswerMessageBox(*box, IDNO);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box->window); }, 10s));
        HWND restore = FindChildByText(main, L"Button", L"&Restore");
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(restore) && IsWindowEnabled(main); }, 10s));
        PostMessageW(restore, BM_CLICK, 0, 0);
        box = WaitForMessageBox(p->pid(), 10s);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->defaultButton, IDOK) << "the confirmation";
        AnswerMessageBox(*box, IDOK);
        HWND progress = WaitForWindow(L"TZPSettingsForm", p->pid(), 10s);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(progress) != FALSE; }, 10s));
        p->Kill();
    }
    EXPECT_EQ(Prog(L"Restore"), std::optional<DWORD>(1));
    // The next start offers Restore again, and it finishes the job.
    SetEnvironmentVariableW(L"ZEPHRIN_PACING_PAUSE_MS", nullptr);
    {
        Program p;
        HWND main = StartAndWait(p);
        HWND restore = FindChildByText(main, L"Button", L"&Restore");
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(restore) != FALSE; }, 10s));
        PostMessageW(restore, BM_CLICK, 0, 0);
        auto box = WaitForMessageBox(p.pid(), 10s);
        ASSERT_TRUE(box.has_value());
        AnswerMessageBox(*box, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box->window); }, 10s));
        ASSERT_TRUE(WaitUntil([&] {
            box = WaitForMessageBox(p.pid(), 1s);
            return box && box->defaultButton == IDNO;
        }, 60s));
        AnswerMessageBox(*box, IDNO);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 10s));
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
    }
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    EXPECT_FALSE(Prog(L"Restore").has_value());
}

// ---- Windows refusing writes ---------------------------------------------------

namespace {

// Lets everyone read a key but nobody write it, as a policy or a security program can
// (or, with `access` 0, lets nobody even read it).
void RefuseWrites(HKEY root, const std::wstring& path, bool refuse, REGSAM access = KEY_READ) {
    UniqueKey key;
    ASSERT_EQ(RegCreateKeyExW(root, path.substr(1).c_str(), 0, nullptr, 0, WRITE_DAC, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    std::vector<BYTE> aclBuffer(256);
    auto* acl = reinterpret_cast<ACL*>(aclBuffer.data());
    InitializeAcl(acl, static_cast<DWORD>(aclBuffer.size()), ACL_REVISION);
    if (!refuse || access) AddAccessAllowedAce(acl, ACL_REVISION, refuse ? access : KEY_ALL_ACCESS, everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    EXPECT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &sd), ERROR_SUCCESS);
    FreeSid(everyone);
}

class RefusedWrites : public TuningTest {
protected:
    void TearDown() override {
        for (auto [root, path] : locked_) RefuseWrites(root, path, false);
        TuningTest::TearDown();
    }
    void Refuse(HKEY root, const std::wstring& path, REGSAM access = KEY_READ) {
        RefuseWrites(root, path, true, access);
        locked_.emplace_back(root, path);
    }
    void Allow(HKEY root, const std::wstring& path) { RefuseWrites(root, path, false); }
    bool NoRecordLeft() {
        for (const wchar_t* name : {L"Restore", L"BackupRecord", L"BackupAbsent", L"MaxConnectionsPerServer",
                                    L"MaxConnectionsPer1_0Server", L"KeepAliveTime", L"KeepAliveInterval"})
            if (ReadRaw(kProgramRoot, kProgramKeyPath, name).present) return false;
        for (const TunedValue& t : AllTunedValues())
            if (ReadRaw(kProgramRoot, kBackupKeyPath, t.name).present) return false;
        return true;
    }
    std::vector<std::pair<HKEY, std::wstring>> locked_;
};

const wchar_t kBackupRefusedText[] =
    L"Windows did not allow the current settings to be saved, so nothing was changed.\r\n\r\n"
    L"Sign in as an administrator, or allow Zephrin in your security program, and try again.";

}  // namespace

TEST_F(RefusedWrites, ProgramKeyOrItsBackupKeyRefusedChangesNothing) {
    for (const std::wstring& refused : {std::wstring(kProgramKeyPath), kBackupKeyPath}) {
        SCOPED_TRACE(Narrow(refused));
        ClearSystemValues();
        ResetProgramKey();
        SeedOriginals();
        const Snapshot originals = TakeSnapshot();
        Refuse(kProgramRoot, refused);
        Open(0, 1);
        recorder.answers = {IDOK};
        RunOptimize(*main, *progress);
        EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
        ASSERT_EQ(recorder.boxes.size(), 1u) << "one message, no restart question";
        EXPECT_EQ(recorder.boxes[0].text, kBackupRefusedText);
        EXPECT_EQ(recorder.boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONWARNING));
        EXPECT_EQ(recorder.boxes[0].owner, main->Handle());
        EXPECT_TRUE(NoRecordLeft());
        EXPECT_FALSE(main->restoreButton()->Enabled());
        Allow(kProgramRoot, refused);
        recorder.boxes.clear();
    }
    EXPECT_EQ(Prog(L"InternetType"), std::optional<DWORD>(0)) << "choices are saved where Windows allows it";
}

TEST_F(RefusedWrites, OneSystemKeyRefusedNamesWhatWasNotChangedAndRestoresEverything) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    Refuse(HKEY_LOCAL_MACHINE, kPschedPolicyKey.path);
    Open(0, 1);
    recorder.answers = {IDOK, IDNO};
    RunOptimize(*main, *progress);
    ASSERT_EQ(recorder.boxes.size(), 2u);
    EXPECT_EQ(recorder.boxes[0].text, L"Windows did not allow these settings to be changed:\r\n\r\n"
                                      L"NonBestEffortLimit\r\nMaxOutstandingSends\r\n\r\n"
                                      L"They keep their earlier values. Restore puts back every setting that was changed.");
    EXPECT_EQ(recorder.boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(recorder.boxes[1].style, 0x134u) << "then the restart question";
    EXPECT_EQ(System(kTcpipParametersKey, L"DefaultTTL"), 64u);
    EXPECT_EQ(System(kPschedPolicyKey, L"NonBestEffortLimit"), 20u) << "refused: the original stays";
    EXPECT_TRUE(main->restoreButton()->Enabled());

    Allow(HKEY_LOCAL_MACHINE, kPschedPolicyKey.path);
    recorder.answers = {IDOK, IDNO};
    RunRestore(*main, *progress);
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    EXPECT_FALSE(Prog(L"Restore").has_value());
}

TEST_F(RefusedWrites, EveryTunedWriteRefusedAsksNoRestart) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    Refuse(HKEY_CURRENT_USER, kInternetSettingsKey.path);
    Refuse(HKEY_LOCAL_MACHINE, kTcpipParametersKey.path);
    Refuse(HKEY_LOCAL_MACHINE, kPschedPolicyKey.path);
    Open(0, 1);
    recorder.answers = {IDOK, IDYES};
    RunOptimize(*main, *progress);
    ASSERT_EQ(recorder.boxes.size(), 1u) << "the refusal only";
    EXPECT_EQ(recorder.boxes[0].text.rfind(L"Windows did not allow these settings to be changed:\r\n\r\n"
                                           L"MaxConnectionsPerServer\r\n", 0), 0u);
    EXPECT_EQ(std::count(recorder.log.begin(), recorder.log.end(), L"restart"), 0);
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    EXPECT_EQ(Prog(L"Restore"), std::optional<DWORD>(1)) << "the backup is held";
    EXPECT_TRUE(main->restoreButton()->Enabled());
}

TEST_F(RefusedWrites, RestoreThatCannotFinishKeepsTheBackupUntilItCan) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    Open(0, 1);
    RunOptimize(*main, *progress);
    Refuse(HKEY_LOCAL_MACHINE, kPschedPolicyKey.path);
    recorder.boxes.clear();
    recorder.answers = {IDOK, IDOK, IDNO};
    RunRestore(*main, *progress);
    ASSERT_EQ(recorder.boxes.size(), 3u);
    EXPECT_EQ(recorder.boxes[1].text, L"Windows did not allow these settings to be put back:\r\n\r\n"
                                      L"NonBestEffortLimit\r\nMaxOutstandingSends\r\n\r\n"
                                      L"Your original settings are still saved. Click Restore to try again.");
    EXPECT_EQ(Prog(L"Restore"), std::optional<DWORD>(1)) << "Restore stays on offer";
    EXPECT_EQ(Prog(L"BackupRecord"), std::optional<DWORD>(1));
    EXPECT_TRUE(main->restoreButton()->Enabled());

    Allow(HKEY_LOCAL_MACHINE, kPschedPolicyKey.path);
    recorder.boxes.clear();
    recorder.answers = {IDOK, IDNO};
    RunRestore(*main, *progress);
    EXPECT_EQ(recorder.boxes.size(), 2u) << "question and restart, no warning";
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    EXPECT_FALSE(Prog(L"Restore").has_value());
    EXPECT_FALSE(main->restoreButton()->Enabled());
}

TEST_F(RefusedWrites, SavedOriginalsThatCannotBeReadKeepTheBackup) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    Open(0, 1);
    RunOptimize(*main, *progress);
    Refuse(kProgramRoot, kBackupKeyPath, 0);
    recorder.boxes.clear();
    recorder.answers = {IDOK, IDOK, IDNO};
    RunRestore(*main, *progress);
    ASSERT_GE(recorder.boxes.size(), 2u);
    EXPECT_EQ(recorder.boxes[1].text.rfind(L"Windows did not allow these settings to be put back:", 0), 0u);
    EXPECT_EQ(Prog(L"Restore"), std::optional<DWORD>(1)) << "the backup is kept";
    Allow(kProgramRoot, kBackupKeyPath);
    recorder.answers = {IDOK, IDNO};
    RunRestore(*main, *progress);
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
}

TEST_F(TuningTest, AnotherAdministratorsRunTunesAndRestoresTheDesktopUsersOwnSettings) {
    // Started with another administrator's password: HKEY_CURRENT_USER is that
    // administrator's, and the desktop user's settings lie in their own hive.
    const std::wstring sid = L"S-1-5-21-1111-2222-3333-1001";
    const std::wstring theirs = L"\\" + sid + kInternetSettingsKey.path;
    WriteDword(HKEY_USERS, theirs, L"MaxConnectionsPerServer", 10);
    WriteDword(HKEY_CURRENT_USER, kInternetSettingsKey.path, L"MaxConnectionsPerServer", 3);
    const OptimizeOutcome tuned = Optimize(0, 1, sid);
    EXPECT_TRUE(tuned.backupHeld);
    EXPECT_TRUE(tuned.refused.empty());
    for (const TunedValue& t : TunedValuesFor(0, 1)) {
        if (t.place.root != HKEY_CURRENT_USER) continue;
        EXPECT_EQ(ReadDwordValue(HKEY_USERS, theirs, t.name), std::optional<DWORD>(t.data)) << Narrow(t.name);
    }
    EXPECT_EQ(System(kInternetSettingsKey, L"MaxConnectionsPerServer"), 3u) << "the running account's stays";
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kInternetSettingsKey.path, L"MaxConnectionsPer1_0Server").present);

    const RestoreOutcome back = Restore(0, sid);
    EXPECT_TRUE(back.AllBack());
    EXPECT_EQ(ReadDwordValue(HKEY_USERS, theirs, L"MaxConnectionsPerServer"), std::optional<DWORD>(10));
    EXPECT_FALSE(ReadRaw(HKEY_USERS, theirs, L"MaxConnectionsPer1_0Server").present) << "absent before, absent after";
    EXPECT_EQ(System(kInternetSettingsKey, L"MaxConnectionsPerServer"), 3u);
    EXPECT_FALSE(BackupHeld());
    DeleteKeyTree(HKEY_USERS, sid);
}

TEST_F(TuningTest, StaleRestoreFlagWithoutABackupStillBacksUp) {
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    for (DWORD flag : {0xFFFFFFFFu, 0x7FFFFFFFu}) {
        SCOPED_TRACE(flag);
        WriteDword(kProgramRoot, kProgramKeyPath, L"Restore", flag);
        Open(0, 1);
        RunOptimize(*main, *progress);
        EXPECT_EQ(Prog(L"BackupRecord"), std::optional<DWORD>(1)) << "a backup was taken";
        recorder.answers = {IDOK, IDNO};
        RunRestore(*main, *progress);
        EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    }
}

TEST_F(TuningTest, StringWithoutItsNulComesBackByteForByte) {
    // Five characters and no terminating NUL; what follows them in memory is not a NUL either.
    const wchar_t digits[] = {L'6', L'5', L'5', L'3', L'5', 0xFFFF};
    const DWORD size = 5 * sizeof(wchar_t);
    WriteRaw(HKEY_LOCAL_MACHINE, kTcpipParametersKey.path, L"TcpWindowSize", REG_SZ, digits, size);
    const RawRegValue original = ReadRaw(HKEY_LOCAL_MACHINE, kTcpipParametersKey.path, L"TcpWindowSize");
    ASSERT_EQ(original.data.size(), size);
    Open(0, 1);
    RunOptimize(*main, *progress);
    recorder.answers = {IDOK, IDNO};
    RunRestore(*main, *progress);
    const RawRegValue back = ReadRaw(HKEY_LOCAL_MACHINE, kTcpipParametersKey.path, L"TcpWindowSize");
    EXPECT_EQ(back.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(back.data, original.data);
}
