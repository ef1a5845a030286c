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

// Copies count bytes from offset; false unless all of them are there.
bool readPictureBytes(const PictureBytes& source, uint64_t offset, void* out, size_t count);
// True, with the size, when the bytes begin as a PNG, JPEG, GIF or BMP whose
// header names its size; false for any other or a header cut short.
bool pictureHeaderSize(const PictureBytes& source, PictureSize* size);
// The same for a file by its path; false when it cannot be read.
bool fileHeaderSize(const wchar_t* path, PictureSize* size);
