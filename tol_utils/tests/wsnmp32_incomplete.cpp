// A wsnmp32.dll look-alike that lacks most of the API: init_snmp_lib must refuse it.
#include <windows.h>

extern "C" __declspec(dllexport) unsigned long WINAPI SnmpStartup(void*, void*, void*, void*, void*)
{
    return 1;
}

extern "C" __declspec(dllexport) unsigned long WINAPI SnmpCleanup()
{
    return 1;
}
