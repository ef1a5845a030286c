// Patching a loaded module's import table: replace one imported function, and
// list the DLLs a module imports.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Replaces the module's import of function from dll; answers the original.
void* patchImport(HMODULE module, const char* dll, const char* function, void* replacement);
// The names of the DLLs a loaded module imports.
std::vector<std::string> importedDlls(HMODULE module);
