// CICMPchecker<T>: the ping plug-in's worker. A check pass copies the selected tests and hands
// each copy to a detached probe thread of its own, unless the test's earlier probe still runs
// (one probe per test at a time); the worker thread never waits on the network. Results reach
// the COM object through a shared hub that outlives the checker (ping_probe_hub.h); the
// checker's end asks running probes to stop.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "critical_section.h"
#include "mon_checker_base.h"
#include "ping_line.h"
#include "ping_probe_hub.h"
#include "ping_test_list.h"
#include "probe_thread.h"

template <class T>
class CICMPchecker : public CMonCheckerBase<T> {
public:
    CICMPchecker() : m_hub(CPingProbeHub::Create(&CICMPchecker::PostThunk, this)) {}

    // The owner calls Stop first. Probes still running stop at their next request and drop
    // their results.
    ~CICMPchecker() override
    {
        if (m_hub) {
            m_hub->Detach();
            m_hub->Release();
        }
        if (WinsockStarted)
            WSACleanup();
    }

    bool ProcessTest(const char* utf8Line) override
    {
        PingLine line;
        if (!ParsePingLine(utf8Line, &line))
            return false;
        switch (line.kind) {
        case PingLineKind::Add:
            AddPingTest(line.test);
            break;
        case PingLineKind::Modify:
            ModifyPingTest(line.test);
            break;
        case PingLineKind::Delete:
            RemovePingTest(line.test.testId);
            break;
        case PingLineKind::Ignored:
            break;
        }
        return true;
    }

    bool Start() override { return WinsockStarted && CMonCheckerBase<T>::Start(); }

    void Stop() override
    {
        CMonCheckerBase<T>::Stop();
        ClearPingTests();
    }

    void Check(bool forced) override
    {
        PingTestCopies copies;
        {
            CScopedLock lock(m_testLock);
            copies = m_tests.TakePass(forced);
        }
        if (!m_hub)
            return;
        for (auto& copy : copies) {
            // A test whose earlier probe still runs waits for a later pass.
            if (m_hub->TryBeginProbe(copy->testId))
                StartProbe(std::move(copy), m_hub);
        }
    }

    bool StartWinsock()
    {
        if (WinsockStarted)
            return true;
        WSADATA data;
        WinsockStarted = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        return WinsockStarted;
    }

    bool AddPingTest(const PingTest& test)
    {
        CScopedLock lock(m_testLock);
        bool added = false;
        bool accepted = m_tests.Add(test, &added);
        if (added)
            this->SignalCheckNow();
        return accepted;
    }

    bool ModifyPingTest(const PingTest& test)
    {
        CScopedLock lock(m_testLock);
        if (m_tests.Modify(test))
            this->SignalCheckNow();
        return true;
    }

    bool RemovePingTest(int testId)
    {
        CScopedLock lock(m_testLock);
        return m_tests.Remove(testId);
    }

    void ClearPingTests()
    {
        CScopedLock lock(m_testLock);
        m_tests.Clear();
    }

    bool WinsockStarted = false;

private:
    static void PostThunk(void* target, CComBSTR* data, const char* desc)
    {
        static_cast<CICMPchecker*>(target)->PostResult(data, desc);
    }

    CCriticalSection m_testLock;
    CPingTestList m_tests;
    CPingProbeHub* m_hub;
};
