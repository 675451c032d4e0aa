// Texts the agent holds as UTF-8 (server lines, registration, proxy), widened for COM.
#pragma once

#include <windows.h>
#include <oleauto.h>

// A BSTR of the UTF-8 text; null for a null text.
BSTR Utf8ToBstr(const char* text);
