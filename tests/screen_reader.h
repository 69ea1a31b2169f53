#pragma once
// A program's windows as a screen reader in another process asks them:
// their accessibility objects, names, roles and child windows.
#include <windows.h>

#include <oleacc.h>

#include <string>
#include <vector>

#include "platform/handles.h"

namespace zephrin::test {

struct Com {
    Com() { CoInitialize(nullptr); }
    ~Com() { CoUninitialize(); }
};

inline ComPtr<IAccessible> ObjectOf(HWND window, LONG id = OBJID_CLIENT) {
    ComPtr<IAccessible> object;
    AccessibleObjectFromWindow(window, static_cast<DWORD>(id), IID_IAccessible, object.putVoid());
    return object;
}

inline std::wstring Name(IAccessible* object, LONG child = CHILDID_SELF) {
    VARIANT id{};
    id.vt = VT_I4;
    id.lVal = child;
    BSTR name = nullptr;
    if (object->get_accName(id, &name) != S_OK || !name) return L"(none)";
    std::wstring text(name);
    SysFreeString(name);
    return text;
}

inline LONG Number(IAccessible* object, LONG child, bool state) {
    VARIANT id{}, out{};
    id.vt = VT_I4;
    id.lVal = child;
    if ((state ? object->get_accState(id, &out) : object->get_accRole(id, &out)) != S_OK || out.vt != VT_I4) return -1;
    return out.lVal;
}

// "name | role" per simple child, "[window]" for a child window; the states that matter kept apart.
inline std::vector<std::wstring> Tree(IAccessible* object, RECT within) {
    std::vector<std::wstring> rows;
    LONG count = 0;
    object->get_accChildCount(&count);
    for (LONG i = 1; i <= count; ++i) {
        VARIANT id{};
        id.vt = VT_I4;
        id.lVal = i;
        IDispatch* child = nullptr;
        if (object->get_accChild(id, &child) == S_OK && child) {
            child->Release();
            rows.push_back(L"[window]");
            continue;
        }
        const LONG role = Number(object, i, false);
        const LONG state = Number(object, i, true);
        std::wstring row = Name(object, i) + L" | " +
                           (role == ROLE_SYSTEM_LINK          ? L"link"
                            : role == ROLE_SYSTEM_PUSHBUTTON  ? L"button"
                            : role == ROLE_SYSTEM_GRAPHIC     ? L"graphic"
                            : role == ROLE_SYSTEM_STATICTEXT  ? L"text"
                                                              : std::to_wstring(role));
        if (state & STATE_SYSTEM_FOCUSABLE) row += L" | focusable";
        LONG x = 0, y = 0, w = 0, h = 0;
        object->accLocation(&x, &y, &w, &h, id);
        if (w <= 0 || h <= 0 || x < within.left || y < within.top || x + w > within.right || y + h > within.bottom)
            row += L" | outside its window";
        rows.push_back(row);
    }
    return rows;
}

struct Search {
    const wchar_t* cls;
    int index;
    HWND found;
};

inline BOOL CALLBACK MatchNth(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (_wcsicmp(cls, s->cls) != 0 || s->index-- > 0) return TRUE;
    s->found = w;
    return FALSE;
}

// The index-th descendant of a class, at any depth.
inline HWND Descendant(HWND parent, const wchar_t* className, int index = 0) {
    Search search{className, index, nullptr};
    EnumChildWindows(parent, MatchNth, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace zephrin::test
