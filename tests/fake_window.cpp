// A program of the user's that registers a window under one of Zephrin's
// class names, as a hostile one might.
//   fake_window.exe <window class>
//       never answers a message
//   fake_window.exe <window class> <staging folder> <replacement> <moved to>
//       answers WM_CLOSE, the updater's signal, by trying to put the
//       replacement in place of every staged setup program there: first by
//       writing the file, then by moving its folder to <moved to> and making
//       a new one of the same name. What it managed is written to
//       <this program>.swapped, a line each.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> g_args;
std::wstring g_report;

void Report(const std::wstring& line) {
    const std::wstring text = line + L"\n";
    HANDLE f = CreateFileW((g_report).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(f);
}

// The replacement's bytes with one more at the end, so that they run but are not the release's.
bool WriteReplacement(HANDLE to) {
    HANDLE from = CreateFileW(g_args[3].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (from == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD got = 0, written = 0;
    bool ok = true;
    while (ok && ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0)
        ok = WriteFile(to, buffer, got, &written, nullptr) && written == got;
    CloseHandle(from);
    return ok && WriteFile(to, "X", 1, &written, nullptr);
}

void Swap() {
    const std::wstring staging = g_args[2];
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((staging + L"ZephrinUpdate-*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return Report(L"staged=none");
    FindClose(find);
    const std::wstring folder = staging + found.cFileName;
    const std::wstring setup = folder + L"\\ZephrinSetup.exe";
    HANDLE file = CreateFileW(setup.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Report(L"write=refused");
    } else {
        Report(WriteReplacement(file) ? L"write=done" : L"write=failed");
        CloseHandle(file);
    }
    if (!MoveFileW(folder.c_str(), g_args[4].c_str())) return Report(L"folder=kept");
    CreateDirectoryW(folder.c_str(), nullptr);
    HANDLE planted = CreateFileW(setup.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (planted == INVALID_HANDLE_VALUE) return Report(L"folder=moved");
    const bool ok = WriteReplacement(planted);
    CloseHandle(planted);
    Report(ok ? L"folder=replaced" : L"folder=moved");
}

LRESULT CALLBACK Answer(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        Swap();
        DestroyWindow(wnd);
        return 0;
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; i < count; ++i) g_args.push_back(argv[i]);
    LocalFree(argv);
    if (g_args.size() < 2) return 1;
    const bool answers = g_args.size() >= 5;
    wchar_t self[MAX_PATH];
    g_report = std::wstring(self, GetModuleFileNameW(nullptr, self, MAX_PATH)) + L".swapped";

    WNDCLASSW wc{};
    wc.lpfnWndProc = answers ? Answer : DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = g_args[1].c_str();
    if (!RegisterClassW(&wc)) return 1;
    if (!CreateWindowExW(0, wc.lpszClassName, L"Zephrin", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                         instance, nullptr))
        return 1;
    if (!answers) Sleep(INFINITE);  // the window is never serviced
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
