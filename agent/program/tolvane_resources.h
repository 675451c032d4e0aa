// Resource identifiers of Tolvane.exe.
#pragma once

// Strings.
#define IDS_SERVICENAME 100
#define IDS_SERVICEDESCRIPTION 101

// Registry scripts.
#define IDR_TOLVANE_APPID 100
#define IDR_QUORINAGENT 101
