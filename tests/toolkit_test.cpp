#include <gtest/gtest.h>

#include "app/captions.h"
#include "harness.h"
#include "ui/application.h"
#include "ui/system_font.h"
#include "ui/toolkit.h"

using namespace zephrin;
using namespace zephrin::ui;
using namespace zephrin::test;

namespace {

FontSpec Own(int pt, unsigned style = 0, Color color = kBlack) { return Tahoma(pt, style, color); }

class FontForm : public Form {
public:
    FontForm() : Form(FormArgs{L"ZPFontTest", L"TZPFontTest", 300, 200}) {
        banner = Add<Label>(nullptr, L"BannerLabel");
        banner->parentFont = false;
        banner->font = Own(12, kBold, kWhite);
        small = Add<Label>(nullptr, L"SmallLabel");
        small->parentFont = false;
        small->font = Own(8);
        follower = Add<Label>(nullptr, L"Follower");
        picture = Add<Picture>(nullptr, L"Pic", L"LOGO");
    }
    Label* banner;
    Label* small;
    Label* follower;
    Picture* picture;
};

}  // namespace

TEST(FontRules, LargeDesktopFontIsCappedAndOwnFontsFollowItsFace) {
    FontForm form;
    form.font = Own(12);
    form.font.name = L"Segoe UI";
    NormalizeFormFont(form);
    EXPECT_EQ(form.font.sizePt, 9);
    EXPECT_EQ(form.banner->font.sizePt, 12) << "larger own sizes stay";
    EXPECT_EQ(form.banner->font.name, L"Segoe UI");
    EXPECT_EQ(form.banner->font.style, static_cast<unsigned>(kBold));
    EXPECT_EQ(form.banner->font.color, kWhite);
    EXPECT_EQ(form.small->font.sizePt, 9) << "smaller own sizes rise to the form's";
    EXPECT_EQ(form.follower->font.name, L"Tahoma") << "followers are not touched";
    EXPECT_EQ(form.follower->EffectiveFont().name, L"Segoe UI") << "but show the form's font";
    EXPECT_EQ(form.follower->EffectiveFont().sizePt, 9);
}

TEST(FontRules, SmallDesktopFontKeepsDesignedSizes) {
    FontForm form;
    form.font = Own(8);
    form.font.name = L"Arial";
    NormalizeFormFont(form);
    EXPECT_EQ(form.font.sizePt, 8);
    EXPECT_EQ(form.small->font.sizePt, 8);
    EXPECT_EQ(form.banner->font.sizePt, 12);
    EXPECT_EQ(form.small->font.name, L"Arial");
}

TEST(FontRules, PreparingTwiceGivesTheSameFonts) {
    FontForm form;
    form.Create();
    PrepareWindow(form);
    const FontSpec formFont = form.font;
    const FontSpec banner = form.banner->font;
    PrepareWindow(form);
    EXPECT_EQ(form.font, formFont);
    EXPECT_EQ(form.banner->font, banner);
    EXPECT_EQ(form.font.name, DesktopFont().name);
    EXPECT_LE(form.font.sizePt, 9);
}

TEST(FontRules, DesktopFontSizeFromTheLogFont) {
    LOGFONTW lf{};
    lf.lfHeight = -16;
    lf.lfWeight = FW_BOLD;
    lstrcpyW(lf.lfFaceName, L"Tahoma");
    const FontSpec f = FontSpecFromLogFont(lf, 96);
    EXPECT_EQ(f.sizePt, 12);
    EXPECT_EQ(f.style, static_cast<unsigned>(kBold));
    lf.lfHeight = -11;
    EXPECT_EQ(FontSpecFromLogFont(lf, 96).sizePt, 8);
}

TEST(Toolkit, ComponentsAreFoundWithoutAsciiCase) {
    FontForm form;
    EXPECT_EQ(form.Find(L"bannerlabel"), form.banner);
    EXPECT_EQ(form.Find(L"BANNERLABEL"), form.banner);
    EXPECT_EQ(form.Find(L"nothing"), nullptr);
    EXPECT_EQ(form.FindAs<Button>(L"BannerLabel"), nullptr);
    EXPECT_TRUE(form.banner->HasFont());
    EXPECT_FALSE(form.picture->HasFont());
}

TEST(Toolkit, FontHandlesCarryTheSpec) {
    FontForm form;
    form.Create();
    LOGFONTW lf{};
    GetObjectW(form.FontHandle(Own(10, kBold | kUnderline)), sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfUnderline);
    EXPECT_EQ(lf.lfHeight, -MulDiv(10, form.Dpi(), 72));
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
}

namespace {

class HoverForm : public Form {
public:
    HoverForm() : Form(FormArgs{L"ZPHoverTest", L"TZPHoverTest", 200, 100}) {
        a = Add<Picture>(nullptr, L"A", L"NAVBUTTON2");
        a->bounds = {10, 10, 60, 20};
        b = Add<Label>(nullptr, L"B");
        b->bounds = {40, 10, 0, 0};
        b->SetCaption(L"Over");
        for (Component* c : {static_cast<Component*>(a), static_cast<Component*>(b)}) {
            c->onMouseEnter = [this, c] { log += L"+" + c->name(); };
            c->onMouseLeave = [this, c] { log += L"-" + c->name(); };
            c->onClick = [this, c] { log += L"!" + c->name(); };
        }
    }
    Picture* a;
    Label* b;
    std::wstring log;
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace

TEST(Toolkit, HoverLeavesTheOldComponentBeforeEnteringTheNew) {
    HoverForm form;
    form.Create();
    form.Show();
    HWND w = form.Handle();
    SendMessageW(w, WM_MOUSEMOVE, 0, At(15, 15));
    SendMessageW(w, WM_MOUSEMOVE, 0, At(form.b->PixelRect().left + 2, 15));  // the label lies above the picture
    SendMessageW(w, WM_MOUSEMOVE, 0, At(150, 80));
    EXPECT_EQ(form.log, L"+A-A+B-B");
    form.log.clear();
    SendMessageW(w, WM_MOUSEMOVE, 0, At(15, 15));
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, At(15, 15));
    SendMessageW(w, WM_LBUTTONUP, 0, At(15, 15));
    SendMessageW(w, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(form.log, L"+A!A-A");
}

TEST(Toolkit, RightAlignedLabelGrowsToTheLeft) {
    Form form(FormArgs{L"ZPAlign", L"TZPAlignTest", 400, 100});
    Label* l = form.Add<Label>(nullptr, L"L");
    l->bounds = {304, 10, 3, 0};
    l->rightAligned = true;
    form.Create();
    l->SetCaption(L"Maximum Boost");
    const RECT r = l->PixelRect();
    EXPECT_EQ(r.right, form.Scale(307));
    EXPECT_LT(r.left, form.Scale(304) - 40);
}

TEST(Toolkit, TransparentLabelShowsThePictureAroundItsText) {
    Form form(FormArgs{L"ZPPaint", L"TZPPaintTest", 200, 60});
    form.Add<Picture>(nullptr, L"Back", L"BANNER")->bounds = {0, 0, 200, 60};
    Label* l = form.Add<Label>(nullptr, L"Text");
    l->bounds = {10, 10, 0, 0};
    l->parentFont = false;
    l->font.sizePt = 12;
    l->font.style = kBold;
    l->font.color = RGB(255, 255, 0);
    form.Create();
    l->SetCaption(L"MMMM");
    const RECT r = l->PixelRect();

    WindowDC screen(nullptr);
    UniqueDC dc(CreateCompatibleDC(screen.get()));
    UniqueBitmap bmp(CreateCompatibleBitmap(screen.get(), 200, 60));
    SelectScope select(dc.get(), bmp.get());
    SendMessageW(form.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);

    int yellow = 0, banner = 0, background = 0;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const COLORREF c = GetPixel(dc.get(), x, y);
            if (GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) < 80) ++yellow;
            else if (c == face) ++background;
            else if (GetBValue(c) > GetRValue(c)) ++banner;  // the banner is blue
        }
    EXPECT_GT(yellow, 20) << "the text is drawn";
    EXPECT_GT(banner, 20) << "the picture shows between the glyphs";
    EXPECT_EQ(background, 0) << "the label paints no background of its own";
}

TEST(Toolkit, ModalFormReturnsItsResultAndReenablesTheOwner) {
    Form owner(FormArgs{L"ZPOwner", L"TZPOwnerTest", 300, 200});
    owner.Create();
    owner.Show();
    Form dialog(FormArgs{L"ZPDialog", L"TZPDialogTest", 100, 60, BorderKind::Dialog, Placement::OwnerCenter,
                         kButtonFace, false, &owner});
    Button* ok = dialog.Add<Button>(nullptr, L"OkButton");
    ok->bounds = {10, 10, 60, 25};
    ok->isDefault = true;
    dialog.defaultButton = ok;
    ok->onClick = [&] { dialog.EndModal(IDOK); };
    dialog.Create();
    bool ownerWasDisabled = false;
    dialog.onShow = [&] {
        ownerWasDisabled = !IsWindowEnabled(owner.Handle());
        PostMessageW(ok->Handle(), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(dialog.ShowModal(), IDOK);
    EXPECT_TRUE(ownerWasDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(dialog.Visible());
    // Centred over the owner.
    RECT o, d;
    GetWindowRect(owner.Handle(), &o);
    GetWindowRect(dialog.Handle(), &d);
    EXPECT_NEAR((o.left + o.right) / 2, (d.left + d.right) / 2, 2);
    EXPECT_NEAR((o.top + o.bottom) / 2, (d.top + d.bottom) / 2, 2);
}

TEST(Toolkit, ControlsLieWhereTheyAreDesigned) {
    Form form(FormArgs{L"ZPPlace", L"TZPPlaceTest", 300, 200});
    Panel* p = form.Add<Panel>(nullptr, L"P");
    p->bounds = {20, 30, 200, 150};
    Button* b = form.Add<Button>(p, L"B");
    b->bounds = {5, 7, 80, 25};
    form.Create();
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, form.Scale(300));
    EXPECT_EQ(client.bottom, form.Scale(200));
    RECT br;
    GetWindowRect(b->Handle(), &br);
    MapWindowPoints(nullptr, p->Handle(), reinterpret_cast<POINT*>(&br), 2);
    EXPECT_EQ(br.left, form.Scale(5));
    EXPECT_EQ(br.top, form.Scale(7));
    EXPECT_EQ(br.right - br.left, form.Scale(80));
    EXPECT_EQ(GetParent(b->Handle()), p->Handle());
}

// ---- Defects the toolkit once had -------------------------------------------

TEST(ToolkitDefects, FontsMadeBeforeCreateAreAtTheWindowsDpi) {
    Form form(FormArgs{L"ZPDpiTest", L"TZPDpiTest", 200, 100, BorderKind::Dialog, Placement::ScreenCenter,
                       kButtonFace, false, nullptr, 144});
    Label* label = form.Add<Label>(nullptr, L"Early");
    label->bounds = {10, 10, 0, 0};
    label->parentFont = false;
    label->font = Own(8);
    label->SetCaption(L"measured before the window exists");
    form.Create();
    LOGFONTW lf{};
    ASSERT_NE(GetObjectW(form.FontHandle(label->font), sizeof lf, &lf), 0);
    EXPECT_EQ(lf.lfHeight, -MulDiv(8, 144, 72)) << "8 points at 144 DPI";
}

TEST(ToolkitDefects, ShowStepRunsOnlyWhenTheProgramShowsTheWindow) {
    Form owner(FormArgs{L"ZPOwner", L"TZPShowOwnerTest", 200, 100});
    Form owned(FormArgs{L"ZPOwned", L"TZPShowOwnedTest", 100, 60, BorderKind::Dialog, Placement::OwnerCenter,
                        kButtonFace, false, &owner});
    int shows = 0;
    owned.onShow = [&] { ++shows; };
    owner.Create();
    owned.Create();
    owner.Show();
    owned.Show();
    EXPECT_EQ(shows, 1);
    owned.Show();
    EXPECT_EQ(shows, 1) << "already visible";
    // What Windows sends an owned window when its owner comes back from the task bar.
    SendMessageW(owned.Handle(), WM_SHOWWINDOW, TRUE, SW_PARENTOPENING);
    ShowWindow(owner.Handle(), SW_MINIMIZE);
    ShowWindow(owner.Handle(), SW_RESTORE);
    EXPECT_EQ(shows, 1) << "the owner's restore is not a showing";
    owned.Hide();
    owned.Show();
    EXPECT_EQ(shows, 2);
}

TEST(ToolkitDefects, ChildWindowsShowTheirOwnCursor) {
    Form form(FormArgs{L"ZPCursor", L"TZPCursorTest", 300, 120});
    Panel* panel = form.Add<Panel>(nullptr, L"Busy");
    panel->bounds = {0, 0, 300, 120};
    panel->cursor = CursorId::HourGlass;
    ProgressBar* bar = form.Add<ProgressBar>(panel, L"Bar");
    bar->bounds = {20, 20, 200, 17};
    bar->cursor = CursorId::HourGlass;
    Button* plain = form.Add<Button>(panel, L"Plain");
    plain->bounds = {20, 60, 80, 25};
    form.Create();
    form.Show();
    const HCURSOR wait = Application::Instance().Cursor(CursorId::HourGlass);
    SetCursor(nullptr);
    SendMessageW(bar->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(bar->Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), wait) << "the hourglass over the progress bar";
    SendMessageW(plain->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(plain->Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), wait) << "a control without a cursor keeps its class cursor";
}

TEST(ToolkitDefects, ComboBoxesKeepTheirPicturesAfterFontChanges) {
    Form form(FormArgs{L"ZPImages", L"TZPImageComboTest", 300, 100});
    auto* images = form.Add<ImageList>(nullptr, L"Images", std::vector<std::wstring>{L"DESKTOP16", L"SERVER16"});
    auto* combo = form.Add<ImageCombo>(nullptr, L"Combo", images, std::vector<ImageCombo::Row>{{L"a", 0}, {L"b", 1}});
    combo->bounds = {10, 10, 200, 22};
    form.Create();
    form.FontsChanged();  // as every window's preparation does
    const auto held = reinterpret_cast<HIMAGELIST>(SendMessageW(combo->Handle(), CBEM_GETIMAGELIST, 0, 0));
    EXPECT_EQ(held, images->Get()) << "the combo box's list is the live one";
    EXPECT_EQ(ImageList_GetImageCount(images->Get()), 2);
}

namespace {

LRESULT CALLBACK CountFonts(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR counter) {
    if (msg == WM_SETFONT) ++*reinterpret_cast<int*>(counter);
    return DefSubclassProc(w, msg, wp, lp);
}

HFONT FontOf(const Control* c) { return reinterpret_cast<HFONT>(SendMessageW(c->Handle(), WM_GETFONT, 0, 0)); }

}  // namespace

TEST(Toolkit, ControlsGetEachNewFontAndOnlyANewOne) {
    Form form(FormArgs{L"ZPFonts", L"TZPFontSendTest", 300, 100});
    auto* button = form.Add<Button>(nullptr, L"Button");
    button->bounds = {10, 10, 100, 25};
    auto* combo = form.Add<ImageCombo>(nullptr, L"Combo", nullptr, std::vector<ImageCombo::Row>{{L"a", 0}});
    combo->bounds = {10, 40, 200, 22};
    form.Create();
    int sent = 0;
    ASSERT_TRUE(SetWindowSubclass(combo->Handle(), &CountFonts, 1, reinterpret_cast<DWORD_PTR>(&sent)));

    form.FontsChanged();  // nothing changed: the combo box is not laid out again
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(FontOf(button), form.FontHandle(form.font));

    form.font.sizePt = 12;  // a new form font reaches the controls that follow it
    form.FontsChanged();
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(FontOf(combo), form.FontHandle(form.font));
    EXPECT_EQ(FontOf(button), form.FontHandle(form.font));

    button->parentFont = false;
    button->font = form.font;
    button->SetFontStyle(kBold);
    EXPECT_EQ(FontOf(button), form.FontHandle(button->font));
    button->SetFontStyle(0);  // back to a font the button had before
    EXPECT_EQ(FontOf(button), form.FontHandle(form.font));
    RemoveWindowSubclass(combo->Handle(), &CountFonts, 1);
}

namespace {

std::string PixelsOf(const Bitmap& b) {
    DIBSECTION dib{};
    if (!b.handle || GetObjectW(b.handle.get(), sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits) return {};
    return std::string(static_cast<const char*>(dib.dsBm.bmBits),
                       static_cast<size_t>(dib.dsBm.bmWidthBytes) * static_cast<size_t>(dib.dsBm.bmHeight));
}

}  // namespace

TEST(Pictures, DecodedAheadOnAnotherThreadTheyAreTheSameAsDecodedOnTheSpot) {
    HMODULE module = GetModuleHandleW(nullptr);
    PicturePrefetch prefetch;
    prefetch.Start(module, {{L"BACKGROUND", 765, 500}, {L"PRODUCTICON", 48, 48}, {L"NOSUCHPICTURE", 16, 16}});
    const Bitmap icon = prefetch.Take(module, L"PRODUCTICON", 48, 48);
    ASSERT_TRUE(icon.handle);
    EXPECT_EQ(PixelsOf(icon), PixelsOf(LoadPngResource(module, L"PRODUCTICON", 48, 48)));
    EXPECT_FALSE(icon.opaque) << "its corners let the background through, so it is blended";
    const Bitmap background = prefetch.Take(module, L"BACKGROUND", 765, 500);
    EXPECT_EQ(background.width, 765);
    EXPECT_TRUE(background.opaque) << "copied, not blended";
    BITMAP kept{};
    ASSERT_TRUE(GetObjectW(background.handle.get(), sizeof kept, &kept));
    EXPECT_EQ(kept.bmBitsPixel, 24) << "no alpha channel where nothing shows through";
    ASSERT_TRUE(GetObjectW(icon.handle.get(), sizeof kept, &kept));
    EXPECT_EQ(kept.bmBitsPixel, 32);
    EXPECT_FALSE(prefetch.Take(module, L"NOSUCHPICTURE", 16, 16).handle);
    // Taken once: the same picture again, or at a size nobody asked for, is decoded on the spot.
    const Bitmap again = prefetch.Take(module, L"BACKGROUND", 382, 250);
    EXPECT_EQ(again.width, 382);
    EXPECT_EQ(again.height, 250);
}
