// CNetAdapMon<T>: the adapter plug-in's worker.
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
#include "mon_checker_base.h"
#include "net_line.h"
#include "net_record.h"
#include "sampler_thread.h"

template <class T>
class CNetAdapMon : public CMonCheckerBase<T> {
public:
    CNetAdapMon()
    {
        RefreshAdapters();
        m_sampler.Start(&CNetAdapMon::SampleThunk, this);
    }

    // The owner calls Stop first; the sampler ends here, before anything it reads goes.
    ~CNetAdapMon() override
    {
        m_sampler.Stop();
        CScopedLock lock(m_testLock);
        m_tests.Clear();
    }

    bool ProcessTest(const char* utf8Line) override { return ParseTest(utf8Line); }

    void Stop() override
    {
        CMonCheckerBase<T>::Stop();
        RemoveAllTests();
    }

    // The timer pass and the check-now pass alike: one record per test.
    void Check(bool forced) override
    {
        (void)forced;
        CScopedLock lock(m_testLock);
        const size_t count = m_tests.Tests().size();
        Log(5, FormatText("tol_net: begin checking. test count: %d", static_cast<int>(count)));
        // By position, on a copy: a sink called from PostResult may change the list.
        for (size_t i = 0; i < m_tests.Tests().size(); ++i) {
            AdapterTest test = m_tests.Tests()[i];
            LogValues(test);
            CComBSTR bytes;
            if (BuildAdapterRecord(test, &bytes))
                this->PostResult(&bytes, kNewData);
        }
    }

    // False for a null or empty line or one that cannot be split; every other line is taken.
    bool ParseTest(const char* utf8Line)
    {
        if (!utf8Line || !*utf8Line)
            return false;
        Log(2, FormatText("tol_net: processing test: '%s'", utf8Line));
        NetLine line;
        if (!ParseNetLine(utf8Line, &line))
            return false;
        switch (line.kind) {
        case NetLineKind::Add:
            AddTest(line.testId, line.locationId, line.adapter);
            break;
        case NetLineKind::Modify:
            ModifyTest(line.testId, line.locationId, line.adapter);
            break;
        case NetLineKind::Delete:
            RemoveTest(line.testId);
            break;
        case NetLineKind::Ignored:
            Log(1, "tol_net: Incorrect test format!");
            break;
        }
        return true;
    }

    void AddTest(int testId, int locationId, const std::string& adapter)
    {
        if (testId < 1)
            return;
        CScopedLock lock(m_testLock);
        Log(2, FormatText("tol_net: add test... adapter:'%s', tid:%d, lid:%d", adapter.c_str(),
                          testId, locationId));
        if (!m_tests.Add(testId, locationId, adapter)) {
            Log(2, "tol_net: found duplicated test. skipping...");
            return;
        }
        Log(2, "tol_net: test added successfully...");
        this->SignalCheckNow();
    }

    void ModifyTest(int testId, int locationId, const std::string& adapter)
    {
        if (testId < 1)
            return;
        CScopedLock lock(m_testLock);
        Log(2, FormatText("tol_net: modify test... adapter:'%s', tid:%d, lid:%d", adapter.c_str(),
                          testId, locationId));
        if (m_tests.Modify(testId, locationId, adapter))
            Log(2, "tol_net: test modified successfully...");
    }

    void RemoveTest(int testId)
    {
        if (testId < 1)
            return;
        CScopedLock lock(m_testLock);
        Log(1, FormatText("tol_net: removing test... tid:%d", testId));
        m_tests.Remove(testId);
    }

    void RemoveAllTests()
    {
        CScopedLock lock(m_testLock);
        Log(1, "tol_net: removing all tests...");
        m_tests.Clear();
    }

    // Reads the adapters that are up into the map. When they cannot be listed the map stays
    // as it was; an adapter whose row cannot be read leaves it.
    void RefreshAdapters()
    {
        AdapterScan scan;
        if (!ScanAdapters(&scan)) {
            Log(1, FormatText("tol_net: Failed calling GetAdaptersAddresses. retVal: %u",
                              static_cast<unsigned int>(scan.result)));
            return;
        }
        for (const AdapterRowFailure& failure : scan.failures)
            Log(1,
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
            Log(1, "tol_net: Adapter list is empty.");
            return;
        }
        CComBSTR record;
        if (BuildAdapterListRecord(text, &record))
            bytes->Append(record);
        Log(5, FormatText("tol_net: Adapter list: '%s'", text.c_str()));
    }

    // One sample of every test (the sampler's routine): one GetIfEntry per test whose
    // adapter is up.
    void SampleCounters()
    {
        CScopedLock lock(m_testLock);
        m_tests.Sample([this](const std::string& adapter, AdapterCounters* counters) {
            return ReadCounters(adapter, counters);
        });
    }

    bool SamplerRunning() const { return m_sampler.Running(); }

private:
    static constexpr const char* kNewData = "tol_net: New data is available.";

    static void SampleThunk(void* self) { static_cast<CNetAdapMon*>(self)->SampleCounters(); }

    void Log(int level, const std::string& text) { this->PostEvent(level, text.c_str()); }

    void LogValues(const AdapterTest& test)
    {
        AdapterRates rates = RatesOf(test.counters.deltas);
        Log(1, FormatText("tol_net: tid: %d, lid: %d\nAdapter: '%s'\n"
                          "InOctets: %u, InPackets: %u, InErrors: %u\n"
                          "OutOctets: %u, OutPackets: %u, OutErrors: %u",
                          test.testId, test.locationId, test.adapter.c_str(), rates.inOctets,
                          rates.inPackets, rates.inErrors, rates.outOctets, rates.outPackets,
                          rates.outErrors));
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
    CCriticalSection m_testLock;
    CAdapterTestList m_tests;
};
