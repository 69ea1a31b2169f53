#include <gtest/gtest.h>

#include <objbase.h>
#include <wincodec.h>

#include "harness.h"
#include "settings/program_key.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

// The build's screenshot folder, as the Windows side sees the host's file system.
std::wstring ScreenshotPath(const std::wstring& name) {
    std::wstring dir = L"Z:";
    for (const char* c = ZEPHRIN_SCREENSHOT_DIR; *c; ++c) dir += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir + L"\\" + name;
}

// Copies what the screen shows of a window's client area into a PNG file.
bool SaveWindowPng(HWND window, const std::wstring& path) {
    // The client area: without a window manager the frame is not drawn.
    RECT r;
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    const int w = r.right - r.left, h = r.bottom - r.top;
    WindowDC screen(nullptr);
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
    void* bits = nullptr;
    UniqueBitmap dib(CreateDIBSection(screen.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueDC mem(CreateCompatibleDC(screen.get()));
    {
        SelectScope select(mem.get(), dib.get());
        BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
              SUCCEEDED(factory->CreateStream(&stream)) &&
              SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
              SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
              SUCCEEDED(frame->SetSize(w, h));
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    ok = ok && SUCCEEDED(frame->SetPixelFormat(&format)) &&
         SUCCEEDED(frame->WritePixels(h, w * 4, w * h * 4, static_cast<BYTE*>(bits))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    if (frame) frame->Release();
    if (encoder) encoder->Release();
    if (stream) stream->Release();
    if (factory) factory->Release();
    CoUninitialize();
    return ok;
}

class Screenshots : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramKey(); }
    void TearDown() override {
        ResetProgramKey();
        SetDpi(96);
        UseDesktopFont(nullptr);
    }
    // A Korean desktop uses a Hangul face for its icon titles; so does the Korean shot.
    static void UseDesktopFont(const wchar_t* face) {
        const std::wstring metrics = L"\\Control Panel\\Desktop\\WindowMetrics";
        if (!face) {
            HKEY k;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, metrics.substr(1).c_str(), 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
                RegDeleteValueW(k, L"IconFont");
                RegCloseKey(k);
            }
            return;
        }
        LOGFONTW lf{};
        lf.lfHeight = -12;
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = HANGUL_CHARSET;
        lstrcpyW(lf.lfFaceName, face);
        WriteRaw(HKEY_CURRENT_USER, metrics, L"IconFont", REG_BINARY, &lf, sizeof lf);
    }
    static void SetDpi(DWORD dpi) { WriteDword(HKEY_CURRENT_USER, L"\\Control Panel\\Desktop", L"LogPixels", dpi); }

    // Starts the program, waits until its window is painted, and saves it.
    void Shoot(const std::wstring& language, const std::wstring& file, RECT* clientOut = nullptr,
               const std::wstring& aboutFile = L"") {
        if (!language.empty()) WriteSz(kProgramRoot, kProgramKeyPath, L"Language", language);
        Program p;
        HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
        SetForegroundWindow(main);
        Sleep(1500);
        if (clientOut) GetClientRect(main, clientOut);
        EXPECT_TRUE(SaveWindowPng(main, ScreenshotPath(file)));
        if (!aboutFile.empty()) {
            // "About Zephrin" in the link list on the left opens the About window.
            PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 255));
            PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(20, 255));
            HWND about = WaitForWindow(L"TZPAboutForm", p.pid(), 10s);
            ASSERT_TRUE(WaitUntil([&] { return about && IsWindowVisible(about); }, 10s));
            Sleep(1500);
            EXPECT_TRUE(SaveWindowPng(about, ScreenshotPath(aboutFile)));
            PostMessageW(about, WM_CLOSE, 0, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(about); }, 10s));
        }
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(p.WaitExit(20s).has_value());
    }
};

}  // namespace

TEST_F(Screenshots, MainWindowEnglishAndKorean) {
    Shoot(L"", L"main-english-96dpi.png", nullptr, L"about-english-96dpi.png");
    UseDesktopFont(L"NanumGothic");
    Shoot(L"korean", L"main-korean-96dpi.png", nullptr, L"about-korean-96dpi.png");
}

TEST_F(Screenshots, MainWindowScalesWithTheDisplay) {
    SetDpi(144);
    RECT client{};
    Shoot(L"", L"main-english-144dpi.png", &client);
    EXPECT_EQ(client.right, 1146) << "764 x 1.5";
    EXPECT_EQ(client.bottom, 750);
}
