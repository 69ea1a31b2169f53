// A program of the user's that registers a window under one of Zephrin's
// class names and then never answers a message, as a hostile one might.
//   fake_window.exe <window class>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR cmdLine, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = cmdLine;
    if (!RegisterClassW(&wc)) return 1;
    if (!CreateWindowExW(0, cmdLine, L"Zephrin", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, instance,
                         nullptr))
        return 1;
    Sleep(INFINITE);  // the window is never serviced
    return 0;
}
