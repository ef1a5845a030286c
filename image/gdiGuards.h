// Tiny scope guards for GDI and GDI+ objects, selections, device contexts and
// paints, so every early return gives back what it took. Each converts to what
// it holds, so it goes wherever the handle goes.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "gdiplusFlat.h"

// A pen, brush or bitmap of its own type, deleted at the end of the scope.
template <typename T>
struct GdiObjectGuard {
    T object;
    explicit GdiObjectGuard(T o) : object(o) {}
    GdiObjectGuard(const GdiObjectGuard&) = delete;
    GdiObjectGuard& operator=(const GdiObjectGuard&) = delete;
    ~GdiObjectGuard() {
        if (object)
            DeleteObject(object);
    }
    operator T() const { return object; }
};

struct SelectGuard {
    HDC dc;
    HGDIOBJ previous;
    SelectGuard(HDC d, HGDIOBJ object) : dc(d), previous(SelectObject(d, object)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() { SelectObject(dc, previous); }
    operator HDC() const { return dc; }
};

struct MemoryDcGuard {
    HDC dc;
    explicit MemoryDcGuard(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
    MemoryDcGuard(const MemoryDcGuard&) = delete;
    MemoryDcGuard& operator=(const MemoryDcGuard&) = delete;
    ~MemoryDcGuard() {
        if (dc)
            DeleteDC(dc);
    }
    operator HDC() const { return dc; }
};

// Both come back through ReleaseDC; a null window is the whole screen.
enum DcArea { wholeWindow, clientArea };

struct WindowDcGuard {
    HWND window;
    HDC dc;
    explicit WindowDcGuard(HWND w, DcArea area = wholeWindow)
        : window(w), dc(area == clientArea ? GetDC(w) : GetWindowDC(w)) {}
    WindowDcGuard(const WindowDcGuard&) = delete;
    WindowDcGuard& operator=(const WindowDcGuard&) = delete;
    ~WindowDcGuard() {
        if (dc)
            ReleaseDC(window, dc);
    }
    operator HDC() const { return dc; }
};

// BeginPaint and EndPaint around a scope; guards declared after it (selected
// objects) are given back before the paint ends.
struct PaintGuard {
    HWND window;
    PAINTSTRUCT paint;
    HDC dc;
    explicit PaintGuard(HWND w) : window(w), paint(), dc(BeginPaint(w, &paint)) {}
    PaintGuard(const PaintGuard&) = delete;
    PaintGuard& operator=(const PaintGuard&) = delete;
    ~PaintGuard() { EndPaint(window, &paint); }
    operator HDC() const { return dc; }
};

// A GDI+ drawing surface on a device context; null when it could not be made.
struct GraphicsGuard {
    Gdiplus::GpGraphics* graphics;
    explicit GraphicsGuard(HDC dc) : graphics(nullptr) {
        if (Gdiplus::DllExports::GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok)
            graphics = nullptr;
    }
    GraphicsGuard(const GraphicsGuard&) = delete;
    GraphicsGuard& operator=(const GraphicsGuard&) = delete;
    ~GraphicsGuard() {
        if (graphics)
            Gdiplus::DllExports::GdipDeleteGraphics(graphics);
    }
    operator Gdiplus::GpGraphics*() const { return graphics; }
};

// A GDI+ bitmap of this scope's own, such as a cropped copy.
struct BitmapGuard {
    GpBitmap* bitmap;
    BitmapGuard() : bitmap(nullptr) {}
    BitmapGuard(const BitmapGuard&) = delete;
    BitmapGuard& operator=(const BitmapGuard&) = delete;
    ~BitmapGuard() {
        if (bitmap)
            Gdiplus::DllExports::GdipDisposeImage(bitmap);
    }
    operator GpBitmap*() const { return bitmap; }
};

// A block from malloc seen as records of T, such as GDI+'s list of encoders.
template <typename T>
struct MallocGuard {
    T* items;
    explicit MallocGuard(size_t bytes) : items(static_cast<T*>(std::malloc(bytes))) {}
    MallocGuard(const MallocGuard&) = delete;
    MallocGuard& operator=(const MallocGuard&) = delete;
    ~MallocGuard() { std::free(items); }
    operator T*() const { return items; }
};

// Any other GDI+ object of this scope's own (a font, a string format, a brush,
// a drawing surface on a bitmap), given back by its own delete call.
template <typename T, GpStatus(WINGDIPAPI* release)(T*)>
struct GdiplusGuard {
    T* object;
    GdiplusGuard() : object(nullptr) {}
    GdiplusGuard(const GdiplusGuard&) = delete;
    GdiplusGuard& operator=(const GdiplusGuard&) = delete;
    ~GdiplusGuard() {
        if (object)
            release(object);
    }
    operator T*() const { return object; }
};
using FontGuard = GdiplusGuard<Gdiplus::GpFont, Gdiplus::DllExports::GdipDeleteFont>;
using StringFormatGuard = GdiplusGuard<Gdiplus::GpStringFormat, Gdiplus::DllExports::GdipDeleteStringFormat>;
using BrushGuard = GdiplusGuard<Gdiplus::GpBrush, Gdiplus::DllExports::GdipDeleteBrush>;
using ImageGraphicsGuard = GdiplusGuard<Gdiplus::GpGraphics, Gdiplus::DllExports::GdipDeleteGraphics>;

// A COM stream, such as one over memory for an encoder or a decoder,
// released at the end of the scope.
struct StreamGuard {
    IStream* stream;
    StreamGuard() : stream(nullptr) {}
    StreamGuard(const StreamGuard&) = delete;
    StreamGuard& operator=(const StreamGuard&) = delete;
    ~StreamGuard() {
        if (stream)
            stream->Release();
    }
    operator IStream*() const { return stream; }
};

// The clipboard, closed at the end of the scope when it was opened.
struct ClipboardGuard {
    bool open;
    explicit ClipboardGuard(bool opened) : open(opened) {}
    ClipboardGuard(const ClipboardGuard&) = delete;
    ClipboardGuard& operator=(const ClipboardGuard&) = delete;
    ~ClipboardGuard() {
        if (open)
            CloseClipboard();
    }
    operator bool() const { return open; }
};

// A movable block this scope owns until it hands it on.
struct GlobalGuard {
    HGLOBAL block;
    explicit GlobalGuard(size_t bytes) : block(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
    GlobalGuard(const GlobalGuard&) = delete;
    GlobalGuard& operator=(const GlobalGuard&) = delete;
    ~GlobalGuard() {
        if (block)
            GlobalFree(block);
    }
    operator HGLOBAL() const { return block; }
    HGLOBAL release() {
        HGLOBAL handed = block;
        block = nullptr;
        return handed;
    }
};

// A file opened for reading, closed at the end of the scope.
struct FileGuard {
    HANDLE file;
    explicit FileGuard(HANDLE f) : file(f) {}
    FileGuard(const FileGuard&) = delete;
    FileGuard& operator=(const FileGuard&) = delete;
    ~FileGuard() {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    operator HANDLE() const { return file; }
};

// A global block's bytes while it is locked; null for a null block.
struct GlobalLockGuard {
    HGLOBAL block;
    void* data;
    explicit GlobalLockGuard(HGLOBAL b) : block(b), data(b ? GlobalLock(b) : nullptr) {}
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    ~GlobalLockGuard() {
        if (data)
            GlobalUnlock(block);
    }
    operator uint8_t*() const { return static_cast<uint8_t*>(data); }
};
