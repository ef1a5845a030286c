// Screenshot, fitting, size and painting of the picture in an ImageHolder.
#include "capture.h"

#include <cstdlib>

#include "gdiGuards.h"
#include "windowList.h"

using namespace Gdiplus::DllExports;

CaptureArea chooseCaptureArea(const MonitorQuery& q) {
    if (q.monitorCount > 1 && q.cursorKnown && q.monitorFound && !q.monitorIsPrimary) {
        return {q.monitor.left, q.monitor.top, std::abs(q.monitor.right - q.monitor.left),
                std::abs(q.monitor.bottom - q.monitor.top)};
    }
    return {0, 0, q.screenWidth, q.screenHeight};
}

static MonitorQuery queryMonitors() {
    MonitorQuery q = {};
    q.monitorCount = GetSystemMetrics(SM_CMONITORS);
    q.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    q.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (q.monitorCount <= 1)
        return q;
    POINT cursor = {};
    q.cursorKnown = GetCursorPos(&cursor) != 0;
    if (!q.cursorKnown)
        return q;
    HMONITOR monitor = MonitorFromPoint(cursor, MONITOR_DEFAULTTONULL);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    q.monitorFound = monitor && GetMonitorInfoW(monitor, &info);
    q.monitor = info.rcMonitor;
    q.monitorIsPrimary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    return q;
}

PictureSize screenshotSize() {
    CaptureArea area = chooseCaptureArea(queryMonitors());
    return fittedSize(uint32_t(area.width), uint32_t(area.height), GetSystemMetrics(SM_CXSCREEN),
                      GetSystemMetrics(SM_CYSCREEN));
}

bool captureScreen(ImageHolder* holder, WindowList** windows) {
    CaptureArea area = chooseCaptureArea(queryMonitors());
    WindowDcGuard screen(nullptr, wholeWindow);
    if (!captureArea(holder, screen, area.x, area.y, area.width, area.height))
        return false;
    if (windows)
        *windows = recordWindows(area, imageWidth(holder), imageHeight(holder));
    return true;
}

bool captureArea(ImageHolder* holder, HDC screen, int32_t x, int32_t y, int32_t width, int32_t height) {
    MemoryDcGuard memory(screen);
    // Compatible with the screen, not the memory context, to keep its colour depth.
    GdiObjectGuard bitmap(CreateCompatibleBitmap(screen, width, height));
    {
        SelectGuard selected(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
    }
    if (GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &holder->bitmap) != Gdiplus::Ok)
        return false;
    fitToScreen(holder);
    return true;
}

// A side of a very thin picture can truncate to 0, which the thumbnail call
// reads as "its own default size" (120 pixels) and stretches the picture to;
// such a side keeps 1 pixel.
static uint32_t scaledSide(int32_t pinned, uint32_t pinnedSide, uint32_t side) {
    auto scaled = uint32_t(float(pinned) / float(pinnedSide) * float(side));
    return scaled == 0 ? 1 : scaled;
}

// Single precision, division first, pinned side by the picture's own shape:
// the sizes people got from this plug-in so far depend on exactly this. Only
// when that pin leaves the other side beyond the screen (a wide picture on a
// wider screen) is the other side pinned instead, by the same arithmetic.
PictureSize fittedSize(uint32_t w, uint32_t h, int32_t cx, int32_t cy) {
    if (cx <= 0 || cy <= 0)
        return {w, h};
    if (w <= uint32_t(cx) && h <= uint32_t(cy))
        return {w, h};
    PictureSize byWidth = {uint32_t(cx), scaledSide(cx, w, h)};
    PictureSize byHeight = {scaledSide(cy, h, w), uint32_t(cy)};
    if (w > h)
        return byWidth.height <= uint32_t(cy) ? byWidth : byHeight;
    return byHeight.width <= uint32_t(cx) ? byHeight : byWidth;
}

void fitToScreen(ImageHolder* holder) {
    if (!holder || !holder->bitmap)
        return;
    int32_t cx = GetSystemMetrics(SM_CXSCREEN);
    int32_t cy = GetSystemMetrics(SM_CYSCREEN);
    if (cx <= 0 || cy <= 0)
        return;
    uint32_t w = imageWidth(holder);
    uint32_t h = imageHeight(holder);
    if (w <= uint32_t(cx) && h <= uint32_t(cy))
        return;
    PictureSize size = fittedSize(w, h, cx, cy);
    GpImage* thumb = nullptr;
    if (GdipGetImageThumbnail(holder->bitmap, size.width, size.height, &thumb, nullptr, nullptr) != Gdiplus::Ok)
        return;
    GdipDisposeImage(holder->bitmap);
    holder->bitmap = static_cast<GpBitmap*>(thumb);
}

uint32_t imageWidth(const ImageHolder* holder) {
    if (!holder || !holder->bitmap)
        return 0;
    UINT width = 0;
    GdipGetImageWidth(holder->bitmap, &width);
    return width;
}

uint32_t imageHeight(const ImageHolder* holder) {
    if (!holder || !holder->bitmap)
        return 0;
    UINT height = 0;
    GdipGetImageHeight(holder->bitmap, &height);
    return height;
}

static bool hasAlpha(GpBitmap* bitmap) {
    Gdiplus::PixelFormat format = 0;
    return GdipGetImagePixelFormat(bitmap, &format) == Gdiplus::Ok && (format & PixelFormatAlpha) != 0;
}

// A picture with transparent pixels is shown over white. The white is laid
// under it at every paint: most repaints do not erase the background, and a
// half-transparent pixel drawn over its own earlier paint would darken each
// time. An opaque picture needs none, and is spared the flash of white on a
// screen without composition. The clipboard's bitmap is made by this function.
void drawImage(const ImageHolder* holder, HDC dc) {
    if (!holder || !holder->bitmap)
        return;
    auto width = INT(imageWidth(holder));
    auto height = INT(imageHeight(holder));
    if (hasAlpha(holder->bitmap)) {
        RECT under = {0, 0, width, height};
        FillRect(dc, &under, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    GraphicsGuard graphics(dc);
    if (!graphics)
        return;
    GdipDrawImageRectI(graphics, holder->bitmap, 0, 0, width, height);
}

void freeImageHolder(ImageHolder* holder) {
    if (!holder)
        return;
    if (holder->bitmap)
        GdipDisposeImage(holder->bitmap);
    std::free(holder);
}
