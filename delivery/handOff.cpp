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

// One host call handing the file to one contact.
using HandOffFn = void (*)(const wchar_t* fileName, const ContactRecord& contact);

void sendFileTo(const wchar_t* fileName, const ContactRecord& contact) {
    SendFileRecord record = {};
    record.size = sizeof(record);
    static_assert(std::size(record.filePath) == tempNameUnits);
    std::wcsncpy(record.filePath, fileName, std::size(record.filePath) - 1);
    record.contact = contact;
    callHost(fileTransferFunction, &record);
}

void sendImageTo(const wchar_t* fileName, const ContactRecord& contact) {
    SendImageRecord record = {};
    record.fileName = fileName;
    record.contactId = contact.contactId;
    record.netClass = contact.netClass;
    record.netId = contact.netId;
    callHost(imageHostingFunction, &record);
}

bool handOff(EditorState& state, HandOffFn handTo) {
    DeliveryFile file;
    DeliveryOpening opening = openDelivery(state, RecipientsCheck::beforeSaving, &file);
    if (opening != DeliveryOpening::ready)
        return opening == DeliveryOpening::ended;
    uint32_t generation = state.generation;
    for (int32_t i = 0; sameEditor(state, generation, i); i++)
        handTo(file.name, state.contacts[i]);
    // The other plug-in may have let another editor open: that one stays.
    if (state.generation == generation)
        closeEditor();
    return true;
}

}  // namespace

bool handOffToFileTransfer(EditorState& state) {
    return handOff(state, sendFileTo);
}

bool handOffToImageHosting(EditorState& state) {
    return handOff(state, sendImageTo);
}
