// ReplaceImports: points a loaded module's imports of some functions of one DLL at other
// functions, in the module's import address table only. The module's code and file stay as
// they are; other modules keep calling the real functions.
#pragma once

#include <windows.h>

struct ImportReplacement {
    const char* name;  // the imported function's name
    void* function;    // what the module calls in its place
};

// The number of import slots replaced (a function imported twice counts twice).
int ReplaceImports(HMODULE module, const char* dllName, const ImportReplacement* replacements,
                   int count);
