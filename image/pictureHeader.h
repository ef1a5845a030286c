// The size a picture says it has in its header, read before any pixel is
// decoded: a picture too large to take in is then refused at once, instead of
// after the seconds and gigabytes GDI+ spends decoding it whole.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "capture.h"

// Where a picture's bytes are read from: an open file, or else a block in memory.
struct PictureBytes {
    HANDLE file;  // null: the block
    const uint8_t* block;
    size_t blockBytes;
};

enum HeaderSize {
    headerOtherFormat,  // not a PNG, JPEG, GIF or BMP: decoded, then checked
    headerSizeRead,
    headerSizeMissing,  // one of them, but its size cannot be found: refused
};

// Copies count bytes from offset; false unless all of them are there.
bool readPictureBytes(const PictureBytes& source, uint64_t offset, void* out, size_t count);
// What the bytes' header tells of the size, with the size when it is read.
HeaderSize pictureHeaderSize(const PictureBytes& source, PictureSize* size);
