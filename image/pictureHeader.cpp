// Picture sizes from the headers of PNG, JPEG, GIF and BMP, the formats that
// squeeze a huge picture into a small file. Only the bytes that lead to the
// size are read. Every other format GDI+ opens (TIFF, icons, metafiles) is
// decoded and checked afterwards, as before.
#include "pictureHeader.h"

#include <cstring>
#include <initializer_list>

namespace {

uint32_t bigEndian(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; i++)
        value = value << 8 | bytes[i];
    return value;
}

uint32_t littleEndian(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; i--)
        value = value << 8 | bytes[i];
    return value;
}

// A BMP's sides are signed; a negative height means rows from the top.
uint32_t magnitude(uint32_t bits) {
    auto value = int32_t(bits);
    return value < 0 ? 0u - uint32_t(value) : uint32_t(value);
}

// Reads forward through the bytes. A crafted file can put any number of
// segments, blocks or fill bytes before the size; each is walked, as far as
// the bytes go, so no count of them lets a picture past the size cap. A file
// is read a window at a time: a walk of a million tiny segments then costs
// about one read of the file, not a million.
constexpr size_t readWindowBytes = 4096;

// How many of count bytes at offset the file holds, read into out.
size_t readFileBytes(HANDLE file, uint64_t offset, void* out, size_t count) {
    OVERLAPPED at = {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD read = 0;
    return ReadFile(file, out, DWORD(count), &read, &at) ? read : 0;
}

struct HeaderReader {
    const PictureBytes& source;
    uint64_t at;
    uint64_t windowAt;
    size_t windowFilled;
    uint8_t window[readWindowBytes];
    bool next(void* out, size_t count) {
        if (!source.file || count > sizeof(window)) {
            if (!readPictureBytes(source, at, out, count))
                return false;
        } else if (at < windowAt || at + count > windowAt + windowFilled) {
            windowAt = at;
            windowFilled = readFileBytes(source.file, at, window, sizeof(window));
            if (count > windowFilled)
                return false;
            std::memcpy(out, window, count);
        } else {
            std::memcpy(out, window + (at - windowAt), count);
        }
        at += count;
        return true;
    }
};

// Whether the bytes begin with the format's signature.
bool beginsWith(const PictureBytes& source, const char* signature, size_t count) {
    uint8_t head[8];
    return count <= sizeof(head) && readPictureBytes(source, 0, head, count) &&
           std::memcmp(head, signature, count) == 0;
}

HeaderSize found(PictureSize* size, uint32_t width, uint32_t height) {
    *size = {width, height};
    return headerSizeRead;
}

// The size is in the header chunk, which must come first.
HeaderSize pngSize(const PictureBytes& source, PictureSize* size) {
    if (!beginsWith(source, "\x89PNG\r\n\x1A\n", 8))
        return headerOtherFormat;
    uint8_t head[24];
    if (!readPictureBytes(source, 0, head, sizeof(head)) || std::memcmp(head + 12, "IHDR", 4) != 0)
        return headerSizeMissing;
    return found(size, bigEndian(head + 16, 4), bigEndian(head + 20, 4));
}

// The frame markers SOF0 to SOF15, less DHT (C4), JPG (C8) and DAC (CC),
// which share their range.
bool isFrameMarker(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// TEM and the restart markers, and the start of the picture, have no length.
bool standsAlone(uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

// The frame header may follow any number of application segments (EXIF,
// colour profiles, thumbnails, comments), so the segments are walked by their
// lengths. The end, or a scan, before any frame leaves the size unknown, and
// so does a height told only later, in a DNL segment.
HeaderSize jpegSize(const PictureBytes& source, PictureSize* size) {
    if (!beginsWith(source, "\xFF\xD8", 2))
        return headerOtherFormat;
    HeaderReader reader = {source, 2, 0, 0, {}};
    uint8_t marker[2];
    for (;;) {
        if (!reader.next(marker, 2) || marker[0] != 0xFF)
            return headerSizeMissing;
        if (marker[1] == 0xFF) {  // a fill byte before the marker
            reader.at--;
            continue;
        }
        if (standsAlone(marker[1]))
            continue;
        uint8_t segment[7];  // length, precision, height, width
        uint64_t start = reader.at;
        if (marker[1] == 0xD9 || marker[1] == 0xDA || !reader.next(segment, 2) || bigEndian(segment, 2) < 2)
            return headerSizeMissing;
        if (isFrameMarker(marker[1])) {
            if (bigEndian(segment, 2) < sizeof(segment) || !reader.next(segment + 2, sizeof(segment) - 2) ||
                bigEndian(segment + 3, 2) == 0)
                return headerSizeMissing;
            return found(size, bigEndian(segment + 5, 2), bigEndian(segment + 3, 2));
        }
        reader.at = start + bigEndian(segment, 2);
    }
}

// The logical screen, widened to the first frame: a frame may reach beyond
// the screen, and a decoder sizes its pixels to the frame. Extensions (each a
// label and sub-blocks) may come before it in any number.
HeaderSize gifSize(const PictureBytes& source, PictureSize* size) {
    if (!beginsWith(source, "GIF87a", 6) && !beginsWith(source, "GIF89a", 6))
        return headerOtherFormat;
    HeaderReader reader = {source, 0, 0, 0, {}};
    uint8_t head[13];
    if (!reader.next(head, sizeof(head)))
        return headerSizeMissing;
    if (head[10] & 0x80)  // a global colour table
        reader.at += 3u << ((head[10] & 7) + 1);
    uint8_t kind = 0;
    while (reader.next(&kind, 1) && kind == 0x21) {
        uint8_t count = 1;
        reader.at++;
        while (count > 0 && reader.next(&count, 1))
            reader.at += count;
        if (count > 0)
            return headerSizeMissing;
    }
    uint8_t frame[8];  // left, top, width, height
    if (kind != 0x2C || !reader.next(frame, sizeof(frame)))
        return headerSizeMissing;
    uint32_t right = littleEndian(frame, 2) + littleEndian(frame + 4, 2);
    uint32_t bottom = littleEndian(frame + 2, 2) + littleEndian(frame + 6, 2);
    uint32_t width = littleEndian(head + 6, 2), height = littleEndian(head + 8, 2);
    return found(size, width > right ? width : right, height > bottom ? height : bottom);
}

HeaderSize bmpSize(const PictureBytes& source, PictureSize* size) {
    if (!beginsWith(source, "BM", 2))
        return headerOtherFormat;
    uint8_t head[26];
    if (!readPictureBytes(source, 0, head, 18))
        return headerSizeMissing;
    uint32_t infoBytes = littleEndian(head + 14, 4);
    if (infoBytes == 12)  // the OS/2 header: unsigned 16-bit sides
        return readPictureBytes(source, 0, head, 22) ? found(size, littleEndian(head + 18, 2), littleEndian(head + 20, 2))
                                                     : headerSizeMissing;
    if (infoBytes < 16 || !readPictureBytes(source, 0, head, 26))
        return headerSizeMissing;
    return found(size, magnitude(littleEndian(head + 18, 4)), magnitude(littleEndian(head + 22, 4)));
}

}  // namespace

bool readPictureBytes(const PictureBytes& source, uint64_t offset, void* out, size_t count) {
    if (!source.file) {
        if (offset > source.blockBytes || count > source.blockBytes - offset)
            return false;
        std::memcpy(out, source.block + offset, count);
        return true;
    }
    // A whole file may pass the most one read can take.
    constexpr size_t largestRead = size_t(1) << 30;
    for (size_t done = 0; done < count;) {
        size_t chunk = count - done < largestRead ? count - done : largestRead;
        if (readFileBytes(source.file, offset + done, static_cast<uint8_t*>(out) + done, chunk) != chunk)
            return false;
        done += chunk;
    }
    return true;
}

HeaderSize pictureHeaderSize(const PictureBytes& source, PictureSize* size) {
    for (HeaderSize (*reader)(const PictureBytes&, PictureSize*) : {pngSize, jpegSize, gifSize, bmpSize}) {
        HeaderSize told = reader(source, size);
        if (told != headerOtherFormat)
            return told;
    }
    return headerOtherFormat;
}
