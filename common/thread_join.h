// JoinStoppedThread: the end of a thread that watches a stop event.
#pragma once

#include <windows.h>

// Signals `stopEvent` and waits for `*thread`: `firstWaitMs`, then on without limit, since a
// thread is never ended by force (it may hold its owner's locks). Closes the handle and sets it
// to null; a null thread is left alone.
void JoinStoppedThread(HANDLE* thread, HANDLE stopEvent, DWORD firstWaitMs);
