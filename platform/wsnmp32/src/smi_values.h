// Conversion between the SMI structures of the API boundary and the DLL's own values.
// Memory handed to the caller is a process-heap block that SnmpFreeDescriptor releases.
#pragma once

#include "snmp_types.h"
#include "winsnmp_api.h"

namespace wsnmp {

// False with an API error code when the structure is not a usable identifier.
bool OidFromSmi(smiLPCOID in, Oid& out, uint32_t& error);
bool ValueFromSmi(smiLPCVALUE in, Value& out, uint32_t& error);

// False (SNMPAPI_ALLOC_ERROR) when memory runs out; then nothing stays allocated.
bool OidToSmi(const Oid& in, smiOID& out);
bool ValueToSmi(const Value& in, smiVALUE& out);

void* AllocDescriptor(size_t bytes);
void FreeDescriptorMemory(void* p);

}  // namespace wsnmp
