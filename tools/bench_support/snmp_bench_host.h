// The command line of a benchmark that asks an SNMP agent, "<program> <host> [passes]", and the
// SNMP API bound and started for it (tol_utils.dll's init_snmp_lib and SnmpStartup).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "snmp_lib.h"

// False (after saying why) for a bad command line or an API that cannot be started.
inline bool StartSnmpBench(int argc, char** argv, const char* program, std::string* host,
                           int* passes)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s <host> [passes]\n", program);
        return false;
    }
    *host = argv[1];
    *passes = argc > 2 ? atoi(argv[2]) : 10;
    if (*passes <= 0)
        *passes = 10;
    if (!init_snmp_lib() ||
        libpo_SnmpStartup(nullptr, nullptr, nullptr, nullptr, nullptr) != SNMPAPI_SUCCESS) {
        fprintf(stderr, "the SNMP API cannot be started\n");
        return false;
    }
    return true;
}
