// GDI+ for the whole plug-in: the flat functions and types, included the same
// way on MinGW and MSVC. MSVC's GDI+ headers use unqualified min and max, which
// NOMINMAX removes, so they are brought in from the standard library first;
// objidl.h is what WIN32_LEAN_AND_MEAN leaves out and GDI+ needs.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <objidl.h>

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus

#include <gdiplus.h>

using Gdiplus::DllExports::GdipBitmapSetPixel;
using Gdiplus::GpBitmap;
using Gdiplus::GpImage;
using Gdiplus::GpStatus;
