#include "platform/shell.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <vector>

#ifndef ZEPHRIN_WEB_HOST
#define ZEPHRIN_WEB_HOST "www.zephrin.example"
#endif

namespace zephrin {

std::wstring SystemFilePath(const wchar_t* file) {
    std::vector<wchar_t> dir(MAX_PATH);
    const UINT n = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
    if (n == 0 || n >= dir.size()) return {};
    std::wstring path(dir.data(), n);
    if (path.back() != L'\\') path += L'\\';
    return path + file;
}

namespace {

// We run elevated: a library is loaded by its full system path, so the search
// path can never pick up a planted copy. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* file) {
    const std::wstring path = SystemFilePath(file);
    return path.empty() ? nullptr : LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

constexpr UINT kHelpDisplayTopic = 0;  // HH_DISPLAY_TOPIC
constexpr UINT kHelpCloseAll = 0x12;   // HH_CLOSE_ALL
constexpr wchar_t kHelpLibrary[] = L"hhctrl.ocx";

// The shell and the sound service are loaded at their first use, not with the
// program: a start that never launches or clicks does not pay for them. Once
// loaded they stay, since the shell may still be working for us on its own threads.
template <typename F>
F* SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = GetModuleHandleW(library);
    if (!module) module = LoadSystemLibrary(library);
    FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<F*>(reinterpret_cast<void*>(proc));
}

void Launch(HWND owner, const std::wstring& file, const wchar_t* parameters) {
    if (auto* shellExecute = SystemFunction<decltype(ShellExecuteW)>(L"shell32.dll", "ShellExecuteW"))
        shellExecute(owner, L"open", file.c_str(), parameters, nullptr, SW_SHOW);
}

std::wstring Widen(const char* text) {
    std::wstring out;
    for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return out;
}

}  // namespace

void RestrictLibrarySearch() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return;
    // The system folder alone where the system can say so (Vista and later, and 7 with its update),
    // else at least not the current folder (XP SP1 on).
    using SetDefaultDirs = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (auto setDefault = reinterpret_cast<SetDefaultDirs>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories"))))
        if (setDefault(kSearchSystem32)) return;
    using SetDir = BOOL(WINAPI*)(LPCWSTR);
    if (auto setDir = reinterpret_cast<SetDir>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW"))))
        setDir(L"");
}

std::wstring ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            std::wstring full(path.data(), n);
            const size_t slash = full.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
        }
        path.resize(path.size() * 2);
    }
}

void ShellOpen(HWND owner, const std::wstring& file, const std::wstring& parameters) {
    Launch(owner, file, parameters.c_str());
}

void ShellOpenURL(HWND owner, const std::wstring& address) { Launch(owner, address, nullptr); }

UniqueHandle StartProgram(const std::wstring& file, const std::wstring& parameters) {
    std::wstring commandLine = L"\"" + file + L"\"";
    if (!parameters.empty()) commandLine += L" " + parameters;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(file.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return UniqueHandle();
    CloseHandle(process.hThread);
    return UniqueHandle(process.hProcess);
}

std::wstring HelpPath(const std::wstring& folder, const std::wstring& file, const std::wstring& topic) {
    return folder + file + L"::" + topic + L">HelpWindow";
}

std::wstring HelpLibraryPath() { return SystemFilePath(kHelpLibrary); }

HMODULE HelpViewer::Library() {
    if (!tried_) {
        tried_ = true;
        if (!path_.empty()) library_.reset(LoadLibraryExW(path_.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        if (library_) {
            auto a = GetProcAddress(library_.get(), "HtmlHelpA");
            auto w = GetProcAddress(library_.get(), "HtmlHelpW");
            if (a && w) htmlHelpW_ = reinterpret_cast<HtmlHelpWFn>(reinterpret_cast<void*>(w));
        }
    }
    return htmlHelpW_ ? library_.get() : nullptr;
}

HelpViewer::~HelpViewer() {
    if (htmlHelpW_) htmlHelpW_(nullptr, nullptr, kHelpCloseAll, 0);
}

void HelpViewer::ShowTopic(const std::wstring& helpFile, const std::wstring& topic) {
    if (!Library()) return;
    const std::wstring path = HelpPath(ProgramFolder(), helpFile, topic);
    htmlHelpW_(GetDesktopWindow(), path.c_str(), kHelpDisplayTopic, 0);
}

void PlayClickSound() {
    if (auto* playSound = SystemFunction<decltype(PlaySoundW)>(L"winmm.dll", "PlaySoundW"))
        playSound(L"click", GetModuleHandleW(nullptr), SND_RESOURCE);
}

std::wstring HomePageUrl() { return L"http://" + Widen(ZEPHRIN_WEB_HOST) + L"/"; }
std::wstring SupportPageUrl() { return L"http://" + Widen(ZEPHRIN_WEB_HOST) + L"/support/"; }

}  // namespace zephrin
