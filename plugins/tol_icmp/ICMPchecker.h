// CICMPchecker<T>: the ping plug-in's worker. A check pass copies the selected tests and hands
// each copy to a detached probe thread of its own; the worker thread never waits on the
// network. Results reach the COM object through a shared result sink that outlives the checker
// (ping_result_sink.h).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "critical_section.h"
#include "mon_checker_base.h"
#include "ping_line.h"
#include "ping_result_sink.h"
#include "ping_test_list.h"
#include "probe_thread.h"

template <class T>
class CICMPchecker : public CMonCheckerBase<T> {
public:
    CICMPchecker() : m_sink(CPingResultSink::Create(&CICMPchecker::PostThunk, this)) {}

    // The owner calls Stop first. Probes still running drop their results from here on.
    ~CICMPchecker() override
    {
        if (m_sink) {
            m_sink->Detach();
            m_sink->Release();
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
        if (!m_sink)
            return;
        for (auto& copy : copies)
            StartProbe(std::move(copy), m_sink);
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
    CPingResultSink* m_sink;
};
