#include "ui/accessible.h"

#include <oleacc.h>

#include <vector>

#include "platform/handles.h"
#include "platform/system_library.h"
#include "ui/application.h"
#include "ui/toolkit.h"

namespace zephrin::ui {
namespace {

// {618736E0-3C3D-11CF-810C-00AA00389B71}: defined here so that no import library ties us to oleacc.
constexpr IID kIAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

using LresultFromObjectFn = LRESULT WINAPI(REFIID, WPARAM, LPUNKNOWN);
using StdObjectFn = HRESULT WINAPI(HWND, LONG, REFIID, void**);
using FromWindowFn = HRESULT WINAPI(HWND, DWORD, REFIID, void**);
using NotifyFn = void WINAPI(DWORD, HWND, LONG, LONG);
using CoInitFn = HRESULT WINAPI(LPVOID, DWORD);
using CoUninitFn = void WINAPI();
using AllocStringFn = BSTR WINAPI(const OLECHAR*);

// Objects handed out live in this thread's apartment, which must stay open
// while any client holds one: the first answer opens it, and it stays.
bool ThreadReady() {
    auto init = SystemFunction<CoInitFn>(L"ole32.dll", "CoInitializeEx");
    auto uninit = SystemFunction<CoUninitFn>(L"ole32.dll", "CoUninitialize");
    if (!init || !uninit) return false;
    const HRESULT hr = init(nullptr, COINIT_APARTMENTTHREADED);
    if (hr == S_FALSE) uninit();  // it was open already: only the first opening is kept
    return SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
}

LRESULT Hand(IAccessible* object, WPARAM wp) {
    auto lresult = SystemFunction<LresultFromObjectFn>(L"oleacc.dll", "LresultFromObject");
    LRESULT answer = lresult ? lresult(kIAccessible, wp, object) : 0;
    object->Release();  // the answer holds its own reference
    return answer > 0 ? answer : 0;
}

// A window's own object: its frame (OBJID_WINDOW) unless another part is named.
HRESULT WindowObject(HWND window, IDispatch** out, LONG part = OBJID_WINDOW) {
    auto fromWindow = SystemFunction<FromWindowFn>(L"oleacc.dll", "AccessibleObjectFromWindow");
    if (!fromWindow) return E_FAIL;
    return fromWindow(window, static_cast<DWORD>(part), IID_IDispatch, reinterpret_cast<void**>(out));
}

// `out` holds the window's own object; false when it has none.
bool GiveWindowObject(HWND window, VARIANT* out) {
    IDispatch* object = nullptr;
    if (WindowObject(window, &object) != S_OK || !object) return false;
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    return true;
}

void Raise(DWORD event, HWND window, LONG child) {
    if (auto notify = SystemFunction<NotifyFn>(L"user32.dll", "NotifyWinEvent")) notify(event, window, OBJID_CLIENT, child);
}

BSTR Text(const std::wstring& text) {
    auto alloc = SystemFunction<AllocStringFn>(L"oleaut32.dll", "SysAllocString");
    return alloc ? alloc(text.c_str()) : nullptr;
}

std::wstring Trimmed(std::wstring text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    text.erase(0, first);
    text.erase(text.find_last_not_of(L" \t") + 1);
    return text;
}

std::wstring WindowTitle(HWND window) {
    HWND top = GetAncestor(window, GA_ROOT);
    wchar_t title[256] = {};
    GetWindowTextW(top ? top : window, title, 256);
    return title;
}

RECT ToScreen(HWND window, RECT r) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// One child of a container as a screen reader meets it.
struct Element {
    HWND window = nullptr;          // a child window, answered by its own object
    const Component* component = nullptr;
    const KeyboardItem* item = nullptr;
};


// In stacking order: an item where its first part lies, a child window where it was made.
std::vector<Element> Elements(const Container& container) {
    std::vector<Element> out;
    Form* form = container.containerForm();
    for (const Component* c : container.children()) {
        if (!c->IsWindowless()) {
            if (HWND w = c->Handle()) out.push_back({w, c, nullptr});
            continue;
        }
        if (const KeyboardItem* item = form ? form->ItemOf(c) : nullptr) {
            if (item->parts.front() == c) out.push_back({nullptr, c, item});
            continue;
        }
        if (c->exposed == Component::Exposed::Hidden) continue;
        if (c->exposed == Component::Exposed::Text && Trimmed(c->caption()).empty()) continue;
        out.push_back({nullptr, c, nullptr});
    }
    return out;
}

struct Description {
    std::wstring name;
    LONG role = ROLE_SYSTEM_STATICTEXT;
    LONG state = 0;
    RECT screen{};
    const wchar_t* action = nullptr;
};

Description Describe(const Element& e, HWND containerWindow) {
    Description d;
    if (e.item) {
        d.name = Trimmed(e.item->text->caption());
        d.role = e.item->link ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_PUSHBUTTON;
        d.state = STATE_SYSTEM_FOCUSABLE | (e.item->link ? STATE_SYSTEM_LINKED : 0);
        if (e.item->Focused()) d.state |= STATE_SYSTEM_FOCUSED;
        if (e.item->Hot()) d.state |= STATE_SYSTEM_HOTTRACKED;
        if (!IsWindowEnabled(GetAncestor(containerWindow, GA_ROOT))) d.state |= STATE_SYSTEM_UNAVAILABLE;
        d.screen = ToScreen(containerWindow, e.item->RectOn(ContainerOfWindow(containerWindow)));
        d.action = e.item->link ? L"Jump" : L"Press";
        return d;
    }
    d.screen = ToScreen(containerWindow, e.component->PixelRect());
    d.state = STATE_SYSTEM_READONLY;
    if (e.component->exposed == Component::Exposed::Graphic) {
        d.role = ROLE_SYSTEM_GRAPHIC;
        d.name = WindowTitle(containerWindow);
    } else {
        d.name = Trimmed(e.component->caption());
    }
    return d;
}

// A container's client area with its elements, or, with a stop, one keyboard
// item alone. It keeps only window handles: asked after its window is gone,
// it says so instead of touching what went with it.
class Object final : public IAccessible {
public:
    Object(HWND container, HWND stop) : container_(container), stop_(stop) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: clients call the interface itself.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!Alive()) return RPC_E_DISCONNECTED;
        // An item's parent is its container's client area; the client area's, its window.
        return WindowObject(container_, parent, stop_ ? OBJID_CLIENT : OBJID_WINDOW);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        if (!Alive()) return RPC_E_DISCONNECTED;
        if (!stop_) *count = static_cast<LONG>(Elements(*ContainerOfWindow(container_)).size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        const Lookup found = Find(child);
        if (found.result != S_OK) return found.result;
        const Element* e = found.element();
        if (!e) return E_INVALIDARG;
        if (e->window) return WindowObject(e->window, out);
        return S_FALSE;  // a simple element: its container answers for it
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return Answer(child, name, [](const Description& d) { return d.name; });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override { return Nothing(value); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override { return Nothing(text); }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return AnswerNumber(child, role, [](const Description& d) { return d.role; });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return AnswerNumber(child, state, [](const Description& d) { return d.state; });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return Nothing(help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (topic) *topic = 0;
        return Nothing(file);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* keys) override { return Nothing(keys); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        VariantInitLocal(focus);
        if (!Alive()) return RPC_E_DISCONNECTED;
        HWND has = GetFocus();
        if (stop_) {
            if (has == stop_) SetNumber(focus, CHILDID_SELF);
            return has == stop_ ? S_OK : S_FALSE;
        }
        if (has == container_) return SetNumber(focus, CHILDID_SELF), S_OK;
        const auto all = Elements(*ContainerOfWindow(container_));
        for (size_t i = 0; i < all.size(); ++i) {
            if (all[i].item && all[i].item->Focused()) return SetNumber(focus, static_cast<LONG>(i + 1)), S_OK;
            if (all[i].window && (all[i].window == has || IsChild(all[i].window, has)) &&
                GiveWindowObject(all[i].window, focus))
                return S_OK;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        VariantInitLocal(selection);
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!action) return E_POINTER;
        *action = nullptr;
        const Lookup found = Find(child);
        if (found.result != S_OK) return found.result;
        const Element* e = found.element();
        if (!e) return S_FALSE;
        const Description d = Describe(*e, container_);
        if (!d.action) return S_FALSE;
        *action = Text(d.action);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        const Lookup found = Find(child);
        if (found.result != S_OK) return found.result;
        const Element* e = found.element();
        if (e && e->item && (flags & SELFLAG_TAKEFOCUS)) {
            SetFocus(e->item->stop);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* width, LONG* height, VARIANT child) override {
        if (!x || !y || !width || !height) return E_POINTER;
        *x = *y = *width = *height = 0;
        const Lookup found = Find(child);
        if (found.result != S_OK) return found.result;
        const Element* e = found.element();
        RECT r{};
        if (e) {
            r = Describe(*e, container_).screen;
        } else {
            GetClientRect(container_, &r);
            r = ToScreen(container_, r);
        }
        *x = r.left;
        *y = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        VariantInitLocal(end);
        if (!Alive()) return RPC_E_DISCONNECTED;
        if (stop_) return S_FALSE;
        const auto all = Elements(*ContainerOfWindow(container_));
        const LONG from = start.vt == VT_I4 ? start.lVal : CHILDID_SELF;
        LONG to = 0;
        switch (direction) {
        case NAVDIR_FIRSTCHILD: to = from == CHILDID_SELF && !all.empty() ? 1 : 0; break;
        case NAVDIR_LASTCHILD: to = from == CHILDID_SELF ? static_cast<LONG>(all.size()) : 0; break;
        case NAVDIR_NEXT: to = from > 0 && from < static_cast<LONG>(all.size()) ? from + 1 : 0; break;
        case NAVDIR_PREVIOUS: to = from > 1 && from <= static_cast<LONG>(all.size()) ? from - 1 : 0; break;
        default: return DISP_E_MEMBERNOTFOUND;
        }
        if (to == 0) return S_FALSE;
        return Give(all[to - 1], to, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* at) override {
        if (!at) return E_POINTER;
        VariantInitLocal(at);
        if (!Alive()) return RPC_E_DISCONNECTED;
        POINT p{x, y};
        ScreenToClient(container_, &p);
        RECT client{};
        GetClientRect(container_, &client);
        if (!PtInRect(&client, p)) return S_FALSE;
        if (stop_) return SetNumber(at, CHILDID_SELF), S_OK;
        const auto all = Elements(*ContainerOfWindow(container_));
        // Child windows lie above what the container paints; among the painted ones, the last is on top.
        for (size_t i = all.size(); i-- > 0;) {
            if (!all[i].window) continue;
            RECT r{};
            GetWindowRect(all[i].window, &r);
            if (IsWindowVisible(all[i].window) && PtInRect(&r, POINT{x, y}))
                return Give(all[i], static_cast<LONG>(i + 1), at);
        }
        for (size_t i = all.size(); i-- > 0;) {
            if (all[i].window) continue;
            const RECT r = Describe(all[i], container_).screen;
            if (PtInRect(&r, POINT{x, y})) return SetNumber(at, static_cast<LONG>(i + 1)), S_OK;
        }
        return SetNumber(at, CHILDID_SELF), S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const Lookup found = Find(child);
        if (found.result != S_OK) return found.result;
        const Element* e = found.element();
        if (!e || !e->item) return DISP_E_MEMBERNOTFOUND;
        // Pressed on the window's own turn: a click may open a modal window, which must not hold the caller.
        PostMessageW(e->item->stop, kPressItem, 0, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    bool Alive() const { return ContainerOfWindow(container_) && (!stop_ || IsWindow(stop_)); }

    // What a child id names: the element, or none for CHILDID_SELF (with a stop, the item itself).
    struct Lookup {
        HRESULT result = S_OK;
        std::vector<Element> all;
        int index = -1;
        const Element* element() const { return index < 0 ? nullptr : &all[index]; }
    };
    static Lookup Failed(HRESULT result) {
        Lookup failed;
        failed.result = result;
        return failed;
    }
    Lookup Find(const VARIANT& child) const {
        Lookup found;
        if (!Alive()) return Failed(RPC_E_DISCONNECTED);
        if (child.vt != VT_I4) return Failed(E_INVALIDARG);
        if (stop_) {
            if (child.lVal != CHILDID_SELF) return Failed(E_INVALIDARG);
            KeyboardItem* item = KeyboardItemOfStop(stop_);
            if (!item) return Failed(RPC_E_DISCONNECTED);
            found.all.push_back({nullptr, item->parts.front(), item});
            found.index = 0;
            return found;
        }
        if (child.lVal == CHILDID_SELF) return found;
        found.all = Elements(*ContainerOfWindow(container_));
        if (child.lVal < 1 || child.lVal > static_cast<LONG>(found.all.size())) return Failed(E_INVALIDARG);
        found.index = static_cast<int>(child.lVal - 1);
        return found;
    }

    template <typename Pick>
    HRESULT Answer(const VARIANT& child, BSTR* out, Pick pick) const {
        if (!out) return E_POINTER;
        *out = nullptr;
        const Lookup found = Find(child);
        if (found.result != S_OK) return found.result;
        const Element* e = found.element();
        if (!e) {  // the client area itself: the window's title names a form, nothing a panel
            if (GetAncestor(container_, GA_ROOT) != container_) return S_FALSE;
            *out = Text(WindowTitle(container_));
            return S_OK;
        }
        if (e->window) return E_INVALIDARG;  // asked of its own object
        *out = Text(pick(Describe(*e, container_)));
        return S_OK;
    }
    template <typename Pick>
    HRESULT AnswerNumber(const VARIANT& child, VARIANT* out, Pick pick) const {
        if (!out) return E_POINTER;
        VariantInitLocal(out);
        const Lookup found = Find(child);
        if (found.result != S_OK) return found.result;
        const Element* e = found.element();
        if (!e) {
            Description self;
            self.role = ROLE_SYSTEM_CLIENT;
            self.state = IsWindowVisible(container_) ? 0 : STATE_SYSTEM_INVISIBLE;
            if (GetFocus() == container_) self.state |= STATE_SYSTEM_FOCUSED;
            return SetNumber(out, pick(self)), S_OK;
        }
        if (e->window) return E_INVALIDARG;
        return SetNumber(out, pick(Describe(*e, container_))), S_OK;
    }
    HRESULT Give(const Element& e, LONG id, VARIANT* out) const {
        if (e.window && GiveWindowObject(e.window, out)) return S_OK;
        return SetNumber(out, id), S_OK;
    }
    static HRESULT Nothing(BSTR* out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        return S_FALSE;
    }
    static void VariantInitLocal(VARIANT* v) {
        v->vt = VT_EMPTY;
        v->lVal = 0;
    }
    static void SetNumber(VARIANT* v, LONG n) {
        v->vt = VT_I4;
        v->lVal = n;
    }

    LONG refs_ = 1;
    HWND container_;  // whose client area this is, or whose item
    HWND stop_;       // null for the client area
};

// A control's standard object under the name its label gives it; every other question goes to the standard object.
class Named final : public IAccessible {
public:
    Named(IAccessible* inner, std::wstring name) : inner_(inner), name_(std::move(name)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return inner_->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return inner_->GetTypeInfoCount(n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return inner_->GetTypeInfo(i, l, t); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return inner_->GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                                     UINT* a) override {
        return inner_->Invoke(d, r, l, f, p, v, e, a);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return inner_->get_accParent(p); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override { return inner_->get_accChildCount(n); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** p) override { return inner_->get_accChild(c, p); }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT c, BSTR* name) override {
        if (c.vt == VT_I4 && c.lVal == CHILDID_SELF && name) {
            *name = Text(name_);
            return S_OK;
        }
        return inner_->get_accName(c, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override { return inner_->get_accValue(c, v); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* d) override {
        return inner_->get_accDescription(c, d);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* r) override { return inner_->get_accRole(c, r); }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override { return inner_->get_accState(c, s); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override { return inner_->get_accHelp(c, h); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, LONG* t) override {
        return inner_->get_accHelpTopic(f, c, t);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
        return inner_->get_accKeyboardShortcut(c, k);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* f) override { return inner_->get_accFocus(f); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* s) override { return inner_->get_accSelection(s); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override {
        return inner_->get_accDefaultAction(c, a);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG f, VARIANT c) override { return inner_->accSelect(f, c); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT c) override {
        return inner_->accLocation(x, y, w, h, c);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG d, VARIANT s, VARIANT* e) override { return inner_->accNavigate(d, s, e); }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* a) override { return inner_->accHitTest(x, y, a); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override { return inner_->accDoDefaultAction(c); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override { return inner_->put_accName(c, n); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override { return inner_->put_accValue(c, v); }

private:
    ~Named() { inner_->Release(); }
    IAccessible* inner_;  // owned: one reference
    std::wstring name_;
    LONG refs_ = 1;
};

// The control whose window (or inner window) this is.
const Control* ControlOf(HWND window) {
    for (HWND w = window; w; w = GetParent(w)) {
        if (auto* c = dynamic_cast<const Control*>(ComponentOfWindow(w))) return c;
        if (GetWindowLongPtrW(w, GWL_STYLE) & WS_POPUP) break;
    }
    return nullptr;
}

// A control named by a label answers a screen reader with its standard object under that name.
LRESULT AnswerWithLabelsName(HWND window, UINT msg, WPARAM wp, LPARAM lp, WNDPROC prior) {
    if (msg == WM_GETOBJECT && static_cast<LONG>(lp) == OBJID_CLIENT) {
        const Control* control = ControlOf(window);
        auto standard = SystemFunction<StdObjectFn>(L"oleacc.dll", "CreateStdAccessibleObject");
        IAccessible* inner = nullptr;
        if (control && control->labelledBy && standard && ThreadReady() &&
            SUCCEEDED(standard(window, OBJID_CLIENT, kIAccessible, reinterpret_cast<void**>(&inner))) && inner)
            return Hand(new Named(inner, WithoutTrailingColon(Trimmed(control->labelledBy->caption()))), wp);
    }
    return CallWindowProcW(prior, window, msg, wp, lp);
}

}  // namespace

namespace {

// The toolkit's questions, answered through MSAA.
class MsaaBridge final : public ScreenReaderBridge {
public:
    LRESULT AnswerContainer(HWND window, WPARAM wp, LPARAM lp) override {
        if (static_cast<LONG>(lp) != OBJID_CLIENT || !ContainerOfWindow(window) || !ThreadReady()) return 0;
        return Hand(new Object(window, nullptr), wp);
    }
    LRESULT AnswerItem(HWND stop, WPARAM wp, LPARAM lp) override {
        const KeyboardItem* item = KeyboardItemOfStop(stop);
        HWND container = item ? item->ContainerWindow() : nullptr;
        if (static_cast<LONG>(lp) != OBJID_CLIENT || !ContainerOfWindow(container) || !ThreadReady()) return 0;
        return Hand(new Object(container, stop), wp);
    }
    void ItemFocused(const KeyboardItem& item) override {
        HWND container = item.ContainerWindow();
        Container* c = ContainerOfWindow(container);
        if (!c) return;
        const auto all = Elements(*c);
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i].item == &item) Raise(EVENT_OBJECT_FOCUS, container, static_cast<LONG>(i + 1));
    }
    void NameChanged(const Component& component) override {
        const Container* parent = component.parent();
        HWND container = parent ? parent->ContainerHandle() : nullptr;
        if (!container) return;
        const auto all = Elements(*parent);
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i].component == &component || (all[i].item && all[i].item->text == &component))
                Raise(EVENT_OBJECT_NAMECHANGE, container, static_cast<LONG>(i + 1));
    }
    void NameControl(HWND window) override { Subclass<&AnswerWithLabelsName>(window); }
};

}  // namespace

void InstallScreenReaders() { Application::Instance().SetScreenReaders(std::make_unique<MsaaBridge>()); }

std::wstring WithoutTrailingColon(std::wstring text) {
    while (!text.empty() && (text.back() == L':' || text.back() == L'\uFF1A' || text.back() == L' '))
        text.pop_back();
    return text;
}

}  // namespace zephrin::ui
