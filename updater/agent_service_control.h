// The agent's service "Tolvane Quorin Agent" as the Updater handles it.
#pragma once

#include <windows.h>

// The service is looked for this many times, this many milliseconds apart.
constexpr int kServiceOpenTries = 99;
constexpr DWORD kServicePause = 500;

// Stops the service and deletes it once stopped. True also when it is not installed or did
// not stop in time; false when the service control manager cannot be opened, the stop
// request fails or the status cannot be read.
bool StopAndDeleteAgentService();
// Waits for the service to be registered again (99 tries, 500 ms apart) and starts it: the
// Updater's exit code, 0 when the service was started (or already runs).
int StartAgentService();
