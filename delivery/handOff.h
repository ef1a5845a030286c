// Handing the saved picture to two other plug-ins of the host, once per
// contact: the file-transfer plug-in and the image-hosting plug-in.
#pragma once

#include "../editor/editorState.h"

constexpr const wchar_t* imageHostingDomain = L"imageshack.us";
constexpr const wchar_t* imageHostingButtonText = L"Wyślij na imageshack.us";

// Commands 13 and 14. True when the dispatcher's focus step still applies;
// false when they stop at once for want of a host table or contacts.
bool handOffToFileTransfer(EditorState& state);
bool handOffToImageHosting(EditorState& state);
