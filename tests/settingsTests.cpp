// The host bridge and the settings, called directly against the stand-in host:
// the log record and its buffer, per-network names, the settings records,
// defaults, sign extension and the store's survival across runs.
#include "plugin/hostBridge.h"
#include "plugin/pluginFrame.h"
#include "plugin/settings.h"
#include "testSupport.h"

namespace {

class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        config = freshHostConfig();
        hostReset(config);
        hostTable = hostFunctionTable();
        moduleHandle = GetModuleHandleW(nullptr);
    }
    void TearDown() override { hostTable = nullptr; }
    HostConfig config;
};

}  // namespace

TEST_F(BridgeTest, LogRecordCarriesLevelSourceAndMessage) {
    writeLog(hostTable, -1, L"IMG", L"Could not open picture from file %s", L"C:\\a b.png");
    ASSERT_EQ(callsOf(L"WTW/Log").size(), 1u);
    JournalEntry log = callsOf(L"WTW/Log")[0];
    ASSERT_EQ(log.record.size(), 40u);
    EXPECT_EQ(readAt<uint32_t>(log.record, 0), 40u);
    EXPECT_EQ(readAt<int32_t>(log.record, 4), -1);
    EXPECT_EQ(textAt(log.record, 8), L"IMG");
    EXPECT_EQ(log.text, L"Could not open picture from file C:\\a b.png");
    EXPECT_TRUE(zeroBetween(log.record, 24, 40));
    EXPECT_EQ(log.lParam, 0);
}

TEST_F(BridgeTest, LogCutsMessagesAt2047Units) {
    std::wstring longText(3000, L'x');
    writeLog(hostTable, -1, L"IMG", L"%s", longText.c_str());
    EXPECT_EQ(hostLogMessages().at(0), std::wstring(2047, L'x'));
}

TEST_F(BridgeTest, LogWithoutTableDoesNothing) {
    writeLog(nullptr, -1, L"IMG", L"lost");
    EXPECT_TRUE(hostJournal().empty());
}

TEST(NetFunctionName, FormatsClassIdAndSuffix) {
    struct Case {
        const wchar_t* netClass;
        int32_t netId;
        const wchar_t* expected;
    };
    static const Case cases[] = {
        {L"NET", 2, L"NET/2/PFSendPicture"},
        {L"GG", -1, L"GG/-1/PFSendPicture"},
        {nullptr, 5, L"/5/PFSendPicture"},
        {L"ŁĄCZE", 0, L"ŁĄCZE/0/PFSendPicture"},
    };
    for (const Case& c : cases) {
        ContactRecord contact = {};
        contact.netClass = c.netClass;
        contact.netId = c.netId;
        wchar_t name[512];
        EXPECT_TRUE(formatNetFunctionName(name, std::size(name), contact, L"PFSendPicture"));
        EXPECT_EQ(std::wstring(name), c.expected);
    }
}

TEST(NetFunctionName, RefusesANameThatDoesNotFit) {
    std::wstring longClass(600, L'N');
    ContactRecord contact = {};
    contact.netClass = longClass.c_str();
    wchar_t name[512];
    EXPECT_FALSE(formatNetFunctionName(name, std::size(name), contact, L"PFSendPicture"));
    EXPECT_EQ(name[0], L'\0');
    std::wstring fits(512 - 1 - std::wcslen(L"/7/PFSendPicture"), L'N');
    contact.netClass = fits.c_str();
    contact.netId = 7;
    EXPECT_TRUE(formatNetFunctionName(name, std::size(name), contact, L"PFSendPicture")) << "exactly 511 units";
    EXPECT_EQ(std::wcslen(name), 511u);
}

TEST_F(BridgeTest, OpenSettingsPassesThePathBufferAndHandle) {
    ASSERT_TRUE(openSettings());
    EXPECT_EQ(hostCallNames(), (std::vector<std::wstring>{L"WTW/Settings/GetMyConfigFile", L"WTW/Settings/InitEx"}));
    JournalEntry init = callsOf(L"WTW/Settings/InitEx")[0];
    EXPECT_EQ(init.text, config.settingsFile);
    EXPECT_EQ(init.lParam, int64_t(&settingsHandle));
    EXPECT_EQ(settingsHandle, 0x5E77u);
}

TEST_F(BridgeTest, OpenSettingsFailureIsLogged) {
    hostRegister(L"WTW/Settings/InitEx", [](int64_t, int64_t) { return int64_t(-5); }, RecordKind::wideText);
    EXPECT_FALSE(openSettings());
    EXPECT_EQ(hostLogMessages(), std::vector<std::wstring>{L"Could not load settings"});
}

TEST_F(BridgeTest, ReadSettingRecordAndDefault) {
    ASSERT_TRUE(openSettings());
    hostClearJournal();
    EXPECT_EQ(readSetting(keyPenWidth, 1), 1) << "nothing stored";
    JournalEntry get = callsOf(L"WTW/Settings/Get").at(0);
    ASSERT_EQ(get.record.size(), 48u);
    EXPECT_EQ(readAt<uint32_t>(get.record, 0), 48u);
    EXPECT_TRUE(zeroBetween(get.record, 4, 8));
    EXPECT_EQ(textAt(get.record, 8), L"snipLeaf/PenWidth");
    EXPECT_EQ(readAt<uint32_t>(get.record, 16), 1u);
    EXPECT_TRUE(zeroBetween(get.record, 20, 40)) << "value zero on the way in";
    EXPECT_EQ(readAt<uint64_t>(get.record, 40), 0x5E77u);
    EXPECT_EQ(get.lParam, 0);
}

TEST_F(BridgeTest, StoredValuesUseTheirLow32Bits) {
    struct Case {
        int64_t stored;
        int32_t read;
    };
    static const Case cases[] = {
        {7, 7},
        {-16777216, int32_t(0xFF000000)},
        {0x00000001FF000000ll, int32_t(0xFF000000)},
        {1000000, 1000000},
    };
    ASSERT_TRUE(openSettings());
    for (const Case& c : cases) {
        hostSettings()[L"snipLeaf/PenColor"] = c.stored;
        EXPECT_EQ(readSetting(keyPenColor, 12345), c.read) << c.stored;
    }
}

TEST_F(BridgeTest, WriteSettingSignExtends) {
    ASSERT_TRUE(openSettings());
    hostClearJournal();
    writeSetting(keyPenColor, int32_t(0xFF000000));
    JournalEntry set = callsOf(L"WTW/Settings/Set").at(0);
    ASSERT_EQ(set.record.size(), 48u);
    EXPECT_EQ(textAt(set.record, 8), L"snipLeaf/PenColor");
    EXPECT_EQ(readAt<uint32_t>(set.record, 16), 1u);
    EXPECT_TRUE(zeroBetween(set.record, 20, 24));
    EXPECT_EQ(readAt<uint64_t>(set.record, 24), 0xFFFFFFFFFF000000ull);
    EXPECT_TRUE(zeroBetween(set.record, 32, 40));
    EXPECT_EQ(readAt<uint64_t>(set.record, 40), 0x5E77u);
    EXPECT_EQ(hostSettings()[L"snipLeaf/PenColor"], -16777216);
    EXPECT_EQ(uint32_t(readSetting(keyPenColor, 0)), 0xFF000000u);
}

TEST_F(BridgeTest, ReloadFlushAndClosePassTheHandle) {
    ASSERT_TRUE(openSettings());
    hostClearJournal();
    reloadSettings();
    flushSettings();
    closeSettings();
    EXPECT_EQ(hostCallNames(), (std::vector<std::wstring>{L"WTW/Settings/Read", L"WTW/Settings/Write",
                                                          L"WTW/Settings/Destroy"}));
    const std::vector<JournalEntry>& calls = hostJournal();
    EXPECT_EQ(calls[0].wParam, 0x5E77);
    EXPECT_EQ(calls[0].lParam, 0);
    EXPECT_EQ(calls[1].wParam, 0x5E77);
    EXPECT_EQ(calls[1].lParam, 0);
    EXPECT_EQ(calls[2].wParam, 0x5E77);
    EXPECT_EQ(calls[2].lParam, int64_t(moduleHandle));
}

TEST_F(BridgeTest, FlushedSettingsSurviveANewHost) {
    ASSERT_TRUE(openSettings());
    writeSetting(keyDefaultQuality, 3);
    writeSetting(keyPenColor, int32_t(0xFF336699));
    flushSettings();
    writeSetting(keyPenWidth, 9);  // never flushed
    hostReset(config);
    hostTable = hostFunctionTable();
    ASSERT_TRUE(openSettings());
    EXPECT_EQ(readSetting(keyDefaultQuality, 0), 3);
    EXPECT_EQ(uint32_t(readSetting(keyPenColor, 0)), 0xFF336699u);
    EXPECT_EQ(readSetting(keyPenWidth, 1), 1);
}

TEST(SettingsWithoutHost, ReadGivesDefaultsAndWriteIsHarmless) {
    hostTable = nullptr;
    EXPECT_EQ(readSetting(keyPenWidth, 4), 4);
    writeSetting(keyPenWidth, 9);
    int32_t value = 0;
    EXPECT_FALSE(readStoredSetting(keyFullscreen, &value));
}
