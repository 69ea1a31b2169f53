#include "ui/system_font.h"

#include <cstdlib>

#include "ui/captions.h"

namespace zephrin::ui {

FontSpec FontSpecFromLogFont(const LOGFONTW& lf, int dpi) {
    FontSpec f;
    f.name = lf.lfFaceName;
    const int height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    f.sizePt = MulDiv(height, 72, dpi > 0 ? dpi : 96);
    f.style = (lf.lfWeight >= FW_BOLD ? kBold : 0u) | (lf.lfItalic ? kItalic : 0u) |
              (lf.lfUnderline ? kUnderline : 0u) | (lf.lfStrikeOut ? kStrikeOut : 0u);
    f.charset = lf.lfCharSet;
    f.color = kWindowText;
    return f;
}

FontSpec DesktopFont() {
    int dpi = 96;
    if (HDC screen = GetDC(nullptr)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    LOGFONTW lf{};
    if (SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0))
        return FontSpecFromLogFont(lf, dpi);
    LOGFONTW stock{};
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof stock, &stock);
    return FontSpecFromLogFont(stock, dpi);
}

void NormalizeFormFont(Form& form) {
    if (form.font.sizePt > 9) form.font.sizePt = 9;
    for (const auto& c : form.components()) {
        if (!c->HasFont() || c->parentFont) continue;
        c->font.name = form.font.name;
        if (c->font.sizePt < form.font.sizePt) c->font.sizePt = form.font.sizePt;
    }
}

void PrepareFonts(Form& form) {
    const FontSpec desktop = DesktopFont();
    // The window takes face, size, style and character set; its colour stays.
    form.font.name = desktop.name;
    form.font.sizePt = desktop.sizePt;
    form.font.style = desktop.style;
    form.font.charset = desktop.charset;
    NormalizeFormFont(form);
}

void PrepareWindow(Form& form, const std::vector<std::wstring>& captionLines) {
    PrepareFonts(form);
    form.FontsChanged();
    ApplyCaptionLines(form, captionLines);
}

}  // namespace zephrin::ui
