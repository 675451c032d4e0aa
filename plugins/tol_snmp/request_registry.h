// CSnmpRequestRegistry: the requests of a checker that are waiting for their answers, so
// that the checker's end can cancel them instead of waiting out their time-outs.
//
// A request thread enters its client once the request is sent and leaves before it reads the
// answer; Abandon cancels every client entered (its wait wakes at once) and refuses later
// entries, until Resume.
#pragma once

#include <vector>

#include "critical_section.h"

class CSNMPmon;

class CSnmpRequestRegistry {
public:
    // False once abandoned: the caller gives its request up.
    bool Enter(CSNMPmon* client);
    // True when the requests were abandoned meanwhile: the caller posts nothing.
    bool Leave(CSNMPmon* client);
    bool Abandoned();

    void Abandon();
    void Resume();

private:
    CCriticalSection m_lock;
    bool m_abandoned = false;
    std::vector<CSNMPmon*> m_waiting;
};
