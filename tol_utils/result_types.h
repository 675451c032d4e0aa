// Type numbers of top-level result records (the first UI32 value of every record).
#pragma once

enum ResultTypeCode : unsigned int {
    RESULT_NET_ADAPTER = 38,
    RESULT_ADAPTER_LIST = 39,
    RESULT_SCAN = 40,
    RESULT_DISCOVERY = 41,
    RESULT_PROCESS_LIST = 42,
    RESULT_PROCESS = 43,
    RESULT_CPU = 44,
    RESULT_DISK_LIST = 45,
    RESULT_DISK = 46,
    RESULT_MEMORY = 47,
    RESULT_ICMP = 48,
    RESULT_HTTP = 49,
    RESULT_EVENT_LOG = 50,
    RESULT_SNMP = 57,
    RESULT_SNMP_TRAP = 61,
    RESULT_LOAD_AVERAGE = 66,
};
