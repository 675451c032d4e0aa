// JudgeSnmp: the RESULT_SNMP values of one request, as a function of what the SNMP client
// reported.
//
//   the set-up, the send and the wait succeeded and the client recorded no error:
//       D64 elapsed ms, "New results are available.\n", status 0, the answered mark, and
//       the client's nested record of each identifier
//   anything else:
//       D64 0.0, the client's error text (null: "N/A"), status 3, the number of identifiers
//       the client parsed (0 when the set-up failed before), no nested records
#pragma once

// What the client reported about one request.
struct SnmpFigures {
    bool initialised = false;     // InitInst
    bool sent = false;            // SendRequest
    bool waited = false;          // wait: the completion came in time
    const char* error = nullptr;  // m_Error: null when the request succeeded
    double elapsedMs = 0.0;       // m_Elapsed
    unsigned int oidCount = 0;    // m_OidCount
    bool answered = false;        // the answered mark of the request's copy
};

struct SnmpVerdict {
    bool success = false;
    double elapsedMs = 0.0;
    const char* text = nullptr;  // borrowed from the figures or static; null: "N/A"
    unsigned int status = 3;
    unsigned int fifth = 0;  // answered mark, or the number of identifiers on failure
};

extern const char* const kSnmpNewResults;  // "New results are available.\n"

SnmpVerdict JudgeSnmp(const SnmpFigures& figures);
