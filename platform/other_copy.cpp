#include "platform/other_copy.h"

#include <tlhelp32.h>

#include "platform/handles.h"

namespace zephrin {
namespace {

// Whether the process runs a file of that name. The snapshot's name is the bare
// file name on Windows 2000 and a path on some later systems; only its last part counts.
bool ProcessRunsFile(DWORD pid, const wchar_t* exeName) {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return false;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID != pid) continue;
        const wchar_t* name = entry.szExeFile;
        for (const wchar_t* p = entry.szExeFile; *p; ++p)
            if (*p == L'\\' || *p == L'/') name = p + 1;
        return lstrcmpiW(name, exeName) == 0;
    }
    return false;
}

}  // namespace

HWND FindWindowOfProgram(const wchar_t* windowClass, const wchar_t* exeName) {
    for (HWND w = FindWindowExW(nullptr, nullptr, windowClass, nullptr); w;
         w = FindWindowExW(nullptr, w, windowClass, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != 0 && ProcessRunsFile(pid, exeName)) return w;
    }
    return nullptr;
}

bool CloseWindowInTime(HWND window) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kOtherCopyAnswerMs, &ignored) !=
           0;
}

}  // namespace zephrin
