// Settings over the host's store: one file of the plug-in's own that the host
// names, opened at load, reloaded when the editor opens, flushed when it closes.
#include "settings.h"

#include <cstdlib>

#include "hostBridge.h"
#include "pluginFrame.h"

uint64_t settingsHandle = 0;

constexpr uint32_t configPathUnits = 261;

bool openSettings() {
    // With no host to call, callHost answers 0 for hostSettingsInitEx too,
    // which would read as an open store.
    if (!hostTable || !hostTable->callFunction) {
        writeLog(hostTable, logLevel, logSource, L"Could not load settings");
        return false;
    }
    auto* path = static_cast<wchar_t*>(std::calloc(configPathUnits, sizeof(wchar_t)));
    if (!path)
        return false;
    ConfigFileRecord record = {};
    record.size = sizeof(ConfigFileRecord);
    record.pathBuffer = path;
    record.capacity = configPathUnits;
    callHost(hostSettingsGetMyConfigFile, &record, int64_t(moduleHandle));
    int64_t result = callHost(hostSettingsInitEx, path, int64_t(&settingsHandle));
    std::free(path);
    if (result != 0) {
        writeLog(hostTable, logLevel, logSource, L"Could not load settings");
        return false;
    }
    return true;
}

static SettingRecord settingRecord(const wchar_t* key) {
    SettingRecord record = {};
    record.size = sizeof(SettingRecord);
    record.key = key;
    record.valueType = 1;
    record.settingsHandle = settingsHandle;
    return record;
}

bool readStoredSetting(const wchar_t* key, int32_t* value) {
    SettingRecord record = settingRecord(key);
    if (callHost(hostSettingsGet, &record) == 0)
        return false;
    *value = int32_t(uint32_t(uint64_t(record.value)));
    return true;
}

int32_t readSetting(const wchar_t* key, int32_t fallback) {
    int32_t value = fallback;
    readStoredSetting(key, &value);
    return value;
}

void writeSetting(const wchar_t* key, int32_t value) {
    SettingRecord record = settingRecord(key);
    record.value = value;  // sign-extended, as the host keeps 64-bit values
    callHost(hostSettingsSet, &record);
}

void reloadSettings() {
    callHost(hostSettingsRead, int64_t(settingsHandle), 0);
}

void flushSettings() {
    callHost(hostSettingsWrite, int64_t(settingsHandle), 0);
}

void closeSettings() {
    callHost(hostSettingsDestroy, int64_t(settingsHandle), int64_t(moduleHandle));
}
