#include "plugin_thread.h"

HANDLE StartPlugInThread(LPTHREAD_START_ROUTINE procedure, void* argument)
{
    return CreateThread(nullptr, kPlugInThreadStack, procedure, argument,
                        STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
}
