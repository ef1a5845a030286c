// Copying the selection to the clipboard and saving it under a name the user
// picks: the selection cut to the picture, or the whole picture when it is
// empty. The editor stays open either way.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "../editor/editorState.h"
#include "encoding.h"

constexpr const wchar_t* saveAsTitle = L"Zapisz obrazek";

// The selection cut to the picture; the whole picture when that is empty.
PictureRegion chosenRegion(const EditorState& s);

// As a device-independent bitmap, the picture over white as the editor shows
// it, and as the registered format "PNG" with its alpha. A clipboard another
// program still holds after a brief retry, or any other failure, is told in a
// message box; false then.
bool copySelection(EditorState& s);
// Through the save dialog; a dialog error other than Cancel and a failed write
// are told in a message box, and a failed write leaves any file it was to
// replace as it was.
void saveSelectionAs(EditorState& s);

// The level a save as writes at: PNG when PNG was chosen; JPEG at the slider's
// quality, or at the best JPEG level while the slider is at PNG.
int32_t saveAsLevel(int32_t slider, bool jpegChosen);
// "snipLeaf-YYYYMMDD-HHMMSS.png"; false when it does not fit.
bool formatSaveAsName(wchar_t* nameOut, size_t capacity, const SYSTEMTIME& time);
// Replaces a picture extension the name ends in (.png, .jpg, .jpeg in any
// case) by the chosen type's, or appends it; false when it does not fit.
bool applyTypeExtension(wchar_t* name, size_t capacity, bool jpegChosen);
