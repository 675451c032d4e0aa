// CHttpCheck<T>: the HTTP plug-in's worker. A check pass copies the tests it requests and
// runs each copy on a request thread of its own, then waits for all of them; modifies and
// deletes during a pass never touch a running request.
//
// Its list takes any test id but 0 (CTestListHooks<HttpTest>), and a modify with such an id
// wakes the worker whether or not a test has it.
//
// Stop first sets the abandon event, so that request threads still waiting on the network
// give up at once and the pass (and so the worker thread) ends without waiting for their
// time-outs; then the base stops the worker and the tests are freed.
//
// Requests go through an IHttpRequester (the system's unless a test sets its own).
#pragma once

#include <windows.h>

#include "critical_section.h"
#include "heap_text.h"
#include "http_line.h"
#include "http_requester.h"
#include "list_worker.h"
#include "request_thread.h"
#include "thread_group.h"

template <class T>
class CHttpCheck : public CListWorker<T, HttpTest>, public CHttpRequestOwner {
public:
    using Base = CListWorker<T, HttpTest>;
    using Base::Post;

    CHttpCheck() : m_abandon(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    // The owner calls Stop first.
    ~CHttpCheck() override
    {
        if (m_abandon)
            CloseHandle(m_abandon);
    }

    // For tests: answers of their own in place of the system's requests.
    void SetRequester(IHttpRequester* requester) { m_requester = requester; }

    bool Start() override
    {
        if (!m_abandon)
            return false;
        ResetEvent(m_abandon);
        return Base::Start();
    }

    void Stop() override
    {
        if (m_abandon)
            SetEvent(m_abandon);
        Base::Stop();
    }

    void Check(bool forced) override
    {
        typename Base::Copies copies = this->TakePass(forced);
        CThreadGroup group;
        for (auto& copy : copies)
            StartHttpRequest(std::move(copy), this, &group);
        group.JoinAll();
    }

    // A copy of the text is kept; null or empty leaves no proxy.
    void SetProxy(const char* text)
    {
        CScopedLock lock(m_proxyLock);
        m_proxy.reset(DupText(text));
    }

    char* GetProxy() override
    {
        CScopedLock lock(m_proxyLock);
        return DupText(m_proxy.get());
    }

    HANDLE AbandonEvent() override { return m_abandon; }

    IHttpRequester* Requester() override { return m_requester; }

    void PostRecord(CComBSTR* bytes, const char* desc) override { this->PostResult(bytes, desc); }

    void PostLog(int level, const char* text) override { Post(level, text); }

protected:
    bool ReadTestLine(const char* utf8Line, HttpLine* line) override
    {
        return ParseHttpLine(utf8Line, line);
    }

    // Found or not: the id was taken (CListWorker only asks for an id the hooks take).
    bool WakeAfterModify(bool found) const override
    {
        (void)found;
        return true;
    }

private:
    CCriticalSection m_proxyLock;
    CHeapText<char> m_proxy;  // UTF-8, or none
    HANDLE m_abandon;
    IHttpRequester* m_requester = &SystemHttpRequester();
};
