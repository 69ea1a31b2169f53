#include "shell/shell.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <vector>

#include "settings/handles.h"
#include "ui/application.h"

#ifndef ZEPHRIN_WEB_HOST
#define ZEPHRIN_WEB_HOST "www.zephrin.example"
#endif

namespace zephrin {
namespace {

constexpr UINT kHelpDisplayTopic = 0;  // HH_DISPLAY_TOPIC
using HtmlHelpWFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// The help library lives from the first help request to the end of the run.
struct HelpViewer {
    bool tried = false;
    UniqueModule library;
    HtmlHelpWFn htmlHelpW = nullptr;
};

HelpViewer& Viewer() {
    static HelpViewer viewer;
    return viewer;
}

HWND g_applicationWindow = nullptr;  // borrowed: owned by the application

void Launch(HWND owner, const std::wstring& file, const wchar_t* parameters) {
    try {
        ShellExecuteW(owner, L"open", file.c_str(), parameters, nullptr, SW_SHOW);
    } catch (...) {
    }
}

std::wstring Widen(const char* text) {
    std::wstring out;
    for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return out;
}

}  // namespace

void SetApplicationWindow(HWND window) { g_applicationWindow = window; }
HWND ApplicationWindow() { return g_applicationWindow; }

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

void ShellOpen(const std::wstring& file, const std::wstring& parameters) {
    Launch(ApplicationWindow(), file, parameters.c_str());
}

void ShellOpenNoOwner(const std::wstring& file, const std::wstring& parameters) {
    Launch(nullptr, file, parameters.c_str());
}

void ShellOpenURL(const std::wstring& address) { Launch(ApplicationWindow(), address, nullptr); }

std::wstring HelpPath(const std::wstring& folder, const std::wstring& file, const std::wstring& topic) {
    return folder + file + L"::" + topic + L">HelpWindow";
}

std::wstring HelpLibraryPath() {
    std::vector<wchar_t> dir(MAX_PATH);
    const UINT n = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
    if (n == 0 || n >= dir.size()) return {};
    std::wstring path(dir.data(), n);
    if (path.back() != L'\\') path += L'\\';
    return path + L"hhctrl.ocx";
}

HMODULE HelpLibrary() {
    HelpViewer& v = Viewer();
    if (!v.tried) {
        v.tried = true;
        // We run elevated: never let the search path pick up a planted copy.
        const std::wstring path = HelpLibraryPath();
        if (!path.empty())
            v.library.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        if (v.library) {
            auto a = GetProcAddress(v.library.get(), "HtmlHelpA");
            auto w = GetProcAddress(v.library.get(), "HtmlHelpW");
            if (a && w) v.htmlHelpW = reinterpret_cast<HtmlHelpWFn>(reinterpret_cast<void*>(w));
        }
    }
    return v.htmlHelpW ? v.library.get() : nullptr;
}

void ShowHelpTopic(const std::wstring& helpFile, const std::wstring& topic) {
    try {
        if (!HelpLibrary()) return;
        const std::wstring path = HelpPath(ProgramFolder(), helpFile, topic);
        Viewer().htmlHelpW(GetDesktopWindow(), path.c_str(), kHelpDisplayTopic, 0);
    } catch (...) {
    }
}

void PlayClickSound() {
    try {
        PlaySoundW(L"click", GetModuleHandleW(nullptr), SND_RESOURCE);
    } catch (...) {
    }
}

void InstallHandCursor() {
    try {
        HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
        if (hand)
            ui::Application::Instance().SetCursor(ui::CursorId::HandPoint, hand);
        else
            ui::Application::Instance().RemoveCursor(ui::CursorId::HandPoint);
    } catch (...) {
    }
}

std::wstring HomePageUrl() { return L"http://" + Widen(ZEPHRIN_WEB_HOST) + L"/"; }
std::wstring SupportPageUrl() { return L"http://" + Widen(ZEPHRIN_WEB_HOST) + L"/support/"; }

}  // namespace zephrin
