// The plug-in's side of the host: the held function table, the log, and the
// per-network function names. Everything that talks to the host goes through here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hostApi.h"

// Held from the start of pluginLoad for the life of the library.
extern HostFunctionTable* hostTable;

constexpr int logLevel = -1;
constexpr const wchar_t* logSource = L"IMG";
constexpr size_t logBufferUnits = 2048;

void writeLog(HostFunctionTable* table, int level, const wchar_t* source, const wchar_t* format, ...);

// callFunction through the held table; 0 when no table is held.
int64_t callHost(const wchar_t* name, int64_t wParam, int64_t lParam);
int64_t callHost(const wchar_t* name, const void* record, int64_t lParam = 0);
bool hostFunctionExists(const wchar_t* name);

// "<netClass>/<netId>/<suffix>" into buffer; a null netClass counts as empty.
// False, with an empty buffer, when the name does not fit.
bool formatNetFunctionName(wchar_t* buffer, size_t capacity, const ContactRecord& contact, const wchar_t* suffix);

// Bounded wide formatting with the Windows meaning of %s (a wide text) on every
// compiler. False when the text was cut; the buffer is always terminated.
bool formatText(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);
