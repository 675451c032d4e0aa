#include "next_ip_address.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// a.b.c.d in network order: the first octet in the lowest byte.
long Address(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return static_cast<long>(a | (b << 8) | (c << 16) | (d << 24));
}

std::string Dotted(long address)
{
    uint32_t v = static_cast<uint32_t>(address);
    char text[16];
    snprintf(text, sizeof(text), "%u.%u.%u.%u", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF,
             v >> 24);
    return text;
}

TEST(nextipaddress, StepsAcrossOctetBoundaries)
{
    struct Case {
        long from;
        const char* next;
    };
    const Case cases[] = {
        {Address(10, 0, 0, 1), "10.0.0.2"},
        {Address(10, 0, 0, 254), "10.0.0.255"},
        {Address(10, 0, 0, 255), "10.0.1.1"},
        {Address(10, 0, 254, 255), "10.0.255.1"},
        {Address(10, 0, 255, 255), "10.1.0.1"},
        {Address(10, 255, 255, 255), "11.0.0.1"},
        {Address(192, 168, 1, 127), "192.168.1.128"},
        {Address(192, 168, 1, 0), "192.168.1.1"},
        {Address(0, 0, 0, 0), "0.0.0.1"},
        {Address(255, 255, 255, 254), "255.255.255.255"},
        {Address(255, 255, 255, 255), "0.0.0.1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Dotted(nextipaddress(c.from)), c.next) << "from " << Dotted(c.from);
}

}  // namespace
