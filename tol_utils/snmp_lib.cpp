#include "snmp_lib.h"

#include <windows.h>

#define TOL_SNMP_LIB_DEFINE(name) PFN_##name libpo_##name = nullptr;
TOL_SNMP_LIB_FUNCTIONS(TOL_SNMP_LIB_DEFINE)
#undef TOL_SNMP_LIB_DEFINE

namespace {

SRWLOCK g_bindLock = SRWLOCK_INIT;
volatile LONG g_bound = 0;

// The entry points of one load, published only when all of them were found.
struct BoundApi {
#define TOL_SNMP_LIB_MEMBER(name) PFN_##name name = nullptr;
    TOL_SNMP_LIB_FUNCTIONS(TOL_SNMP_LIB_MEMBER)
#undef TOL_SNMP_LIB_MEMBER

    bool resolve(HMODULE module)
    {
        bool complete = true;
#define TOL_SNMP_LIB_RESOLVE(name)                                                               \
    name = reinterpret_cast<PFN_##name>(reinterpret_cast<void*>(GetProcAddress(module, #name))); \
    complete = complete && name != nullptr;
        TOL_SNMP_LIB_FUNCTIONS(TOL_SNMP_LIB_RESOLVE)
#undef TOL_SNMP_LIB_RESOLVE
        return complete;
    }

    void publish() const
    {
#define TOL_SNMP_LIB_PUBLISH(name) libpo_##name = name;
        TOL_SNMP_LIB_FUNCTIONS(TOL_SNMP_LIB_PUBLISH)
#undef TOL_SNMP_LIB_PUBLISH
    }
};

}  // namespace

bool SnmpLibBound()
{
    return InterlockedCompareExchange(&g_bound, 0, 0) != 0;
}

int init_snmp_lib()
{
    AcquireSRWLockExclusive(&g_bindLock);
    if (!SnmpLibBound()) {
        // The module stays loaded for the rest of the process once bound.
        HMODULE module = LoadLibraryA("Wsnmp32.dll");
        BoundApi api;
        if (module && api.resolve(module)) {
            api.publish();
            InterlockedExchange(&g_bound, 1);
        } else if (module) {
            FreeLibrary(module);
        }
    }
    ReleaseSRWLockExclusive(&g_bindLock);
    return SnmpLibBound() ? 1 : 0;
}
