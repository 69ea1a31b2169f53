// Windowless components the keyboard can reach. Each item has a focus stop:
// a child window of the form without size, so that it hides nothing painted
// beneath it, which takes its place in the dialog navigation that Tab and
// Shift+Tab already do, hears Enter and Space, and answers screen readers.
#include "ui/application.h"
#include "ui/toolkit.h"

namespace zephrin::ui {
namespace {

constexpr wchar_t kStopClass[] = L"ZephrinFocusStop";

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool PressKey(WPARAM key) { return key == VK_RETURN || key == VK_SPACE; }

// The zero-size window that holds the focus for an item.
class FocusStop final : public MessageTarget {
public:
    explicit FocusStop(KeyboardItem& item) : item_(item) {}

    LRESULT HandleMessage(HWND stop, UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_GETDLGCODE: {
            // Enter and Space are the item's; the dialog navigation keeps Tab, and Enter elsewhere presses the default button.
            const MSG* key = reinterpret_cast<const MSG*>(lp);
            return key && key->message == WM_KEYDOWN && PressKey(key->wParam) ? DLGC_WANTMESSAGE : 0;
        }
        case WM_KEYDOWN:
            if (PressKey(wp) && !(lp & (1 << 30))) item_.Press();  // not again while the key is held
            return 0;
        case kPressItem:
            item_.Press();
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            item_.form->ItemFocusChanged(item_, msg == WM_SETFOCUS);
            return 0;
        case WM_GETOBJECT:
            if (auto* readers = Application::Instance().screenReaders())
                if (LRESULT answer = readers->AnswerItem(stop, wp, lp)) return answer;
            break;
        default:
            break;
        }
        return DefWindowProcW(stop, msg, wp, lp);
    }
    void WindowDestroyed() override { item_.stop = nullptr; }

private:
    KeyboardItem& item_;
};

}  // namespace

KeyboardItem* KeyboardItemOfStop(HWND stop) {
    // Stops are children of their form's window.
    Container* owner = ContainerOfWindow(GetParent(stop));
    Form* form = owner ? owner->containerForm() : nullptr;
    return form ? form->ItemOfStop(stop) : nullptr;
}

RECT KeyboardItem::RectOn(const Container* container) const {
    RECT all{};
    for (const Component* part : parts) {
        if (part->parent() != container) continue;
        const RECT r = part->PixelRect();
        if (Empty(all))
            all = r;
        else
            UnionRect(&all, &all, &r);
    }
    return all;
}

HWND KeyboardItem::ContainerWindow() const {
    const Container* container = parts.empty() ? nullptr : parts.front()->parent();
    return container ? container->ContainerHandle() : nullptr;
}

bool KeyboardItem::Hot() const {
    for (const Component* part : parts)
        if (part->parent() && part->parent()->hovered() == part) return true;
    return false;
}

void KeyboardItem::Press() const {
    if (!form || !form->TakesInput()) return;
    for (const Component* part : parts)
        if (part->onClick) return part->onClick();
}

KeyboardItem* Form::AddKeyboardItem(Label* text, std::vector<Component*> parts, bool link) {
    auto item = std::make_unique<KeyboardItem>();
    item->form = this;
    item->text = text;
    item->parts = std::move(parts);
    item->link = link;
    items_.push_back(std::move(item));
    return items_.back().get();
}

KeyboardItem* Form::ItemWithPart(const Component* part) const {
    for (const auto& item : items_)
        for (const Component* p : item->parts)
            if (p == part) return item.get();
    return nullptr;
}

KeyboardItem* Form::ItemOf(const Component* part) const {
    EnsureStops();
    return ItemWithPart(part);
}

bool Form::IsLink(const Component* part) const {
    const KeyboardItem* item = ItemWithPart(part);
    return item && item->link;
}

void Form::EnsureStops() const {
    if (stopsMade_ || !window_) return;
    stopsMade_ = true;
    // The stops are the form's windows; making them is no change to what the form shows.
    const_cast<Form*>(this)->MakeStops();
}

KeyboardItem* Form::ItemOfStop(HWND stop) const {
    EnsureStops();
    for (const auto& item : items_)
        if (item->stop == stop) return item.get();
    return nullptr;
}

namespace {
// Where an item's stop sits on the form: at the item's corner, so that what follows the focus
// (a magnifier, a reader's highlight) finds the item there.
POINT StopPoint(const KeyboardItem& item, HWND form) {
    const RECT r = item.RectOn(item.parts.front()->parent());
    POINT at{r.left, r.top};
    MapWindowPoints(item.ContainerWindow(), form, &at, 1);
    return at;
}
}  // namespace

void Form::MakeStops() {
    HINSTANCE inst = Application::Instance().instance();
    RegisterWindowClass(inst, kStopClass);
    // Made after the controls, so that the stops follow them in the tab order, in the order the items were added.
    for (const auto& item : items_) {
        const POINT at = StopPoint(*item, Handle());
        item->stopTarget = std::make_unique<FocusStop>(*item);
        WindowArgs w;
        w.className = kStopClass;
        w.title = item->text->caption().c_str();
        w.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        w.rect = RECT{at.x, at.y, at.x, at.y};
        w.parent = Handle();
        item->stop = CreateWindowFor(inst, w, item->stopTarget.get());
    }
}

void Form::PlaceStops() {
    for (const auto& item : items_) {
        if (!item->stop) continue;
        const POINT at = StopPoint(*item, Handle());
        SetWindowPos(item->stop, nullptr, at.x, at.y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Form::ItemFocusChanged(const KeyboardItem& item, bool gained) {
    for (const Component* part : item.parts) {
        if (HWND container = part->parent() ? part->parent()->ContainerHandle() : nullptr) {
            RECT r = item.RectOn(part->parent());
            InflateRect(&r, 3, 2);
            InvalidateRect(container, &r, FALSE);
        }
    }
    if (gained)
        if (auto* readers = Application::Instance().screenReaders()) readers->ItemFocused(item);
}

void Container::PaintFocus(HDC dc) {
    HWND window = ContainerHandle();
    if (!containerForm_ || !window) return;
    if (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) return;  // a mouse user sees nothing new
    for (const auto& item : containerForm_->items()) {
        if (!item->Focused()) continue;
        RECT r = item->RectOn(this);
        if (Empty(r)) continue;
        InflateRect(&r, 2, 1);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &r);
    }
}

}  // namespace zephrin::ui
