#include <gtest/gtest.h>

#include "harness.h"
#include "loopback_server.h"
#include "platform/program_key.h"
#include "system_values.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

// The test build's update server address.
constexpr unsigned short kUpdatePort = ZEPHRIN_TEST_UPDATE_PORT;

std::string Reply(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A program folder of its own, where a stand-in that records its start takes the updater's place.
class UpdateModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramKey();
        CreateDirectoryW(folder().c_str(), nullptr);
        ASSERT_TRUE(CopyFileW((BinFolder() + L"Zephrin.exe").c_str(), program().c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((BinFolder() + L"launch_probe.exe").c_str(), (folder() + L"ZephrinUpdate.exe").c_str(),
                              FALSE));
        DeleteFileW(record().c_str());
    }
    void TearDown() override {
        ResetProgramKey();
        for (const wchar_t* f : {L"ZephrinUpdate.exe.started", L"ZephrinUpdate.exe", L"Zephrin.exe"})
            DeleteFileW((folder() + f).c_str());
        RemoveDirectoryW(folder().c_str());
    }
    static std::wstring folder() { return BinFolder() + L"update-mode\\"; }
    static std::wstring program() { return folder() + L"Zephrin.exe"; }
    std::wstring record() const { return folder() + L"ZephrinUpdate.exe.started"; }
    bool UpdaterStarted() { return GetFileAttributesW(record().c_str()) != INVALID_FILE_ATTRIBUTES; }
};

}  // namespace

TEST_F(UpdateModeTest, UpdateClosesTheRunningCopyThenAsks) {
    LoopbackServer server(LoopbackServer::Reply(Reply("ORVANE|1")), kUpdatePort);
    Program running(L"", program());
    HWND main = WaitForWindow(L"TZPMainForm", running.pid(), 30s);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));

    Program check(L"/checkupdate", program());
    const auto box = WaitForMessageBox(check.pid(), 30s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(running.WaitExit(10s), std::optional<DWORD>(0)) << "closed before the question";
    EXPECT_EQ(box->owner, nullptr);
    EXPECT_EQ(box->title, L"Zephrin - Make your internet connection faster");
    EXPECT_EQ(box->text, L"An update for this software is available to download.\r\n\r\n"
                         L"Do you want to download and install a new version of this software?");
    EXPECT_EQ(box->defaultButton, IDYES);
    for (HWND w : TopWindowsOf(check.pid())) {
        wchar_t cls[64] = {};
        GetClassNameW(w, cls, 64);
        if (IsWindowVisible(w)) {
            EXPECT_STREQ(cls, L"#32770") << "no window of its own";
        }
    }
    AnswerMessageBox(*box, IDNO);
    EXPECT_EQ(check.WaitExit(20s), std::optional<DWORD>(0));
    // A launch would have made the updater's process before the check ended.
    EXPECT_FALSE(UpdaterStarted() || ProcessRunning(L"ZephrinUpdate.exe")) << "No starts nothing";
    ASSERT_EQ(server.requests().size(), 1u);
}

TEST_F(UpdateModeTest, AServerWhoseLinesEndInLineFeedsAloneIsUnderstood) {
    LoopbackServer server(LoopbackServer::Reply("HTTP/1.1 200 OK\nContent-Type: text/plain\nContent-Length: 8\n\nORVANE|1"),
                          kUpdatePort);
    Program check(L"/checkupdate", program());
    const auto box = WaitForMessageBox(check.pid(), 30s);
    ASSERT_TRUE(box.has_value()) << "an update is available";
    AnswerMessageBox(*box, IDNO);
    EXPECT_EQ(check.WaitExit(20s), std::optional<DWORD>(0));
}

TEST_F(UpdateModeTest, UpdateClosesTheRunningCopyInTheMiddleOfAnything) {
    LoopbackServer server(LoopbackServer::Reply(Reply("ORVANE|1")), kUpdatePort);
    ClearSystemValues();
    SeedOriginals();
    const Snapshot originals = TakeSnapshot();
    // The About window and "What Zephrin changes" shown modally, then an optimization in its paced steps.
    struct Busy {
        const char* what;
        const wchar_t* windowClass;
        int linkY;  // design place of the link that opens it; 0: the Optimize button
    };
    for (const Busy& b : {Busy{"About window", L"TZPAboutForm", 255}, Busy{"What Zephrin changes", L"TZPChangesForm", 285},
                          Busy{"optimizing", L"TZPSettingsForm", 0}}) {
        SCOPED_TRACE(b.what);
        SetEnvironmentVariableW(L"ZEPHRIN_PACING_PAUSE_MS", L"150");
        Program running(L"", program());
        SetEnvironmentVariableW(L"ZEPHRIN_PACING_PAUSE_MS", nullptr);
        HWND main = WaitForWindow(L"TZPMainForm", running.pid(), 30s);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
        if (b.linkY == 0) {
            PostMessageW(FindChildByText(main, L"Button", L"&Optimize now"), BM_CLICK, 0, 0);
        } else {
            PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, b.linkY));
            PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(20, b.linkY));
        }
        HWND busy = WaitForWindow(b.windowClass, running.pid(), 10s);
        ASSERT_TRUE(WaitUntil([&] { return busy && IsWindowVisible(busy); }, 10s));
        ASSERT_FALSE(IsWindowEnabled(main)) << "the main window waits for the other one";

        Program check(L"/checkupdate", program());
        const auto box = WaitForMessageBox(check.pid(), 30s);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(running.WaitExit(10s), std::optional<DWORD>(0)) << "closed before the question";
        AnswerMessageBox(*box, IDNO);
        EXPECT_EQ(check.WaitExit(20s), std::optional<DWORD>(0));
    }
    EXPECT_TRUE(TakeSnapshot() == originals) << Describe(TakeSnapshot());
    for (const wchar_t* name : {L"Restore", L"BackupRecord", L"BackupAbsent", L"MaxConnectionsPerServer"})
        EXPECT_FALSE(ReadRaw(kProgramRoot, kProgramKeyPath, name).present) << Narrow(name) << ": no backup claimed";
    ClearSystemValues();
}

TEST_F(UpdateModeTest, AHungWindowOfZephrinsClassInAnotherProgramIsNotZephrin) {
    Program fake(L"TZPMainForm", BinFolder() + L"fake_window.exe");
    ASSERT_NE(WaitForWindow(L"TZPMainForm", fake.pid(), 10s), nullptr);
    // The uninstaller's restore goes ahead instead of waiting for that window to go.
    WriteDword(kProgramRoot, kProgramKeyPath, L"Restore", 1);
    WriteDword(kProgramRoot, kProgramKeyPath, L"MaxConnectionsPerServer", 6);
    EXPECT_EQ(Program(L"/restore", program()).WaitExit(60s), std::optional<DWORD>(3010)) << "put back";
    EXPECT_FALSE(ReadRaw(kProgramRoot, kProgramKeyPath, L"Restore").present);
    // The update check does not wait on it before asking.
    {
        LoopbackServer server(LoopbackServer::Reply(Reply("ORVANE|1")), kUpdatePort);
        Program check(L"/checkupdate", program());
        const auto box = WaitForMessageBox(check.pid(), 30s);
        ASSERT_TRUE(box.has_value()) << "not held by a window that never answers";
        AnswerMessageBox(*box, IDNO);
        EXPECT_EQ(check.WaitExit(20s), std::optional<DWORD>(0));
    }
    // A normal start is no second copy of it.
    Program p(L"", program());
    HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
    ASSERT_NE(main, nullptr) << "Zephrin makes its own window";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(20s), std::optional<DWORD>(0));
    fake.Kill();
    ClearSystemValues();
}

TEST_F(UpdateModeTest, YesStartsTheUpdaterFromTheProgramFolder) {
    LoopbackServer server(LoopbackServer::Reply(Reply("ORVANE|1")), kUpdatePort);
    Program check(L"/CheckUpdate", program());
    const auto box = WaitForMessageBox(check.pid(), 30s);
    ASSERT_TRUE(box.has_value()) << "the question alone when no copy runs";
    AnswerMessageBox(*box, IDYES);
    EXPECT_EQ(check.WaitExit(20s), std::optional<DWORD>(0));
    EXPECT_TRUE(WaitUntil([&] { return UpdaterStarted(); }, 15s));
}

TEST_F(UpdateModeTest, OtherResultsEndSilently) {
    for (const std::string& reply : {Reply("ORVANE|0"), Reply("ORVANE|2"), Reply("no marker"),
                                     std::string("HTTP/1.1 404 Not Found\r\nContent-Length: 8\r\n\r\nORVANE|1")}) {
        LoopbackServer server(LoopbackServer::Reply(reply), kUpdatePort);
        Program check(L"/checkupdate", program());
        EXPECT_EQ(check.WaitExit(30s), std::optional<DWORD>(0)) << reply;
        EXPECT_EQ(server.requests().size(), 1u);
    }
    Program offline(L"/checkupdate", program());  // nothing listens: the request fails
    EXPECT_EQ(offline.WaitExit(30s), std::optional<DWORD>(0));
    EXPECT_FALSE(UpdaterStarted());
}

TEST_F(UpdateModeTest, ScheduleStartsASecondCopyInTheCheckMode) {
    LoopbackServer server(LoopbackServer::Reply(Reply("ORVANE|0")), kUpdatePort);
    const int32_t now = static_cast<int32_t>(time(nullptr));  // any stamp 100 days back will do
    WriteSz(kProgramRoot, kProgramKeyPath, L"UpdatedDate", std::to_wstring(now - 100 * 86400));
    Program running(L"", program());
    HWND main = WaitForWindow(L"TZPMainForm", running.pid(), 30s);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return server.requests().size() == 1; }, 30s)) << "the second copy asked the server";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(running.WaitExit(20s), std::optional<DWORD>(0));
}

// A failure the user is spared (here: a language with no caption table, so every text is missing) is still told
// to a developer's debugger, one line each, and to nobody else.
TEST_F(UpdateModeTest, WhatIsSwallowedIsToldToADebugger) {
    LoopbackServer server(LoopbackServer::Reply(Reply("ORVANE|1")), kUpdatePort);
    WriteSz(kProgramRoot, kProgramKeyPath, L"Language", L"french");
    std::wstring command = L"\"" + program() + L"\" /checkupdate";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                               nullptr, &startup, &process));
    std::vector<std::string> lines;
    bool answered = false, ended = false;
    const auto until = std::chrono::steady_clock::now() + 60s;
    while (!ended && std::chrono::steady_clock::now() < until) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 100)) {
            // The question, with its texts missing, still comes; No ends the run.
            if (!answered)
                if (HWND box = FindTopWindow(L"#32770", process.dwProcessId); box && IsWindowVisible(box)) {
                    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
                    answered = true;
                }
            continue;
        }
        DWORD status = DBG_CONTINUE;
        if (event.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT) {
            const auto& text = event.u.DebugString;
            std::string line(text.nDebugStringLength, '\0');
            SIZE_T read = 0;
            if (!text.fUnicode && ReadProcessMemory(process.hProcess, text.lpDebugStringData, line.data(), line.size(), &read))
                lines.push_back(line.substr(0, line.find('\0')));
        } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
                   event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
            status = DBG_EXCEPTION_NOT_HANDLED;
        } else if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            ended = true;
        } else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT && event.u.LoadDll.hFile) {
            CloseHandle(event.u.LoadDll.hFile);
        } else if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT && event.u.CreateProcessInfo.hFile) {
            CloseHandle(event.u.CreateProcessInfo.hFile);
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    DebugActiveProcessStop(process.dwProcessId);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_TRUE(answered) << "the question came";
    EXPECT_TRUE(ended);
    std::string heard;
    for (const auto& line : lines) heard += line;
    EXPECT_NE(heard.find("Zephrin: no caption row ZPUpdateForm, MessageBoxUpdate1 (swallowed)"), std::string::npos)
        << heard;
    EXPECT_NE(heard.find("Zephrin: no caption row ZPMainForm, ZPMainForm (swallowed)"), std::string::npos);
    EXPECT_FALSE(UpdaterStarted()) << "No starts nothing";
}
