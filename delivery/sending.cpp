// Commands 11 and 12: the selection, or the whole picture, goes to every
// contact in turn until one network takes it; a network that finds it too large
// is offered JPEG files of falling quality.
#include "sending.h"

#include <iterator>

#include "../editor/editorWindow.h"
#include "../editor/selectionEdit.h"
#include "../plugin/hostBridge.h"
#include "encoding.h"

namespace {

constexpr int64_t ownFailure = int64_t(int32_t(0x80004005));  // E_FAIL

// The host answers in the low 32 bits of its 64-bit result.
int32_t low32(int64_t result) {
    return int32_t(uint32_t(uint64_t(result)));
}

bool hasRecipients(const EditorState& state) {
    return hostTable && state.contacts && state.contactCount != 0;
}

}  // namespace

bool sameEditor(const EditorState& state, uint32_t generation, int32_t contact) {
    return state.generation == generation && state.contacts && contact >= 0 && contact < state.contactCount;
}

const wchar_t* notSentText(NotSentMessage message) {
    // The first text is one literal over two lines: the parentheses say so to
    // the compiler that would take it for a lost comma.
    static const wchar_t* const texts[] = {
        (L"Brak zaznaczonego obszaru.\r\nZaznaczenia dokonuje się przez przesunięcie kursora,\r\n"
         L"równocześnie trzymając lewy lub prawy przycisk myszy."),
        L"Kontakt nie obsługuje odbioru obrazków",
        L"Nieznany błąd przy wysyłaniu",
        L"Obrazek jest zbyt duży",
        L"Błąd przy wysyłaniu w gorszej jakości",
        L"Nie udało się zapisać obrazka.",
    };
    static_assert(std::size(texts) == notSentMessageCount);
    if (message < 0 || message >= notSentMessageCount)
        return L"";
    return texts[message];
}

void showNotSent(EditorState& state, NotSentMessage message) {
    // The box takes the keys: a press of Enter the editor saw before it is
    // not to act when its release comes back.
    state.enterPressed = 0;
    MessageBoxW(state.window, notSentText(message), notSentCaption, MB_ICONERROR);
}

SendOutcome firstAttemptOutcome(int64_t result) {
    int32_t code = low32(result);
    if (code == hostOk)
        return SendOutcome::delivered;
    if (code == hostOutOfMemory)
        return SendOutcome::fallBack;
    return SendOutcome::failed;
}

NotSentMessage firstAttemptMessage(int64_t result) {
    return low32(result) == hostUnexpected ? messageNotSupported : messageUnknownError;
}

FallbackStep fallbackStep(int64_t result, int32_t level) {
    int32_t code = low32(result);
    if (code == hostOk)
        return FallbackStep::delivered;
    if (code != hostOutOfMemory)
        return FallbackStep::failed;
    return level >= levelWorstJpeg ? FallbackStep::tooLarge : FallbackStep::nextLevel;
}

int32_t nextFallbackLevel(int32_t level) {
    return level + 1;
}

int64_t sendPicture(const wchar_t* fileName, const ContactRecord* contact) {
    if (!hostTable || !hostTable->callFunction || !contact)
        return ownFailure;
    wchar_t name[netFunctionNameUnits];
    if (!formatNetFunctionName(name, std::size(name), *contact, netSendPicture))
        return ownFailure;
    SendPictureRecord record = {};
    record.size = sizeof(record);
    record.contact = *contact;
    record.fileName = fileName;
    return callHost(name, &record);
}

PictureRegion selectedRegion(const EditorState& state) {
    return clippedRegion(state.startX, state.startY, state.endX, state.endY, imageWidth(state.picture),
                         imageHeight(state.picture));
}

bool writeRegion(const EditorState& state, const wchar_t* name, int32_t level, const PictureRegion& region) {
    return name[0] != L'\0' &&
           saveRegion(state.picture, name, level, region.left, region.top, region.right, region.bottom);
}

// False, after telling the user why, when the cut selection is empty or
// nothing could be written.
static bool saveSelection(EditorState& state, DeliveryFile* file) {
    file->region = selectedRegion(state);
    if (regionIsEmpty(file->region)) {
        showNotSent(state, messageEmptySelection);
        return false;
    }
    file->level = levelPng;
    makeTempPictureName(state, file->name, &file->level);
    if (writeRegion(state, file->name, file->level, file->region))
        return true;
    showNotSent(state, messageSaveFailed);
    return false;
}

DeliveryOpening openDelivery(EditorState& state, RecipientsCheck check, DeliveryFile* file) {
    *file = {};
    if (check == RecipientsCheck::beforeSaving && !hasRecipients(state))
        return DeliveryOpening::noRecipients;
    if (!saveSelection(state, file))
        return DeliveryOpening::ended;
    return hasRecipients(state) ? DeliveryOpening::ready : DeliveryOpening::noRecipients;
}

namespace {

// Falls back for contact i through JPEG 80 to 10 in one new file. True when
// the command goes on with the next contact; false when it ends here: the
// picture was delivered, the file could not be written, or another editor
// took this one's place during a box or a host call.
bool sendInLowerQuality(EditorState& state, wchar_t* name, const PictureRegion& region, int32_t i) {
    uint32_t generation = state.generation;
    int32_t level = levelBestJpeg;
    makeTempPictureName(state, name, &level);
    for (; level <= levelWorstJpeg; level = nextFallbackLevel(level)) {
        if (!writeRegion(state, name, level, region)) {
            showNotSent(state, messageSaveFailed);
            return false;
        }
        FallbackStep step = fallbackStep(sendPicture(name, &state.contacts[i]), level);
        if (!sameEditor(state, generation, i))
            return false;
        switch (step) {
        case FallbackStep::delivered:
            closeEditor();
            return false;
        case FallbackStep::nextLevel:
            break;
        case FallbackStep::tooLarge:
            showNotSent(state, messageTooLarge);
            return state.generation == generation;
        case FallbackStep::failed:
            showNotSent(state, messageFallbackError);
            return state.generation == generation;
        }
    }
    return true;
}

}  // namespace

bool sendRegionToContacts(EditorState& state) {
    if (!state.picture)
        return true;
    DeliveryFile file;
    DeliveryOpening opening = openDelivery(state, RecipientsCheck::afterSaving, &file);
    if (opening != DeliveryOpening::ready)
        return opening == DeliveryOpening::ended;
    uint32_t generation = state.generation;
    for (int32_t i = 0; sameEditor(state, generation, i); i++) {
        int64_t result = sendPicture(file.name, &state.contacts[i]);
        if (state.generation != generation)
            return true;
        switch (firstAttemptOutcome(result)) {
        case SendOutcome::delivered:
            closeEditor();
            return true;
        case SendOutcome::fallBack:
            if (!sendInLowerQuality(state, file.name, file.region, i))
                return true;
            break;
        case SendOutcome::failed:
            showNotSent(state, firstAttemptMessage(result));
            break;
        }
    }
    return true;
}

bool sendWholePicture(EditorState& state) {
    if (!state.picture)
        return true;
    // The whole picture is now the selection, also for an editor left open
    // after a failed send: the window stops marking the region the user made,
    // so what it shows is what Enter sends.
    unmarkSelection(state);
    return sendRegionToContacts(state);
}
