// SnmpTest: one SNMP request test as the SPA and SPM lines define it.
#pragma once

#include <cstdint>
#include <string>

struct SnmpTest {
    int testId = 0;            // above 0
    int locationId = 0;        // copied into each result
    std::string host;          // empty: none
    std::string community;     // empty: none
    std::string oids;          // identifiers separated by ";"; empty: none
    std::string limits;        // "lower,upper" per identifier, separated by ";"; empty: none
    unsigned int port = 0;     // not 0
    unsigned int timeout = 0;  // seconds, not 0
    unsigned int retries = 0;  // not 0
    int version = 2;           // 1 SNMPv1, 2 SNMPv2c
    bool answered = false;     // a request of the test succeeded
    bool changed = false;      // added, not yet requested
};

// How long a request of the test waits for its answer: every try, each of the time-out,
// (retries + 1) x time-out x 1000 ms, held below INFINITE.
uint32_t SnmpWaitMs(const SnmpTest& test);

// A text field as the SNMP client takes it: null when empty.
inline const char* TextOrNull(const std::string& text)
{
    return text.empty() ? nullptr : text.c_str();
}

inline char* TextOrNull(std::string& text)
{
    return text.empty() ? nullptr : &text[0];
}
