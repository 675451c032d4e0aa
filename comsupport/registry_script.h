// Registry scripts: the registration a COM server writes, kept as text (usually a REGISTRY
// resource of the module) and run forwards to register or backwards to unregister.
//
// One statement per line; '#' starts a comment line; tokens are separated by blanks and a token
// holding blanks is written in double quotes (a doubled "" stands for one quote). Paths begin
// with a root: HKCR, HKLM, HKCU or HKU. %NAME% is replaced by the value of the replacement NAME
// (%% is one %); an unknown name fails the whole script.
//
//   key   PATH [= "text"]        create the key (or open it), set its default value when given;
//                                unregistration deletes the key with everything below it
//   fresh PATH [= "text"]        as key, but an existing key is deleted first (made afresh)
//   keep  PATH [= "text"]        as key, but unregistration leaves the key in place
//   value PATH NAME = "text"     a REG_SZ value
//   value PATH NAME = dword:N    a REG_DWORD value (decimal, or hexadecimal with 0x)
//                                unregistration deletes the value when its key is still there
//
// Keys on the way to a path that no statement names are created when needed and never deleted:
// unregistration removes what the script added and leaves its parents.
//
// Registering runs the statements in order; unregistering runs them in reverse. A per-user run
// maps HKCR to HKCU\Software\Classes.
#pragma once

#include <windows.h>

struct CRegistryReplacement {
    const wchar_t* name;  // without the % signs
    const wchar_t* value;
};

// Checks the script's syntax without touching the registry (S_OK or E_INVALIDARG).
HRESULT ParseRegistryScript(const wchar_t* script, const CRegistryReplacement* replacements,
                            size_t count);

HRESULT RunRegistryScript(const wchar_t* script, const CRegistryReplacement* replacements,
                          size_t count, bool doRegister, bool perUser = false);

// The script kept as resource `id` of type "REGISTRY" in `module` (UTF-8 text, BOM allowed).
HRESULT RunRegistryScriptResource(HMODULE module, UINT id, const CRegistryReplacement* replacements,
                                  size_t count, bool doRegister, bool perUser = false);
