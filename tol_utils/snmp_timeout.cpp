#include "snmp_timeout.h"

uint32_t SnmpTimeoutHundredths(unsigned int seconds)
{
    return (seconds > kSnmpLargestTimeoutSeconds ? kSnmpLargestTimeoutSeconds : seconds) * 100u;
}
