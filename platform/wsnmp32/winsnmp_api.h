// The Windows SNMP API (WinSNMP 2.0) as wsnmp32.dll exports it: handle types, SMI data
// structures, constants and the stdcall entry points, for callers that bind the DLL at run
// time (typedefs of the function types below) or link it directly.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef WSNMP32_BUILDING
#define WSNMP32_API
#else
#define WSNMP32_API DECLSPEC_IMPORT
#endif

// Handles. Each names one object owned by a session; 0 is never a valid handle.
typedef HANDLE HSNMP_SESSION, *LPHSNMP_SESSION;
typedef HANDLE HSNMP_ENTITY, *LPHSNMP_ENTITY;
typedef HANDLE HSNMP_CONTEXT, *LPHSNMP_CONTEXT;
typedef HANDLE HSNMP_PDU, *LPHSNMP_PDU;
typedef HANDLE HSNMP_VBL, *LPHSNMP_VBL;

// SMI scalar types (a long is 32 bits on every Windows ABI).
typedef unsigned char smiBYTE, *smiLPBYTE;
typedef signed long smiINT, *smiLPINT;
typedef smiINT smiINT32, *smiLPINT32;
typedef unsigned long smiUINT32, *smiLPUINT32;
typedef smiUINT32 smiCNTR32, *smiLPCNTR32;
typedef smiUINT32 smiGAUGE32, *smiLPGAUGE32;
typedef smiUINT32 smiTIMETICKS, *smiLPTIMETICKS;

typedef struct {
    smiUINT32 len;
    smiLPBYTE ptr;
} smiOCTETS, *smiLPOCTETS;
typedef const smiOCTETS* smiLPCOCTETS;
typedef smiOCTETS smiBITS, *smiLPBITS;
typedef smiOCTETS smiIPADDR, *smiLPIPADDR;
typedef smiOCTETS smiOPAQUE, *smiLPOPAQUE;
typedef smiOCTETS smiNSAPADDR, *smiLPNSAPADDR;

typedef struct {
    smiUINT32 len;
    smiLPUINT32 ptr;
} smiOID, *smiLPOID;
typedef const smiOID* smiLPCOID;

typedef struct {
    smiUINT32 hipart;
    smiUINT32 lopart;
} smiCNTR64, *smiLPCNTR64;

typedef struct {
    smiUINT32 syntax;
    union {
        smiINT sNumber;     // INT
        smiUINT32 uNumber;  // CNTR32, GAUGE32, TIMETICKS, UINT32
        smiCNTR64 hNumber;  // CNTR64
        smiOCTETS string;   // OCTETS, BITS, IPADDR, OPAQUE, NSAPADDR
        smiOID oid;         // OID
        smiBYTE empty;      // NULL, NOSUCHOBJECT, NOSUCHINSTANCE, ENDOFMIBVIEW
    } value;
} smiVALUE, *smiLPVALUE;
typedef const smiVALUE* smiLPCVALUE;

typedef smiUINT32 SNMPAPI_STATUS;

// Notification callback of a session: wParam 0 means a message is waiting (lParam: its
// request id); otherwise wParam is an error code such as SNMPAPI_TL_TIMEOUT and lParam the
// request id it concerns.
typedef SNMPAPI_STATUS(CALLBACK* SNMPAPI_CALLBACK)(HSNMP_SESSION hSession, HWND hWnd, UINT wMsg,
                                                   WPARAM wParam, LPARAM lParam,
                                                   LPVOID lpClientData);

// Limits of object identifiers.
#define MAXOBJIDSIZE 128
#define MAXOBJIDSTRSIZE 1408

// Results.
#define SNMPAPI_FAILURE 0
#define SNMPAPI_SUCCESS 1

// Error codes of SnmpGetLastError.
#define SNMPAPI_ALLOC_ERROR 2
#define SNMPAPI_CONTEXT_INVALID 3
#define SNMPAPI_CONTEXT_UNKNOWN 4
#define SNMPAPI_ENTITY_INVALID 5
#define SNMPAPI_ENTITY_UNKNOWN 6
#define SNMPAPI_INDEX_INVALID 7
#define SNMPAPI_NOOP 8
#define SNMPAPI_OID_INVALID 9
#define SNMPAPI_OPERATION_INVALID 10
#define SNMPAPI_OUTPUT_TRUNCATED 11
#define SNMPAPI_PDU_INVALID 12
#define SNMPAPI_SESSION_INVALID 13
#define SNMPAPI_SYNTAX_INVALID 14
#define SNMPAPI_VBL_INVALID 15
#define SNMPAPI_MODE_INVALID 16
#define SNMPAPI_SIZE_INVALID 17
#define SNMPAPI_NOT_INITIALIZED 18
#define SNMPAPI_MESSAGE_INVALID 19
#define SNMPAPI_HWND_INVALID 20
#define SNMPAPI_OTHER_ERROR 99
#define SNMPAPI_TL_NOT_INITIALIZED 100
#define SNMPAPI_TL_NOT_SUPPORTED 101
#define SNMPAPI_TL_NOT_AVAILABLE 102
#define SNMPAPI_TL_RESOURCE_ERROR 103
#define SNMPAPI_TL_UNDELIVERABLE 104
#define SNMPAPI_TL_SRC_INVALID 105
#define SNMPAPI_TL_INVALID_PARAM 106
#define SNMPAPI_TL_IN_USE 107
#define SNMPAPI_TL_TIMEOUT 108
#define SNMPAPI_TL_PDU_TOO_BIG 109
#define SNMPAPI_TL_OTHER 199

// Translate modes: entity and context texts are literal IPv4 addresses and community strings
// in the two untranslated modes, which also choose the SNMP version of an entity made while
// the mode is in force (V1: SNMPv1, V2: SNMPv2c). There is no database of friendly names:
// the translated mode reads texts the same way and makes SNMPv1 entities.
#define SNMPAPI_TRANSLATED 0
#define SNMPAPI_UNTRANSLATED_V1 1
#define SNMPAPI_UNTRANSLATED_V2 2

// Support levels reported by SnmpStartup.
#define SNMPAPI_NO_SUPPORT 0
#define SNMPAPI_V1_SUPPORT 1
#define SNMPAPI_V2_SUPPORT 2
#define SNMPAPI_M2M_SUPPORT 3

// Retransmit mode and registration state.
#define SNMPAPI_OFF 0
#define SNMPAPI_ON 1

// PDU types.
#define SNMP_PDU_GET 0xA0
#define SNMP_PDU_GETNEXT 0xA1
#define SNMP_PDU_RESPONSE 0xA2
#define SNMP_PDU_SET 0xA3
#define SNMP_PDU_V1TRAP 0xA4
#define SNMP_PDU_GETBULK 0xA5
#define SNMP_PDU_INFORM 0xA6
#define SNMP_PDU_TRAP 0xA7

// Value syntaxes (the BER tags of the values).
#define SNMP_SYNTAX_INT 0x02
#define SNMP_SYNTAX_BITS 0x03
#define SNMP_SYNTAX_OCTETS 0x04
#define SNMP_SYNTAX_NULL 0x05
#define SNMP_SYNTAX_OID 0x06
#define SNMP_SYNTAX_INT32 SNMP_SYNTAX_INT
#define SNMP_SYNTAX_IPADDR 0x40
#define SNMP_SYNTAX_CNTR32 0x41
#define SNMP_SYNTAX_GAUGE32 0x42
#define SNMP_SYNTAX_TIMETICKS 0x43
#define SNMP_SYNTAX_OPAQUE 0x44
#define SNMP_SYNTAX_NSAPADDR 0x45
#define SNMP_SYNTAX_CNTR64 0x46
#define SNMP_SYNTAX_UINT32 0x47
#define SNMP_SYNTAX_NOSUCHOBJECT 0x80
#define SNMP_SYNTAX_NOSUCHINSTANCE 0x81
#define SNMP_SYNTAX_ENDOFMIBVIEW 0x82

// Error status values of a response PDU.
#define SNMP_ERROR_NOERROR 0
#define SNMP_ERROR_TOOBIG 1
#define SNMP_ERROR_NOSUCHNAME 2
#define SNMP_ERROR_BADVALUE 3
#define SNMP_ERROR_READONLY 4
#define SNMP_ERROR_GENERR 5
#define SNMP_ERROR_NOACCESS 6
#define SNMP_ERROR_WRONGTYPE 7
#define SNMP_ERROR_WRONGLENGTH 8
#define SNMP_ERROR_WRONGENCODING 9
#define SNMP_ERROR_WRONGVALUE 10
#define SNMP_ERROR_NOCREATION 11
#define SNMP_ERROR_INCONSISTENTVALUE 12
#define SNMP_ERROR_RESOURCEUNAVAILABLE 13
#define SNMP_ERROR_COMMITFAILED 14
#define SNMP_ERROR_UNDOFAILED 15
#define SNMP_ERROR_AUTHORIZATIONERROR 16
#define SNMP_ERROR_NOTWRITABLE 17
#define SNMP_ERROR_INCONSISTENTNAME 18

// Trap and inform reception (SnmpRegister): a session registers for the notifications that
// reach the destination entity's address and port, or UDP port 162 on every local address
// when no destination entity is given (the environment variable WSNMP32_TRAP_PORT moves that
// default port on test beds). Answering an inform is the application's job: a response PDU
// sent with the received destination entity as its source entity leaves from the port the
// inform arrived at. SNMPv1 traps are handed over as SNMPv2 traps: sysUpTime.0, snmpTrapOID.0
// (generic trap n as snmpTraps.(n+1), an enterprise-specific one as enterprise.0.specific),
// the trap's own bindings and, for generic traps, snmpTrapEnterprise.0.

// Entry points. Each has a pointer type of the same name with the prefix PFN_ for callers
// that bind the DLL with GetProcAddress.
#define WSNMP32_FUNCTIONS(X)                                                                      \
    X(SNMPAPI_STATUS, SnmpStartup,                                                                \
      (smiLPUINT32 nMajorVersion, smiLPUINT32 nMinorVersion, smiLPUINT32 nLevel,                  \
       smiLPUINT32 nTranslateMode, smiLPUINT32 nRetransmitMode))                                  \
    X(SNMPAPI_STATUS, SnmpCleanup, (void))                                                        \
    X(SNMPAPI_STATUS, SnmpGetTranslateMode, (smiLPUINT32 nTranslateMode))                         \
    X(SNMPAPI_STATUS, SnmpSetTranslateMode, (smiUINT32 nTranslateMode))                           \
    X(SNMPAPI_STATUS, SnmpGetRetransmitMode, (smiLPUINT32 nRetransmitMode))                       \
    X(SNMPAPI_STATUS, SnmpSetRetransmitMode, (smiUINT32 nRetransmitMode))                         \
    X(SNMPAPI_STATUS, SnmpGetLastError, (HSNMP_SESSION session))                                  \
    X(HSNMP_SESSION, SnmpCreateSession,                                                           \
      (HWND hWnd, UINT wMsg, SNMPAPI_CALLBACK fCallBack, LPVOID lpClientData))                    \
    X(SNMPAPI_STATUS, SnmpClose, (HSNMP_SESSION session))                                         \
    X(HSNMP_ENTITY, SnmpStrToEntity, (HSNMP_SESSION session, LPCSTR string))                      \
    X(SNMPAPI_STATUS, SnmpEntityToStr, (HSNMP_ENTITY entity, smiUINT32 size, LPSTR string))       \
    X(SNMPAPI_STATUS, SnmpFreeEntity, (HSNMP_ENTITY entity))                                      \
    X(SNMPAPI_STATUS, SnmpSetPort, (HSNMP_ENTITY hEntity, UINT nPort))                            \
    X(SNMPAPI_STATUS, SnmpGetTimeout,                                                             \
      (HSNMP_ENTITY hEntity, smiLPTIMETICKS nPolicyTimeout, smiLPTIMETICKS nActualTimeout))       \
    X(SNMPAPI_STATUS, SnmpSetTimeout, (HSNMP_ENTITY hEntity, smiTIMETICKS nPolicyTimeout))        \
    X(SNMPAPI_STATUS, SnmpGetRetry,                                                               \
      (HSNMP_ENTITY hEntity, smiLPUINT32 nPolicyRetry, smiLPUINT32 nActualRetry))                 \
    X(SNMPAPI_STATUS, SnmpSetRetry, (HSNMP_ENTITY hEntity, smiUINT32 nPolicyRetry))               \
    X(HSNMP_CONTEXT, SnmpStrToContext, (HSNMP_SESSION session, smiLPCOCTETS string))              \
    X(SNMPAPI_STATUS, SnmpContextToStr, (HSNMP_CONTEXT context, smiLPOCTETS string))              \
    X(SNMPAPI_STATUS, SnmpFreeContext, (HSNMP_CONTEXT context))                                   \
    X(SNMPAPI_STATUS, SnmpStrToOid, (LPCSTR string, smiLPOID dstOID))                             \
    X(SNMPAPI_STATUS, SnmpOidToStr, (smiLPCOID srcOID, smiUINT32 size, LPSTR string))             \
    X(SNMPAPI_STATUS, SnmpOidCopy, (smiLPOID srcOID, smiLPOID dstOID))                            \
    X(SNMPAPI_STATUS, SnmpOidCompare,                                                             \
      (smiLPCOID xOID, smiLPCOID yOID, smiUINT32 maxlen, smiLPINT result))                        \
    X(SNMPAPI_STATUS, SnmpFreeDescriptor, (smiUINT32 syntax, smiLPOPAQUE descriptor))             \
    X(HSNMP_VBL, SnmpCreateVbl, (HSNMP_SESSION session, smiLPCOID name, smiLPCVALUE value))       \
    X(SNMPAPI_STATUS, SnmpSetVb,                                                                  \
      (HSNMP_VBL vbl, smiUINT32 index, smiLPCOID name, smiLPCVALUE value))                        \
    X(SNMPAPI_STATUS, SnmpGetVb,                                                                  \
      (HSNMP_VBL vbl, smiUINT32 index, smiLPOID name, smiLPVALUE value))                          \
    X(SNMPAPI_STATUS, SnmpCountVbl, (HSNMP_VBL vbl))                                              \
    X(SNMPAPI_STATUS, SnmpFreeVbl, (HSNMP_VBL vbl))                                               \
    X(HSNMP_PDU, SnmpCreatePdu,                                                                   \
      (HSNMP_SESSION session, smiINT PDU_type, smiINT32 request_id, smiINT error_status,          \
       smiINT error_index, HSNMP_VBL varbindlist))                                                \
    X(SNMPAPI_STATUS, SnmpGetPduData,                                                             \
      (HSNMP_PDU PDU, smiLPINT PDU_type, smiLPINT32 request_id, smiLPINT error_status,            \
       smiLPINT error_index, LPHSNMP_VBL varbindlist))                                            \
    X(SNMPAPI_STATUS, SnmpSetPduData,                                                             \
      (HSNMP_PDU PDU, const smiINT* PDU_type, const smiINT32* request_id,                         \
       const smiINT* non_repeaters, const smiINT* max_repetitions, const HSNMP_VBL* varbindlist)) \
    X(SNMPAPI_STATUS, SnmpFreePdu, (HSNMP_PDU PDU))                                               \
    X(SNMPAPI_STATUS, SnmpSendMsg,                                                                \
      (HSNMP_SESSION session, HSNMP_ENTITY srcEntity, HSNMP_ENTITY dstEntity,                     \
       HSNMP_CONTEXT context, HSNMP_PDU PDU))                                                     \
    X(SNMPAPI_STATUS, SnmpRecvMsg,                                                                \
      (HSNMP_SESSION session, LPHSNMP_ENTITY srcEntity, LPHSNMP_ENTITY dstEntity,                 \
       LPHSNMP_CONTEXT context, LPHSNMP_PDU PDU))                                                 \
    X(SNMPAPI_STATUS, SnmpCancelMsg, (HSNMP_SESSION session, smiINT32 reqId))                     \
    X(SNMPAPI_STATUS, SnmpRegister,                                                               \
      (HSNMP_SESSION session, HSNMP_ENTITY srcEntity, HSNMP_ENTITY dstEntity,                     \
       HSNMP_CONTEXT context, smiLPCOID notification, smiUINT32 state))

#define WSNMP32_DECLARE(ret, name, args) \
    WSNMP32_API ret WINAPI name args;    \
    typedef ret(WINAPI* PFN_##name) args;
WSNMP32_FUNCTIONS(WSNMP32_DECLARE)
#undef WSNMP32_DECLARE

#ifdef __cplusplus
}
#endif
