// init_snmp_lib: binds the Windows SNMP API (Wsnmp32.dll) at run time into the libpo_Snmp*
// pointers below, through which every SNMP call of the agent and its plug-ins is made.
//
// Binding does not start the API: a plug-in that binds it calls libpo_SnmpStartup after a
// successful bind and libpo_SnmpCleanup at its end. The pointers are process-wide, shared by
// every module that loads tol_utils, and stay null until the whole API has been bound.
#pragma once

#include "tol_utils_api.h"

#include "winsnmp_api.h"

// clang-format off
// The bound entry points, in binding order.
#define TOL_SNMP_LIB_FUNCTIONS(X)                                                         \
    X(SnmpGetTranslateMode) X(SnmpStartup) X(SnmpCleanup) X(SnmpFreeDescriptor)           \
    X(SnmpGetLastError) X(SnmpSetTranslateMode) X(SnmpGetRetransmitMode)                  \
    X(SnmpSetRetransmitMode) X(SnmpCreateSession) X(SnmpStrToEntity) X(SnmpSetPort)      \
    X(SnmpSetTimeout) X(SnmpSetRetry) X(SnmpStrToContext) X(SnmpStrToOid) X(SnmpRecvMsg)  \
    X(SnmpGetPduData) X(SnmpCountVbl) X(SnmpEntityToStr) X(SnmpContextToStr) X(SnmpGetVb) \
    X(SnmpOidToStr) X(SnmpCreateVbl) X(SnmpSetVb) X(SnmpCreatePdu) X(SnmpSendMsg)         \
    X(SnmpCancelMsg) X(SnmpRegister) X(SnmpFreeEntity) X(SnmpFreeContext) X(SnmpFreeVbl)  \
    X(SnmpFreePdu) X(SnmpClose)
// clang-format on

#define TOL_SNMP_LIB_DECLARE(name) extern "C" TOL_UTILS_API PFN_##name libpo_##name;
TOL_SNMP_LIB_FUNCTIONS(TOL_SNMP_LIB_DECLARE)
#undef TOL_SNMP_LIB_DECLARE

// Loads "Wsnmp32.dll" and binds the pointers: 1, or 0 when the library cannot be loaded or
// an entry point is missing (the library is then freed again and nothing is bound). Safe to
// call from several threads and more than once; a bound API stays bound.
extern "C" TOL_UTILS_API int init_snmp_lib();

// True once init_snmp_lib has bound every pointer.
bool SnmpLibBound();
