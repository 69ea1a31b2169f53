// The structural floor for start-up: exactly the windows and controls that
// Zephrin makes before its main window shows, with one font and no pictures,
// in plain Win32. What Zephrin takes beyond this is its own doing.
#include <windows.h>

#include <commctrl.h>

#include <initializer_list>

namespace {

LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY && GetWindowLongPtrW(w, GWLP_USERDATA) == 1) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

HFONT g_font = nullptr;  // the one font, for the run's whole life

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h) {
    HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
    return c;
}

HWND TopWindow(const wchar_t* cls, const wchar_t* title, DWORD style, HWND owner, int w, int h) {
    RECT r{0, 0, w, h};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_CONTROLPARENT);
    return CreateWindowExW(WS_EX_CONTROLPARENT, cls, title, style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                           r.bottom - r.top, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// An image combo box with its rows and an image list of blank 16 x 16 entries.
void ImageCombo(HWND parent, int y, int rows, int images) {
    HWND combo = Child(parent, WC_COMBOBOXEXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 16, y, 309, 300);
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32, images, 0);
    for (int i = 0; i < images; ++i) {
        HDC screen = GetDC(nullptr);
        HBITMAP blank = CreateCompatibleBitmap(screen, 16, 16);
        ReleaseDC(nullptr, screen);
        ImageList_Add(list, blank, nullptr);
        DeleteObject(blank);
    }
    SendMessageW(combo, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
    for (int i = 0; i < rows; ++i) {
        wchar_t text[] = L"  Row of the list";
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = i;
        item.pszText = text;
        item.iImage = item.iSelectedImage = i % images;
        SendMessageW(combo, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    g_font = CreateFontIndirectW(&metrics.lfMessageFont);

    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    for (const wchar_t* name : {L"ZephrinFloorOwner", L"ZephrinStructuralFloor", L"ZephrinFloorAbout",
                                L"ZephrinFloorProgress", L"ZephrinFloorPanel"}) {
        wc.lpszClassName = name;
        RegisterClassW(&wc);
    }
    HWND owner = CreateWindowExW(0, L"ZephrinFloorOwner", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                                 nullptr);
    const DWORD frame = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

    HWND main = TopWindow(L"ZephrinStructuralFloor", L"Structural floor", frame | WS_MINIMIZEBOX, nullptr, 764, 500);
    SetWindowLongPtrW(main, GWLP_USERDATA, 1);
    HWND panel = Child(main, L"ZephrinFloorPanel", L"", WS_CLIPCHILDREN | WS_TABSTOP, 182, 91, 582, 388);
    Child(panel, L"ZephrinFloorPanel", L"", 0, 0, 0, 582, 65);
    ImageCombo(panel, 95, 8, 2);
    ImageCombo(panel, 153, 9, 1);
    HWND track = Child(panel, TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_FIXEDLENGTH, 16, 211,
                       309, 55);
    SendMessageW(track, TBM_SETRANGE, FALSE, MAKELPARAM(0, 1));
    SendMessageW(track, TBM_SETTHUMBLENGTH, 33, 0);
    Child(panel, L"BUTTON", L"&Optimize now", WS_TABSTOP | BS_DEFPUSHBUTTON, 400, 95, 145, 52);
    Child(panel, L"BUTTON", L"&Restore", WS_TABSTOP | WS_DISABLED, 400, 171, 145, 25);
    Child(panel, L"BUTTON", L" &Check for updates ...", WS_TABSTOP, 400, 336, 154, 33);

    HWND about = TopWindow(L"ZephrinFloorAbout", L"About", frame, main, 700, 441);
    HWND aboutPanel = Child(about, L"ZephrinFloorPanel", L"", WS_CLIPCHILDREN, 0, 0, 700, 386);
    Child(aboutPanel, L"EDIT", L"", WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 24, 200, 320, 150);
    Child(about, L"BUTTON", L"&Help", WS_TABSTOP, 14, 403, 79, 25);
    Child(about, L"BUTTON", L"&Close", WS_TABSTOP | BS_DEFPUSHBUTTON, 608, 403, 79, 25);

    HWND progress = TopWindow(L"ZephrinFloorProgress", L"Progress", WS_CAPTION | WS_CLIPCHILDREN, main, 479, 146);
    HWND progressPanel = Child(progress, L"ZephrinFloorPanel", L"", WS_CLIPCHILDREN, 0, 0, 479, 146);
    Child(progressPanel, PROGRESS_CLASSW, L"", PBS_SMOOTH, 42, 59, 401, 17);
    (void)owner;

    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(main, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DeleteObject(g_font);
    return 0;
}
