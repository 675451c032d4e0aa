// The texts of the SNMP client's failures: an agent's error status, and an error code of the
// Windows SNMP API (SnmpGetLastError). Unknown codes give "Unknown Error".
#pragma once

const char* SnmpPduErrorText(long errorStatus);
const char* SnmpApiErrorText(unsigned long code);
