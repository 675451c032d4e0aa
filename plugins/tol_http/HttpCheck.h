// CHttpCheck<T>: the HTTP plug-in's worker. A check pass copies the tests it requests and
// runs each copy on a request thread of its own, then waits for all of them; modifies and
// deletes during a pass never touch a running request.
//
// Stop first sets the abandon event, so that request threads still waiting on the network
// give up at once and the pass (and so the worker thread) ends without waiting for their
// time-outs; then the base stops the worker and the tests are freed.
#pragma once

#include <windows.h>

#include "critical_section.h"
#include "heap_helpers.h"
#include "http_line.h"
#include "http_test_list.h"
#include "mon_checker_base.h"
#include "request_thread.h"
#include "thread_group.h"

template <class T>
class CHttpCheck : public CMonCheckerBase<T>, public CHttpRequestOwner {
public:
    CHttpCheck() : m_abandon(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    // The owner calls Stop first.
    ~CHttpCheck() override
    {
        FreeHeapBlock(m_proxy);
        if (m_abandon)
            CloseHandle(m_abandon);
    }

    bool ProcessTest(const char* utf8Line) override
    {
        HttpLine line;
        if (!ParseHttpLine(utf8Line, &line))
            return false;
        switch (line.kind) {
        case HttpLineKind::Add:
            AddHttpTest(line.test);
            break;
        case HttpLineKind::Modify:
            ModifyHttpTest(line.test);
            break;
        case HttpLineKind::Delete:
            RemoveHttpTest(line.test.testId);
            break;
        case HttpLineKind::Ignored:
            break;
        }
        return true;
    }

    bool Start() override
    {
        if (!m_abandon)
            return false;
        ResetEvent(m_abandon);
        return CMonCheckerBase<T>::Start();
    }

    void Stop() override
    {
        if (m_abandon)
            SetEvent(m_abandon);
        CMonCheckerBase<T>::Stop();
        ClearHttpTests();
    }

    void Check(bool forced) override
    {
        HttpTestCopies copies;
        {
            CScopedLock lock(m_listLock);
            copies = m_tests.TakePass(forced);
        }
        CThreadGroup group;
        for (auto& copy : copies)
            StartHttpRequest(std::move(copy), this, &group);
        group.JoinAll();
    }

    // A copy of the text is kept; null or empty leaves no proxy.
    void SetProxy(const char* text)
    {
        CScopedLock lock(m_proxyLock);
        FreeHeapBlock(m_proxy);
        m_proxy = DupText(text);
    }

    char* GetProxy() override
    {
        CScopedLock lock(m_proxyLock);
        return DupText(m_proxy);
    }

    HANDLE AbandonEvent() override { return m_abandon; }

    void PostRecord(CComBSTR* bytes, const char* desc) override { this->PostResult(bytes, desc); }

    void PostLog(int level, const char* text) override { this->PostEvent(level, text); }

    void AddHttpTest(const HttpTest& test)
    {
        bool added;
        {
            CScopedLock lock(m_listLock);
            added = m_tests.Add(test);
        }
        if (added)
            this->SignalCheckNow();
    }

    // Any test id but 0 wakes the worker, whether or not a test has it.
    void ModifyHttpTest(const HttpTest& test)
    {
        if (test.testId == 0)
            return;
        {
            CScopedLock lock(m_listLock);
            m_tests.Modify(test);
        }
        this->SignalCheckNow();
    }

    void RemoveHttpTest(unsigned int testId)
    {
        CScopedLock lock(m_listLock);
        m_tests.Remove(testId);
    }

    void ClearHttpTests()
    {
        CScopedLock lock(m_listLock);
        m_tests.Clear();
    }

    size_t TestCount()
    {
        CScopedLock lock(m_listLock);
        return m_tests.Size();
    }

private:
    CCriticalSection m_listLock;
    CHttpTestList m_tests;
    CCriticalSection m_proxyLock;
    char* m_proxy = nullptr;  // UTF-8 heap text, or none
    HANDLE m_abandon;
};
