#pragma once
// Owning wrappers for the Win32 handles the program holds. One template,
// one deleter per handle kind; a borrowed handle is stored as the raw type.
#include <windows.h>

#include <commctrl.h>

#include <utility>

namespace zephrin {

template <typename Handle, typename Deleter>
class Unique {
public:
    Unique() = default;
    explicit Unique(Handle h) : h_(h) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : h_(std::exchange(other.h_, Handle{})) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(std::exchange(other.h_, Handle{}));
        return *this;
    }
    ~Unique() { reset(); }

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Handle{}; }
    Handle* put() { reset(); return &h_; }
    Handle release() { return std::exchange(h_, Handle{}); }
    void reset(Handle h = Handle{}) {
        if (h_ != Handle{}) Deleter{}(h_);
        h_ = h;
    }

private:
    Handle h_{};
};

struct KeyDeleter { void operator()(HKEY k) const { RegCloseKey(k); } };
struct KernelHandleDeleter { void operator()(HANDLE h) const { CloseHandle(h); } };
struct ModuleDeleter { void operator()(HMODULE m) const { FreeLibrary(m); } };
// Only for top-level windows: a child window belongs to its parent.
struct WindowDeleter { void operator()(HWND w) const { DestroyWindow(w); } };
struct GdiDeleter { void operator()(HGDIOBJ o) const { DeleteObject(o); } };
struct DcDeleter { void operator()(HDC dc) const { DeleteDC(dc); } };
struct MenuDeleter { void operator()(HMENU m) const { DestroyMenu(m); } };
struct ImageListDeleter { void operator()(HIMAGELIST l) const { ImageList_Destroy(l); } };
struct IconDeleter { void operator()(HICON i) const { DestroyIcon(i); } };

using UniqueKey = Unique<HKEY, KeyDeleter>;
using UniqueHandle = Unique<HANDLE, KernelHandleDeleter>;
using UniqueModule = Unique<HMODULE, ModuleDeleter>;
using UniqueWindow = Unique<HWND, WindowDeleter>;
using UniqueFont = Unique<HFONT, GdiDeleter>;
using UniqueBitmap = Unique<HBITMAP, GdiDeleter>;
using UniqueBrush = Unique<HBRUSH, GdiDeleter>;
using UniquePen = Unique<HPEN, GdiDeleter>;
using UniqueDC = Unique<HDC, DcDeleter>;
using UniqueMenu = Unique<HMENU, MenuDeleter>;
using UniqueImageList = Unique<HIMAGELIST, ImageListDeleter>;
using UniqueIcon = Unique<HICON, IconDeleter>;

// Owns one reference to a COM interface.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* p) : p_(p) {}
    ~ComPtr() {
        if (p_) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            if (p_) p_->Release();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** put() { return &p_; }
    void** putVoid() { return reinterpret_cast<void**>(&p_); }
    T* release() { return std::exchange(p_, nullptr); }

private:
    T* p_ = nullptr;
};

// Selects a GDI object into a DC for one scope and puts the old one back.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    ~SelectScope() { if (old_) SelectObject(dc_, old_); }

private:
    HDC dc_;       // borrowed
    HGDIOBJ old_;  // borrowed back from the DC
};

// GetDC/ReleaseDC pair for one scope.
class WindowDC {
public:
    explicit WindowDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() { if (dc_) ReleaseDC(wnd_, dc_); }
    HDC get() const { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};

}  // namespace zephrin
