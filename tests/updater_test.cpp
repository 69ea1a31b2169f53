// ZephrinUpdate.exe end to end, against releases signed at build time and
// served by nginx on loopback: what it installs, what it refuses, and what
// it leaves behind (nothing).
#include <gtest/gtest.h>

#include "harness.h"

#include <commctrl.h>

#include "platform/program_key.h"
#include "platform/folders.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

// Where the updater stages its downloads, with its trailing separator.
std::wstring StagingFolder() { return CommonDataFolder() + L"ORVANE\\Zephrin\\Updates\\"; }
// The updater's download folders there, with their trailing separators.
std::vector<std::wstring> DownloadFolders() {
    std::vector<std::wstring> folders;
    for (const auto& name : FilesIn(StagingFolder(), L"ZephrinUpdate-*")) folders.push_back(StagingFolder() + name + L"\\");
    return folders;
}
// Files named so in any download folder, by their full paths.
std::vector<std::wstring> Downloaded(const wchar_t* pattern) {
    std::vector<std::wstring> paths;
    for (const auto& folder : DownloadFolders())
        for (const auto& name : FilesIn(folder, pattern)) paths.push_back(folder + name);
    return paths;
}
std::vector<std::wstring> Downloads() { return Downloaded(L"ZephrinSetup.exe"); }
// The stand-in setup program leaves a record of its start beside itself.
std::vector<std::wstring> SetupStarts() { return Downloaded(L"*.started"); }
const std::vector<std::wstring> kNone;

struct DescendantSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND w, LPARAM lp) {
    auto* search = reinterpret_cast<DescendantSearch*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (_wcsicmp(cls, search->className) != 0) return TRUE;
    search->found = w;
    return FALSE;
}

// The first child window of a class, at any depth.
HWND FindDescendant(HWND parent, const wchar_t* className) {
    DescendantSearch search{className, nullptr};
    EnumChildWindows(parent, &MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT Around(HWND a, HWND b) {
    RECT ra{}, rb{}, both{};
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    UnionRect(&both, &ra, &rb);
    return both;
}

class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramKey();
        Clean();
    }
    void TearDown() override {
        Clean();
        ResetProgramKey();
        UseDesktopFont(nullptr);
    }
    // What a Korean user has: the language chosen at setup and a desktop with a Hangul face.
    static void Korean() {
        WriteSz(kProgramRoot, kProgramKeyPath, L"Language", L"korean");
        UseDesktopFont(L"NanumGothic");
    }
    static void Clean() {
        for (const auto& folder : DownloadFolders()) {
            for (const auto& name : FilesIn(folder, L"*.*")) DeleteFileW((folder + name).c_str());
            RemoveDirectoryW(folder.c_str());
        }
    }
};

const std::wstring kUntrusted =
    L"The update failed its security check and was not trusted.\r\n\r\nNothing was installed.";
const std::wstring kOutOfDate = L"The update information from the server is out of date.\r\n\r\nNothing was installed.";
const std::wstring kUndelivered =
    L"The update could not be downloaded from the update server.\r\n\r\n"
    L"Please check your internet connection and try again.\r\n\r\nNothing was installed.";

}  // namespace

TEST_F(UpdaterTest, AVerifiedReleaseRunsItsSetupSilentlyAndMarksTheUpdate) {
    ServeRelease(L"newer");  // its setup program is a stand-in that records how it was started
    Program updater(L"", L"ZephrinUpdate.exe");
    const auto box = WaitForMessageBox(updater.pid(), 60s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, L"Zephrin Update");
    EXPECT_EQ(box->text, L"The update has been installed.\r\n\r\n"
                         L"You will need to restart Zephrin to use the new version.\r\n\r\n"
                         L"Click Yes to restart Zephrin now, or click No to restart later.");
    const auto starts = SetupStarts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(ReadTextFile(starts[0]), L"/S\n");
    EXPECT_EQ(Downloads(), kNone) << "removed once the setup program ended";
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"Updated"), std::optional<DWORD>(1));
    AnswerMessageBox(*box, IDNO);
    EXPECT_EQ(updater.WaitExit(20s), std::optional<DWORD>(0));
    EXPECT_FALSE(ProcessRunning(L"Zephrin.exe")) << "No restarts nothing";
}

TEST_F(UpdaterTest, EveryReleaseThatDoesNotProveItselfIsRefusedAndNothingRuns) {
    const struct {
        const wchar_t* release;
        const std::wstring& text;
    } cases[] = {
        {L"other-key", kUntrusted},       {L"manifest-changed", kUntrusted}, {L"setup-changed", kUntrusted},
        {L"setup-short", kUntrusted},     {L"setup-long", kUntrusted},       {L"missing", kUndelivered},
        {L"moved", kUndelivered},         {L"oversized", kUndelivered},      {L"long-lived", kUntrusted},
        {L"no-issued", kUntrusted},       {L"no-expires", kUntrusted},       {L"no-serial", kUntrusted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.release));
        ServeRelease(c.release);
        const size_t logBefore = UpdateServerLog().size();
        Program updater(L"", L"ZephrinUpdate.exe");
        const auto box = WaitForMessageBox(updater.pid(), 60s);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, c.text);
        EXPECT_EQ(DownloadFolders(), kNone) << "gone before the user is told";
        if (c.release == std::wstring(L"other-key")) {
            HWND window = FindTopWindow(L"TZPUpdateForm", updater.pid());
            WaitUntilPainted(box->window, 5s);
            SaveScreenPng(Around(window, box->window), L"updater-refused-english.png");
        }
        AnswerMessageBox(*box, IDOK);
        EXPECT_EQ(updater.WaitExit(20s), std::optional<DWORD>(1));
        EXPECT_EQ(SetupStarts(), kNone);
        const std::string log = UpdateServerLog().substr(logBefore);
        EXPECT_EQ(log.find("GET /downloads/zephrin/ "), std::string::npos) << "a redirect is never followed";
    }
    EXPECT_FALSE(ReadRaw(kProgramRoot, kProgramKeyPath, L"Updated").present);
}

TEST_F(UpdaterTest, KoreanUsersAreToldInKorean) {
    Korean();
    ServeRelease(L"other-key");
    Program updater(L"", L"ZephrinUpdate.exe");
    const auto box = WaitForMessageBox(updater.pid(), 60s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"\uC5C5\uB370\uC774\uD2B8\uAC00 \uBCF4\uC548 \uD655\uC778\uC744 \uD1B5\uACFC\uD558\uC9C0 "
                         L"\uBABB\uD574 \uC2E0\uB8B0\uD560 \uC218 \uC5C6\uC2B5\uB2C8\uB2E4.\r\n\r\n"
                         L"\uC544\uBB34\uAC83\uB3C4 \uC124\uCE58\uB418\uC9C0 \uC54A\uC558\uC2B5\uB2C8\uB2E4.");
    HWND window = FindTopWindow(L"TZPUpdateForm", updater.pid());
    WaitUntilPainted(box->window, 5s);
    SaveScreenPng(Around(window, box->window), L"updater-refused-korean.png");
    AnswerMessageBox(*box, IDOK);
    EXPECT_EQ(updater.WaitExit(20s), std::optional<DWORD>(1));
}

TEST_F(UpdaterTest, CancelInTheMiddleOfADownloadStopsAtOnceAndRemovesTheFile) {
    for (const wchar_t* language : {L"english", L"korean"}) {
        SCOPED_TRACE(Narrow(language));
        if (language == std::wstring(L"korean")) Korean();
        ServeRelease(L"slow");  // two megabytes at 16 KB a second
        Program updater(L"", L"ZephrinUpdate.exe");
        HWND window = WaitForWindow(L"TZPUpdateForm", updater.pid(), 30s);
        ASSERT_NE(window, nullptr);
        HWND bar = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (bar = FindDescendant(window, PROGRESS_CLASSW)) != nullptr; }, 10s));
        ASSERT_TRUE(WaitUntil([&] { return SendMessageW(bar, PBM_GETPOS, 0, 0) > 0; }, 30s));
        ASSERT_EQ(Downloads().size(), 1u) << "the download is under way";
        WaitUntilPainted(window, 5s);
        RECT rect{};
        GetWindowRect(window, &rect);
        SaveScreenPng(rect, L"updater-progress-" + std::wstring(language) + L".png");
        HWND cancel = FindDescendant(window, L"Button");
        ASSERT_NE(cancel, nullptr);
        PostMessageW(cancel, BM_CLICK, 0, 0);
        // No message: the user asked for it.
        EXPECT_EQ(updater.WaitExit(20s), std::optional<DWORD>(2));
        EXPECT_EQ(DownloadFolders(), kNone);
    }
}

TEST_F(UpdaterTest, TheMainWindowsButtonStartsTheUpdaterWhichFindsNothingNewer) {
    ServeRelease(L"current");
    const size_t logBefore = UpdateServerLog().size();
    Program zephrin;
    HWND main = WaitForWindow(L"TZPMainForm", zephrin.pid(), 30s);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
    PostMessageW(FindChildByText(main, L"Button", L" &Check for updates ..."), BM_CLICK, 0, 0);
    HWND window = WaitForWindow(L"TZPUpdateForm", 0, 30s);
    ASSERT_NE(window, nullptr) << "the updater from the program folder";
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    const auto box = WaitForMessageBox(pid, 60s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"You already have the latest version of this software.\r\n\r\n"
                         L"No update is needed at this time.");
    const std::string log = UpdateServerLog().substr(logBefore);
    EXPECT_NE(log.find("GET /downloads/zephrin/release.manifest "), std::string::npos);
    EXPECT_EQ(log.find("ZephrinSetup"), std::string::npos) << "nothing downloaded";
    AnswerMessageBox(*box, IDOK);
    EXPECT_TRUE(WaitUntil([] { return !ProcessRunning(L"ZephrinUpdate.exe"); }, 20s));
    EXPECT_TRUE(IsWindowVisible(main)) << "the main window stays open";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(zephrin.WaitExit(20s), std::optional<DWORD>(0));
}

namespace {

// Files in a folder and the folder itself, one level deep.
void RemoveFolder(const std::wstring& folder) {
    for (const auto& name : FilesIn(folder, L"*.*")) DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

TEST_F(UpdaterTest, AProgramThatTakesTheCloseAsItsSignalCannotGetOtherBytesRun) {
    // A user's program of Zephrin's name and class. Told to close, it tries to
    // put its own program where the download lies, by writing over it and by
    // moving its folder away and making a new one in its place.
    const std::wstring attacker = TempFolder() + L"zephrin-attacker\\";
    const std::wstring moved = TempFolder() + L"zephrin-moved\\";
    RemoveFolder(attacker);
    RemoveFolder(moved);
    ASSERT_TRUE(CreateDirectoryW(attacker.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW((BinFolder() + L"fake_window.exe").c_str(), (attacker + L"Zephrin.exe").c_str(), FALSE));
    ServeRelease(L"newer");
    Program fake(L"TZPMainForm " + StagingFolder() + L" " + BinFolder() + L"launch_probe.exe " +
                     moved.substr(0, moved.size() - 1),
                 attacker + L"Zephrin.exe");
    ASSERT_NE(WaitForWindow(L"TZPMainForm", fake.pid(), 10s), nullptr);

    Program updater(L"", L"ZephrinUpdate.exe");
    const auto box = WaitForMessageBox(updater.pid(), 60s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(fake.WaitExit(10s), std::optional<DWORD>(0)) << "it was told to close, and did";
    // The download was still held for writing by the updater alone. Wine lets a
    // held folder be moved (Windows does not, and only administrators may
    // change it there); the check then reads the new file and refuses it.
    EXPECT_EQ(ReadTextFile(attacker + L"Zephrin.exe.swapped"), L"write=refused\nfolder=replaced\n");
    EXPECT_EQ(box->text, kUntrusted);
    EXPECT_EQ(SetupStarts(), kNone);
    EXPECT_EQ(FilesIn(moved, L"*.started"), std::vector<std::wstring>{}) << "nor the moved download";
    EXPECT_EQ(DownloadFolders(), kNone) << "the planted file went with the refusal";
    AnswerMessageBox(*box, IDOK);
    EXPECT_EQ(updater.WaitExit(20s), std::optional<DWORD>(1));
    EXPECT_FALSE(ReadRaw(kProgramRoot, kProgramKeyPath, L"Updated").present);
    RemoveFolder(attacker);
    RemoveFolder(moved);
}

TEST_F(UpdaterTest, StaleManifestsAreRefusedAndTheSerialRisesOnlyAfterAVerifiedOutcome) {
    const auto serial = [] { return ReadDwordValue(kProgramRoot, kProgramKeyPath, L"ReleaseSerial"); };
    const auto run = [](const wchar_t* release, DWORD exitCode, const wchar_t* screenshot = nullptr) {
        ServeRelease(release);
        Program updater(L"", L"ZephrinUpdate.exe");
        const auto box = WaitForMessageBox(updater.pid(), 60s);
        if (!box) return std::wstring(L"no box");
        if (screenshot) {
            WaitUntilPainted(box->window, 5s);
            SaveScreenPng(Around(FindTopWindow(L"TZPUpdateForm", updater.pid()), box->window), screenshot);
        }
        AnswerMessageBox(*box, box->buttons.size() > 1 ? IDNO : IDOK);
        EXPECT_EQ(updater.WaitExit(20s), std::optional<DWORD>(exitCode)) << Narrow(release);
        return box->text;
    };
    // Long expired, by a clock past this updater's build.
    EXPECT_EQ(run(L"expired", 1, L"updater-out-of-date-english.png"), kOutOfDate);
    EXPECT_FALSE(serial().has_value());
    // Older than a manifest acted on before: served again by someone in the middle.
    WriteDword(kProgramRoot, kProgramKeyPath, L"ReleaseSerial", 6);
    EXPECT_EQ(run(L"replayed", 1), kOutOfDate);
    EXPECT_EQ(run(L"other-key", 1), kUntrusted);
    EXPECT_EQ(serial(), std::optional<DWORD>(6)) << "nothing verified, nothing remembered";
    // A verified "up to date" is acted on: its serial is kept.
    EXPECT_EQ(run(L"current", 0), L"You already have the latest version of this software.\r\n\r\n"
                                   L"No update is needed at this time.");
    EXPECT_EQ(serial(), std::optional<DWORD>(1000));
    EXPECT_EQ(Downloads(), kNone);
    Korean();
    EXPECT_EQ(run(L"expired", 1, L"updater-out-of-date-korean.png"), L"\uC11C\uBC84\uC758 \uC5C5\uB370\uC774\uD2B8 \uC815\uBCF4\uAC00 "
                                   L"\uC624\uB798\uB418\uC5C8\uC2B5\uB2C8\uB2E4.\r\n\r\n"
                                   L"\uC544\uBB34\uAC83\uB3C4 \uC124\uCE58\uB418\uC9C0 \uC54A\uC558\uC2B5\uB2C8\uB2E4.");
}

TEST_F(UpdaterTest, AReleaseSignedByTheKeyTheMakerChangesToIsInstalled) {
    ServeRelease(L"next-key");
    Program updater(L"", L"ZephrinUpdate.exe");
    const auto box = WaitForMessageBox(updater.pid(), 60s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text.rfind(L"The update has been installed.", 0), 0u) << Narrow(box->text);
    ASSERT_EQ(SetupStarts().size(), 1u);
    EXPECT_EQ(ReadDwordValue(kProgramRoot, kProgramKeyPath, L"ReleaseSerial"), std::optional<DWORD>(1000));
    AnswerMessageBox(*box, IDNO);
    EXPECT_EQ(updater.WaitExit(20s), std::optional<DWORD>(0));
}
