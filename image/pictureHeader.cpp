// Picture sizes from the headers of PNG, JPEG, GIF and BMP, the formats that
// squeeze a huge picture into a small file. Only the bytes that lead to the
// size are read. Every other format GDI+ opens (TIFF, icons, metafiles) is
// decoded and checked afterwards, as before.
#include "pictureHeader.h"

#include <cstring>

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

// Reads forward through the bytes. A crafted file can hold any number of
// segments or fill bytes before the size; after readLimit reads the header
// counts as unknown and the picture is decoded, as any other format.
constexpr int readLimit = 1024;

struct HeaderReader {
    const PictureBytes& source;
    uint64_t at;
    int readsLeft;
    bool next(void* out, size_t count) {
        if (readsLeft-- <= 0 || !readPictureBytes(source, at, out, count))
            return false;
        at += count;
        return true;
    }
};

bool pngSize(const PictureBytes& source, PictureSize* size) {
    static const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uint8_t head[24];
    if (!readPictureBytes(source, 0, head, sizeof(head)) || std::memcmp(head, signature, sizeof(signature)) != 0 ||
        std::memcmp(head + 12, "IHDR", 4) != 0)
        return false;
    *size = {bigEndian(head + 16, 4), bigEndian(head + 20, 4)};
    return true;
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
// colour profiles, thumbnails), so the segments are walked by their lengths.
bool jpegSize(const PictureBytes& source, PictureSize* size) {
    HeaderReader reader = {source, 0, readLimit};
    uint8_t marker[2];
    if (!reader.next(marker, 2) || marker[0] != 0xFF || marker[1] != 0xD8)
        return false;
    for (;;) {
        if (!reader.next(marker, 1) || marker[0] != 0xFF)
            return false;
        if (!reader.next(marker + 1, 1))
            return false;
        if (marker[1] == 0xFF) {  // a fill byte before the marker
            reader.at--;
            continue;
        }
        if (standsAlone(marker[1]))
            continue;
        if (marker[1] == 0xD9 || marker[1] == 0xDA)  // the end, or a scan, before any frame
            return false;
        uint8_t segment[7];  // length, precision, height, width
        uint64_t start = reader.at;
        if (!reader.next(segment, 2) || bigEndian(segment, 2) < 2)
            return false;
        if (isFrameMarker(marker[1])) {
            if (bigEndian(segment, 2) < sizeof(segment) || !reader.next(segment + 2, sizeof(segment) - 2))
                return false;
            uint32_t height = bigEndian(segment + 3, 2);
            if (height == 0)  // told later, in a DNL segment
                return false;
            *size = {bigEndian(segment + 5, 2), height};
            return true;
        }
        reader.at = start + bigEndian(segment, 2);
    }
}

// The logical screen, widened to the first frame: a frame may reach beyond
// the screen, and a decoder sizes its pixels to the frame.
bool gifSize(const PictureBytes& source, PictureSize* size) {
    HeaderReader reader = {source, 0, readLimit};
    uint8_t head[13];
    if (!reader.next(head, sizeof(head)) || (std::memcmp(head, "GIF87a", 6) != 0 && std::memcmp(head, "GIF89a", 6) != 0))
        return false;
    *size = {littleEndian(head + 6, 2), littleEndian(head + 8, 2)};
    if (head[10] & 0x80)  // a global colour table
        reader.at += 3u << ((head[10] & 7) + 1);
    uint8_t kind = 0;
    while (reader.next(&kind, 1) && kind == 0x21) {  // extensions, each a label and sub-blocks
        uint8_t count = 1;
        reader.at++;
        while (count > 0 && reader.next(&count, 1))
            reader.at += count;
        if (count > 0)
            return true;
    }
    uint8_t frame[8];  // left, top, width, height
    if (kind != 0x2C || !reader.next(frame, sizeof(frame)))
        return true;
    uint32_t right = littleEndian(frame, 2) + littleEndian(frame + 4, 2);
    uint32_t bottom = littleEndian(frame + 2, 2) + littleEndian(frame + 6, 2);
    *size = {size->width > right ? size->width : right, size->height > bottom ? size->height : bottom};
    return true;
}

bool bmpSize(const PictureBytes& source, PictureSize* size) {
    uint8_t head[26];
    if (!readPictureBytes(source, 0, head, 18) || head[0] != 'B' || head[1] != 'M')
        return false;
    uint32_t infoBytes = littleEndian(head + 14, 4);
    if (infoBytes == 12) {  // the OS/2 header: unsigned 16-bit sides
        if (!readPictureBytes(source, 0, head, 22))
            return false;
        *size = {littleEndian(head + 18, 2), littleEndian(head + 20, 2)};
        return true;
    }
    if (infoBytes < 16 || !readPictureBytes(source, 0, head, 26))
        return false;
    *size = {magnitude(littleEndian(head + 18, 4)), magnitude(littleEndian(head + 22, 4))};
    return true;
}

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

}  // namespace

bool readPictureBytes(const PictureBytes& source, uint64_t offset, void* out, size_t count) {
    if (!source.file) {
        if (offset > source.blockBytes || count > source.blockBytes - offset)
            return false;
        std::memcpy(out, source.block + offset, count);
        return true;
    }
    OVERLAPPED at = {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD read = 0;
    return ReadFile(source.file, out, DWORD(count), &read, &at) && read == count;
}

bool pictureHeaderSize(const PictureBytes& source, PictureSize* size) {
    return pngSize(source, size) || jpegSize(source, size) || gifSize(source, size) || bmpSize(source, size);
}

bool fileHeaderSize(const wchar_t* path, PictureSize* size) {
    FileGuard file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file == INVALID_HANDLE_VALUE)
        return false;
    return pictureHeaderSize({file, nullptr, 0}, size);
}
