// CSNMPClient<T>: the SNMP plug-in's checker. It starts the Windows SNMP API through
// tol_utils' pointers, keeps the request tests and the trap listener, and runs a check pass
// as one request thread per test, each on its own copy of the test, then waits for all of
// them; modifies and deletes during a pass never touch a running request.
//
// The list worker keeps the request tests (SPA, SPM, SPD); trap lines (TRA, TRD) go to the
// listener. No line does anything while the SNMP API is not started.
//
// Stop first abandons the requests still waiting (their waits wake at once and they post
// nothing), so the pass and the worker thread end without waiting for time-outs; then the
// base stops the worker and the trap listener is stopped and destroyed; the tests stay in the
// list. The tests go with the list worker; the SNMP API is cleaned up last, after every client
// of it is gone.
#pragma once

#include <windows.h>

#include "critical_section.h"
#include "list_worker.h"
#include "request_registry.h"
#include "request_thread.h"
#include "snmp_api_holder.h"
#include "snmp_line.h"
#include "snmp_request.h"
#include "thread_group.h"
#include "trap_listener.h"

template <class T>
class CSNMPClient : public CListWorker<T, SnmpTest>, public CSnmpRequestOwner {
public:
    using Base = CListWorker<T, SnmpTest>;

    CSNMPClient() : m_listener(this) {}

    // The owner calls Stop first (when the checker was started). The SNMP API is held by the
    // first member, so it is cleaned up after the listener and the requests are gone.
    ~CSNMPClient() override { m_listener.StopAny(); }

    // Binds and starts the SNMP API once; true when it is started.
    bool StartSnmp() { return m_snmp.Acquire() == SnmpApiStart::Started; }

    // No line does anything while the SNMP API is not started.
    bool ProcessTest(const char* utf8Line) override
    {
        return m_snmp.Started() && Base::ProcessTest(utf8Line);
    }

    bool Start() override
    {
        if (!m_snmp.Started())
            return false;
        m_requests.Resume();
        return CMonCheckerBase<T>::Start();
    }

    // The tests stay in the list (the list worker's Stop would clear them).
    void Stop() override
    {
        m_requests.Abandon();
        CMonCheckerBase<T>::Stop();
        m_listener.StopAny();
    }

    void Check(bool forced) override
    {
        if (!m_snmp.Started())
            return;
        SnmpTestCopies copies;
        {
            CScopedLock lock(this->m_testLock);
            copies = TakeRequestPass(&this->m_tests, forced);
        }
        CThreadGroup group;
        for (auto& copy : copies)
            StartSnmpRequest(std::move(copy), this, &group);
        group.JoinAll();
    }

    // CSnmpRequestOwner
    CSnmpRequestRegistry& Requests() override { return m_requests; }

    void MarkAnswered(int tid) override
    {
        CScopedLock lock(this->m_testLock);
        ::MarkAnswered(&this->m_tests, tid);
    }

    void PostRecord(CComBSTR* bytes, const char* desc) override { this->PostResult(bytes, desc); }
    void PostLog(int level, const char* text) override { this->Post(level, text); }

    bool TrapListening() { return m_listener.Listening(); }

protected:
    // A trap line goes to the listener here, and is ignored by the worker's list.
    bool ReadTestLine(const char* utf8Line, TestLine<SnmpTest>* line) override
    {
        SnmpLine read;
        if (!ParseSnmpLine(utf8Line, &read))
            return false;
        if (read.kind == SnmpLineKind::TrapStart)
            m_listener.Start(read.trapId, read.trapValue);
        else if (read.kind == SnmpLineKind::TrapStop)
            m_listener.Stop(read.trapId);
        line->action = ListAction(read.kind);
        line->test = std::move(read.test);
        return true;
    }

    // A modified test keeps its place in the pass rule: the next timer pass requests it.
    bool WakeAfterModify(bool found) const override
    {
        (void)found;
        return false;
    }

private:
    static LineAction ListAction(SnmpLineKind kind)
    {
        switch (kind) {
        case SnmpLineKind::Add:
            return LineAction::Add;
        case SnmpLineKind::Modify:
            return LineAction::Modify;
        case SnmpLineKind::Delete:
            return LineAction::Delete;
        default:
            return LineAction::Ignored;
        }
    }

    CSnmpApiHolder m_snmp;  // first: cleaned up last
    CSnmpRequestRegistry m_requests;
    CSnmpTrapListener m_listener;
};
