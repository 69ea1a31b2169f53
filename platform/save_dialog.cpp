#include "platform/save_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "platform/system_library.h"

namespace zephrin {

std::wstring AskFileToSave(HWND owner, const std::wstring& suggestedName, const std::wstring& kindName,
                           const std::wstring& extension) {
    // The common dialogs library is loaded for the first save, not at every start.
    auto* getSaveFileName = SystemFunction<decltype(GetSaveFileNameW)>(L"comdlg32.dll", "GetSaveFileNameW");
    if (!getSaveFileName) return {};
    std::vector<wchar_t> file(32768, L'\0');
    suggestedName.copy(file.data(), (std::min)(suggestedName.size(), file.size() - 1));
    std::wstring filter = kindName + L'\0' + L"*." + extension + L'\0' + L'\0';
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = extension.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!getSaveFileName(&ofn)) return {};
    return file.data();
}

}  // namespace zephrin
