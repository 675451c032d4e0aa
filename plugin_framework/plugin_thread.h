// StartPlugInThread: how a plug-in starts the threads of its tests (a pass's request and
// reading threads, a scan's threads).
//
// A pass may run hundreds of these at once, each waiting on the network. With the default
// reservation of 2 MiB of stack each, a 32-bit agent runs out of address space after some 900
// of them, so each reserves kPlugInThreadStack only. The deepest stack such a thread reaches
// (WinINet, the SNMP client and the event-log calls included) is printed by `make bench`; the
// reservation leaves several times that as margin.
#pragma once

#include <windows.h>

constexpr SIZE_T kPlugInThreadStack = 256 * 1024;

// Creates a running thread; null, with the thread's last error set, when none was created.
// Tests give the places that start threads a starter of their own.
using PlugInThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE procedure, void* argument);

HANDLE StartPlugInThread(LPTHREAD_START_ROUTINE procedure, void* argument);
