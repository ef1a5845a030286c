// Sending the editor's picture to its contacts through each network's
// "PFSendPicture", with the JPEG fall-back when the host finds it too large,
// and the message boxes that tell the user a picture was not sent.
#pragma once

#include <windows.h>

#include <cstdint>

#include "../editor/editorState.h"
#include "../plugin/hostApi.h"
#include "encoding.h"

constexpr const wchar_t* notSentCaption = L"Obrazek nie wysłany";
constexpr size_t netFunctionNameUnits = 512;

enum NotSentMessage : int32_t {
    messageEmptySelection,
    messageNotSupported,
    messageUnknownError,
    messageTooLarge,
    messageFallbackError,
    messageSaveFailed,
    notSentMessageCount,
};

const wchar_t* notSentText(NotSentMessage message);
// A modal error box owned by the editor's window.
void showNotSent(EditorState& state, NotSentMessage message);
// Whether the editor a command started in (its generation) is still the one
// open, with contact index i within its contacts. A message box or a host call
// may have run a message loop in which the user opened another editor.
bool sameEditor(const EditorState& state, uint32_t generation, int32_t contact);

// What the first attempt's host result means.
enum class SendOutcome { delivered, fallBack, failed };
SendOutcome firstAttemptOutcome(int64_t result);
// The message for a failed first attempt.
NotSentMessage firstAttemptMessage(int64_t result);

// One step of the quality fall-back: the result at a level says whether to try
// the next level, and which message ends it otherwise.
enum class FallbackStep { delivered, nextLevel, tooLarge, failed };
FallbackStep fallbackStep(int64_t result, int32_t level);
// The levels the fall-back tries, in order: JPEG 80, 60, 40, 10.
int32_t nextFallbackLevel(int32_t level);

// One host call for one contact; a failure of our own (no host table, a
// function name that does not fit) answers E_FAIL without calling.
int64_t sendPicture(const wchar_t* fileName, const ContactRecord* contact);

// Commands 11 and 12. True when the dispatcher's focus step still applies;
// false when they stop early for want of a host table or contacts.
bool sendRegionToContacts(EditorState& state);
bool sendWholePicture(EditorState& state);

// The selection cut to the picture; empty when nothing of it lies inside.
PictureRegion selectedRegion(const EditorState& state);
// Saves the region of the editor's picture at the level; false for an empty
// name or when nothing was written.
bool writeRegion(const EditorState& state, const wchar_t* name, int32_t level, const PictureRegion& region);

// The file every delivery command opens with: the selection cut to the
// picture, saved under a new temporary name at the slider's level.
struct DeliveryFile {
    wchar_t name[tempNameUnits];
    int32_t level;
    PictureRegion region;
};
// The send writes its file even when nobody can receive it; the hand-offs
// look for recipients before they write anything.
enum class RecipientsCheck { afterSaving, beforeSaving };
// ended: the user was told why the file is missing (an empty cut selection,
// nothing written), and the dispatcher's focus step still applies.
// noRecipients: no host table or no contacts; the command stops at once.
enum class DeliveryOpening { ready, ended, noRecipients };
// The opening of commands 11 to 14: no name of an unwritten file goes out.
DeliveryOpening openDelivery(EditorState& state, RecipientsCheck check, DeliveryFile* file);
