#include <algorithm>

#include "ui/application.h"
#include "ui/toolkit.h"

namespace zephrin::ui {
namespace {

bool EqualsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x + 32);
        if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::wstring FontKey(const FontSpec& f) {
    return f.name + L"|" + std::to_wstring(f.sizePt) + L"|" + std::to_wstring(f.style) + L"|" +
           std::to_wstring(f.charset);
}

int ScreenDpi() {
    WindowDC screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

}  // namespace

Form::Form(FormArgs args) : args_(std::move(args)) { ownerForm_ = this; }

Form::~Form() {
    // Child windows go with their parent, before the components that hold their handles.
    window_.reset();
}

void Form::Adopt(std::unique_ptr<Component> c, Container* parent) {
    if (!parent) parent = this;
    c->form_ = this;
    c->parent_ = c->kind() == Kind::MenuItem || c->kind() == Kind::PopupMenu ||
                         c->kind() == Kind::ImageList
                     ? nullptr
                     : parent;
    if (auto* ctl = dynamic_cast<Control*>(c.get())) ctl->controlId = nextId_++;
    if (auto* item = dynamic_cast<MenuItem*>(c.get())) item->commandId = nextId_++;
    if (auto* panel = dynamic_cast<Panel*>(c.get())) panel->ownerForm_ = this;
    if (c->parent_) parent->children_.push_back(c.get());
    components_.push_back(std::move(c));
}

Component* Form::Find(const std::wstring& name) const {
    for (const auto& c : components_)
        if (EqualsIgnoringAsciiCase(c->name(), name)) return c.get();
    return nullptr;
}

void Form::SetTitle(const std::wstring& title) {
    if (window_) SetWindowTextW(window_.get(), title.c_str());
}

std::wstring Form::Title() const {
    if (!window_) return {};
    wchar_t buf[512] = {};
    GetWindowTextW(window_.get(), buf, 512);
    return buf;
}

HFONT Form::FontHandle(const FontSpec& wanted) {
    const std::wstring key = FontKey(wanted);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second.get();
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(wanted.sizePt, dpi_, 72);
    lf.lfWeight = (wanted.style & kBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (wanted.style & kItalic) ? TRUE : FALSE;
    lf.lfUnderline = (wanted.style & kUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (wanted.style & kStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = wanted.charset;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, wanted.name.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    fonts_[key].reset(font);
    return font;
}

void Form::FontsChanged() {
    for (auto& c : components_) c->FontsChanged();
    if (window_) InvalidateRect(window_.get(), nullptr, FALSE);
}

void Form::RealizeChildren(Container* container) {
    std::vector<Component*> windowed;
    for (Component* c : container->children_)
        if (!c->IsWindowless()) windowed.push_back(c);
    // Window order is tab order.
    std::stable_sort(windowed.begin(), windowed.end(),
                     [](Component* a, Component* b) { return a->tabOrder < b->tabOrder; });
    for (Component* c : windowed) {
        c->Realize();
        if (auto* panel = dynamic_cast<Panel*>(c)) RealizeChildren(panel);
    }
}

LRESULT CALLBACK Form::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_.reset(wnd);
    }
    if (!self) return DefWindowProcW(wnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        self->window_.release();
        return DefWindowProcW(wnd, msg, wp, lp);
    }
    try {
        return self->HandleMessage(msg, wp, lp);
    } catch (...) {
        return DefWindowProcW(wnd, msg, wp, lp);
    }
}

Control* Form::ControlById(int id) const {
    for (const auto& c : components_)
        if (auto* ctl = dynamic_cast<Control*>(c.get()); ctl && ctl->controlId == id) return ctl;
    return nullptr;
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND wnd = window_.get();
    LRESULT result = 0;
    switch (msg) {
    case DM_GETDEFID:
        if (defaultButton && defaultButton->Enabled())
            return MAKELRESULT(defaultButton->controlId, DC_HASDEFID);
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        if (Control* ctl = ControlById(id)) {
            if (ctl->kind() == Kind::Button && code == BN_CLICKED && ctl->Enabled() && ctl->onClick) {
                try {
                    ctl->onClick();
                } catch (...) {
                }
            }
            return 0;
        }
        return 0;
    }
    case WM_SHOWWINDOW:
        if (wp && onShow) {
            try {
                onShow();
            } catch (...) {
            }
        }
        break;
    case WM_CLOSE:
        if (quitOnClose) {
            closed_ = true;
            DestroyWindow(wnd);
        } else {
            Hide();
        }
        return 0;
    case WM_DESTROY:
        // Only a close ends the loop; a window torn down by its owner object does not.
        if (quitOnClose && closed_) PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    if (HandleContainerMessage(wnd, msg, wp, lp, result)) return result;
    return DefWindowProcW(wnd, msg, wp, lp);
}

void Form::Create() {
    HINSTANCE inst = Application::Instance().instance();
    WNDCLASSW wc{};
    if (!GetClassInfoW(inst, args_.className.c_str(), &wc)) {
        wc.lpfnWndProc = &Form::WndProc;
        wc.hInstance = inst;
        wc.lpszClassName = args_.className.c_str();
        wc.hIcon = LoadIconW(inst, L"MAINICON");
        wc.hCursor = nullptr;
        RegisterClassW(&wc);
    }
    dpi_ = ScreenDpi();
    DWORD style = WS_CAPTION | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
    switch (args_.border) {
    case BorderKind::MainWindow:
        style |= WS_SYSMENU | WS_MINIMIZEBOX;
        exStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
        break;
    case BorderKind::Dialog:
        style |= WS_SYSMENU;
        break;
    case BorderKind::ToolCaption:
        break;
    }
    RECT r{0, 0, Scale(args_.clientWidth), Scale(args_.clientHeight)};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    HWND owner = args_.owner ? args_.owner->Handle() : nullptr;
    CreateWindowExW(exStyle, args_.className.c_str(), L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
                    r.right - r.left, r.bottom - r.top, owner, nullptr, inst, this);
    if (!window_) return;
    RealizeChildren(this);
    FontsChanged();
    Place();
}

void Form::Place() {
    if (!window_) return;
    RECT wr;
    GetWindowRect(window_.get(), &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    RECT area;
    if (args_.placement == Placement::OwnerCenter && args_.owner && args_.owner->Handle()) {
        GetWindowRect(args_.owner->Handle(), &area);
    } else {
        area = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    int x = area.left + ((area.right - area.left) - w) / 2;
    int y = area.top + ((area.bottom - area.top) - h) / 2;
    if (args_.placement == Placement::OwnerCenter) {
        // Keep the whole window on the screen the owner is on.
        HMONITOR mon = MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST);
        MONITORINFO mi{sizeof mi};
        if (GetMonitorInfoW(mon, &mi)) {
            x = (std::max)(static_cast<int>(mi.rcWork.left), (std::min)(x, static_cast<int>(mi.rcWork.right) - w));
            y = (std::max)(static_cast<int>(mi.rcWork.top), (std::min)(y, static_cast<int>(mi.rcWork.bottom) - h));
        }
    }
    SetWindowPos(window_.get(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Show() {
    if (!window_) return;
    if (!IsWindowVisible(window_.get())) Place();
    ShowWindow(window_.get(), SW_SHOW);
    UpdateWindow(window_.get());
}

void Form::Hide() {
    if (inModal_) {
        EndModal(modalResult_ ? modalResult_ : IDCANCEL);
        return;
    }
    if (window_) ShowWindow(window_.get(), SW_HIDE);
}

bool Form::Visible() const { return window_ && IsWindowVisible(window_.get()); }

void Form::SetEnabled(bool enabled) {
    if (window_) EnableWindow(window_.get(), enabled);
}

void Form::EndModal(int result) {
    modalResult_ = result;
    inModal_ = false;
}

int Form::ShowModal() {
    if (!window_ || inModal_) return 0;
    HWND owner = args_.owner ? args_.owner->Handle() : nullptr;
    modalResult_ = 0;
    inModal_ = true;
    if (owner) EnableWindow(owner, FALSE);
    Show();
    SetForegroundWindow(window_.get());
    Application& app = Application::Instance();
    MSG msg;
    while (inModal_ && window_) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        app.Dispatch(msg);
    }
    inModal_ = false;
    // The owner is enabled before this window hides, so activation returns to it.
    if (owner && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (window_) ShowWindow(window_.get(), SW_HIDE);
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
    return modalResult_;
}

}  // namespace zephrin::ui
