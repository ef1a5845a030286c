// PNG and JPEG encoding of picture regions into temporary files.
#pragma once

#include <windows.h>

extern CLSID pngEncoderClsid;
extern CLSID jpegEncoderClsid;

// Fills both encoder identities; needs a running GDI+.
void lookUpEncoders();
CLSID findEncoderClsid(const wchar_t* mimeType);
