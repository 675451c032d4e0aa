// The four exports of an in-process COM server. Include this in exactly one source file of the
// DLL and name the DLL's module object (a CComModule) in TOL_COM_DLL_EXPORTS; export the
// functions through comsupport/com_dll.def (COMSUPPORT_DLL_DEF in CMake).
//
//     static const CComClassEntry kClasses[] = {
//         {&CLSID_Calc, &CComAggregatableCreator<CCalc>::CreateInstance, IDR_CALC,
//         ComFactoryKind::Normal},
//     };
//     CComModule g_module(kClasses, 1);
//     TOL_COM_DLL_EXPORTS(g_module, true)
//
// DllMain initialises the module on attach and ends it on detach (not at process exit);
// DllRegisterServer/DllUnregisterServer run the class scripts and, with the second argument
// true, (un)register the module's type library.
#pragma once

#include "com_module.h"

BOOL ComDllMain(CComModule& module, HINSTANCE instance, DWORD reason, LPVOID reserved);

#define TOL_COM_DLL_EXPORTS(module, withTypeLib)                                      \
    extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) \
    {                                                                                 \
        return ComDllMain(module, instance, reason, reserved);                        \
    }                                                                                 \
    STDAPI DllCanUnloadNow()                                                          \
    {                                                                                 \
        return (module).CanUnloadNow();                                               \
    }                                                                                 \
    STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv)                \
    {                                                                                 \
        return (module).GetClassObject(clsid, riid, ppv);                             \
    }                                                                                 \
    STDAPI DllRegisterServer()                                                        \
    {                                                                                 \
        return (module).RegisterServer(withTypeLib);                                  \
    }                                                                                 \
    STDAPI DllUnregisterServer()                                                      \
    {                                                                                 \
        return (module).UnregisterServer(withTypeLib);                                \
    }
