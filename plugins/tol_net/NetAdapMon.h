// CNetAdapMon<T>: the adapter plug-in's worker, on the framework's list worker (CListWorker).
//
// Besides the framework's worker thread it owns a sampler thread that reads the counters of
// every tested adapter once a second and keeps each test's last one-second differences; the
// worker's check pass reports those differences as one RESULT_NET_ADAPTER record per test.
// The map of adapters that are up is read at construction and on every Get
// (BuildAdapterList), which puts the RESULT_ADAPTER_LIST record in front of the results.
//
// Locks: the test-list lock, then the adapter-map lock (sampling); the test-list lock, then
// the COM object's pending lock (posts of a check pass). The adapter enumeration takes the
// map lock alone, so a Get never waits for a check pass or a sample.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "adapter_map.h"
#include "adapter_probe.h"
#include "adapter_test_list.h"
#include "critical_section.h"
#include "format_text.h"
#include "list_worker.h"
#include "net_line.h"
#include "net_record.h"
#include "sampler_thread.h"

template <class T>
class CNetAdapMon : public CListWorker<T, AdapterTest> {
public:
    using Base = CListWorker<T, AdapterTest>;
    using Base::Post;
    using typename Base::AddOutcome;
    using typename Base::Hooks;

    static constexpr int kLevelTests = 1;  // removals, measured values, failures
    static constexpr int kLevelLines = 2;  // test lines, the outcome of an add or modify
    static constexpr int kLevelPass = 5;   // a pass's begin, the adapter list

    CNetAdapMon()
    {
        RefreshAdapters();
        m_sampler.Start(&CNetAdapMon::SampleThunk, this);
    }

    // The owner calls Stop first; the sampler ends here, before anything it reads goes.
    ~CNetAdapMon() override { m_sampler.Stop(); }

    bool ProcessTest(const char* utf8Line) override
    {
        if (utf8Line && *utf8Line)
            Post(kLevelLines, FormatText("tol_net: processing test: '%s'", utf8Line));
        return Base::ProcessTest(utf8Line);
    }

    void Stop() override
    {
        CMonCheckerBase<T>::Stop();
        RemoveAllTests();
    }

    // The timer pass and the check-now pass alike: one record per test.
    void Check(bool forced) override
    {
        (void)forced;
        CScopedLock lock(this->m_testLock);
        Post(kLevelPass, FormatText("tol_net: begin checking. test count: %d",
                                    static_cast<int>(this->m_tests.Size())));
        this->m_tests.ForPass(false, [this](const AdapterTest& entry) {
            // On a copy: a sink called from PostResult may change the list.
            AdapterTest test = entry;
            LogValues(test);
            CComBSTR bytes;
            if (BuildAdapterRecord(test, &bytes))
                this->PostResult(&bytes, kNewData);
            return true;
        });
    }

    // A modify says whether it found its test, and wakes nobody.
    bool ModifyTest(const AdapterTest& test) override
    {
        if (!Hooks::TakesId(test.tid))
            return false;
        CScopedLock lock(this->m_testLock);
        PostTestLine("modify", test);
        if (this->m_tests.Modify(test))
            Post(kLevelLines, "tol_net: test modified successfully...");
        return true;
    }

    void RemoveAllTests()
    {
        CScopedLock lock(this->m_testLock);
        Post(kLevelTests, "tol_net: removing all tests...");
        this->m_tests.Clear();
    }

    // Reads the adapters that are up into the map. When they cannot be listed the map stays
    // as it was; an adapter whose row cannot be read leaves it.
    void RefreshAdapters()
    {
        AdapterScan scan;
        if (!ScanAdapters(&scan)) {
            Post(kLevelTests, FormatText("tol_net: Failed calling GetAdaptersAddresses. retVal: %u",
                                         static_cast<unsigned int>(scan.result)));
            return;
        }
        for (const AdapterRowFailure& failure : scan.failures)
            Post(kLevelTests,
                 FormatText("tol_net: Failed calling GetIfEntry. index: %u, name: '%s', retVal %u",
                            failure.index, failure.name.c_str(),
                            static_cast<unsigned int>(failure.result)));
        AdapterMap map = BuildAdapterMap(scan.rows);
        CScopedLock lock(m_mapLock);
        m_adapters.swap(map);
    }

    // Appends the adapter-list record to `bytes` (nothing when no adapter is up).
    void BuildAdapterList(CComBSTR* bytes)
    {
        RefreshAdapters();
        std::string text;
        {
            CScopedLock lock(m_mapLock);
            text = AdapterListText(m_adapters);
        }
        if (text.empty()) {
            Post(kLevelTests, "tol_net: Adapter list is empty.");
            return;
        }
        CComBSTR record;
        if (BuildAdapterListRecord(text, &record))
            bytes->Append(record);
        Post(kLevelPass, FormatText("tol_net: Adapter list: '%s'", text.c_str()));
    }

    // One sample of every test (the sampler's routine): one GetIfEntry per test whose
    // adapter is up.
    void SampleCounters()
    {
        CScopedLock lock(this->m_testLock);
        SampleTests(this->m_tests, [this](const std::string& adapter, AdapterCounters* counters) {
            return ReadCounters(adapter, counters);
        });
    }

protected:
    bool ReadTestLine(const char* utf8Line, NetLine* line) override
    {
        return ParseNetLine(utf8Line, line);
    }

    void OnAdding(const AdapterTest& test) override { PostTestLine("add", test); }

    void OnAddOutcome(AddOutcome outcome) override
    {
        if (outcome == AddOutcome::Added)
            Post(kLevelLines, "tol_net: test added successfully...");
        else if (outcome == AddOutcome::Duplicate)
            Post(kLevelLines, "tol_net: found duplicated test. skipping...");
    }

    void OnRemoving(int tid) override
    {
        Post(kLevelTests, FormatText("tol_net: removing test... tid:%d", tid));
    }

    void OnIncorrectLine() override { Post(kLevelTests, "tol_net: Incorrect test format!"); }

private:
    static constexpr const char* kNewData = "tol_net: New data is available.";

    static void SampleThunk(void* self) { static_cast<CNetAdapMon*>(self)->SampleCounters(); }

    void PostTestLine(const char* action, const AdapterTest& test)
    {
        Post(kLevelLines, FormatText("tol_net: %s test... adapter:'%s', tid:%d, lid:%d", action,
                                     test.adapter.c_str(), test.tid, test.lid));
    }

    void LogValues(const AdapterTest& test)
    {
        AdapterRates rates = RatesOf(test.counters.deltas);
        Post(kLevelTests,
             FormatText("tol_net: tid: %d, lid: %d\nAdapter: '%s'\n"
                        "InOctets: %u, InPackets: %u, InErrors: %u\n"
                        "OutOctets: %u, OutPackets: %u, OutErrors: %u",
                        test.tid, test.lid, test.adapter.c_str(), rates.inOctets, rates.inPackets,
                        rates.inErrors, rates.outOctets, rates.outPackets, rates.outErrors));
    }

    // The adapter is looked up afresh: Get may have rebuilt the map since the last sample.
    // False when it is not in the map, its row cannot be read or it is no longer up.
    bool ReadCounters(const std::string& adapter, AdapterCounters* counters)
    {
        unsigned int index = 0;
        {
            CScopedLock lock(m_mapLock);
            auto it = m_adapters.find(adapter);
            if (it == m_adapters.end())
                return false;
            index = it->second;
        }
        bool up = false;
        return ReadInterfaceCounters(index, counters, &up) == NO_ERROR && up;
    }

    CSamplerThread m_sampler;
    CCriticalSection m_mapLock;
    AdapterMap m_adapters;
};
