// The checks of the arguments of Init and Add that every plug-in makes, each failure reported
// as E_FAIL with the error object of the plug-in's class and its text (plugin_texts.h).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "com_bstr.h"

// Init up to the plug-in's own start: szAuth must be a byte string that is not empty, and the
// handshake must accept it. S_OK with the protected command codes in `reply`; otherwise the
// failure: the system's text when the class identifier text cannot be made, `refusedText` when
// the handshake refuses.
HRESULT CheckInitRequest(REFCLSID clsid, const VARIANT& szAuth, const char* commandCodes,
                         const wchar_t* refusedText, CComBSTR* reply);

// Add's value must be a text that is not empty: S_OK with it in UTF-8 in `utf8Line` (freed
// with FreeHeapBlock).
HRESULT TakeNewValue(REFCLSID clsid, const VARIANT& szNewVal, char** utf8Line);
