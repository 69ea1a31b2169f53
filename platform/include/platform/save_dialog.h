#pragma once
// The system's Save dialog, loaded at its first use.
#include <windows.h>

#include <string>

namespace zephrin {

// The standard Save dialog, offering `suggestedName` and files of one
// extension ("reg", named `kindName` in the list of types). The chosen path,
// or empty when the user cancelled or the dialog could not be shown.
std::wstring AskFileToSave(HWND owner, const std::wstring& suggestedName, const std::wstring& kindName,
                           const std::wstring& extension);

}  // namespace zephrin
