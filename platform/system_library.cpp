#include "platform/system_library.h"
#include "platform/trace.h"

#include <vector>

namespace zephrin {

std::wstring SystemFilePath(const wchar_t* file) {
    std::vector<wchar_t> dir(MAX_PATH);
    const UINT n = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
    if (n == 0 || n >= dir.size()) return {};
    std::wstring path(dir.data(), n);
    if (path.back() != L'\\') path += L'\\';
    return path + file;
}

DWORD SystemLibraryLoadFlags() {
    // The flag is known wherever the functions that came with it are (8, and Vista and 7 with their update).
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel && GetProcAddress(kernel, "AddDllDirectory") ? kSearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH;
}

HMODULE LoadLibraryAt(const std::wstring& path) {
    return path.empty() ? nullptr : LoadLibraryExW(path.c_str(), nullptr, SystemLibraryLoadFlags());
}

namespace {

// We run elevated: a library is loaded by its full system path, so the search
// path can never pick up a planted copy. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* file) { return LoadLibraryAt(SystemFilePath(file)); }

}  // namespace

void RestrictLibrarySearch() {
    // The system folder alone where the system can say so (Vista and later, and 7 with its update),
    // else at least not the current folder (XP SP1 on).
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (auto setDefault = SystemFunction<BOOL WINAPI(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories"))
        if (setDefault(kSearchSystem32)) return;
    if (auto setDir = SystemFunction<BOOL WINAPI(LPCWSTR)>(L"kernel32.dll", "SetDllDirectoryW")) setDir(L"");
}

FARPROC SystemProcedure(const wchar_t* library, const char* name) {
    HMODULE module = GetModuleHandleW(library);
    if (!module) module = LoadSystemLibrary(library);
    FARPROC found = module ? GetProcAddress(module, name) : nullptr;
    if (!found) {
        std::wstring what = std::wstring(L"no ") + library + L"!";
        for (const char* c = name; *c; ++c) what += static_cast<wchar_t>(static_cast<unsigned char>(*c));
        TraceSwallowed((what + L" on this system").c_str());
    }
    return found;
}

}  // namespace zephrin
