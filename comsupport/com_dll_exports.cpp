#include "com_dll_exports.h"

BOOL ComDllMain(CComModule& module, HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        return SUCCEEDED(module.Init(instance));
    case DLL_PROCESS_DETACH:
        // At process exit other DLLs may be gone already: leave everything to the system.
        if (!reserved)
            module.Term();
        return TRUE;
    default:
        return TRUE;
    }
}
