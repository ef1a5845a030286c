// Shared set-up of the delivery tests, linked directly against the core and
// the stand-in host and plug-ins: the editor as a real record (a GDI+ bitmap
// of known pixels, a real window and a real trackbar), message boxes really
// shown and read through the dialog-answering hook, and reading files back.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <memory>

#include "delivery/encoding.h"
#include "editor/editorWindow.h"
#include "host/standInPlugins.h"
#include "plugin/hostBridge.h"
#include "image/gdiplusFlat.h"
#include "testSupport.h"

constexpr int64_t resultUnexpected = int64_t(int32_t(0x8000FFFF));
constexpr int64_t resultOutOfMemory = int64_t(int32_t(0x8007000E));
constexpr int64_t resultFail = int64_t(int32_t(0x80004005));
constexpr int32_t pictureWidth = 64;
constexpr int32_t pictureHeight = 48;

const wchar_t* const emptySelectionText =
    L"Brak zaznaczonego obszaru.\r\nZaznaczenia dokonuje się przez przesunięcie kursora,\r\n"
    L"równocześnie trzymając lewy lub prawy przycisk myszy.";

const wchar_t* const saveFailedText = L"Nie udało się zapisać obrazka.";

// Opaque and different in every pixel of the picture.
uint32_t patternPixel(int32_t x, int32_t y);

GpBitmap* patternBitmap(int32_t width, int32_t height);

ImageHolder* newHolder(GpBitmap* bitmap);

std::vector<uint8_t> fileBytes(const std::wstring& path);

bool fileExists(const std::wstring& path);

std::vector<std::wstring> filesIn(const std::wstring& folder);

bool isPng(const std::vector<uint8_t>& bytes);

bool isJpeg(const std::vector<uint8_t>& bytes);

// Every pixel of the picture file equals the pattern's pixel at its place in
// the region (left, top) onwards, and the file is width x height.
::testing::AssertionResult holdsPatternRegion(const std::vector<uint8_t>& bytes, const std::wstring& scratch,
                                              int32_t left, int32_t top, int32_t width, int32_t height);

// A temporary name: the folder, a number of seconds between from and to, the extension.
::testing::AssertionResult isTempName(const std::wstring& name, const std::wstring& folder, int64_t from,
                                      int64_t to, const std::wstring& extension);

const wchar_t* ownerClassName();

std::wstring netFunction(const HostContact& contact);

std::vector<std::wstring> deliveryFunctions();

const HostContact contactA = {L"GG", 1, 1001, 2};
const HostContact contactB = {L"JABBER", 2, 2002, 2};
const HostContact contactC = {L"NET", 3, 3003, 2};

// The editor as the delivery commands find it: the global record with a
// pattern picture, a window, a slider at a position and copies of contacts.
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        hostReset(freshHostConfig());
        hostTable = hostFunctionTable();
        hostClearDeliveries();
        tempFolder = freshFolder(L"temp");
        scratchFolder = freshFolder(L"scratch");
        GetEnvironmentVariableW(L"TMP", savedTmp, DWORD(std::size(savedTmp)));
        SetEnvironmentVariableW(L"TMP", tempFolder.c_str());
        lookUpEncoders();
        answers = std::make_unique<DialogAnswers>();
        openEditorFor({});
    }
    void TearDown() override {
        answers.reset();
        closeEditor();
        editorState = {};
        hostTable = nullptr;
        SetEnvironmentVariableW(L"TMP", savedTmp[0] ? savedTmp : nullptr);
    }

    // Replaces the editor's state by a fresh one for these contacts.
    void openEditorFor(const std::vector<HostContact>& chosen, int32_t sliderPosition = 0) {
        closeEditor();
        contacts = chosen;
        editorState = {};
        EditorState& s = editorState;
        s.picture = newHolder(patternBitmap(pictureWidth, pictureHeight));
        s.window = CreateWindowExW(0, ownerClassName(), L"Image", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
        s.qualitySlider = CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_CHILD, 0, 0, 100, 20, s.window, nullptr,
                                          GetModuleHandleW(nullptr), nullptr);
        SendMessageW(s.qualitySlider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 4));
        SendMessageW(s.qualitySlider, TBM_SETPOS, TRUE, sliderPosition);
        s.contactCount = int32_t(contacts.size());
        s.contacts = static_cast<ContactRecord*>(std::malloc(sizeof(ContactRecord) * (contacts.size() + 1)));
        for (size_t i = 0; i < contacts.size(); i++)
            s.contacts[i] = hostContactRecord(contacts[i]);
        // As the editor opens: the selection is the whole primary screen.
        s.startX = 0;
        s.startY = 0;
        s.endX = 1280;
        s.endY = 1024;
        hostClearJournal();
        hostClearDeliveries();
    }
    void select(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        editorState.startX = x1;
        editorState.startY = y1;
        editorState.endX = x2;
        editorState.endY = y2;
    }
    bool editorClosed() const {
        return !editorState.window && !editorState.picture && !editorState.contacts && editorState.contactCount == 0;
    }
    bool editorOpen() const { return editorState.window && IsWindow(editorState.window) && editorState.picture; }
    std::wstring scratch(const wchar_t* name) const { return scratchFolder + name; }

    std::vector<HostContact> contacts;
    std::unique_ptr<DialogAnswers> answers;
    std::wstring tempFolder;
    std::wstring scratchFolder;
    wchar_t savedTmp[MAX_PATH] = {};
};
