#include "ui/png.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstring>

namespace zephrin::ui {
namespace {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { if (p_) p_->Release(); }
    T** put() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// COM for WIC on this thread; balanced per call, so nothing is held between pictures.
class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() { if (ok_) CoUninitialize(); }

private:
    bool ok_;
};

}  // namespace

Bitmap LoadPngResource(HMODULE module, const std::wstring& name, int width, int height) {
    Bitmap result;
    if (width <= 0 || height <= 0) return result;
    HRSRC res = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!res) return result;
    HGLOBAL loaded = LoadResource(module, res);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, res);
    if (!bytes || size == 0) return result;

    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put()))))
        return result;
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), size)))
        return result;
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put())))
        return result;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.put()))) return result;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return result;
    ComPtr<IWICBitmapScaler> scaler;
    UINT srcW = 0, srcH = 0;
    converter->GetSize(&srcW, &srcH);
    IWICBitmapSource* source = converter.get();
    if (static_cast<int>(srcW) != width || static_cast<int>(srcH) != height) {
        if (FAILED(factory->CreateBitmapScaler(scaler.put())) ||
            FAILED(scaler->Initialize(converter.get(), width, height, WICBitmapInterpolationModeFant)))
            return result;
        source = scaler.get();
    }

    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;  // top-down, as WIC writes rows
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap dib(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) return result;
    const UINT stride = static_cast<UINT>(width) * 4;
    if (FAILED(source->CopyPixels(nullptr, stride, stride * static_cast<UINT>(height),
                                  static_cast<BYTE*>(bits))))
        return result;
    result.handle = std::move(dib);
    result.width = width;
    result.height = height;
    return result;
}

void DrawBitmap(HDC dc, const Bitmap& bitmap, int x, int y) {
    if (!bitmap.handle) return;
    UniqueDC mem(CreateCompatibleDC(dc));
    if (!mem) return;
    SelectScope select(mem.get(), bitmap.handle.get());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, bitmap.width, bitmap.height, mem.get(), 0, 0, bitmap.width, bitmap.height,
               blend);
}

}  // namespace zephrin::ui
