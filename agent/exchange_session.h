// The session as one exchange with the server sees it: taken once as the exchange begins and
// used for its send block, its request headers and its outcome, so that a registration, a
// stop or a start of work in the meantime cannot mix two sessions in one exchange.
#pragma once

#include "heap_helpers.h"

struct ExchangeSession {
    bool authorized = false;              // a send of the session; else a login
    unsigned long sessionEpoch = 0;       // the engine's session view at the start
    unsigned long registrationEpoch = 0;  // the engine's registration at the start
    char* sessionId = nullptr;            // heap copies (null when unset)
    char* eMail = nullptr;
    char* agentName = nullptr;

    ExchangeSession() = default;
    ExchangeSession(const ExchangeSession&) = delete;
    ExchangeSession& operator=(const ExchangeSession&) = delete;
    ~ExchangeSession()
    {
        FreeHeapBlock(sessionId);
        FreeHeapBlock(eMail);
        FreeHeapBlock(agentName);
    }
};
