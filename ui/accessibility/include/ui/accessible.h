#pragma once
// Screen readers' view of the toolkit's windows, through Microsoft Active
// Accessibility: each container answers WM_GETOBJECT for its client area with
// one object whose children are its windowless elements (keyboard items,
// labels, the window's logo) and its child windows as their standard objects;
// a keyboard item's focus stop answers for the item; a control named by a
// label answers with its standard object under that name. The accessibility
// library is loaded at the first question, so a run that nobody reads pays nothing.
#include <string>

namespace zephrin::ui {

// Gives the application object the bridge that answers for every window from now on.
void InstallScreenReaders();

// "Internet Type:" read as "Internet Type".
std::wstring WithoutTrailingColon(std::wstring text);

}  // namespace zephrin::ui
