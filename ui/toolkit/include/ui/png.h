#pragma once
// Pictures from PNG resources, decoded by a decoder built into the program
// (no imaging codec of the system, which Windows 2000 and XP lack) into
// premultiplied 32-bit DIBs, or 24-bit ones where nothing shows through.
#include <windows.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/threads.h"

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

// The decoder's own steps, without GDI: PNG bytes to premultiplied BGRA rows
// (top row first) at the given size; empty when the bytes are no PNG.
std::vector<uint8_t> DecodePngPixels(const void* bytes, size_t size, int width, int height);

// Draws a premultiplied bitmap 1:1 at (x, y), blending its transparency.
void DrawBitmap(HDC dc, const Bitmap& bitmap, int x, int y);

struct PictureRequest {
    std::wstring name;
    int width = 0;
    int height = 0;
};

// Decodes pictures on a thread of its own while the window that shows them
// is still being made, so that the decoder's start and the decoding itself
// do not hold up the window's first appearance. The thread only decodes; the
// bitmaps are made by the thread that takes them, which is the window's.
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
        explicit Slot(PictureRequest r) : request(std::move(r)) {}
        PictureRequest request;
        std::vector<uint8_t> pixels;  // premultiplied BGRA rows; empty when it could not be decoded
        bool started = false;
        Event done;  // set once `pixels` holds what the worker made
    };
    void Work();

    Mutex mutex_;
    std::list<Slot> slots_;  // waiting, being decoded, or decoded and not yet taken
    HMODULE module_ = nullptr;
    bool running_ = false;
    Thread worker_;
};

}  // namespace zephrin::ui
