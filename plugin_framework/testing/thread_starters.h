// Thread starters for tests of the places that start a plug-in's threads (plugin_thread.h):
// LimitedThreadStarter starts the first ThreadStartsLeft() threads and then none, failing as
// CreateThread fails once the address space is used up (null, last error 8).
#pragma once

#include <windows.h>

#include <atomic>

#include "plugin_thread.h"

inline std::atomic<int>& ThreadStartsLeft()
{
    static std::atomic<int> left{0};
    return left;
}

inline HANDLE LimitedThreadStarter(LPTHREAD_START_ROUTINE procedure, void* argument)
{
    if (ThreadStartsLeft().fetch_sub(1) <= 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return StartPlugInThread(procedure, argument);
}
