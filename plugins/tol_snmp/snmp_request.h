// SnmpTest: one SNMP request test as the SPA and SPM lines define it, and what the test list
// (CTestList<SnmpTest>) does with it beyond its common rules.
#pragma once

#include <cstdint>
#include <string>

#include "test_list.h"

struct SnmpTest {
    int tid = 0;               // above 0
    int lid = 0;               // copied into each result
    std::string host;          // empty: none
    std::string community;     // empty: none
    std::string oids;          // identifiers separated by ";"; empty: none
    std::string limits;        // "lower,upper" per identifier, separated by ";"; empty: none
    unsigned int port = 0;     // not 0
    unsigned int timeout = 0;  // seconds, not 0
    unsigned int retries = 0;  // not 0
    int version = 2;           // 1 SNMPv1, 2 SNMPv2c
    bool answered = false;     // a request of the test succeeded
};

// A modify takes the line's fields and keeps the test's answered mark; it does not make the
// test new again, so the next timer pass requests it (no check-now pass).
template <>
struct CTestListHooks<SnmpTest> {
    static bool Accepts(const SnmpTest& test) { return test.tid > 0; }
    static bool TakesId(int tid)
    {
        (void)tid;
        return true;
    }
    static bool Modify(SnmpTest* entry, const SnmpTest& from)
    {
        bool answered = entry->answered;
        *entry = from;
        entry->answered = answered;
        return false;
    }
};

using SnmpTestList = CTestList<SnmpTest>;
using SnmpTestCopies = SnmpTestList::Tests;

// Copies of the tests one pass requests (the list's pass rule: a forced pass only the new
// ones); a copy starts without the answered mark.
SnmpTestCopies TakeRequestPass(SnmpTestList* tests, bool forced);

// Sets the answered mark of the test with the id; false when there is none.
bool MarkAnswered(SnmpTestList* tests, int tid);

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
