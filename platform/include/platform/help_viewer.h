#pragma once
// The compiled help viewer, loaded from the system folder at the first request.
#include <windows.h>

#include <string>

#include "platform/handles.h"
#include "platform/system_library.h"

namespace zephrin {

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

}  // namespace zephrin
