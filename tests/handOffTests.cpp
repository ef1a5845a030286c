// The two hand-offs, to the file-transfer and the image-hosting plug-ins:
// the records they get, the editor closing or staying open, and the files
// the stand-ins deliver.
#include "deliveryTestSupport.h"

#include "delivery/handOff.h"
#include "delivery/sending.h"

using namespace Gdiplus::DllExports;

// --- command 13: the file-transfer plug-in -----------------------------------------------

class HandOffToFileTransfer : public EditorFixture {};

TEST_F(HandOffToFileTransfer, EveryContactGetsTheSameFileThenTheEditorCloses) {
    openEditorFor({contactA, contactB, contactC}, 3);
    hostSetFileTransfer(true, resultFail);
    std::vector<ContactRecord> sent(editorState.contacts, editorState.contacts + 3);
    select(10, 5, 40, 30);
    int64_t before = _time64(nullptr);
    EXPECT_TRUE(handOffToFileTransfer(editorState));
    int64_t after = _time64(nullptr);
    std::vector<Delivery> d = hostDeliveriesTo(L"upDeck/sendFile");
    ASSERT_EQ(d.size(), 3u);
    for (size_t i = 0; i < 3; i++) {
        const std::vector<uint8_t>& r = d[i].record;
        ASSERT_EQ(r.size(), 592u);
        EXPECT_EQ(readAt<uint32_t>(r, 0), 592u);
        EXPECT_TRUE(isTempName(d[i].fileName, tempFolder, before, after, L".jpg")) << i;
        EXPECT_EQ(d[i].fileName, d[0].fileName);
        size_t end = 4 + 2 * (d[i].fileName.size() + 1);
        EXPECT_TRUE(zeroBetween(r, end - 2, 528)) << i;
        EXPECT_EQ(std::memcmp(r.data() + 528, &sent[i], sizeof(ContactRecord)), 0) << i;
        EXPECT_TRUE(zeroBetween(r, 584, 592)) << i;
        EXPECT_TRUE(d[i].fileFound);
        EXPECT_TRUE(isJpeg(d[i].fileBytes));
    }
    for (const JournalEntry& call : callsOf(L"upDeck/sendFile"))
        EXPECT_EQ(call.lParam, 0);
    EXPECT_TRUE(answers->shown.empty());
    EXPECT_TRUE(editorClosed());
}

TEST_F(HandOffToFileTransfer, PathOf259UnitsFillsTheField) {
    // 245 units of folder, 10 digits of seconds and ".png" make 259.
    std::wstring folder = tempFolder;
    std::wstring filler(245 - folder.size() - 1, L'p');
    folder += filler + L"\\";
    ASSERT_EQ(folder.size(), 245u);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    ASSERT_EQ(std::to_wstring(_time64(nullptr)).size(), 10u);
    openEditorFor({contactA});
    hostSetFileTransfer(true);
    EXPECT_TRUE(handOffToFileTransfer(editorState));
    std::vector<Delivery> d = hostDeliveriesTo(L"upDeck/sendFile");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].fileName.size(), 259u);
    EXPECT_TRUE(d[0].fileFound);
    for (size_t unit = 0; unit < 259; unit++)
        EXPECT_NE(readAt<wchar_t>(d[0].record, 4 + 2 * unit), L'\0') << unit;
    EXPECT_EQ(readAt<wchar_t>(d[0].record, 522), L'\0');
    EXPECT_TRUE(zeroBetween(d[0].record, 522, 528));
}

TEST_F(HandOffToFileTransfer, EmptyOrFailedSaveKeepsTheEditorOpen) {
    struct Case {
        int32_t x1, y1, x2, y2;
        bool unwritable;
        const wchar_t* text;
    };
    const Case cases[] = {
        {5, 5, 5, 40, false, emptySelectionText},
        {100, 100, 200, 200, false, emptySelectionText},
        {0, 0, 64, 48, true, saveFailedText},
    };
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostSetFileTransfer(true);
        answers->shown.clear();
        select(c.x1, c.y1, c.x2, c.y2);
        std::wstring folder = c.unwritable ? tempFolder + L"missing\\" : tempFolder;
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        EXPECT_TRUE(handOffToFileTransfer(editorState));
        EXPECT_TRUE(hostDeliveries().empty());
        ASSERT_EQ(shownTexts(*answers), std::vector<std::wstring>{c.text});
        EXPECT_EQ(answers->shown[0].caption, L"Obrazek nie wysłany");
        EXPECT_TRUE(editorOpen());
    }
}

TEST_F(HandOffToFileTransfer, SelectionBeyondThePictureIsCut) {
    openEditorFor({contactA});
    hostSetFileTransfer(true);
    EXPECT_TRUE(handOffToFileTransfer(editorState));
    std::vector<Delivery> d = hostDeliveriesTo(L"upDeck/sendFile");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_TRUE(holdsPatternRegion(d[0].fileBytes, scratch(L"check.png"), 0, 0, 64, 48));
}

// --- command 14: the image-hosting plug-in ------------------------------------------------

class HandOffToImageHosting : public EditorFixture {};

TEST_F(HandOffToImageHosting, RecordCarriesNameAndContactFields) {
    openEditorFor({contactA, contactB, contactC});
    hostSetImageHosting(true);
    std::vector<ContactRecord> sent(editorState.contacts, editorState.contacts + 3);
    int64_t before = _time64(nullptr);
    EXPECT_TRUE(handOffToImageHosting(editorState));
    int64_t after = _time64(nullptr);
    std::vector<Delivery> d = hostDeliveriesTo(L"wtwImageShack/sendImage");
    ASSERT_EQ(d.size(), 3u);
    for (size_t i = 0; i < 3; i++) {
        const std::vector<uint8_t>& r = d[i].record;
        ASSERT_EQ(r.size(), 32u);
        EXPECT_TRUE(isTempName(d[i].fileName, tempFolder, before, after, L".png")) << i;
        EXPECT_EQ(readAt<uint64_t>(r, 8), contacts[i].contactId) << i;
        EXPECT_EQ(readAt<const wchar_t*>(r, 16), sent[i].netClass) << i;
        EXPECT_EQ(readAt<int32_t>(r, 24), contacts[i].netId) << i;
        EXPECT_TRUE(zeroBetween(r, 28, 32)) << i;
        EXPECT_EQ(readAt<const wchar_t*>(r, 0), readAt<const wchar_t*>(d[0].record, 0));
        EXPECT_TRUE(holdsPatternRegion(d[i].fileBytes, scratch(L"check.png"), 0, 0, 64, 48));
    }
    EXPECT_TRUE(editorClosed());
}

TEST_F(HandOffToImageHosting, EditorClosesWhateverThePluginAnswers) {
    openEditorFor({contactA, contactB});
    hostSetImageHosting(true, resultFail);
    EXPECT_TRUE(handOffToImageHosting(editorState));
    EXPECT_EQ(hostDeliveriesTo(L"wtwImageShack/sendImage").size(), 2u);
    EXPECT_TRUE(answers->shown.empty());
    EXPECT_TRUE(editorClosed());
}

TEST_F(HandOffToImageHosting, EmptySelectionKeepsTheEditorOpen) {
    openEditorFor({contactA});
    hostSetImageHosting(true);
    select(5, 5, 40, 5);
    EXPECT_TRUE(handOffToImageHosting(editorState));
    EXPECT_TRUE(hostDeliveries().empty());
    EXPECT_EQ(shownTexts(*answers), std::vector<std::wstring>{emptySelectionText});
    EXPECT_TRUE(filesIn(tempFolder).empty());
    EXPECT_TRUE(editorOpen());
}

TEST_F(HandOffToImageHosting, ButtonTextNamesTheDomain) {
    EXPECT_EQ(std::wstring(imageHostingButtonText), L"Wyślij na imageshack.us");
}

// --- both hand-offs without recipients --------------------------------------------------

class HandOffWithoutRecipients : public EditorFixture {};

TEST_F(HandOffWithoutRecipients, NothingIsSavedCalledOrClosed) {
    struct Case {
        bool (*command)(EditorState&);
        bool table;
        bool contacts;
        int32_t count;
    };
    static const Case cases[] = {
        {handOffToFileTransfer, true, true, 0},  {handOffToImageHosting, true, true, 0},
        {handOffToFileTransfer, false, true, 1}, {handOffToImageHosting, false, true, 1},
        {handOffToFileTransfer, true, false, 1}, {handOffToImageHosting, true, false, 1},
    };
    int n = 0;
    for (const Case& c : cases) {
        openEditorFor({contactA});
        hostSetFileTransfer(true);
        hostSetImageHosting(true);
        if (!c.contacts) {
            std::free(editorState.contacts);
            editorState.contacts = nullptr;
        }
        editorState.contactCount = c.count;
        hostTable = c.table ? hostFunctionTable() : nullptr;
        hostClearJournal();
        EXPECT_FALSE(c.command(editorState)) << n;
        hostTable = hostFunctionTable();
        EXPECT_TRUE(hostJournal().empty()) << n;
        EXPECT_TRUE(hostDeliveries().empty()) << n;
        EXPECT_TRUE(answers->shown.empty()) << n;
        EXPECT_TRUE(filesIn(tempFolder).empty()) << n;
        EXPECT_TRUE(editorOpen()) << n;
        n++;
    }
}

// --- the stand-ins' copy of delivered files ------------------------------------------------

class DeliveredFiles : public EditorFixture {};

TEST_F(DeliveredFiles, AreWrittenNumberedInOrder) {
    openEditorFor({contactA});
    hostAddPictureTransfer(contactA, {resultOutOfMemory, 0});
    EXPECT_TRUE(sendRegionToContacts(editorState));
    ASSERT_EQ(hostDeliveries().size(), 2u);
    std::wstring folder = scratchFolder + L"received";
    std::vector<std::wstring> written = hostSaveDeliveredFiles(folder);
    ASSERT_EQ(written.size(), 2u);
    for (size_t i = 0; i < 2; i++) {
        const std::wstring& name = hostDeliveries()[i].fileName;
        std::wstring expected = folder + L"\\" + std::to_wstring(i + 1) + L"-" + name.substr(name.rfind(L'\\') + 1);
        EXPECT_EQ(written[i], expected);
        EXPECT_EQ(fileBytes(written[i]), hostDeliveries()[i].fileBytes);
    }
}
