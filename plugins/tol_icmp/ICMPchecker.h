// CICMPchecker<T>: the ping plug-in's worker. Its test list holds ping tests of hosts; a check
// pass takes copies of the tests it selects (CListWorker's pass rule: a check-now pass only the
// new tests) and hands each copy to a detached probe thread of its own, unless the test's
// earlier probe still runs (one probe per test at a time); the worker thread never waits on
// the network. Results reach the COM object through a shared hub that outlives the checker
// (ping_probe_hub.h); the checker's end asks running probes to stop.
//
// Measuring goes through an IPingMeter (the system's unless a test sets its own); judging and
// records are the pure functions of ping_verdict.h and ping_record.h. The plug-in logs nothing
// but its new-data notices.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "list_worker.h"
#include "ping_line.h"
#include "ping_meter.h"
#include "ping_probe_hub.h"
#include "probe_thread.h"

template <class T>
class CICMPchecker : public CListWorker<T, PingTest> {
public:
    using Base = CListWorker<T, PingTest>;

    CICMPchecker() : m_hub(CPingProbeHub::Create(&CICMPchecker::PostThunk, this)) {}

    // The owner calls Stop first. Probes still running stop at their next request and drop
    // their results.
    ~CICMPchecker() override
    {
        if (m_hub) {
            m_hub->Detach();
            m_hub->Release();
        }
    }

    // For tests: round-trip times of their own in place of the system's (null: the system's).
    // The meter must outlive every probe started with it.
    void SetMeter(IPingMeter* meter) { m_meter = meter ? meter : &SystemPingMeter(); }

    void Check(bool forced) override
    {
        auto copies = this->TakePass(forced);
        if (!m_hub)
            return;
        for (auto& copy : copies) {
            // A test whose earlier probe still runs waits for a later pass.
            if (m_hub->TryBeginProbe(copy->tid))
                StartProbe(std::move(copy), m_hub, m_meter);
        }
    }

    // An add and a modify take any test id; a delete only one above 0.
    bool RemoveTest(int tid) override { return tid > 0 && Base::RemoveTest(tid); }

protected:
    bool ReadTestLine(const char* utf8Line, PingLine* line) override
    {
        return ParsePingLine(utf8Line, line);
    }

private:
    static void PostThunk(void* target, CComBSTR* data, const char* desc)
    {
        static_cast<CICMPchecker*>(target)->PostResult(data, desc);
    }

    CPingProbeHub* m_hub;
    IPingMeter* m_meter = &SystemPingMeter();
};
