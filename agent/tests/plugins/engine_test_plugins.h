// engine_test_plugins.dll: plug-ins for the work engine's tests, each registered under the
// agent's Plug-Ins key. What every object was asked goes into one journal in the DLL that the
// tests read through the exports below.
#pragma once

#include <windows.h>

// {1A000001-7E57-4A6E-8000-00000000E001} .. E004: registry order is the order below.
#define ENGINE_TEST_CLSID_INIT_FAILS L"{1A000001-7E57-4A6E-8000-00000000E001}"
#define ENGINE_TEST_CLSID_DECLINER L"{1A000002-7E57-4A6E-8000-00000000E002}"
#define ENGINE_TEST_CLSID_RECORDER L"{1A000003-7E57-4A6E-8000-00000000E003}"
#define ENGINE_TEST_CLSID_FOREIGN L"{1A000004-7E57-4A6E-8000-00000000E004}"

extern "C" {
// The journal, one entry a line ("recorder: Add REC\t1"), into the buffer; the characters needed.
typedef DWORD (*EngineTestJournalFn)(wchar_t* buffer, DWORD chars);
typedef void (*EngineTestClearFn)();
// Live plug-in objects of the DLL.
typedef long (*EngineTestLiveObjectsFn)();
// The live recorder fires OnNewData(srcID, text) from a thread of its own and waits for it;
// srcID goes as VT_UI4 when asUnsigned, else as VT_I4. False when no recorder lives.
typedef BOOL (*EngineTestFireFn)(long srcId, BOOL asUnsigned, const wchar_t* text);
// The live recorder keeps its sinks (a reference each) beyond Unadvise, as a plug-in thread
// that still fires would; FireHeld fires into them, ReleaseHeld lets them go.
typedef BOOL (*EngineTestHoldSinksFn)();
typedef void (*EngineTestFireHeldFn)(const wchar_t* text);
typedef void (*EngineTestReleaseHeldFn)();
}
