#pragma once
// Pictures from PNG resources, decoded with WIC into premultiplied 32-bit DIBs.
#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace zephrin::ui {

// A decoded picture scaled once to the size it is drawn at.
struct Bitmap {
    UniqueBitmap handle;
    int width = 0;
    int height = 0;
};

// Loads the RCDATA resource `name` of `module` and scales it to width x height
// pixels. An empty Bitmap when the resource is missing or cannot be decoded.
Bitmap LoadPngResource(HMODULE module, const std::wstring& name, int width, int height);

// Draws a premultiplied bitmap 1:1 at (x, y), blending its transparency.
void DrawBitmap(HDC dc, const Bitmap& bitmap, int x, int y);

}  // namespace zephrin::ui
