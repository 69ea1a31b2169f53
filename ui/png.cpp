#include "ui/png.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
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

// COM for WIC on this thread; balanced, so nothing is held once the pictures are made.
class ComScope {
public:
    explicit ComScope(DWORD model) : ok_(SUCCEEDED(CoInitializeEx(nullptr, model))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() { if (ok_) CoUninitialize(); }

private:
    bool ok_;
};

}  // namespace

namespace {

// One picture through a factory the caller holds.
Bitmap Decode(IWICImagingFactory* factory, HMODULE module, const std::wstring& name, int width, int height) {
    Bitmap result;
    if (width <= 0 || height <= 0) return result;
    HRSRC res = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!res) return result;
    HGLOBAL loaded = LoadResource(module, res);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, res);
    if (!bytes || size == 0) return result;

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
    // Drawn often and large: a picture without transparency is copied, which is much cheaper than blending.
    const BYTE* pixel = static_cast<const BYTE*>(bits);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    result.opaque = true;
    for (size_t i = 0; i < count && result.opaque; ++i) result.opaque = pixel[i * 4 + 3] == 255;
    result.handle = std::move(dib);
    result.width = width;
    result.height = height;
    return result;
}

bool MakeFactory(ComPtr<IWICImagingFactory>& factory) {
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put())));
}

}  // namespace

Bitmap LoadPngResource(HMODULE module, const std::wstring& name, int width, int height) {
    ComScope com(COINIT_APARTMENTTHREADED);
    ComPtr<IWICImagingFactory> factory;
    if (!MakeFactory(factory)) return Bitmap();
    return Decode(factory.get(), module, name, width, height);
}

void DrawBitmap(HDC dc, const Bitmap& bitmap, int x, int y) {
    if (!bitmap.handle) return;
    UniqueDC mem(CreateCompatibleDC(dc));
    if (!mem) return;
    SelectScope select(mem.get(), bitmap.handle.get());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    if (bitmap.opaque) {
        BitBlt(dc, x, y, bitmap.width, bitmap.height, mem.get(), 0, 0, SRCCOPY);
        return;
    }
    AlphaBlend(dc, x, y, bitmap.width, bitmap.height, mem.get(), 0, 0, bitmap.width, bitmap.height,
               blend);
}

PicturePrefetch::~PicturePrefetch() {
    if (worker_.joinable()) worker_.join();
}

void PicturePrefetch::Start(HMODULE module, std::vector<PictureRequest> requests) {
    if (requests.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    module_ = module;
    for (auto& r : requests) slots_.push_back(Slot{std::move(r)});
    if (running_) return;  // the running worker takes the new ones too
    running_ = true;
    lock.unlock();
    if (worker_.joinable()) worker_.join();
    worker_ = std::thread([this] { Work(); });
}

void PicturePrefetch::Work() {
    ComScope com(COINIT_MULTITHREADED);
    ComPtr<IWICImagingFactory> factory;
    const bool haveFactory = MakeFactory(factory);
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto next = std::find_if(slots_.begin(), slots_.end(), [](const Slot& s) { return !s.started; });
        if (next == slots_.end()) {
            running_ = false;
            return;
        }
        next->started = true;
        const PictureRequest request = next->request;
        const HMODULE module = module_;
        lock.unlock();
        Bitmap bitmap = haveFactory ? Decode(factory.get(), module, request.name, request.width, request.height)
                                    : Bitmap();
        lock.lock();
        // A list keeps its elements in place while others come and go.
        next->bitmap = std::move(bitmap);
        next->done = true;
        ready_.notify_all();
    }
}

Bitmap PicturePrefetch::Take(HMODULE module, const std::wstring& name, int width, int height) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        auto it = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) {
            return s.request.name == name && s.request.width == width && s.request.height == height;
        });
        if (it != slots_.end()) {
            ready_.wait(lock, [&] { return it->done; });
            Bitmap bitmap = std::move(it->bitmap);
            slots_.erase(it);
            // A picture the worker could not make is tried once more here, where any failure shows as before.
            if (bitmap.handle) return bitmap;
        }
    }
    return LoadPngResource(module, name, width, height);
}

}  // namespace zephrin::ui
