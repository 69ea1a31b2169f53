// Starts a program and reports, as one JSON line, how long it took until its
// visible top-level window of a given class answered a message, its working
// set and the libraries it had loaded then, and the CPU time it used over the
// next 3 s of idling. With
// --until-exit it reports the time from start to the program's end instead.
//   launcher.exe [--until-exit] <window class or -> <program> [arguments...]
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[128] = {};
    GetClassNameW(w, cls, 128);
    if (pid == s->pid && IsWindowVisible(w) && lstrcmpW(cls, s->cls) == 0) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

double Ms(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER freq) {
    return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// The file names of the modules loaded in a process, lowercase, as a JSON array.
std::string LoadedModules(HANDLE process) {
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModules(process, modules, sizeof modules, &bytes)) return "[]";
    std::string out = "[";
    for (DWORD i = 1; i < bytes / sizeof(HMODULE) && i < 512; ++i) {  // 0 is the program itself
        wchar_t name[MAX_PATH] = {};
        if (!GetModuleBaseNameW(process, modules[i], name, MAX_PATH)) continue;
        CharLowerW(name);
        char narrow[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_UTF8, 0, name, -1, narrow, sizeof narrow, nullptr, nullptr);
        out += (out.size() > 1 ? ", \"" : "\"") + std::string(narrow) + "\"";
    }
    return out + "]";
}

ULONGLONG CpuTime100ns(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    auto v = [](FILETIME f) { return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return v(kernel) + v(user);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int i = 1;
    bool untilExit = false;
    if (i < argc && lstrcmpW(argv[i], L"--until-exit") == 0) {
        untilExit = true;
        ++i;
    }
    if (argc - i < 2) {
        std::fwprintf(stderr, L"usage: launcher [--until-exit] <class|-> <program> [arguments...]\n");
        return 2;
    }
    const wchar_t* cls = argv[i++];
    std::wstring cmd = L"\"" + std::wstring(argv[i++]) + L"\"";
    for (; i < argc; ++i) cmd += L" " + std::wstring(argv[i]);

    LARGE_INTEGER freq, start, ready;
    QueryPerformanceFrequency(&freq);
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 3;

    if (untilExit) {
        WaitForSingleObject(pi.hProcess, 120000);
        QueryPerformanceCounter(&ready);
        std::printf("{\"exit_ms\": %.1f}\n", Ms(start, ready, freq));
        return 0;
    }
    Search s{pi.dwProcessId, cls, nullptr};
    for (int tries = 0; tries < 60000; ++tries) {
        s.found = nullptr;
        EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&s));
        DWORD_PTR ignored = 0;
        if (s.found && SendMessageTimeoutW(s.found, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored)) break;
        Sleep(1);
    }
    QueryPerformanceCounter(&ready);
    if (!s.found) {
        TerminateProcess(pi.hProcess, 1);
        return 4;
    }
    PROCESS_MEMORY_COUNTERS memory{sizeof memory};
    GetProcessMemoryInfo(pi.hProcess, &memory, sizeof memory);
    const std::string modules = LoadedModules(pi.hProcess);
    const ULONGLONG before = CpuTime100ns(pi.hProcess);
    Sleep(3000);
    const ULONGLONG after = CpuTime100ns(pi.hProcess);
    PostMessageW(s.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    std::printf("{\"startup_ms\": %.1f, \"working_set_kb\": %lu, \"idle_cpu_ms\": %.1f, \"dlls\": %s}\n",
                Ms(start, ready, freq), static_cast<unsigned long>(memory.WorkingSetSize / 1024),
                static_cast<double>(after - before) / 10000.0, modules.c_str());
    return 0;
}
