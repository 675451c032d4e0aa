// The account of an event record: its name, domain and kind from the local machine's lookup,
// and its SID in text form.
#pragma once

#include <windows.h>

#include <string>

struct EventAccount {
    std::wstring name;  // empty: not known
    std::wstring domain;
    std::string sidText;  // "S-1-5-18"; empty: not known
    unsigned sidUse = 0;  // the lookup's SID_NAME_USE; 0 when there is none
};

// Looks the SID up with LookupAccountSidW on the local machine. A null or invalid SID, or a
// failed lookup, leaves everything empty and the use 0.
EventAccount LookupEventAccount(const BYTE* sid, DWORD sidLength);

// The SID as text ("S-1-5-18"), UTF-8 on the process heap (freed with FreeHeapBlock); null
// for an invalid SID.
char* SidToText(PSID sid);
