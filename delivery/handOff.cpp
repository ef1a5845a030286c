// Commands 13 and 14: one file, saved at the slider's level, goes to the other
// plug-in for every contact, whose answers are not looked at; then the editor
// closes. A selection that leaves nothing to save keeps the editor open.
#include "handOff.h"

#include <cwchar>
#include <iterator>

#include "../editor/editorWindow.h"
#include "../plugin/hostBridge.h"
#include "encoding.h"
#include "sending.h"

namespace {

bool hasRecipients(const EditorState& state) {
    return hostTable && state.contacts && state.contactCount != 0;
}

}  // namespace

bool handOffToFileTransfer(EditorState& state) {
    SendFileRecord record = {};
    record.size = sizeof(record);
    if (!hasRecipients(state))
        return false;
    wchar_t name[tempNameUnits] = {};
    int32_t level = levelPng;
    PictureRegion region = {};
    if (!saveSelection(state, name, &level, &region))
        return true;
    static_assert(std::size(record.filePath) == tempNameUnits);
    std::wcsncpy(record.filePath, name, std::size(record.filePath) - 1);
    uint32_t generation = state.generation;
    for (int32_t i = 0; sameEditor(state, generation, i); i++) {
        record.contact = state.contacts[i];
        callHost(fileTransferFunction, &record);
    }
    // The other plug-in may have let another editor open: that one stays.
    if (state.generation == generation)
        closeEditor();
    return true;
}

bool handOffToImageHosting(EditorState& state) {
    if (!hasRecipients(state))
        return false;
    wchar_t name[tempNameUnits] = {};
    int32_t level = levelPng;
    PictureRegion region = {};
    if (!saveSelection(state, name, &level, &region))
        return true;
    SendImageRecord record = {};
    record.fileName = name;
    uint32_t generation = state.generation;
    for (int32_t i = 0; sameEditor(state, generation, i); i++) {
        record.contactId = state.contacts[i].contactId;
        record.netClass = state.contacts[i].netClass;
        record.netId = state.contacts[i].netId;
        callHost(imageHostingFunction, &record);
    }
    if (state.generation == generation)
        closeEditor();
    return true;
}
