// Tiny scope guards for GDI objects, selections and device contexts, so every
// early return gives back what it took.
#pragma once

#include <windows.h>

struct GdiObjectGuard {
    HGDIOBJ object;
    explicit GdiObjectGuard(HGDIOBJ o) : object(o) {}
    GdiObjectGuard(const GdiObjectGuard&) = delete;
    GdiObjectGuard& operator=(const GdiObjectGuard&) = delete;
    ~GdiObjectGuard() {
        if (object)
            DeleteObject(object);
    }
};

struct SelectGuard {
    HDC dc;
    HGDIOBJ previous;
    SelectGuard(HDC d, HGDIOBJ object) : dc(d), previous(SelectObject(d, object)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() { SelectObject(dc, previous); }
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
};

struct WindowDcGuard {
    HWND window;
    HDC dc;
    explicit WindowDcGuard(HWND w) : window(w), dc(GetWindowDC(w)) {}
    WindowDcGuard(const WindowDcGuard&) = delete;
    WindowDcGuard& operator=(const WindowDcGuard&) = delete;
    ~WindowDcGuard() {
        if (dc)
            ReleaseDC(window, dc);
    }
};

struct ClientDcGuard {
    HWND window;
    HDC dc;
    explicit ClientDcGuard(HWND w) : window(w), dc(GetDC(w)) {}
    ClientDcGuard(const ClientDcGuard&) = delete;
    ClientDcGuard& operator=(const ClientDcGuard&) = delete;
    ~ClientDcGuard() {
        if (dc)
            ReleaseDC(window, dc);
    }
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
