// Sending to the network: the one host call and its record, the decisions
// of a send with its fall-back and messages, and the two send commands as the
// stand-in plug-ins and message boxes see them.
#include "deliveryTestSupport.h"

#include "delivery/sending.h"

using namespace Gdiplus::DllExports;

// --- one host call -----------------------------------------------------------------

class SendPicture : public EditorFixture {};

TEST_F(SendPicture, RecordCarriesSizeContactAndName) {
    hostAddPictureTransfer(contactA, {0});
    ContactRecord contact = hostContactRecord(contactA);
    std::memset(contact.hostData0, 0xA5, sizeof(contact.hostData0));
    std::memset(contact.hostData1, 0x5A, sizeof(contact.hostData1));
    std::wstring path = scratch(L"sent.png");
    ASSERT_TRUE(saveRegion(editorState.picture, path.c_str(), 0, 0, 0, 64, 48));
    EXPECT_EQ(sendPicture(path.c_str(), &contact), 0);
    ASSERT_EQ(hostDeliveries().size(), 1u);
    const Delivery& delivery = hostDeliveries()[0];
    ASSERT_EQ(delivery.record.size(), 72u);
    EXPECT_EQ(readAt<uint32_t>(delivery.record, 0), 72u);
    EXPECT_TRUE(zeroBetween(delivery.record, 4, 8));
    EXPECT_EQ(std::memcmp(delivery.record.data() + 8, &contact, sizeof(contact)), 0);
    EXPECT_EQ(readAt<const wchar_t*>(delivery.record, 64), path.c_str());
    EXPECT_EQ(delivery.fileName, path);
    EXPECT_TRUE(delivery.fileFound);
    EXPECT_EQ(delivery.fileBytes, fileBytes(path));
    std::vector<JournalEntry> calls = callsOf(netFunction(contactA));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].lParam, 0);
}

TEST_F(SendPicture, FunctionNamedByNetClassAndId) {
    struct Case {
        HostContact contact;
        const wchar_t* function;
    };
    const Case cases[] = {
        {{L"NET", 2, 1, 2}, L"NET/2/PFSendPicture"},
        {{L"GG", -1, 1, 2}, L"GG/-1/PFSendPicture"},
        {{L"ŁĄCZE", 0, 1, 2}, L"ŁĄCZE/0/PFSendPicture"},
    };
    for (const Case& c : cases) {
        hostClearJournal();
        ContactRecord contact = hostContactRecord(c.contact);
        sendPicture(L"C:\\x.png", &contact);
        EXPECT_EQ(hostCallNames(), std::vector<std::wstring>{c.function});
    }
}

TEST_F(SendPicture, AnswersTheHostsWholeResult) {
    for (int64_t answer : {int64_t(0), resultUnexpected, resultOutOfMemory, int64_t(0x123456789LL)}) {
        hostAddPictureTransfer(contactA, {answer});
        ContactRecord contact = hostContactRecord(contactA);
        EXPECT_EQ(sendPicture(L"C:\\x.png", &contact), answer);
    }
}

TEST_F(SendPicture, NameThatDoesNotFitIsNotCalled) {
    std::wstring longClass(600, L'N');
    ContactRecord contact = hostContactRecord(contactA);
    contact.netClass = longClass.c_str();
    hostClearJournal();
    EXPECT_EQ(sendPicture(L"C:\\x.png", &contact), resultFail);
    EXPECT_TRUE(hostJournal().empty());
}

TEST_F(SendPicture, WithoutHostTableNothingIsCalled) {
    hostTable = nullptr;
    ContactRecord contact = hostContactRecord(contactA);
    EXPECT_EQ(sendPicture(L"C:\\x.png", &contact), resultFail);
    EXPECT_TRUE(hostJournal().empty());
}

// --- the decisions of the send ---------------------------------------------------------

TEST(SendDecisions, FirstAttemptOutcomeAndMessage) {
    struct Case {
        int64_t result;
        SendOutcome outcome;
        NotSentMessage message;
    };
    static const Case cases[] = {
        {0, SendOutcome::delivered, messageUnknownError},
        {resultOutOfMemory, SendOutcome::fallBack, messageUnknownError},
        {resultUnexpected, SendOutcome::failed, messageNotSupported},
        {int64_t(0x100000000LL) | int64_t(uint32_t(0x8000FFFF)), SendOutcome::failed, messageNotSupported},
        {int64_t(0x0000000100000000LL), SendOutcome::delivered, messageUnknownError},
        {resultFail, SendOutcome::failed, messageUnknownError},
        {1, SendOutcome::failed, messageUnknownError},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(firstAttemptOutcome(c.result), c.outcome) << std::hex << c.result;
        if (c.outcome == SendOutcome::failed) {
            EXPECT_EQ(firstAttemptMessage(c.result), c.message) << std::hex << c.result;
        }
    }
}

TEST(SendDecisions, FallbackRunsFromJpeg80ToJpeg10) {
    std::vector<int32_t> levels;
    for (int32_t level = 1; level <= 4; level = nextFallbackLevel(level))
        levels.push_back(level);
    EXPECT_EQ(levels, (std::vector<int32_t>{1, 2, 3, 4}));
    std::vector<uint32_t> qualities;
    for (int32_t level : levels)
        qualities.push_back(jpegQualityFor(level));
    EXPECT_EQ(qualities, (std::vector<uint32_t>{80, 60, 40, 10}));
}

TEST(SendDecisions, FallbackStepPerResultAndLevel) {
    struct Case {
        int64_t result;
        int32_t level;
        FallbackStep step;
    };
    static const Case cases[] = {
        {0, 1, FallbackStep::delivered},          {0, 4, FallbackStep::delivered},
        {resultOutOfMemory, 1, FallbackStep::nextLevel}, {resultOutOfMemory, 3, FallbackStep::nextLevel},
        {resultOutOfMemory, 4, FallbackStep::tooLarge},  {resultUnexpected, 2, FallbackStep::failed},
        {resultFail, 1, FallbackStep::failed},           {7, 4, FallbackStep::failed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fallbackStep(c.result, c.level), c.step) << std::hex << c.result << " " << c.level;
}

TEST(SendDecisions, MessageTexts) {
    struct Case {
        NotSentMessage message;
        const wchar_t* text;
    };
    const Case cases[] = {
        {messageEmptySelection, emptySelectionText},
        {messageNotSupported, L"Kontakt nie obsługuje odbioru obrazków"},
        {messageUnknownError, L"Nieznany błąd przy wysyłaniu"},
        {messageTooLarge, L"Obrazek jest zbyt duży"},
        {messageFallbackError, L"Błąd przy wysyłaniu w gorszej jakości"},
        {messageSaveFailed, saveFailedText},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::wstring(notSentText(c.message)), c.text);
}

// --- command 11: send the selection --------------------------------------------------

class SendSelection : public EditorFixture {};

TEST_F(SendSelection, FirstContactThatAcceptsEndsTheSend) {
    openEditorFor({contactA, contactB, contactC});
    for (const HostContact& contact : contacts)
        hostAddPictureTransfer(contact, {0});
    select(10, 5, 40, 30);
    int64_t before = _time64(nullptr);
    EXPECT_TRUE(sendRegionToContacts(editorState));
    int64_t after = _time64(nullptr);
    EXPECT_EQ(deliveryFunctions(), std::vector<std::wstring>{L"GG/1/PFSendPicture"});
    EXPECT_TRUE(answers->shown.empty());
    EXPECT_TRUE(editorClosed());
    const Delivery& delivery = hostDeliveries()[0];
    EXPECT_TRUE(isTempName(delivery.fileName, tempFolder, before, after, L".png"));
    ASSERT_TRUE(delivery.fileFound);
    EXPECT_TRUE(isPng(delivery.fileBytes));
    EXPECT_TRUE(holdsPatternRegion(delivery.fileBytes, scratch(L"check.png"), 10, 5, 30, 25));
    // The plug-in never deletes its temporary files.
    EXPECT_TRUE(fileExists(delivery.fileName));
}

TEST_F(SendSelection, EachFirstAttemptResultHasItsMessage) {
    struct Case {
        int64_t result;
        const wchar_t* text;
    };
    static const Case cases[] = {
        {resultUnexpected, L"Kontakt nie obsługuje odbioru obrazków"},
        {int64_t(0x100000000LL) | int64_t(uint32_t(0x8000FFFF)), L"Kontakt nie obsługuje odbioru obrazków"},
        {resultFail, L"Nieznany błąd przy wysyłaniu"},
        {1, L"Nieznany błąd przy wysyłaniu"},
    };
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostAddPictureTransfer(contactA, {c.result});
        hostClearDeliveries();
        answers->shown.clear();
        EXPECT_TRUE(sendRegionToContacts(editorState));
        EXPECT_EQ(hostDeliveries().size(), 1u);
        ASSERT_EQ(answers->shown.size(), 1u);
        EXPECT_EQ(answers->shown[0].caption, L"Obrazek nie wysłany");
        EXPECT_EQ(answers->shown[0].text, c.text);
        EXPECT_EQ(answers->shown[0].owner, editorState.window);
        EXPECT_TRUE(answers->shown[0].errorIcon);
        EXPECT_TRUE(answers->shown[0].onlyOk);
        EXPECT_TRUE(editorOpen());
    }
}

TEST_F(SendSelection, RefusalIsToldBeforeTheNextContactIsTried) {
    openEditorFor({contactA, contactB});
    hostAddPictureTransfer(contactA, {resultUnexpected});
    hostAddPictureTransfer(contactB, {0});
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_EQ(deliveryFunctions(), (std::vector<std::wstring>{L"GG/1/PFSendPicture", L"JABBER/2/PFSendPicture"}));
    ASSERT_EQ(answers->shown.size(), 1u);
    EXPECT_EQ(answers->shown[0].text, L"Kontakt nie obsługuje odbioru obrazków");
    EXPECT_EQ(answers->shown[0].deliveriesBefore, 1u);
    EXPECT_EQ(hostDeliveries()[0].fileName, hostDeliveries()[1].fileName);
    EXPECT_TRUE(editorClosed());
}

TEST_F(SendSelection, FallbackDeliversAtJpeg40) {
    openEditorFor({contactA, contactB});
    hostAddPictureTransfer(contactA, {resultOutOfMemory, resultOutOfMemory, resultOutOfMemory, 0});
    hostAddPictureTransfer(contactB, {0});
    select(0, 0, 64, 48);
    int64_t before = _time64(nullptr);
    EXPECT_TRUE(sendRegionToContacts(editorState));
    int64_t after = _time64(nullptr);
    ASSERT_EQ(deliveryFunctions(), std::vector<std::wstring>(4, L"GG/1/PFSendPicture"));
    const std::vector<Delivery>& d = hostDeliveries();
    EXPECT_TRUE(isTempName(d[0].fileName, tempFolder, before, after, L".png"));
    EXPECT_TRUE(isPng(d[0].fileBytes));
    for (size_t i = 1; i < 4; i++) {
        EXPECT_TRUE(isTempName(d[i].fileName, tempFolder, before, after, L".jpg")) << i;
        EXPECT_EQ(d[i].fileName, d[1].fileName) << i;
        EXPECT_TRUE(isJpeg(d[i].fileBytes)) << i;
    }
    EXPECT_TRUE(answers->shown.empty());
    EXPECT_TRUE(editorClosed());
}

TEST_F(SendSelection, FiveTimesTooLargeIsTooLarge) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, std::vector<int64_t>(5, resultOutOfMemory));
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_EQ(hostDeliveries().size(), 5u);
    ASSERT_EQ(shownTexts(*answers), std::vector<std::wstring>{L"Obrazek jest zbyt duży"});
    EXPECT_EQ(answers->shown[0].deliveriesBefore, 5u);
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendSelection, UnexpectedInsideFallbackIsAFallbackError) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {resultOutOfMemory, resultUnexpected});
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_EQ(hostDeliveries().size(), 2u);
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{L"Błąd przy wysyłaniu w gorszej jakości"});
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendSelection, LaterContactsGetTheFallbackFile) {
    openEditorFor({contactA, contactB});
    hostAddPictureTransfer(contactA, std::vector<int64_t>(5, resultOutOfMemory));
    hostAddPictureTransfer(contactB, {0});
    EXPECT_TRUE(sendRegionToContacts(editorState));
    ASSERT_EQ(hostDeliveries().size(), 6u);
    EXPECT_EQ(hostDeliveries()[5].function, L"JABBER/2/PFSendPicture");
    EXPECT_EQ(hostDeliveries()[5].fileName, hostDeliveries()[4].fileName);
    EXPECT_TRUE(isJpeg(hostDeliveries()[5].fileBytes));
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{L"Obrazek jest zbyt duży"});
    EXPECT_TRUE(editorClosed());
}

TEST_F(SendSelection, SliderChoosesTheFirstFilesFormat) {
    openEditorFor({contactA}, 2);
    hostAddPictureTransfer(contactA, {0});
    int64_t before = _time64(nullptr);
    EXPECT_TRUE(sendRegionToContacts(editorState));
    int64_t after = _time64(nullptr);
    ASSERT_EQ(hostDeliveries().size(), 1u);
    EXPECT_TRUE(isTempName(hostDeliveries()[0].fileName, tempFolder, before, after, L".jpg"));
    EXPECT_TRUE(isJpeg(hostDeliveries()[0].fileBytes));
}

TEST_F(SendSelection, EmptySelectionIsToldAndNothingSaved) {
    struct Case {
        int32_t x1, y1, x2, y2;
    };
    static const Case cases[] = {{5, 5, 5, 40}, {5, 5, 40, 5}, {0, 0, 0, 0}, {100, 100, 200, 200}, {64, 0, 90, 48}};
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostAddPictureTransfer(contactA, {0});
        answers->shown.clear();
        select(c.x1, c.y1, c.x2, c.y2);
        EXPECT_TRUE(sendRegionToContacts(editorState));
        EXPECT_TRUE(hostDeliveries().empty());
        ASSERT_EQ(answers->shown.size(), 1u);
        EXPECT_EQ(answers->shown[0].caption, L"Obrazek nie wysłany");
        EXPECT_EQ(answers->shown[0].text, emptySelectionText);
        EXPECT_TRUE(filesIn(tempFolder).empty());
        EXPECT_TRUE(editorOpen());
    }
}

TEST_F(SendSelection, SelectionBeyondThePictureIsCut) {
    struct Case {
        int32_t x1, y1, x2, y2;
        int32_t left, top, width, height;
    };
    static const Case cases[] = {{0, 0, 1280, 1024, 0, 0, 64, 48}, {30, 20, 100, 100, 30, 20, 34, 28},
                                 {100, 100, 30, 20, 30, 20, 34, 28}};
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostAddPictureTransfer(contactA, {0});
        hostClearDeliveries();
        select(c.x1, c.y1, c.x2, c.y2);
        EXPECT_TRUE(sendRegionToContacts(editorState));
        ASSERT_EQ(hostDeliveries().size(), 1u);
        EXPECT_TRUE(holdsPatternRegion(hostDeliveries()[0].fileBytes, scratch(L"check.png"), c.left, c.top,
                                       c.width, c.height));
        EXPECT_TRUE(editorClosed());
    }
}

TEST_F(SendSelection, UnwritableFolderIsAFailedSave) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {0});
    std::wstring missing = tempFolder + L"missing\\";
    SetEnvironmentVariableW(L"TMP", missing.c_str());
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_TRUE(hostDeliveries().empty());
    ASSERT_EQ(shownTexts(*answers), std::vector<std::wstring>{saveFailedText});
    EXPECT_EQ(answers->shown[0].caption, L"Obrazek nie wysłany");
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendSelection, NameThatDoesNotFitIsAFailedSave) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {0});
    std::wstring longFolder = L"C:\\" + std::wstring(250, L'd') + L"\\";
    SetEnvironmentVariableW(L"TMP", longFolder.c_str());
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_TRUE(hostDeliveries().empty());
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{saveFailedText});
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendSelection, FallbackThatCannotSaveStopsTheCommand) {
    openEditorFor({contactA, contactB});
    std::wstring missing = tempFolder + L"missing\\";
    // The first attempt's file is written; the folder then goes before the fall-back.
    hostAddPictureTransfer(contactA, {resultOutOfMemory});
    hostAddPictureTransfer(contactB, {0});
    hostRegister(L"GG/1/PFSendPicture", [missing](int64_t, int64_t) {
        SetEnvironmentVariableW(L"TMP", missing.c_str());
        return resultOutOfMemory;
    });
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_EQ(hostCallNames(), std::vector<std::wstring>{L"GG/1/PFSendPicture"});
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{saveFailedText});
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendSelection, NoRecipientsEndsSilentlyAfterSaving) {
    struct Case {
        bool table;
        bool contacts;
        int32_t count;
    };
    static const Case cases[] = {{false, true, 1}, {true, false, 1}, {true, true, 0}};
    int n = 0;
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostAddPictureTransfer(contactA, {0});
        std::wstring folder = freshFolder(L"silent");
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        if (!c.contacts) {
            std::free(editorState.contacts);
            editorState.contacts = nullptr;
        }
        editorState.contactCount = c.count;
        hostTable = c.table ? hostFunctionTable() : nullptr;
        EXPECT_FALSE(sendRegionToContacts(editorState)) << n;
        hostTable = hostFunctionTable();
        EXPECT_TRUE(hostDeliveries().empty()) << n;
        EXPECT_TRUE(answers->shown.empty()) << n;
        EXPECT_EQ(filesIn(folder).size(), 1u) << n;
        EXPECT_TRUE(editorOpen()) << n;
        n++;
    }
}

TEST_F(SendSelection, NoPictureDoesNothing) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {0});
    freeImageHolder(editorState.picture);
    editorState.picture = nullptr;
    EXPECT_TRUE(sendRegionToContacts(editorState));
    EXPECT_TRUE(hostDeliveries().empty());
    EXPECT_TRUE(answers->shown.empty());
    EXPECT_TRUE(filesIn(tempFolder).empty());
}

// --- command 12: send the whole picture ------------------------------------------------

class SendWholePicture : public EditorFixture {};

TEST_F(SendWholePicture, SelectionStaysAtTheWholePicture) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {resultUnexpected});
    select(10, 5, 40, 30);
    EXPECT_TRUE(sendWholePicture(editorState));
    EXPECT_EQ(editorState.startX, 0);
    EXPECT_EQ(editorState.startY, 0);
    EXPECT_EQ(editorState.endX, 64);
    EXPECT_EQ(editorState.endY, 48);
    ASSERT_EQ(hostDeliveries().size(), 1u);
    EXPECT_TRUE(holdsPatternRegion(hostDeliveries()[0].fileBytes, scratch(L"check.png"), 0, 0, 64, 48));
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{L"Kontakt nie obsługuje odbioru obrazków"});
    EXPECT_TRUE(editorOpen());
}

TEST_F(SendWholePicture, PictureWithoutPixelsIsAnEmptySelection) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {0});
    GdipDisposeImage(editorState.picture->bitmap);
    editorState.picture->bitmap = nullptr;
    EXPECT_TRUE(sendWholePicture(editorState));
    EXPECT_EQ(editorState.endX, 0);
    EXPECT_EQ(editorState.endY, 0);
    EXPECT_TRUE(hostDeliveries().empty());
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{emptySelectionText});
}

TEST_F(SendWholePicture, NoPictureLeavesTheSelection) {
    openEditorFor({contactA});
    freeImageHolder(editorState.picture);
    editorState.picture = nullptr;
    select(1, 2, 3, 4);
    EXPECT_TRUE(sendWholePicture(editorState));
    EXPECT_EQ(editorState.endX, 3);
    EXPECT_EQ(editorState.endY, 4);
    EXPECT_TRUE(hostDeliveries().empty());
}
