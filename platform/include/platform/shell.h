#pragma once
// The thin layer over the shell, the help viewer and the sound service.
// Nothing here reports a failure.
#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace zephrin {

// The folder of the running program file, with its trailing separator.
std::wstring ProgramFolder();

// Opens a file, program or address; `owner` may be null.
void ShellOpen(HWND owner, const std::wstring& file, const std::wstring& parameters);
void ShellOpenURL(HWND owner, const std::wstring& address);
// Starts a program directly, without the shell's file associations; its
// process handle, or an empty one when it could not start.
UniqueHandle StartProgram(const std::wstring& file, const std::wstring& parameters);

// Takes the program's own folder and the current folder out of the search
// for libraries loaded from now on: we run elevated, possibly from a Downloads
// folder where anything may lie beside us. Called first thing by both programs.
void RestrictLibrarySearch();

// A file in the system folder. System libraries that are loaded by name come
// from there, never from the search path: we run elevated.
std::wstring SystemFilePath(const wchar_t* file);

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

// The maker's pages.
std::wstring HomePageUrl();
std::wstring SupportPageUrl();

}  // namespace zephrin
