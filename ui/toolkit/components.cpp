#include <algorithm>
#include <windowsx.h>

#include "platform/windows_version.h"
#include "ui/application.h"
#include "ui/toolkit.h"

namespace zephrin::ui {

Component* ComponentOfWindow(HWND window) {
    return window ? static_cast<Component*>(GetPropW(window, kComponentProperty)) : nullptr;
}

Container* ContainerOfWindow(HWND window) { return dynamic_cast<Container*>(TargetOfWindow(window)); }

COLORREF ResolveColor(Color c) {
    if (c & 0x80000000u) return GetSysColor(static_cast<int>(c & 0xFF));
    return static_cast<COLORREF>(c);
}

FontSpec Tahoma(int sizePt, unsigned style, Color color) {
    FontSpec f;
    f.name = L"Tahoma";
    f.sizePt = sizePt;
    f.style = style;
    f.color = color;
    return f;
}

void UnderlineOnHover(Component* pointedAt, Component* underlined) {
    pointedAt->onMouseEnter = [underlined] { underlined->SetFontStyle(underlined->font.style | kUnderline); };
    pointedAt->onMouseLeave = [underlined] { underlined->SetFontStyle(underlined->font.style & ~kUnderline); };
}

// ---- Component -------------------------------------------------------------

FontSpec Component::EffectiveFont() const {
    if (!parentFont || !parent_) return font;
    return parent_->ContainerFont();
}

void Component::SetFontStyle(unsigned style) {
    if (font.style == style) return;
    font.style = style;
    FontsChanged();
}

int Component::Scale(int v) const { return form_ ? form_->Scale(v) : v; }

RECT Component::PixelRect() const {
    const int l = Scale(bounds.left), t = Scale(bounds.top);
    return RECT{l, t, l + Scale(bounds.width), t + Scale(bounds.height)};
}

void Component::FontsChanged() { Invalidate(); }

void Component::Invalidate() const {
    if (!parent_) return;
    HWND wnd = parent_->ContainerHandle();
    if (!wnd) return;
    RECT r = PixelRect();
    InvalidateRect(wnd, &r, FALSE);
}

// ---- Container -------------------------------------------------------------

Component* Container::HitTest(POINT p) const {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        Component* c = *it;
        if (!c->IsWindowless()) continue;
        RECT r = c->PixelRect();
        if (PtInRect(&r, p)) return c;
    }
    return nullptr;
}

void Container::SetHovered(Component* c) {
    if (c == hovered_) return;
    Component* old = hovered_;
    hovered_ = c;
    // The component left is told before the one entered.
    if (old && old->onMouseLeave) old->onMouseLeave();
    if (c && c->onMouseEnter) c->onMouseEnter();
}

COLORREF Container::BackColor() const {
    if (!Application::Instance().HighContrast()) return ResolveColor(Background());
    return GetSysColor(Background() == kButtonFace ? COLOR_BTNFACE : COLOR_WINDOW);
}

COLORREF Container::TextColor(Color designed, bool link) const {
    if (!Application::Instance().HighContrast()) return ResolveColor(designed);
    if (link) return GetSysColor(COLOR_HOTLIGHT);
    return GetSysColor(Background() == kButtonFace ? COLOR_BTNTEXT : COLOR_WINDOWTEXT);
}

void Container::PaintContainer(HDC dc, const RECT& client) {
    UniqueBrush brush(CreateSolidBrush(BackColor()));
    FillRect(dc, &client, brush.get());
    for (Component* c : children_) {
        if (!c->IsWindowless()) continue;
        RECT r = c->PixelRect();
        RECT visible;
        if (!IntersectRect(&visible, &r, &client)) continue;
        c->Paint(dc);
    }
    PaintFocus(dc);
}

bool Container::HandleContainerMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT client;
        GetClientRect(wnd, &client);
        // Painted off screen, so labels never flicker over the pictures below them.
        UniqueDC mem(CreateCompatibleDC(dc));
        UniqueBitmap bmp(CreateCompatibleBitmap(dc, client.right, client.bottom));
        if (mem && bmp) {
            SelectScope select(mem.get(), bmp.get());
            PaintContainer(mem.get(), client);
            BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
        } else {
            PaintContainer(dc, client);
        }
        EndPaint(wnd, &ps);
        result = 0;
        return true;
    }
    case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(wnd, &client);
        PaintContainer(reinterpret_cast<HDC>(wp), client);
        result = 0;
        return true;
    }
    case WM_MOUSEMOVE: {
        if (!tracking_) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, wnd, 0};
            tracking_ = TrackMouseEvent(&tme) != FALSE;
        }
        SetHovered(HitTest(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}));
        if (auto* watcher = Application::Instance().pointerWatcher()) watcher->PointerOver(hovered_);
        result = 0;
        return true;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        SetHovered(nullptr);
        if (auto* watcher = Application::Instance().pointerWatcher()) watcher->PointerOver(nullptr);
        result = 0;
        return true;
    case WM_LBUTTONDOWN:
        pressed_ = HitTest(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (pressed_) SetCapture(wnd);
        result = 0;
        return true;
    case WM_LBUTTONUP: {
        Component* down = pressed_;
        pressed_ = nullptr;
        if (GetCapture() == wnd) ReleaseCapture();
        Component* up = HitTest(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        // A click posted to a window that waits is no click of the user's.
        if (down && down == up && up->onClick && containerForm_ && containerForm_->TakesInput()) up->onClick();
        result = 0;
        return true;
    }
    case WM_SETCURSOR: {
        if (LOWORD(lp) != HTCLIENT) return false;
        const HWND under = reinterpret_cast<HWND>(wp);
        if (under != wnd) {
            // A child window asks its parent first: a control with a cursor of its own gets it here.
            const Component* child = ComponentOfWindow(under);
            if (!child || child->cursor == CursorId::Default) return false;
            ::SetCursor(Application::Instance().Cursor(child->cursor));
            result = TRUE;
            return true;
        }
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(wnd, &p);
        Component* c = HitTest(p);
        CursorId id = c ? c->cursor : CursorId::Default;
        if (id == CursorId::Default) id = ContainerCursor();
        ::SetCursor(Application::Instance().Cursor(id));
        result = TRUE;
        return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetBkColor(dc, BackColor());
        SetTextColor(dc, TextColor(kWindowText, false));
        backgroundBrush_.reset(CreateSolidBrush(BackColor()));
        result = reinterpret_cast<LRESULT>(backgroundBrush_.get());
        return true;
    }
    case WM_GETOBJECT:
        if (auto* readers = Application::Instance().screenReaders()) result = readers->AnswerContainer(wnd, wp, lp);
        return result != 0;
    case WM_UPDATEUISTATE:
        // Keyboard cues shown or hidden: the focused item's outline with them.
        result = DefWindowProcW(wnd, msg, wp, lp);
        if (containerForm_)
            for (const auto& item : containerForm_->items())
                if (item->Focused()) containerForm_->ItemFocusChanged(*item, false);
        return true;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
        // Child notifications go to the form, which knows every control by id.
        if (containerForm_ && containerForm_->Handle() != wnd) {
            result = SendMessageW(containerForm_->Handle(), msg, wp, lp);
            return true;
        }
        return false;
    default:
        return false;
    }
}

// ---- Label -----------------------------------------------------------------

void Label::SetCaption(const std::wstring& text) {
    const bool renamed = text != caption_;
    Invalidate();
    caption_ = text;
    Measure();
    Invalidate();
    if (renamed && form() && form()->Handle())
        if (auto* readers = Application::Instance().screenReaders()) readers->NameChanged(*this);
}

void Label::FontsChanged() {
    Invalidate();
    Measure();
    Invalidate();
}

void Label::Measure() {
    if (!form() || !autoSize) return;
    HDC dc = form()->MeasureDC();
    if (!dc) return;
    SelectScope select(dc, form()->FontHandle(EffectiveFont()));
    RECT r{0, 0, 0, 0};
    const std::wstring text = caption_.empty() ? L" " : caption_;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    measured_ = SIZE{caption_.empty() ? 0 : r.right, r.bottom};
}

RECT Label::PixelRect() const {
    if (!autoSize) return Component::PixelRect();
    const int l = Scale(bounds.left), t = Scale(bounds.top);
    if (rightAligned) {
        const int right = l + Scale(bounds.width);
        return RECT{right - measured_.cx, t, right, t + measured_.cy};
    }
    return RECT{l, t, l + measured_.cx, t + measured_.cy};
}

void Label::Paint(HDC dc) {
    if (caption_.empty()) return;
    const FontSpec f = EffectiveFont();
    SelectScope select(dc, form()->FontHandle(f));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, parent()->TextColor(f.color, form()->IsLink(this)));
    RECT r = PixelRect();
    UINT flags = DT_NOPREFIX | (rightAligned ? DT_RIGHT : DT_LEFT);
    if (wordWrap) {
        flags |= DT_WORDBREAK;
        if (centerVertically) {
            RECT calc = r;
            DrawTextW(dc, caption_.c_str(), -1, &calc, flags | DT_CALCRECT);
            const int offset = ((r.bottom - r.top) - (calc.bottom - calc.top)) / 2;
            if (offset > 0) r.top += offset;
        }
    } else {
        flags |= DT_SINGLELINE | (centerVertically ? DT_VCENTER : 0);
    }
    DrawTextW(dc, caption_.c_str(), -1, &r, flags);
}

// ---- Picture and bevel -----------------------------------------------------

void Picture::Paint(HDC dc) {
    RECT r = PixelRect();
    if (!keepInHighContrast && Application::Instance().HighContrast()) return PaintInHighContrast(dc, r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (!bitmap_.handle || bitmap_.width != w || bitmap_.height != h)
        bitmap_ = Application::Instance().pictures().Take(Application::Instance().instance(), resource_, w, h);
    DrawBitmap(dc, bitmap_, r.left, r.top);
}

void Picture::PaintInHighContrast(HDC dc, const RECT& r) {
    const COLORREF ink = parent()->TextColor(kWindowText, false);
    if (exposed == Exposed::Graphic && form()) {
        // A logo is the product's name: it stays, in the user's colours.
        const std::wstring name = form()->Title();
        FontSpec f = EffectiveFont();
        f.style |= kBold;
        // As large as fits: half the picture's height at most.
        for (f.sizePt = (std::max)(8, MulDiv(r.bottom - r.top, 72, form()->Dpi()) / 2); f.sizePt > 8; --f.sizePt) {
            SelectScope measure(dc, form()->FontHandle(f));
            RECT need{0, 0, 0, 0};
            DrawTextW(dc, name.c_str(), -1, &need, DT_NOPREFIX | DT_SINGLELINE | DT_CALCRECT);
            if (need.right <= r.right - r.left) break;
        }
        SelectScope select(dc, form()->FontHandle(f));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ink);
        RECT text = r;
        DrawTextW(dc, name.c_str(), -1, &text, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS);
        return;
    }
    if (!onClick) return;
    // A picture that is pressed keeps its outline, so that it still reads as a button.
    UniqueBrush frame(CreateSolidBrush(ink));
    FrameRect(dc, &r, frame.get());
}

void Picture::WantPictures(std::vector<PictureRequest>& out) const {
    const RECT r = PixelRect();
    out.push_back({resource_, r.right - r.left, r.bottom - r.top});
}

void Bevel::Paint(HDC dc) {
    RECT r = PixelRect();
    const int thick = (std::max)(1, Scale(1));
    UniqueBrush shadow(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
    UniqueBrush light(CreateSolidBrush(GetSysColor(COLOR_BTNHIGHLIGHT)));
    if (shape_ == BevelShape::TopLine) {
        RECT a{r.left, r.top, r.right, r.top + thick};
        RECT b{r.left, r.top + thick, r.right, r.top + 2 * thick};
        FillRect(dc, &a, shadow.get());
        FillRect(dc, &b, light.get());
    } else {
        RECT a{r.right - 2 * thick, r.top, r.right - thick, r.bottom};
        RECT b{r.right - thick, r.top, r.right, r.bottom};
        FillRect(dc, &a, shadow.get());
        FillRect(dc, &b, light.get());
    }
}

// ---- Windowed controls -----------------------------------------------------

int Control::WindowHeight() const {
    const RECT r = PixelRect();
    return r.bottom - r.top;
}

void Control::DpiChanged() {
    if (!window_) return;
    const RECT r = PixelRect();
    SetWindowPos(window_, nullptr, r.left, r.top, r.right - r.left, WindowHeight(), SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Control::CreateChild(const wchar_t* className, DWORD style, DWORD exStyle, MessageTarget* target) {
    RECT r = PixelRect();
    r.bottom = r.top + WindowHeight();
    WindowArgs w;
    w.className = className;
    w.title = caption_.c_str();
    w.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style;
    w.exStyle = exStyle;
    w.rect = r;
    w.parent = parent()->ContainerHandle();
    w.id = controlId;
    window_ = CreateWindowFor(Application::Instance().instance(), w, target);
    if (!window_) return nullptr;
    SetPropW(window_, kComponentProperty, static_cast<Component*>(this));
    sentFont_ = nullptr;
    SendFont(FALSE);
    return window_;
}

void Control::SendFont(BOOL redraw) {
    if (!window_) return;
    HFONT font = form()->FontHandle(EffectiveFont());
    if (font == sentFont_) return;
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    sentFont_ = font;
}

void Control::FontsChanged() { SendFont(TRUE); }

void Control::SetEnabled(bool enabled) {
    if (window_) EnableWindow(window_, enabled);
}

bool Control::Enabled() const { return window_ && IsWindowEnabled(window_); }

void Control::SetBounds(const DesignRect& r) {
    bounds = r;
    if (!window_) return;
    const RECT p = PixelRect();
    SetWindowPos(window_, nullptr, p.left, p.top, p.right - p.left, WindowHeight(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::NameForScreenReaders() {
    if (!labelledBy || !window_) return;
    auto* readers = Application::Instance().screenReaders();
    if (!readers) return;
    readers->NameControl(window_);
    if (HWND focus = FocusWindow(); focus && focus != window_) readers->NameControl(focus);
}

void Panel::SetCaption(const std::wstring& text) {
    caption_ = text;
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

LRESULT Panel::HandleMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (HandleContainerMessage(wnd, msg, wp, lp, result)) return result;
    return DefWindowProcW(wnd, msg, wp, lp);
}

void Panel::Realize() {
    static const wchar_t kClass[] = L"ZephrinPanel";
    RegisterWindowClass(Application::Instance().instance(), kClass);
    CreateChild(kClass, WS_CLIPCHILDREN | WS_TABSTOP, WS_EX_CONTROLPARENT, this);
}

void Button::Realize() {
    DWORD style = WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    if (startsDisabled) style |= WS_DISABLED;
    if (HWND b = CreateChild(L"BUTTON", style)) {
        // Version 6 of the common controls on Vista and later only; the headers
        // name the message only to programs built for those systems.
        constexpr UINT kSetShield = 0x160C;  // BCM_SETSHIELD
        if (shield && WindowsVistaOrLater()) SendMessageW(b, kSetShield, 0, TRUE);
    }
}

void Button::Command(int code) {
    if (code == BN_CLICKED && Enabled() && form() && form()->TakesInput() && onClick) onClick();
}

int Button::FittingWidth() const {
    HDC dc = form() ? form()->MeasureDC() : nullptr;
    if (!dc) return bounds.width;
    SelectScope select(dc, form()->FontHandle(EffectiveFont()));
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    // The frame and the margins that keep the focus outline off the text.
    return MulDiv(r.right, 96, form()->Dpi()) + 24;
}

int LayOutButtonRow(const std::vector<Button*>& buttons, int left, int minimumWidth, int gap) {
    for (Button* b : buttons) {
        DesignRect r = b->bounds;
        r.left = left;
        r.width = (std::max)(minimumWidth, b->FittingWidth());
        b->SetBounds(r);
        left += r.width + gap;
    }
    return left - gap;
}

void Button::SetCaption(const std::wstring& text) {
    caption_ = text;
    if (window_) SetWindowTextW(window_, text.c_str());
}

namespace {

// A multiline edit takes Tab and Enter for its own text; one that cannot be
// typed into would only trap the keyboard, so Tab moves on and Enter presses
// the default button, while the arrows and Page keys still scroll it.
LRESULT ReadOnlyMemo(HWND window, UINT msg, WPARAM wp, LPARAM lp, WNDPROC prior) {
    LRESULT result = CallWindowProcW(prior, window, msg, wp, lp);
    if (msg == WM_GETDLGCODE) {
        const MSG* key = reinterpret_cast<const MSG*>(lp);
        const bool leaves = key && key->message == WM_KEYDOWN &&
                            (key->wParam == VK_TAB || key->wParam == VK_RETURN || key->wParam == VK_ESCAPE);
        result &= ~static_cast<LRESULT>(DLGC_WANTTAB | (leaves ? DLGC_WANTALLKEYS | DLGC_WANTMESSAGE : 0));
    }
    return result;
}

}  // namespace

void Memo::Realize() {
    CreateChild(L"EDIT", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                WS_EX_CLIENTEDGE);
    if (window_) Subclass<&ReadOnlyMemo>(window_);
}

void Memo::SetCaption(const std::wstring& text) {
    caption_ = text;
    if (window_) SetWindowTextW(window_, text.c_str());
}

std::wstring Memo::Text() const {
    if (!window_) return caption_;
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window_)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window_, text.data(), static_cast<int>(text.size()))));
    return text;
}

// ---- ListView --------------------------------------------------------------

void ListView::Realize() {
    CreateChild(WC_LISTVIEWW, WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, WS_EX_CLIENTEDGE);
    if (!window_) return;
    SendMessageW(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    Fill();
}

void ListView::SetContents(std::vector<Column> columns, std::vector<std::vector<std::wstring>> rows) {
    columns_ = std::move(columns);
    rows_ = std::move(rows);
    Fill();
}

void ListView::Fill() {
    if (!window_) return;
    SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(window_, LVM_DELETEALLITEMS, 0, 0);
    while (SendMessageW(window_, LVM_DELETECOLUMN, 0, 0)) {
    }
    for (size_t i = 0; i < columns_.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(columns_[i].title.c_str());
        column.cx = Scale(columns_[i].width);
        column.iSubItem = static_cast<int>(i);
        SendMessageW(window_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    for (size_t r = 0; r < rows_.size(); ++r) {
        for (size_t c = 0; c < rows_[r].size() && c < columns_.size(); ++c) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(r);
            item.iSubItem = static_cast<int>(c);
            item.pszText = const_cast<wchar_t*>(rows_[r][c].c_str());
            SendMessageW(window_, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, c == 0 ? 0 : r,
                         reinterpret_cast<LPARAM>(&item));
        }
    }
    // The keyboard starts on the first row, so that the arrows and a screen reader have one.
    if (!rows_.empty()) {
        LVITEMW state{};
        state.stateMask = LVIS_FOCUSED;
        state.state = LVIS_FOCUSED;
        SendMessageW(window_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    }
    SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window_, nullptr, TRUE);
}

void ListView::DpiChanged() {
    Control::DpiChanged();
    for (size_t i = 0; window_ && i < columns_.size(); ++i)
        SendMessageW(window_, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(Scale(columns_[i].width), 0));
}

std::wstring ListView::SelectedText() const {
    std::wstring text;
    auto line = [&text](const std::vector<std::wstring>& cells) {
        for (size_t i = 0; i < cells.size(); ++i) text += (i ? L"\t" : L"") + cells[i];
        text += L"\r\n";
    };
    bool any = false;
    for (size_t r = 0; window_ && r < rows_.size(); ++r) {
        if (!(SendMessageW(window_, LVM_GETITEMSTATE, r, LVIS_SELECTED) & LVIS_SELECTED)) continue;
        if (!any) {
            std::vector<std::wstring> titles;
            for (const Column& c : columns_) titles.push_back(c.title);
            line(titles);
            any = true;
        }
        line(rows_[r]);
    }
    return text;
}

bool ListView::CopySelected() const {
    const std::wstring text = SelectedText();
    if (text.empty() || !OpenClipboard(window_)) return false;
    bool copied = false;
    if (EmptyClipboard()) {
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* p = GlobalLock(memory)) {
                memcpy(p, text.c_str(), bytes);
                GlobalUnlock(memory);
                copied = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            }
            if (!copied) GlobalFree(memory);  // the clipboard owns it only once taken
        }
    }
    CloseClipboard();
    return copied;
}

bool ListView::Notify(const NMHDR& header, LRESULT& result) {
    if (header.code != LVN_KEYDOWN || GetKeyState(VK_CONTROL) >= 0) return false;
    const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
    if (key == 'C' || key == VK_INSERT) {
        CopySelected();
    } else if (key == 'A') {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageW(window_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    } else {
        return false;
    }
    result = 0;
    return true;
}

HIMAGELIST ImageList::Get() {
    if (list_) return list_.get();
    const int size = Scale(16);
    list_.reset(ImageList_Create(size, size, ILC_COLOR32, static_cast<int>(resources_.size()), 0));
    for (const auto& res : resources_) {
        Bitmap b = Application::Instance().pictures().Take(Application::Instance().instance(), res, size, size);
        ImageList_Add(list_.get(), b.handle.get(), nullptr);
    }
    return list_.get();
}

void ImageList::DpiChanged() {
    if (list_) retired_ = std::move(list_);
}

void ImageList::WantPictures(std::vector<PictureRequest>& out) const {
    if (list_) return;
    for (const auto& res : resources_) out.push_back({res, Scale(16), Scale(16)});
}

HWND ImageCombo::FocusWindow() const {
    HWND inner = window_ ? reinterpret_cast<HWND>(SendMessageW(window_, CBEM_GETCOMBOCONTROL, 0, 0)) : nullptr;
    return inner ? inner : window_;
}

int ImageCombo::WindowHeight() const {
    // The dropped list is sized by the window height.
    return Scale(bounds.height) * (static_cast<int>(rows_.size()) + 2);
}

void ImageCombo::DpiChanged() {
    Control::DpiChanged();
    if (window_ && images_) SendMessageW(window_, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_->Get()));
}

void ImageCombo::Realize() {
    if (!CreateChild(WC_COMBOBOXEXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, nullptr)) return;
    if (images_) SendMessageW(window_, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_->Get()));
    int index = 0;
    for (const Row& row : rows_) {
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = index++;
        item.pszText = const_cast<wchar_t*>(row.text.c_str());
        item.iImage = row.image;
        item.iSelectedImage = row.image;
        SendMessageW(window_, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void ImageCombo::SetSelected(int index) {
    if (!window_) return;
    if (index < 0 || index >= static_cast<int>(rows_.size())) index = -1;
    SendMessageW(window_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int ImageCombo::Selected() const {
    if (!window_) return -1;
    return static_cast<int>(SendMessageW(window_, CB_GETCURSEL, 0, 0));
}

void TrackBar::Realize() {
    if (HWND t = CreateChild(TRACKBAR_CLASSW,
                             WS_TABSTOP | TBS_HORZ | TBS_BOTH | TBS_AUTOTICKS | TBS_FIXEDLENGTH)) {
        SendMessageW(t, TBM_SETRANGE, FALSE, MAKELPARAM(minimum, maximum));
        SendMessageW(t, TBM_SETPAGESIZE, 0, 1);
        SendMessageW(t, TBM_SETLINESIZE, 0, 1);
        SendMessageW(t, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(Scale(thumbLength)), 0);
    }
}

void TrackBar::DpiChanged() {
    Control::DpiChanged();
    if (window_) SendMessageW(window_, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(Scale(thumbLength)), 0);
}

void TrackBar::SetPosition(int position) {
    if (position < minimum) position = minimum;
    if (position > maximum) position = maximum;
    if (window_) SendMessageW(window_, TBM_SETPOS, TRUE, position);
}

int TrackBar::Position() const {
    return window_ ? static_cast<int>(SendMessageW(window_, TBM_GETPOS, 0, 0)) : minimum;
}

void ProgressBar::Realize() {
    if (HWND p = CreateChild(PROGRESS_CLASSW, PBS_SMOOTH)) SendMessageW(p, PBM_SETRANGE32, 0, 100);
}

void ProgressBar::SetPosition(int position) {
    if (window_) SendMessageW(window_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int ProgressBar::Position() const {
    return window_ ? static_cast<int>(SendMessageW(window_, PBM_GETPOS, 0, 0)) : 0;
}

// ---- Menus -----------------------------------------------------------------

void PopupMenu::Popup(int x, int y) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return;
    for (MenuItem* item : items_) {
        if (item->separator())
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(item->commandId), item->caption().c_str());
    }
    HWND owner = form() ? form()->Handle() : nullptr;
    const UINT flags = TPM_RIGHTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_VERPOSANIMATION |
                       TPM_RETURNCMD | TPM_NONOTIFY;
    const int chosen = TrackPopupMenu(menu.get(), flags, x, y, 0, owner, nullptr);
    if (chosen == 0) return;
    for (MenuItem* item : items_)
        if (item->commandId == chosen && item->onClick) item->onClick();
}

}  // namespace zephrin::ui
