// A stand-in for programs Zephrin starts: it records its command line and
// whether it was started with a console or window owner, then ends.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR cmdLine, int) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring record(path, n);
    record += L".started";
    if (FILE* f = _wfopen(record.c_str(), L"ab")) {
        // UTF-16 as it stands, one line per start.
        fwrite(cmdLine, sizeof(wchar_t), wcslen(cmdLine), f);
        fwrite(L"\n", sizeof(wchar_t), 1, f);
        fclose(f);
    }
    return 0;
}
