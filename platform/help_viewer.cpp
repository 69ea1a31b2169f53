#include "platform/help_viewer.h"

#include "platform/folders.h"
#include "platform/system_library.h"

namespace zephrin {
namespace {

constexpr UINT kHelpDisplayTopic = 0;  // HH_DISPLAY_TOPIC
constexpr UINT kHelpCloseAll = 0x12;   // HH_CLOSE_ALL
constexpr wchar_t kHelpLibrary[] = L"hhctrl.ocx";

}  // namespace

std::wstring HelpPath(const std::wstring& folder, const std::wstring& file, const std::wstring& topic) {
    return folder + file + L"::" + topic + L">HelpWindow";
}

std::wstring HelpLibraryPath() { return SystemFilePath(kHelpLibrary); }

HMODULE HelpViewer::Library() {
    if (!tried_) {
        tried_ = true;
        library_.reset(LoadLibraryAt(path_));
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

}  // namespace zephrin
