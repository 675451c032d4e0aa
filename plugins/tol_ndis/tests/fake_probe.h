// CScriptedProbe: a CHostProbe that answers from a script instead of the network, and
// records what it was asked. A gate (an event) may hold every ping until the test opens it.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "critical_section.h"
#include "host_probe.h"

class CScriptedProbe : public CHostProbe {
public:
    CScriptedProbe() = default;
    ~CScriptedProbe() override
    {
        if (m_gate)
            CloseHandle(m_gate);
        if (m_entered)
            CloseHandle(m_entered);
    }

    // Pings wait until OpenGate; each ping that starts waiting releases EnteredGate once.
    void CloseGate()
    {
        m_gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_entered = CreateSemaphoreW(nullptr, 0, 1000, nullptr);
    }
    void OpenGate() { SetEvent(m_gate); }
    // Waits until `count` pings are held at the gate.
    void WaitAtGate(int count)
    {
        for (int i = 0; i < count; ++i)
            WaitForSingleObject(m_entered, INFINITE);
    }

    bool Answers(const char* address, unsigned short identifier, HANDLE) override
    {
        if (m_gate) {
            ReleaseSemaphore(m_entered, 1, nullptr);
            WaitForSingleObject(m_gate, INFINITE);
        }
        CScopedLock lock(m_lock);
        pings.emplace_back(address, identifier);
        return alive.count(address) != 0;
    }

    void Query(const char* host, const char* oids, std::vector<std::string>* values) override
    {
        CScopedLock lock(m_lock);
        queries.emplace_back(host, oids);
        auto found = answers.find(oids);
        if (found != answers.end())
            values->insert(values->end(), found->second.begin(), found->second.end());
    }

    std::set<std::string> alive;
    std::map<std::string, std::vector<std::string>> answers;  // OID text -> values
    std::vector<std::pair<std::string, unsigned short>> pings;
    std::vector<std::pair<std::string, std::string>> queries;  // host, OID text

private:
    CCriticalSection m_lock;
    HANDLE m_gate = nullptr;
    HANDLE m_entered = nullptr;
};
