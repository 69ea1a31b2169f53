#include <gtest/gtest.h>

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "harness.h"
#include "platform/program_key.h"
#include "ui/png.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

// A rectangle of a window's client area in 96-DPI design units, on the screen.
RECT DesignRectOnScreen(HWND window, int designWidth, RECT design) {
    RECT client;
    GetClientRect(window, &client);
    auto scale = [&](LONG v) { return MulDiv(v, client.right, designWidth); };
    POINT corners[2] = {{scale(design.left), scale(design.top)}, {scale(design.right), scale(design.bottom)}};
    MapWindowPoints(window, nullptr, corners, 2);
    return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

// Where each list on the main window shows its row's picture (left end of the field).
constexpr RECT kWindowsListPicture{198, 186, 224, 208};
constexpr RECT kConnectionListPicture{198, 244, 224, 266};

// Copies what the screen shows of a window's client area into a PNG file.
bool SaveWindowPng(HWND window, const std::wstring& name) {
    // The client area: without a window manager the frame is not drawn.
    RECT r;
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return SaveScreenPng(r, name);
}

class Screenshots : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramKey(); }
    void TearDown() override {
        ResetProgramKey();
        SetDpi(96);
        UseDesktopFont(nullptr);
    }
    static void SetDpi(DWORD dpi) { WriteDword(HKEY_CURRENT_USER, L"\\Control Panel\\Desktop", L"LogPixels", dpi); }

    // Starts the program, waits until its window is painted, and saves it.
    void Shoot(const std::wstring& language, const std::wstring& file, RECT* clientOut = nullptr,
               const std::wstring& aboutFile = L"", const std::wstring& changesFile = L"") {
        if (!language.empty()) WriteSz(kProgramRoot, kProgramKeyPath, L"Language", language);
        Program p;
        HWND main = WaitForWindow(L"TZPMainForm", p.pid(), 30s);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
        SetForegroundWindow(main);
        // Both lists show the picture of their selected row.
        EXPECT_TRUE(WaitUntil([&] {
            return CountColoredPixels(DesignRectOnScreen(main, 764, kWindowsListPicture)) > 20 &&
                   CountColoredPixels(DesignRectOnScreen(main, 764, kConnectionListPicture)) > 20;
        }, 10s)) << "a picture left of each list's text";
        EXPECT_TRUE(WaitUntilPainted(main, 10s));
        if (clientOut) GetClientRect(main, clientOut);
        EXPECT_TRUE(SaveWindowPng(main, file));
        if (!aboutFile.empty()) {
            // "About Zephrin" in the link list on the left opens the About window.
            PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 255));
            PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(20, 255));
            HWND about = WaitForWindow(L"TZPAboutForm", p.pid(), 10s);
            ASSERT_TRUE(WaitUntil([&] { return about && IsWindowVisible(about); }, 10s));
            EXPECT_TRUE(WaitUntil([&] {
                return CountColoredPixels(DesignRectOnScreen(about, 700, RECT{372, 130, 628, 386})) > 1000;
            }, 10s)) << "the large product picture is drawn";
            EXPECT_TRUE(WaitUntilPainted(about, 10s));
            EXPECT_TRUE(SaveWindowPng(about, aboutFile));
            PostMessageW(about, WM_CLOSE, 0, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(about); }, 10s));
        }
        if (!changesFile.empty()) {
            // "What Zephrin changes", below "About Zephrin".
            PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 285));
            PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(20, 285));
            HWND changes = WaitForWindow(L"TZPChangesForm", p.pid(), 10s);
            ASSERT_TRUE(WaitUntil([&] { return changes && IsWindowVisible(changes); }, 10s));
            EXPECT_TRUE(WaitUntilPainted(changes, 10s));
            EXPECT_TRUE(SaveWindowPng(changes, changesFile));
            PostMessageW(changes, WM_CLOSE, 0, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(changes); }, 10s));
        }
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(p.WaitExit(20s).has_value());
    }
};

}  // namespace

TEST_F(Screenshots, MainWindowEnglishAndKorean) {
    Shoot(L"", L"main-english-96dpi.png", nullptr, L"about-english-96dpi.png", L"changes-english-96dpi.png");
    UseDesktopFont(L"NanumGothic");
    Shoot(L"korean", L"main-korean-96dpi.png", nullptr, L"about-korean-96dpi.png", L"changes-korean-96dpi.png");
}

TEST_F(Screenshots, MainWindowScalesWithTheDisplay) {
    SetDpi(144);
    RECT client{};
    Shoot(L"", L"main-english-144dpi.png", &client);
    EXPECT_EQ(client.right, 1146) << "764 x 1.5";
    EXPECT_EQ(client.bottom, 750);
}

// ---- The built-in decoder against the system's imaging codec -------------------

namespace {

template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() { if (p) p->Release(); }
};

// What the imaging codec makes of PNG bytes: premultiplied BGRA at the picture's own size.
std::vector<uint8_t> DecodeWithImagingCodec(IWICImagingFactory* factory, const void* bytes, DWORD size, UINT& w,
                                            UINT& h) {
    Released<IWICStream> stream;
    Released<IWICBitmapDecoder> decoder;
    Released<IWICBitmapFrameDecode> frame;
    Released<IWICFormatConverter> converter;
    if (FAILED(factory->CreateStream(&stream.p)) ||
        FAILED(stream.p->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder.p)) ||
        FAILED(decoder.p->GetFrame(0, &frame.p)) || FAILED(factory->CreateFormatConverter(&converter.p)) ||
        FAILED(converter.p->Initialize(frame.p, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                       WICBitmapPaletteTypeCustom)) ||
        FAILED(converter.p->GetSize(&w, &h)))
        return {};
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    if (FAILED(converter.p->CopyPixels(nullptr, w * 4, static_cast<UINT>(pixels.size()), pixels.data()))) return {};
    return pixels;
}

}  // namespace

TEST(Pictures, BuiltInDecoderMatchesTheImagingCodecPixelForPixel) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        Released<IWICImagingFactory> factory;
        ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_IWICImagingFactory, reinterpret_cast<void**>(&factory.p))));
        for (const wchar_t* name : {L"BACKGROUND", L"LOGO", L"NAVBUTTON1", L"NAVBUTTON2", L"NAVBUTTON3", L"NAVBUTTON4",
                                    L"DESKTOP16", L"SERVER16", L"CONNECTION16", L"PRODUCTICON", L"BANNER"}) {
            SCOPED_TRACE(Narrow(name));
            HRSRC res = FindResourceW(nullptr, name, MAKEINTRESOURCEW(10));
            ASSERT_NE(res, nullptr);
            const void* bytes = LockResource(LoadResource(nullptr, res));
            const DWORD size = SizeofResource(nullptr, res);
            UINT w = 0, h = 0;
            const auto reference = DecodeWithImagingCodec(factory.p, bytes, size, w, h);
            ASSERT_FALSE(reference.empty());
            const auto ours = ui::DecodePngPixels(bytes, size, static_cast<int>(w), static_cast<int>(h));
            ASSERT_EQ(ours.size(), reference.size());
            int differing = 0, worst = 0;
            for (size_t i = 0; i < ours.size(); i += 4) {
                int most = 0;
                for (size_t c = 0; c < 4; ++c) most = std::max(most, std::abs(ours[i + c] - reference[i + c]));
                differing += most > 0;
                worst = std::max(worst, most);
            }
            RecordProperty(Narrow(name) + "_differing_pixels", differing);
            std::printf("%ls %ux%u: %d of %u pixels differ, by %d at most\n", name, w, h, differing, w * h, worst);
            EXPECT_EQ(differing, 0);
        }
    }
    CoUninitialize();
}
