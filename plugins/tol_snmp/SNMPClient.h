// CSNMPClient<T>: the SNMP plug-in's checker. It starts the Windows SNMP API through
// tol_utils' pointers, keeps the request tests and the trap listener, and runs a check pass
// as one request thread per test, each on its own copy of the test, then waits for all of
// them; modifies and deletes during a pass never touch a running request.
//
// Stop first abandons the requests still waiting (their waits wake at once and they post
// nothing), so the pass and the worker thread end without waiting for time-outs; then the
// base stops the worker and the trap listener is stopped and destroyed. The destructor frees
// the tests and cleans the SNMP API up last, after every client of it is gone.
#pragma once

#include <windows.h>

#include "critical_section.h"
#include "mon_checker_base.h"
#include "request_registry.h"
#include "request_thread.h"
#include "snmp_lib.h"
#include "snmp_line.h"
#include "snmp_test_list.h"
#include "thread_group.h"
#include "trap_listener.h"

template <class T>
class CSNMPClient : public CMonCheckerBase<T>, public CSnmpRequestOwner {
public:
    CSNMPClient() : m_listener(this) {}

    // The owner calls Stop first (when the checker was started).
    ~CSNMPClient() override
    {
        m_listener.StopAny();
        ClearSnmpTests();
        if (m_started)
            libpo_SnmpCleanup();
    }

    // Binds and starts the SNMP API once; true when it is started.
    bool StartSnmp()
    {
        if (m_started)
            return true;
        if (!init_snmp_lib())
            return false;
        smiUINT32 major, minor, level, translate, retransmit;
        m_started =
            libpo_SnmpStartup(&major, &minor, &level, &translate, &retransmit) == SNMPAPI_SUCCESS;
        return m_started;
    }

    bool ProcessTest(const char* utf8Line) override
    {
        SnmpLine line;
        if (!m_started || !ParseSnmpLine(utf8Line, &line))
            return false;
        switch (line.kind) {
        case SnmpLineKind::Add:
            AddSnmpTest(line.test);
            break;
        case SnmpLineKind::Modify:
            ModifySnmpTest(line.test);
            break;
        case SnmpLineKind::Delete:
            RemoveSnmpTest(line.test.testId);
            break;
        case SnmpLineKind::TrapStart:
            m_listener.Start(line.trapId, line.trapValue);
            break;
        case SnmpLineKind::TrapStop:
            m_listener.Stop(line.trapId);
            break;
        case SnmpLineKind::Ignored:
            break;
        }
        return true;
    }

    bool Start() override
    {
        if (!m_started)
            return false;
        m_requests.Resume();
        return CMonCheckerBase<T>::Start();
    }

    void Stop() override
    {
        m_requests.Abandon();
        CMonCheckerBase<T>::Stop();
        m_listener.StopAny();
    }

    void Check(bool forced) override
    {
        if (!m_started)
            return;
        SnmpTestCopies copies;
        {
            CScopedLock lock(m_listLock);
            copies = m_tests.TakePass(forced);
        }
        CThreadGroup group;
        for (auto& copy : copies)
            StartSnmpRequest(std::move(copy), this, &group);
        group.JoinAll();
    }

    // CSnmpRequestOwner
    CSnmpRequestRegistry& Requests() override { return m_requests; }

    void MarkAnswered(int testId) override
    {
        CScopedLock lock(m_listLock);
        m_tests.MarkAnswered(testId);
    }

    void PostRecord(CComBSTR* bytes, const char* desc) override { this->PostResult(bytes, desc); }
    void PostLog(int level, const char* text) override { this->PostEvent(level, text); }

    // The check-now pass is signalled under the list lock, after the test joined.
    void AddSnmpTest(const SnmpTest& test)
    {
        CScopedLock lock(m_listLock);
        if (m_tests.Add(test))
            this->SignalCheckNow();
    }

    // The modified test keeps its changed flag: the next timer pass requests it.
    void ModifySnmpTest(const SnmpTest& test)
    {
        CScopedLock lock(m_listLock);
        m_tests.Modify(test);
    }

    void RemoveSnmpTest(int testId)
    {
        CScopedLock lock(m_listLock);
        m_tests.Remove(testId);
    }

    void ClearSnmpTests()
    {
        CScopedLock lock(m_listLock);
        m_tests.Clear();
    }

    bool SnmpStarted() const { return m_started; }
    bool TrapListening() { return m_listener.Listening(); }

private:
    bool m_started = false;
    CCriticalSection m_listLock;
    CSnmpTestList m_tests;
    CSnmpRequestRegistry m_requests;
    CSnmpTrapListener m_listener;
};
