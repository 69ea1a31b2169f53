// Overruns a buffer on its own stack, as an attacker's input would, to show
// that the build's stack protection ends the program before the damage is used.
//   overrun_probe.exe canary   writes past a local array element by element
//   overrun_probe.exe copy     copies too much into it with memcpy
// Either way "<this program>.survived" is written only if the overrun went unnoticed.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

volatile size_t g_length = 64;  // not known to the compiler, as input never is

__attribute__((noinline)) void ByElement(const char* text) {
    char buffer[8];
    char* to = buffer;
    asm("" : "+r"(to));  // the compiler may not use the array's size to shorten the loop
    for (size_t i = 0; i < g_length; ++i) to[i] = text[i];
    OutputDebugStringA(buffer);
}

__attribute__((noinline)) void ByCopy(const char* text) {
    char buffer[8];
    std::memcpy(buffer, text, g_length);
    OutputDebugStringA(buffer);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR cmdLine, int) {
    static const char text[128] = "an input far longer than the buffer it is copied into, as no input should be";
    if (std::wstring(cmdLine) == L"copy")
        ByCopy(text);
    else
        ByElement(text);
    wchar_t path[MAX_PATH];
    std::wstring marker(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    marker += L".survived";
    CloseHandle(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return 0;
}
