#include "app/commands.h"

#include <windows.h>

#include <cwchar>
#include <functional>
#include <optional>

#include "app/window_names.h"
#include "features/tuning_engine.h"
#include "features/tuning_plan.h"
#include "platform/desktop_user.h"
#include "platform/handles.h"
#include "platform/identity.h"
#include "platform/other_copy.h"
#include "platform/program_key.h"
#include "platform/text.h"

namespace zephrin {
namespace {

struct Choice {
    int row;
    int level;
};

std::string Ascii(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c > 0x7F) return {};  // no id has such a character
        out += static_cast<char>(c);
    }
    return out;
}

std::optional<Choice> ReadChoice(const std::wstring& type, const std::wstring& level) {
    const ConnectionType* connection = ConnectionTypeOfId(Ascii(type));
    if (!connection) return std::nullopt;
    const std::string wanted = AsciiLower(Ascii(level));
    for (int i = 0; i < static_cast<int>(std::size(kSpeedLevelIds)); ++i)
        if (!wanted.empty() && wanted == kSpeedLevelIds[i]) return Choice{connection->row, i};
    return std::nullopt;
}

}  // namespace

PerUser CommandUser() {
#ifdef ZEPHRIN_TEST_PACING
    wchar_t named[256] = {};
    if (GetEnvironmentVariableW(L"ZEPHRIN_CONSOLE_USER", named, 256) > 0)
        return std::wstring(named) == L"nobody" ? PerUser::Nobody() : PerUser(std::wstring(named));
#endif
    return ConsoleUser();
}

namespace {

const wchar_t kCommandMutex[] = L"Global\\ORVANE.Zephrin.Command";
const wchar_t kWindowMutex[] = L"Global\\ORVANE.Zephrin.Window";

// Another user's object may exist where we may not open it: it is there all the same.
bool NamedMutexExists(const wchar_t* name) {
    UniqueHandle m(OpenMutexW(SYNCHRONIZE, FALSE, name));
    return m || GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace

OpenWindowMark::OpenWindowMark() : mutex_(CreateMutexW(nullptr, FALSE, kWindowMutex)) {}

namespace {

// One command at a time, in every session, and none while the window is open,
// where the user may be optimizing or restoring right now.
class CommandLock {
public:
    CommandLock() {
        if (FindWindowOfProgram(kMainFormClass, kProgramFile) || NamedMutexExists(kWindowMutex)) return;
        // Without Terminal Services, Windows 2000 ignores the prefix and the name is the same everywhere.
        mutex_.reset(CreateMutexW(nullptr, TRUE, kCommandMutex));
        held_ = mutex_ && GetLastError() != ERROR_ALREADY_EXISTS;
    }
    ~CommandLock() {
        if (held_) ReleaseMutex(mutex_.get());
    }
    CommandLock(const CommandLock&) = delete;
    CommandLock& operator=(const CommandLock&) = delete;
    bool held() const { return held_; }

private:
    UniqueHandle mutex_;
    bool held_ = false;
};

std::function<void()> TestPause() {
#ifdef ZEPHRIN_TEST_PACING
    // End-to-end tests stretch the work to end the program in the middle of it.
    wchar_t buf[16] = {};
    if (GetEnvironmentVariableW(L"ZEPHRIN_RESTORE_PAUSE_MS", buf, 16) > 0) {
        const DWORD ms = wcstoul(buf, nullptr, 10);
        return [ms] { Sleep(ms); };
    }
#endif
    return {};
}

}  // namespace

int RunOptimizeCommand(const std::wstring& type, const std::wstring& level) {
    const auto choice = ReadChoice(type, level);
    if (!choice) return exit_code::kBadArguments;
    CommandLock lock;
    if (!lock.held()) return exit_code::kBusy;
    SaveChoice(choice->row, choice->level);
    const OptimizeOutcome outcome = Optimize(choice->row, choice->level, CommandUser());
    if (!outcome.backupHeld || !outcome.refused.empty()) return exit_code::kFailed;
    return outcome.ChangedAnything() ? exit_code::kRestartNeeded : exit_code::kSuccess;
}

int RunCheckCommand(const std::wstring& type, const std::wstring& level) {
    const auto choice = ReadChoice(type, level);
    if (!choice) return exit_code::kBadArguments;
    return HoldsTunedValues(choice->row, choice->level, CommandUser()) ? exit_code::kSuccess : exit_code::kNotCompliant;
}

int RunRestoreCommand() {
    CommandLock lock;
    if (!lock.held()) return exit_code::kBusy;
    if (!BackupHeld()) {
        DeleteProgramValue(value::kRestore);  // a flag with nothing behind it
        return exit_code::kSuccess;
    }
    const RestoreOutcome outcome = Restore(ReadProgramInteger(value::kInternetType, 0), CommandUser(), TestPause());
    if (outcome.nothingSaved) return exit_code::kSuccess;
    return outcome.AllBack() && !outcome.backupHeld ? exit_code::kRestartNeeded : exit_code::kFailed;
}

}  // namespace zephrin
