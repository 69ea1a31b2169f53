#pragma once
// Screen readers' view of our windows, through Microsoft Active
// Accessibility: each container answers WM_GETOBJECT for its client area with
// one object whose children are its windowless elements (keyboard items,
// labels, the window's logo) and its child windows as their standard objects;
// a keyboard item's focus stop answers for the item; a control named by a
// label answers with its standard object under that name. The accessibility
// library is loaded at the first question, so a run that nobody reads pays nothing.
#include <windows.h>

#include <string>

namespace zephrin::ui {

class Container;
class Component;
struct KeyboardItem;

namespace accessible {

// Posted to a keyboard item's stop to press it on the window's own turn.
inline constexpr UINT kPressItem = WM_APP + 0x3A0;

// The window whose client area shows the item.
HWND ItemContainer(const KeyboardItem& item);

// The answer to WM_GETOBJECT, or 0 to leave it to DefWindowProc.
LRESULT AnswerContainer(HWND window, WPARAM wp, LPARAM lp);
LRESULT AnswerItem(HWND stop, WPARAM wp, LPARAM lp);

// Events for clients that listen: a keyboard item took the focus, or a text changed its name.
void ItemFocused(const KeyboardItem& item);
void NameChanged(const Component& component);

// A control's windows answer to `name` (computed when asked) from now on.
void NameWindow(HWND window);

// "Internet Type:" read as "Internet Type".
std::wstring WithoutTrailingColon(std::wstring text);

}  // namespace accessible
}  // namespace zephrin::ui
