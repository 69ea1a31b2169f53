#pragma once
// The thin layer over the shell, the help viewer and the sound service.
// Nothing here reports a failure.
#include <windows.h>

#include <functional>
#include <string>

#include "platform/handles.h"

namespace zephrin {

// The folder of the running program file, with its trailing separator.
std::wstring ProgramFolder();

// Opens a page or document as the user who logged on, through the desktop's
// own shell, so that nothing we open runs with our rights. Where the shell
// cannot be asked so (it has ended), our own shell call opens it, owned by
// `owner` (may be null), but only when our rights are that user's own
// (HasDesktopUsersOwnRights); otherwise nothing is opened.
void OpenForDesktopUser(HWND owner, const std::wstring& file);
// The same rule, given the desktop shell's open (false when it could not be
// asked) and the answer about our rights.
void OpenForDesktopUser(HWND owner, const std::wstring& file, const std::function<bool(const std::wstring&)>& desktopShell,
                        bool ownRightsAreTheDesktopUsers);
// Starts a program directly, without the shell's file associations; its
// process handle, or an empty one when it could not start.
UniqueHandle StartProgram(const std::wstring& file, const std::wstring& parameters);

// The system's folder for data of all users (ProgramData), with its trailing
// separator: from the shell's known folder, never from the environment, which
// the user sets. Empty when the shell cannot say.
std::wstring CommonDataFolder();

// Starts `file`, which `verified` holds open without write or delete
// sharing, and makes sure that what runs is that file: where the system can
// tell (Vista on), the process starts suspended and is ended unstarted when
// its image is not the file the handle holds. Elsewhere the held handle and
// its folder's access list are what keep it the same.
UniqueHandle StartVerifiedProgram(HANDLE verified, const std::wstring& file, const std::wstring& parameters);
// Whether two full paths name the same file, in the forms the system gives
// them: a handle's final path (\\?\ and \\?\UNC\) and a process image's path.
bool SamePathName(const std::wstring& a, const std::wstring& b);

// Takes the program's own folder and the current folder out of the search
// for libraries loaded from now on: we run elevated, possibly from a Downloads
// folder where anything may lie beside us. Called first thing by both programs.
void RestrictLibrarySearch();

// How a library is loaded by its full path: its own dependencies come from
// the system folder alone where Windows can be told so; elsewhere from the
// library's folder first, as LOAD_WITH_ALTERED_SEARCH_PATH has it (the
// current folder is out of the search from the start, RestrictLibrarySearch).
DWORD SystemLibraryLoadFlags();
// Null when it cannot be loaded.
HMODULE LoadLibraryAt(const std::wstring& path);

// A file in the system folder. System libraries that are loaded by name come
// from there, never from the search path: we run elevated.
std::wstring SystemFilePath(const wchar_t* file);

// A function of a system library, which is loaded from the system folder at
// its first use, not with the program: a run that never needs it does not pay
// for it. Once loaded it stays, since it may still be working for us on its
// own threads. Null when the library or the function is missing.
FARPROC SystemProcedure(const wchar_t* library, const char* name);
template <typename F>
F* SystemFunction(const wchar_t* library, const char* name) {
    return reinterpret_cast<F*>(reinterpret_cast<void*>(SystemProcedure(library, name)));
}

std::wstring HelpPath(const std::wstring& folder, const std::wstring& file, const std::wstring& topic);
// Where the help viewer's library is loaded from: the system folder only.
std::wstring HelpLibraryPath();

// The help viewer's library, loaded on the first request and kept until the viewer goes.
class HelpViewer {
public:
    // `library`: the help viewer's full path; tests name others.
    explicit HelpViewer(std::wstring library = HelpLibraryPath()) : path_(std::move(library)) {}
    // Closes every help window before the library that drives them goes.
    ~HelpViewer();
    HelpViewer(const HelpViewer&) = delete;
    HelpViewer& operator=(const HelpViewer&) = delete;
    // Null when the library is missing or unusable.
    HMODULE Library();
    void ShowTopic(const std::wstring& helpFile, const std::wstring& topic);

private:
    using HtmlHelpWFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    std::wstring path_;
    bool tried_ = false;
    UniqueModule library_;
    HtmlHelpWFn htmlHelpW_ = nullptr;  // inside library_
};

void PlayClickSound();

// The standard Save dialog, offering `suggestedName` and files of one
// extension ("reg", named `kindName` in the list of types). The chosen path,
// or empty when the user cancelled or the dialog could not be shown.
std::wstring AskFileToSave(HWND owner, const std::wstring& suggestedName, const std::wstring& kindName,
                           const std::wstring& extension);

// The maker's pages.
std::wstring HomePageUrl();
std::wstring SupportPageUrl();

}  // namespace zephrin
