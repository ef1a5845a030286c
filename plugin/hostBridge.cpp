// Log, host calls and per-network names over the host's function table.
#include "hostBridge.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

HostFunctionTable* hostTable = nullptr;

// _vsnwprintf keeps the platform's own rule that %s takes a wide text in a wide
// format; the ISO functions (which MinGW's libstdc++ switches to) read it as narrow.
static bool formatTextV(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
    if (capacity == 0)
        return false;
    int written = _vsnwprintf(buffer, capacity - 1, format, args);
    buffer[capacity - 1] = L'\0';
    return written >= 0;
}

bool formatText(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    bool fits = formatTextV(buffer, capacity, format, args);
    va_end(args);
    return fits;
}

void writeLog(HostFunctionTable* table, int level, const wchar_t* source, const wchar_t* format, ...) {
    if (!table || !table->callFunction)
        return;
    wchar_t message[logBufferUnits] = {};
    va_list args;
    va_start(args, format);
    formatTextV(message, logBufferUnits, format, args);
    va_end(args);
    LogRecord record = {};
    record.size = sizeof(LogRecord);
    record.level = level;
    record.source = source;
    record.message = message;
    table->callFunction(hostLog, int64_t(&record), 0);
}

int64_t callHost(const wchar_t* name, int64_t wParam, int64_t lParam) {
    if (!hostTable || !hostTable->callFunction)
        return 0;
    return hostTable->callFunction(name, wParam, lParam);
}

int64_t callHost(const wchar_t* name, const void* record, int64_t lParam) {
    return callHost(name, int64_t(record), lParam);
}

bool hostFunctionExists(const wchar_t* name) {
    if (!hostTable || !hostTable->functionExists)
        return false;
    return hostTable->functionExists(name) != 0;
}

bool formatNetFunctionName(wchar_t* buffer, size_t capacity, const ContactRecord& contact, const wchar_t* suffix) {
    const wchar_t* netClass = contact.netClass ? contact.netClass : L"";
    if (formatText(buffer, capacity, L"%s/%d/%s", netClass, contact.netId, suffix))
        return true;
    if (capacity > 0)
        buffer[0] = L'\0';
    return false;
}
