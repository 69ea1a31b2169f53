#pragma once
// A small form toolkit over Win32. A Form owns named components. Labels,
// pictures and bevels are windowless: their container paints them in stacking
// order and does their hit-testing and hover tracking. Panels, buttons,
// combo boxes, track bars, progress bars and memos are real child windows,
// destroyed by their parent window.
// Places and sizes are 96-DPI design units, scaled once by the form's DPI.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "ui/png.h"
#include "ui/window.h"

namespace zephrin::ui {

class Form;
class Container;

// Colours are RGB values, or system colours marked the way the form designer stores them.
using Color = DWORD;
constexpr Color SystemColor(int index) { return 0x80000000u | static_cast<DWORD>(index); }
constexpr Color kWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr Color kWindowColor = SystemColor(COLOR_WINDOW);
constexpr Color kButtonFace = SystemColor(COLOR_BTNFACE);
constexpr Color kGray = RGB(128, 128, 128);
constexpr Color kWhite = RGB(255, 255, 255);
constexpr Color kBlack = RGB(0, 0, 0);
COLORREF ResolveColor(Color c);

enum FontStyle : unsigned { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };

struct FontSpec {
    std::wstring name = L"Tahoma";
    int sizePt = 8;
    unsigned style = 0;
    Color color = kWindowText;
    BYTE charset = DEFAULT_CHARSET;
    bool operator==(const FontSpec& o) const {
        return name == o.name && sizePt == o.sizePt && style == o.style && color == o.color &&
               charset == o.charset;
    }
    bool operator!=(const FontSpec& o) const { return !(*this == o); }
};

// The face the windows were designed in; window preparation gives each its
// desktop face later and keeps size, style and colour.
FontSpec Tahoma(int sizePt, unsigned style, Color color);

// Cursor identifiers of the application's cursor table.
enum class CursorId : int { Default = 0, HourGlass = -11, HandPoint = -21 };

struct DesignRect {
    int left = 0, top = 0, width = 0, height = 0;
};

class Component;
// The component behind a child window of ours, or null.
inline const wchar_t kComponentProperty[] = L"ZephrinComponent";
Component* ComponentOfWindow(HWND window);
// The container (form or panel) whose window this is, or null.
Container* ContainerOfWindow(HWND window);

class Component {
public:
    explicit Component(std::wstring name) : name_(std::move(name)) {}
    virtual ~Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::wstring& name() const { return name_; }
    Form* form() const { return form_; }
    Container* parent() const { return parent_; }

    // Visible components have a font; pictures, bevels and non-visual ones do not.
    virtual bool HasFont() const { return false; }
    // Whether the caption table may set this component's caption.
    virtual bool TakesCaption() const { return false; }
    // Menus and image lists belong to the form but sit on no container.
    virtual bool IsPlaced() const { return true; }
    virtual Container* AsContainer() { return nullptr; }

    bool parentFont = true;
    FontSpec font;  // used when parentFont is false
    FontSpec EffectiveFont() const;
    void SetFontStyle(unsigned style);  // own font's style, then repaint

    virtual void SetCaption(const std::wstring& text) { caption_ = text; }
    const std::wstring& caption() const { return caption_; }

    // How a screen reader meets a windowless component that is not part of a
    // keyboard item: labels are read as static text, a picture only when it
    // stands for the window (a logo), named by the window's title.
    enum class Exposed { Hidden, Text, Graphic };
    Exposed exposed = Exposed::Hidden;

    DesignRect bounds;
    CursorId cursor = CursorId::Default;
    std::wstring hint;  // shown up to the first "|"; none when empty
    int tabOrder = 0;
    std::function<void()> onClick;
    std::function<void()> onMouseEnter;
    std::function<void()> onMouseLeave;

    // Pixel rectangle in the parent container's client coordinates.
    virtual RECT PixelRect() const;

    // Windowless components paint into their container's DC.
    virtual bool IsWindowless() const { return false; }
    virtual void Paint(HDC) {}
    // The pictures this component will draw, at their pixel sizes, for decoding ahead.
    virtual void WantPictures(std::vector<PictureRequest>&) const {}
    // Windowed components create their window inside the container's window.
    virtual void Realize() {}
    virtual HWND Handle() const { return nullptr; }
    // Called after the form's fonts changed.
    virtual void FontsChanged();
    // Called when the form moved to another DPI, before the fonts change.
    virtual void DpiChanged() {}
    void Invalidate() const;

protected:
    friend class Form;
    int Scale(int v) const;
    // Takes a command identifier from the form's counter where the component needs one.
    virtual bool TakeId(int /*id*/) { return false; }
    // A WM_COMMAND notification for this component's identifier.
    virtual void Command(int /*code*/) {}
    // A WM_NOTIFY notification from this component's window; true when it
    // answered, with the answer in `result`.
    virtual bool Notify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // The parent window was destroyed, and this component's window with it.
    virtual void ParentDestroyed() {}
    std::wstring caption_;

private:
    std::wstring name_;
    Form* form_ = nullptr;
    Container* parent_ = nullptr;
};

// Something that holds components and paints the windowless ones: the form itself or a panel.
class Container : public MessageTarget {
public:
    virtual HWND ContainerHandle() const = 0;
    virtual Color Background() const = 0;
    virtual FontSpec ContainerFont() const = 0;
    // Shown between the components, where none has a cursor of its own.
    virtual CursorId ContainerCursor() const = 0;
    const std::vector<Component*>& children() const { return children_; }
    Component* hovered() const { return hovered_; }
    Form* containerForm() const { return containerForm_; }
    // What is painted here: the designed colours, or the system's alone while
    // high contrast is on (window or button face, their text, links as links).
    COLORREF BackColor() const;
    COLORREF TextColor(Color designed, bool link) const;

protected:
    friend class Form;
    // Shared window-procedure work for containers; returns true when handled.
    bool HandleContainerMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void PaintContainer(HDC dc, const RECT& client);
    // The focused keyboard item's outline, while this window shows keyboard cues.
    void PaintFocus(HDC dc);
    Component* HitTest(POINT p) const;
    void SetHovered(Component* c);

    std::vector<Component*> children_;  // stacking order, bottom first; owned by the form
    Component* hovered_ = nullptr;
    Component* pressed_ = nullptr;
    bool tracking_ = false;
    Form* containerForm_ = nullptr;  // the form that owns this container's components
    UniqueBrush backgroundBrush_;
};

class Label : public Component {
public:
    explicit Label(std::wstring name) : Component(std::move(name)) { exposed = Exposed::Text; }
    bool HasFont() const override { return true; }
    bool TakesCaption() const override { return true; }
    bool IsWindowless() const override { return true; }
    void SetCaption(const std::wstring& text) override;
    RECT PixelRect() const override;
    void Paint(HDC dc) override;
    void FontsChanged() override;

    bool autoSize = true;
    bool rightAligned = false;  // with autoSize the right edge stays put and the text grows left
    bool wordWrap = false;
    bool centerVertically = false;

private:
    SIZE measured_{0, 0};
    void Measure();
};

class Picture : public Component {
public:
    Picture(std::wstring name, std::wstring resource) : Component(std::move(name)), resource_(std::move(resource)) {}
    bool IsWindowless() const override { return true; }
    void Paint(HDC dc) override;
    void WantPictures(std::vector<PictureRequest>& out) const override;
    // High contrast keeps an icon. Any other picture is left out: it lies
    // behind text, or is text drawn in colours the user did not choose.
    bool keepInHighContrast = false;

private:
    // What stands in for the picture in high contrast.
    void PaintInHighContrast(HDC dc, const RECT& r);
    std::wstring resource_;
    Bitmap bitmap_;  // decoded lazily at the drawn size
};

enum class BevelShape { TopLine, RightLine };

class Bevel : public Component {
public:
    Bevel(std::wstring name, BevelShape shape) : Component(std::move(name)), shape_(shape) {}
    bool IsWindowless() const override { return true; }
    void Paint(HDC dc) override;

private:
    BevelShape shape_;
};

// A windowed component. Its window belongs to the parent window, which destroys it.
class Control : public Component {
public:
    using Component::Component;
    HWND Handle() const override { return window_; }
    bool HasFont() const override { return true; }
    void FontsChanged() override;
    void DpiChanged() override;
    void SetEnabled(bool enabled);
    bool Enabled() const;
    // Moves the control's window too, when it has one.
    void SetBounds(const DesignRect& r);
    int controlId = 0;
    // The label a sighted user reads beside the control, which names it for
    // screen readers too (without its trailing colon); null: the control's own text.
    Label* labelledBy = nullptr;
    // The window that takes the focus for this control (a combo box's inner list), else its own.
    virtual HWND FocusWindow() const { return window_; }
    // The height its window is made with, in pixels: the design height unless the control needs another.
    virtual int WindowHeight() const;
    // Gives the windows of this control the name its label says.
    void NameForScreenReaders();

protected:
    bool TakeId(int id) override {
        controlId = id;
        return true;
    }
    void ParentDestroyed() override { window_ = nullptr; }
    // The one place where child windows are made; marks the window as this
    // component's and gives it the font. `height` overrides the design height.
    HWND CreateChild(const wchar_t* className, DWORD style, DWORD exStyle = 0, MessageTarget* target = nullptr);
    HWND window_ = nullptr;  // owned by the parent window

private:
    // A font is sent only when it differs from the one the window has: some
    // controls lay themselves out anew on every WM_SETFONT, which is slow.
    void SendFont(BOOL redraw);
    HFONT sentFont_ = nullptr;
};

class Panel : public Control, public Container {
public:
    using Control::Control;
    void Realize() override;
    bool TakesCaption() const override { return true; }
    Container* AsContainer() override { return this; }
    HWND ContainerHandle() const override { return Handle(); }
    Color Background() const override { return color; }
    FontSpec ContainerFont() const override { return EffectiveFont(); }
    CursorId ContainerCursor() const override { return cursor; }
    void SetCaption(const std::wstring& text) override;
    Color color = kButtonFace;

private:
    LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
};

class Button : public Control {
public:
    using Control::Control;
    void Realize() override;
    bool TakesCaption() const override { return true; }
    void SetCaption(const std::wstring& text) override;
    // The design width its caption needs in the button's font.
    int FittingWidth() const;
    bool isDefault = false;
    bool startsDisabled = false;
    bool shield = false;  // the elevation shield, where the system has one

protected:
    void Command(int code) override;
};

// Pointing at `pointedAt` underlines `underlined` (a link itself, or the text
// on a picture); leaving takes the underline off. Bold and the rest stay.
void UnderlineOnHover(Component* pointedAt, Component* underlined);

// Lays buttons out in a row from `left`, each as wide as its caption needs
// and at least `minimumWidth`, so that a longer translation never clips.
// Returns the right edge of the row.
int LayOutButtonRow(const std::vector<Button*>& buttons, int left, int minimumWidth = 79, int gap = 8);

class Memo : public Control {
public:
    using Control::Control;
    void Realize() override;
    bool TakesCaption() const override { return true; }
    void SetCaption(const std::wstring& text) override;
    std::wstring Text() const;
};

// A list in report view: columns with titles, rows of text, read only.
// Ctrl+C copies the selected rows, tab-separated with the titles first, as
// people paste them into a mail or a spreadsheet; Ctrl+A selects every row.
class ListView : public Control {
public:
    struct Column {
        std::wstring title;
        int width = 0;  // design units
    };
    using Control::Control;
    void Realize() override;
    // Titles and rows together: the list is filled once for both.
    void SetContents(std::vector<Column> columns, std::vector<std::vector<std::wstring>> rows);
    void DpiChanged() override;

protected:
    bool Notify(const NMHDR& header, LRESULT& result) override;

private:
    void Fill();
    // The selected rows as the clipboard gets them.
    std::wstring SelectedText() const;
    // Puts SelectedText on the clipboard; false when there was nothing or the clipboard refused.
    bool CopySelected() const;
    std::vector<Column> columns_;
    std::vector<std::vector<std::wstring>> rows_;
};

// Pictures for the rows of combo boxes, made once at the form's DPI.
class ImageList : public Component {
public:
    ImageList(std::wstring name, std::vector<std::wstring> resources)
        : Component(std::move(name)), resources_(std::move(resources)) {}
    bool IsPlaced() const override { return false; }
    HIMAGELIST Get();
    void WantPictures(std::vector<PictureRequest>& out) const override;
    // Made again at the new DPI on the next Get.
    void DpiChanged() override;

private:
    std::vector<std::wstring> resources_;
    UniqueImageList list_;  // lent to the combo boxes that show it, so it lives as long as the form
    UniqueImageList retired_;  // the list of the DPI before, until every combo box has the new one
};

class ImageCombo : public Control {
public:
    struct Row {
        std::wstring text;
        int image = 0;
    };
    ImageCombo(std::wstring name, ImageList* images, std::vector<Row> rows)
        : Control(std::move(name)), images_(images), rows_(std::move(rows)) {}
    void Realize() override;
    // An index outside the rows selects nothing.
    void SetSelected(int index);
    int Selected() const;
    const std::vector<Row>& rows() const { return rows_; }
    HWND FocusWindow() const override;
    int WindowHeight() const override;
    void DpiChanged() override;

private:
    ImageList* images_;  // owned by the form
    std::vector<Row> rows_;
};

class TrackBar : public Control {
public:
    using Control::Control;
    void Realize() override;
    void SetPosition(int position);  // limited to the range
    int Position() const;
    void DpiChanged() override;
    int minimum = 0, maximum = 1, thumbLength = 33;
};

class ProgressBar : public Control {
public:
    using Control::Control;
    void Realize() override;
    void SetPosition(int position);
    int Position() const;
};

class MenuItem : public Component {
public:
    MenuItem(std::wstring name, bool separator = false) : Component(std::move(name)), separator_(separator) {}
    bool IsPlaced() const override { return false; }
    bool TakesCaption() const override { return true; }
    bool separator() const { return separator_; }
    int commandId = 0;

protected:
    bool TakeId(int id) override {
        commandId = id;
        return true;
    }

private:
    bool separator_;
};

class PopupMenu : public Component {
public:
    PopupMenu(std::wstring name, std::vector<MenuItem*> items)
        : Component(std::move(name)), items_(std::move(items)) {}
    bool IsPlaced() const override { return false; }
    // Right-aligned at (x, y) in screen pixels; runs the chosen item's click.
    void Popup(int x, int y);
    const std::vector<MenuItem*>& items() const { return items_; }

private:
    std::vector<MenuItem*> items_;  // owned by the form
};

// Windowless components that the keyboard reaches as one: a navigation
// picture with its text, or a link. Each is a stop in the form's tab order
// after the controls, pressed by Enter or Space as by a click, outlined while
// it has the focus and the window shows keyboard cues, and one element for
// screen readers, named by its text.
struct KeyboardItem {
    Form* form = nullptr;
    Label* text = nullptr;          // gives the name; one of the parts
    std::vector<Component*> parts;  // share one click handler
    bool link = false;              // a link, else a push button
    HWND stop = nullptr;            // the zero-size child window that holds the focus; owned by the form's window
    std::unique_ptr<MessageTarget> stopTarget;  // answers the stop's messages
    // Pixel rectangle of the parts on `container`, in its client coordinates; empty when none lies there.
    RECT RectOn(const Container* container) const;
    // The window whose client area shows the item: where its first part lies.
    HWND ContainerWindow() const;
    bool Focused() const { return stop && GetFocus() == stop; }
    bool Hot() const;
    void Press() const;
};

// Posted to a keyboard item's stop to press it on the window's own turn.
inline constexpr UINT kPressItem = WM_APP + 0x3A0;
// Posted to a form once it has been painted, to make its focus stops.
inline constexpr UINT kMakeStops = WM_APP + 0x3A1;

// The item whose focus stop this window is, or null.
KeyboardItem* KeyboardItemOfStop(HWND stop);

enum class BorderKind { MainWindow, Dialog, ToolCaption };
enum class Placement { ScreenCenter, OwnerCenter };

struct FormArgs {
    std::wstring name;
    std::wstring className;
    int clientWidth = 0;
    int clientHeight = 0;
    BorderKind border = BorderKind::Dialog;
    Placement placement = Placement::ScreenCenter;
    Color color = kButtonFace;
    bool doubleBuffered = false;
    Form* owner = nullptr;
    int dpi = 0;  // 0: the screen's
};

class Form : public Container {
public:
    explicit Form(FormArgs args);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Adds a component on `parent` (the form when null); the form owns it.
    template <typename T, typename... Args>
    T* Add(Container* parent, Args&&... args) {
        auto owned = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = owned.get();
        Adopt(std::move(owned), parent);
        return raw;
    }
    Component* Find(const std::wstring& name) const;  // ASCII case ignored
    template <typename T>
    T* FindAs(const std::wstring& name) const { return dynamic_cast<T*>(Find(name)); }
    const std::vector<std::unique_ptr<Component>>& components() const { return components_; }

    const std::wstring& name() const { return args_.name; }
    const std::wstring& className() const { return args_.className; }
    HWND Handle() const { return window_.get(); }
    HWND ContainerHandle() const override { return Handle(); }
    Color Background() const override { return args_.color; }
    FontSpec ContainerFont() const override { return font; }
    CursorId ContainerCursor() const override { return CursorId::Default; }

    FontSpec font;
    void SetTitle(const std::wstring& title);
    std::wstring Title() const;
    int Dpi() const { return dpi_; }
    int Scale(int v) const { return MulDiv(v, dpi_, 96); }
    HFONT FontHandle(const FontSpec& wanted);
    // One DC for measuring text, kept for the form's life: every caption change measures.
    HDC MeasureDC();
    // Re-applies fonts to every component after the form's or a component's font changed.
    void FontsChanged();
    // Lays the window out again at `dpi`, in `suggested` (screen pixels) when given,
    // with fonts, pictures and controls made for it.
    void SetDpi(int dpi, const RECT* suggested);

    // Creates the hidden window and its child windows.
    void Create();
    // Shows the window; the show step runs first when it was hidden.
    void Show();
    void Hide();
    bool Visible() const;
    // Shows the form modally over its owner and returns once it is hidden again.
    int ShowModal();
    void EndModal(int result);
    void SetPlacement(Placement p) { args_.placement = p; }
    void SetEnabled(bool enabled);
    // Whether the user may act in this window now: it is enabled. A disabled
    // window is waiting for something, and no route into it (a posted click,
    // a screen reader's action) may start anything.
    bool TakesInput() const;
    Button* defaultButton = nullptr;

    // Makes `parts` one keyboard item named by `text`; stops are made in the order items are added.
    KeyboardItem* AddKeyboardItem(Label* text, std::vector<Component*> parts, bool link);
    const std::vector<std::unique_ptr<KeyboardItem>>& items() const { return items_; }
    // The item a part belongs to, and the item of a stop. Asking makes the
    // stops when the window has none yet (they come after its first paint).
    KeyboardItem* ItemOf(const Component* part) const;
    KeyboardItem* ItemOfStop(HWND stop) const;
    // Whether a part belongs to a link; asks nothing of the window, so painting may.
    bool IsLink(const Component* part) const;
    // Makes the stops now, if the window has none yet.
    void EnsureStops() const;
    // A stop gained or lost the focus: outline it anew and tell screen readers.
    void ItemFocusChanged(const KeyboardItem& item, bool gained);

    // The show step: runs each time the program shows the window, never when
    // Windows shows it again with its owner.
    std::function<void()> onShow;
    // Escape (the dialog manager's IDCANCEL); nothing when unset.
    std::function<void()> onCancel;
    // Main windows end the message loop when closed; others only hide.
    bool quitOnClose = false;
    // Give the child windows their fonts when they are made. A form that is
    // prepared (fonts and captions) before it is first seen can skip this.
    bool fontsAtCreate = true;
    // Decode the form's pictures on another thread while its windows are made
    // (for the first window, whose appearance the user waits for).
    bool decodeAhead = false;

protected:
    LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void WindowDestroyed() override;
    void Adopt(std::unique_ptr<Component> c, Container* parent);
    void RealizeChildren(Container* container);
    void MakeStops();
    void PlaceStops();
    KeyboardItem* ItemWithPart(const Component* part) const;
    void Place();
    // The colours, the high-contrast setting or a system setting changed.
    void DisplayChanged(HWND wnd, UINT msg);
    // Gives the focus back to what held it when the window was deactivated; false when nothing can take it.
    bool RestoreFocus();

    FormArgs args_;
    std::vector<std::unique_ptr<Component>> components_;  // owned, in creation order
    std::map<int, Component*> byId_;                        // components with a command identifier
    std::vector<std::unique_ptr<KeyboardItem>> items_;
    std::map<std::wstring, UniqueFont> fonts_;
    UniqueDC measureDc_;
    UniqueWindow window_;  // released when Windows destroys the window
    int dpi_ = 96;
    int nextId_ = 100;
    // What held the keyboard focus when the window was last deactivated: it gets it back on return.
    HWND savedFocus_ = nullptr;  // a child of ours, or null
    bool inModal_ = false;
    int modalResult_ = 0;
    bool closed_ = false;
    // Nine zero-size windows cost the main window a few milliseconds before it
    // could be seen: they are made after the first paint, or when first asked for.
    mutable bool stopsMade_ = false;
};

}  // namespace zephrin::ui
