// CNetDisMon<T>: one network-neighbourhood discovery (one per NSA test). It derives from the
// framework's worker base but never starts the base's worker: it owns one thread of its own
// that walks the network, posts the servers of that walk to its owner (T, the plug-in's COM
// object) as RESULT_DISCOVERY records, waits its interval and, when it repeats, walks again.
#pragma once

#include <windows.h>

#include <vector>

#include "com_bstr.h"
#include "mon_checker_base.h"
#include "ndis_line.h"
#include "ndis_records.h"
#include "network_walk.h"
#include "thread_join.h"

constexpr const char* kDiscoveryNewData = "tol_ndis (network discovery): New data is available.";

template <class T>
class CNetDisMon : public CMonCheckerBase<T> {
public:
    static constexpr DWORD kStopWaitMs = 10000;  // then on without limit: never ended by force

    // The thread is not stopped here: the owner calls StopDiscovery first.
    ~CNetDisMon() override
    {
        if (m_stopEvent)
            CloseHandle(m_stopEvent);
    }

    // False when a thread exists already or none could be started.
    bool StartDiscovery(bool oneShot, int interval)
    {
        if (m_thread)
            return false;
        if (!m_stopEvent)
            m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!m_stopEvent)
            return false;
        m_oneShot = oneShot;
        m_interval = interval;
        m_thread = CreateThread(nullptr, 0, DiscoveryThread, this, 0, nullptr);
        return m_thread != nullptr;
    }

    // Signals the thread and waits until it has ended.
    void StopDiscovery()
    {
        if (!m_thread)
            return;
        JoinStoppedThread(&m_thread, m_stopEvent, kStopWaitMs);
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
    }

    int m_tid = 0;
    unsigned m_lid = 0;  // an NSA line has none: every record carries 0

private:
    static DWORD WINAPI DiscoveryThread(void* argument)
    {
        static_cast<CNetDisMon*>(argument)->Discover();
        return 0;
    }

    // Walk, report, wait; a signalled stop ends it at once.
    void Discover()
    {
        for (;;) {
            std::vector<FoundServer> servers;
            WalkNetwork(nullptr, m_stopEvent, &servers);
            if (WaitForSingleObject(m_stopEvent, 0) == WAIT_OBJECT_0)
                return;
            PostServers(servers);
            DWORD waited = WaitForSingleObject(m_stopEvent, static_cast<DWORD>(m_interval) * 1000);
            if (waited == WAIT_OBJECT_0)
                return;
            if (waited == WAIT_FAILED) {
                CComBSTR bytes;
                if (BuildDiscoveryTextRecord(static_cast<unsigned>(m_tid), WaitFailedText().c_str(),
                                             &bytes))
                    this->PostResult(&bytes, kDiscoveryNewData);
                return;
            }
            if (m_oneShot)
                return;
        }
    }

    // One post per walk with the servers of that walk; none when it found none.
    void PostServers(const std::vector<FoundServer>& servers)
    {
        CComBSTR bytes;
        for (const FoundServer& server : servers) {
            CComBSTR record;
            if (BuildServerRecord(static_cast<unsigned>(m_tid), server.name.c_str(),
                                  server.address.c_str(), &record))
                bytes.Append(record);
        }
        if (bytes.ByteLength() > 0 && this->m_owner)
            this->PostResult(&bytes, kDiscoveryNewData);
    }

    HANDLE m_thread = nullptr;
    HANDLE m_stopEvent = nullptr;  // manual reset: the walk looks at it between entries
    bool m_oneShot = true;
    int m_interval = kDefaultDiscoveryInterval;
};
