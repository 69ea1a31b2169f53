#pragma once
// Pictures from PNG resources, decoded with WIC into premultiplied 32-bit DIBs.
#include <windows.h>

#include <condition_variable>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/handles.h"

namespace zephrin::ui {

// A decoded picture scaled once to the size it is drawn at.
struct Bitmap {
    UniqueBitmap handle;
    int width = 0;
    int height = 0;
    bool opaque = false;  // no pixel lets the background through: copied, not blended
};

// Loads the RCDATA resource `name` of `module` and scales it to width x height
// pixels. An empty Bitmap when the resource is missing or cannot be decoded.
Bitmap LoadPngResource(HMODULE module, const std::wstring& name, int width, int height);

// Draws a premultiplied bitmap 1:1 at (x, y), blending its transparency.
void DrawBitmap(HDC dc, const Bitmap& bitmap, int x, int y);

struct PictureRequest {
    std::wstring name;
    int width = 0;
    int height = 0;
};

// Decodes pictures on a thread of its own while the window that shows them
// is still being made, so that the decoder's start and the decoding itself
// do not hold up the window's first appearance.
class PicturePrefetch {
public:
    PicturePrefetch() = default;
    PicturePrefetch(const PicturePrefetch&) = delete;
    PicturePrefetch& operator=(const PicturePrefetch&) = delete;
    ~PicturePrefetch();

    void Start(HMODULE module, std::vector<PictureRequest> requests);
    // The picture decoded ahead, waiting for it if it is still being decoded;
    // a picture nobody asked ahead for is decoded now, on the caller's thread.
    Bitmap Take(HMODULE module, const std::wstring& name, int width, int height);

private:
    struct Slot {
        PictureRequest request;
        Bitmap bitmap;
        bool started = false;
        bool done = false;
    };
    void Work();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::list<Slot> slots_;  // waiting, being decoded, or decoded and not yet taken
    HMODULE module_ = nullptr;
    bool running_ = false;
    std::thread worker_;
};

}  // namespace zephrin::ui
