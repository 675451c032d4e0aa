#include "next_ip_address.h"

#include <cstdint>

long nextipaddress(long address)
{
    uint32_t value = static_cast<uint32_t>(address);
    uint32_t a = value & 0xFF;
    uint32_t b = (value >> 8) & 0xFF;
    uint32_t c = (value >> 16) & 0xFF;
    uint32_t d = (value >> 24) & 0xFF;
    if (d < 255) {
        ++d;
    } else {
        d = 1;
        if (c < 255) {
            ++c;
        } else {
            c = 0;
            if (b < 255) {
                ++b;
            } else {
                b = 0;
                a = a < 255 ? a + 1 : 0;
            }
        }
    }
    return static_cast<long>(a | (b << 8) | (c << 16) | (d << 24));
}
