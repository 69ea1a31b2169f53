#include <algorithm>

#include "platform/text.h"

#include "ui/application.h"
#include "ui/display.h"
#include "ui/toolkit.h"

namespace zephrin::ui {
namespace {

// Fonts differ by DPI as much as by face: a font made for one DPI is never lent to another.
std::wstring FontKey(const FontSpec& f, int dpi) {
    return f.name + L"|" + std::to_wstring(f.sizePt) + L"|" + std::to_wstring(f.style) + L"|" +
           std::to_wstring(f.charset) + L"|" + std::to_wstring(dpi);
}

int ScreenDpi() {
    WindowDC screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

}  // namespace

// The DPI is known from the start, so a caption measured before Create already
// uses the fonts the window will have.
Form::Form(FormArgs args) : args_(std::move(args)), dpi_(args_.dpi > 0 ? args_.dpi : ScreenDpi()) {
    containerForm_ = this;
}

Form::~Form() {
    if (auto* watcher = Application::Instance().pointerWatcher()) watcher->FormGoing(*this);
    // Child windows go with their parent, before the components that hold their handles.
    window_.reset();
}

void Form::Adopt(std::unique_ptr<Component> c, Container* parent) {
    if (!parent) parent = this;
    c->form_ = this;
    c->parent_ = c->IsPlaced() ? parent : nullptr;
    if (c->TakeId(nextId_)) byId_[nextId_++] = c.get();
    if (Container* inner = c->AsContainer()) inner->containerForm_ = this;
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
    const std::wstring key = FontKey(wanted, dpi_);
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

HDC Form::MeasureDC() {
    if (!measureDc_) measureDc_.reset(CreateCompatibleDC(nullptr));
    return measureDc_.get();
}

void Form::FontsChanged() {
    for (auto& c : components_) c->FontsChanged();
    if (window_) InvalidateRect(window_.get(), nullptr, FALSE);
}

void Form::DisplayChanged(HWND wnd, UINT msg) {
    Application::Instance().ReadHighContrast();
    // Only top-level windows hear of new colours; the common controls among ours must be told.
    if (msg == WM_SYSCOLORCHANGE)
        for (auto& c : components_)
            if (HWND child = c->Handle()) SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Form::SetDpi(int dpi, const RECT* suggested) {
    if (dpi > 0 && dpi != dpi_) {
        // The fonts of the DPI before stay until every control has its new one.
        std::map<std::wstring, UniqueFont> before = std::move(fonts_);
        fonts_.clear();
        dpi_ = dpi;
        for (auto& c : components_) c->DpiChanged();
        FontsChanged();
        PlaceStops();
    }
    if (suggested && window_)
        SetWindowPos(window_.get(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (window_) RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
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
        if (Container* inner = c->AsContainer()) RealizeChildren(inner);
    }
}

void Form::WindowDestroyed() {
    window_.release();
    // Windows destroyed the child windows before this one.
    for (auto& c : components_) c->ParentDestroyed();
}

LRESULT Form::HandleMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    switch (msg) {
    case DM_GETDEFID:
        if (defaultButton && defaultButton->Enabled())
            return MAKELRESULT(defaultButton->controlId, DC_HASDEFID);
        return 0;
    case WM_COMMAND: {
        if (LOWORD(wp) == IDCANCEL && HIWORD(wp) == 0 && !lp) {
            if (onCancel) onCancel();
            return 0;
        }
        auto it = byId_.find(LOWORD(wp));
        if (it != byId_.end()) it->second->Command(HIWORD(wp));
        return 0;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        if (!header) return 0;
        auto it = byId_.find(static_cast<int>(header->idFrom));
        if (it != byId_.end() && it->second->Handle() == header->hwndFrom && it->second->Notify(*header, result))
            return result;
        break;
    }
    case WM_ACTIVATE:
        // As the dialog manager does: the control or item that had the focus
        // when the user went elsewhere has it again on return, so that Enter
        // presses what it pressed before, not the default button.
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(wnd, focus)) savedFocus_ = focus;
            return 0;
        }
        if (!HIWORD(wp) && RestoreFocus()) return 0;
        break;
    case WM_SETFOCUS:
        if (RestoreFocus()) return 0;
        break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        DisplayChanged(wnd, msg);
        break;
    case kMakeStops:
        EnsureStops();
        return 0;
    case kDpiChangedMessage:
        SetDpi(LOWORD(wp), reinterpret_cast<const RECT*>(lp));
        return 0;
    case WM_CLOSE:
        if (quitOnClose) {
            closed_ = true;
            DestroyWindow(wnd);
        } else {
            Hide();
        }
        return 0;
    case WM_DESTROY:
        for (auto& c : components_)
            if (HWND child = c->Handle()) RemovePropW(child, kComponentProperty);
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
    if (decodeAhead) {
        // Pictures for lists are wanted while the controls are made, the others only at the first paint.
        std::vector<PictureRequest> pictures;
        for (const auto& c : components_)
            if (!c->IsPlaced()) c->WantPictures(pictures);
        for (const auto& c : components_)
            if (c->IsPlaced()) c->WantPictures(pictures);
        Application::Instance().pictures().Start(inst, std::move(pictures));
    }
    RegisterWindowClass(inst, args_.className.c_str(), LoadIconW(inst, L"MAINICON"));
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
    WindowArgs w;
    w.className = args_.className.c_str();
    w.style = style;
    w.exStyle = exStyle;
    w.rect = RECT{0, 0, r.right - r.left, r.bottom - r.top};
    w.parent = args_.owner ? args_.owner->Handle() : nullptr;
    window_.reset(CreateWindowFor(inst, w, this));
    if (!window_) return;
    RealizeChildren(this);
    for (auto& c : components_)
        if (auto* control = dynamic_cast<Control*>(c.get())) control->NameForScreenReaders();
    if (fontsAtCreate) FontsChanged();
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
    if (!IsWindowVisible(window_.get())) {
        Place();
        if (onShow) onShow();
    }
    ShowWindow(window_.get(), SW_SHOW);
    UpdateWindow(window_.get());
    // Posted messages come before input: no key can reach the window before its stops.
    if (!stopsMade_) PostMessageW(window_.get(), kMakeStops, 0, 0);
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

// A form is a top-level window, and its owner may be disabled for as long as it is shown modally over it.
bool Form::TakesInput() const { return window_ && IsWindowEnabled(window_.get()); }

void Form::EndModal(int result) {
    modalResult_ = result;
    inModal_ = false;
}

bool Form::RestoreFocus() {
    HWND saved = savedFocus_;
    if (!saved || !window_ || !IsChild(window_.get(), saved) || !IsWindowVisible(saved) || !IsWindowEnabled(saved))
        return false;
    SetFocus(saved);
    return true;
}

int Form::ShowModal() {
    if (!window_ || inModal_) return 0;
    HWND owner = args_.owner ? args_.owner->Handle() : nullptr;
    // The owner gets back the state it had: one that was disabled is waiting
    // for something else, which must not find it enabled in the middle.
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    modalResult_ = 0;
    savedFocus_ = nullptr;  // each showing starts where its show step puts the focus
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
    const bool ownerBack = ownerWasEnabled && IsWindow(owner);
    if (ownerBack) EnableWindow(owner, TRUE);
    if (window_) ShowWindow(window_.get(), SW_HIDE);
    if (ownerBack) SetActiveWindow(owner);
    return modalResult_;
}

}  // namespace zephrin::ui
