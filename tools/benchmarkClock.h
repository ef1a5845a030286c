// What the benchmarks share: a millisecond clock, the median of a run's
// samples, emptying this thread's message queue, and GDI+ for those that draw
// without the plug-in.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "image/gdiplusFlat.h"

inline double nowMs() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Of an even count, the mean of the two middle samples; 0 of none.
inline double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline void drainMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// GDI+ for the whole run; says so and answers false when it does not start.
inline bool startGdiplus(ULONG_PTR* token) {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(token, &input, nullptr) == Gdiplus::Ok)
        return true;
    std::fprintf(stderr, "GDI+ did not start\n");
    return false;
}
