#include "ui/png.h"

#include <algorithm>
#include <cstring>

// The decoder and the resampler are compiled into this file alone. Only PNG,
// from memory: the pictures are the program's own resources. No thread-local
// state (it would need the runtime's emulated TLS) and no SIMD paths (those are for JPEG).
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_FAILURE_STRINGS
#define STBI_MAX_DIMENSIONS 4096
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STBIR_DEFAULT_FILTER_UPSAMPLE STBIR_FILTER_TRIANGLE
#define STB_IMAGE_RESIZE_STATIC
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb/stb_image_resize.h>

namespace zephrin::ui {
namespace {

struct StbPixels {
    explicit StbPixels(stbi_uc* p) : data(p) {}
    StbPixels(const StbPixels&) = delete;
    StbPixels& operator=(const StbPixels&) = delete;
    ~StbPixels() { stbi_image_free(data); }
    stbi_uc* data;
};

}  // namespace

std::vector<uint8_t> DecodePngPixels(const void* bytes, size_t size, int width, int height) {
    std::vector<uint8_t> out;
    if (width <= 0 || height <= 0 || size == 0 || size > 0x7FFFFFFF) return out;
    int w = 0, h = 0, channels = 0;
    StbPixels rgba(stbi_load_from_memory(static_cast<const stbi_uc*>(bytes), static_cast<int>(size), &w, &h,
                                         &channels, 4));
    if (!rgba.data) return out;
    // Premultiplied BGRA, as GdiAlphaBlend takes it, rounded to the nearest level.
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    std::vector<uint8_t> pixels(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const unsigned r = rgba.data[i * 4], g = rgba.data[i * 4 + 1], b = rgba.data[i * 4 + 2], a = rgba.data[i * 4 + 3];
        pixels[i * 4] = static_cast<uint8_t>((b * a + 127) / 255);
        pixels[i * 4 + 1] = static_cast<uint8_t>((g * a + 127) / 255);
        pixels[i * 4 + 2] = static_cast<uint8_t>((r * a + 127) / 255);
        pixels[i * 4 + 3] = static_cast<uint8_t>(a);
    }
    if (w == width && h == height) return pixels;
    out.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    if (!stbir_resize_uint8_generic(pixels.data(), w, h, w * 4, out.data(), width, height, width * 4, 4, 3,
                                    STBIR_FLAG_ALPHA_PREMULTIPLIED, STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT,
                                    STBIR_COLORSPACE_LINEAR, nullptr))
        out.clear();
    return out;
}

namespace {

std::vector<uint8_t> DecodeResource(HMODULE module, const std::wstring& name, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    HRSRC res = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!res) return {};
    HGLOBAL loaded = LoadResource(module, res);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, res);
    if (!bytes || size == 0) return {};
    return DecodePngPixels(bytes, size, width, height);
}

Bitmap MakeBitmap(const std::vector<uint8_t>& pixels, int width, int height) {
    Bitmap result;
    if (pixels.empty() || pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) return result;
    // Drawn often and large: a picture without transparency is copied, which is much cheaper than blending,
    // and kept without the alpha channel it does not need, a quarter less memory.
    result.opaque = true;
    for (size_t i = 3; i < pixels.size() && result.opaque; i += 4) result.opaque = pixels[i] == 255;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;  // top-down, as the rows come
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = result.opaque ? 24 : 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap dib(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) return result;
    if (result.opaque) {
        const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
        auto* out = static_cast<uint8_t*>(bits);
        for (int y = 0; y < height; ++y) {
            const uint8_t* from = pixels.data() + static_cast<size_t>(y) * width * 4;
            uint8_t* to = out + static_cast<size_t>(y) * stride;
            for (int x = 0; x < width; ++x, from += 4, to += 3) {
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        }
    } else {
        std::memcpy(bits, pixels.data(), pixels.size());
    }
    result.handle = std::move(dib);
    result.width = width;
    result.height = height;
    return result;
}

}  // namespace

Bitmap LoadPngResource(HMODULE module, const std::wstring& name, int width, int height) {
    return MakeBitmap(DecodeResource(module, name, width, height), width, height);
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
    // GDI32's own entry: MSIMG32, which only forwards to it, is no library to load from a search path.
    GdiAlphaBlend(dc, x, y, bitmap.width, bitmap.height, mem.get(), 0, 0, bitmap.width, bitmap.height,
               blend);
}

PicturePrefetch::~PicturePrefetch() { worker_.Join(); }

void PicturePrefetch::Start(HMODULE module, std::vector<PictureRequest> requests) {
    if (requests.empty()) return;
    Locked lock(mutex_);
    module_ = module;
    for (auto& r : requests) slots_.emplace_back(std::move(r));
    if (running_) return;  // the running worker takes the new ones too
    running_ = true;
    lock.Unlock();
    worker_.Join();
    worker_ = Thread([this] { Work(); });
    if (worker_.Joinable()) return;
    // No thread: the pictures are decoded where they are taken.
    lock.Relock();
    running_ = false;
    for (Slot& s : slots_)
        if (!s.started) s.done.Set();
}

void PicturePrefetch::Work() {
    for (;;) {
        Locked lock(mutex_);
        auto next = std::find_if(slots_.begin(), slots_.end(), [](const Slot& s) { return !s.started; });
        if (next == slots_.end()) {
            running_ = false;
            return;
        }
        next->started = true;
        const PictureRequest request = next->request;
        const HMODULE module = module_;
        lock.Unlock();
        std::vector<uint8_t> pixels = DecodeResource(module, request.name, request.width, request.height);
        lock.Relock();
        // A list keeps its elements in place while others come and go.
        next->pixels = std::move(pixels);
        next->done.Set();
    }
}

Bitmap PicturePrefetch::Take(HMODULE module, const std::wstring& name, int width, int height) {
    Locked lock(mutex_);
    auto it = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) {
        return s.request.name == name && s.request.width == width && s.request.height == height;
    });
    if (it != slots_.end()) {
        // The worker sets the slot's event under the lock; wait for it outside.
        lock.Unlock();
        it->done.Wait(INFINITE);
        lock.Relock();
        const std::vector<uint8_t> pixels = std::move(it->pixels);
        slots_.erase(it);
        lock.Unlock();
        Bitmap bitmap = MakeBitmap(pixels, width, height);
        // A picture the worker could not make is tried once more here, where any failure shows as before.
        if (bitmap.handle) return bitmap;
    } else {
        lock.Unlock();
    }
    return LoadPngResource(module, name, width, height);
}

}  // namespace zephrin::ui
