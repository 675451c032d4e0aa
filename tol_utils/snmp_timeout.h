// The time-out of an SNMP request as the Windows SNMP API takes it: hundredths of a second in
// 32 bits. A time-out in seconds beyond kSnmpLargestTimeoutSeconds is taken as that many, so
// that neither the hundredths nor the milliseconds an implementation may count in wrap around
// (4,294,967 s, a little under 50 days).
#pragma once

#include <cstdint>

constexpr uint32_t kSnmpLargestTimeoutSeconds = 4294967;

uint32_t SnmpTimeoutHundredths(unsigned int seconds);
