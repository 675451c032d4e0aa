// CDiskMon<T>: the disk plug-in's worker. Its test list holds free-space and read/write-count
// tests of drive letters; a check pass measures them one after the other on the worker thread,
// holding the test-list lock for the whole pass, and posts one RESULT_DISK record per test
// measured. The drive list for Get is built on the caller's thread.
//
// Measuring goes through an IDiskMeter (the system's unless a test sets its own); judging and
// records are the pure functions of disk_verdict.h and disk_record.h.
#pragma once

#include <windows.h>

#include <string>

#include "critical_section.h"
#include "disk_line.h"
#include "disk_meter.h"
#include "disk_record.h"
#include "disk_test_list.h"
#include "disk_verdict.h"
#include "format_text.h"
#include "mon_checker_base.h"

template <class T>
class CDiskMon : public CMonCheckerBase<T> {
public:
    static constexpr int kLevelTests = 1;     // test-list changes, measured values
    static constexpr int kLevelProgress = 4;  // per-test progress
    static constexpr int kLevelPass = 5;      // a pass's begin and end, the drive list

    CDiskMon() = default;

    // The owner calls Stop first; stopping again here is harmless.
    ~CDiskMon() override
    {
        CMonCheckerBase<T>::Stop();
        ClearDiskTests();
    }

    // For tests: figures of their own in place of the system's.
    void SetMeter(IDiskMeter* meter) { m_meter = meter; }

    bool ProcessTest(const char* utf8Line) override
    {
        if (!utf8Line || !*utf8Line)
            return false;
        Post(kLevelTests, FormatText("tol_disk: processing test: '%s'", utf8Line));
        DiskLine line;
        if (!ParseDiskLine(utf8Line, &line))
            return false;
        switch (line.kind) {
        case DiskLineKind::Add:
            AddDiskTest(line.test);
            break;
        case DiskLineKind::Modify:
            ModifyDiskTest(line.test);
            break;
        case DiskLineKind::Delete:
            RemoveDiskTest(line.test.testId);
            break;
        case DiskLineKind::Incorrect:
            Post(kLevelTests, "tol_disk: Incorrect test format!");
            break;
        }
        return true;
    }

    void Stop() override
    {
        CMonCheckerBase<T>::Stop();
        ClearDiskTests();
    }

    void Check(bool forced) override
    {
        CScopedLock lock(m_testLock);
        Post(kLevelPass, FormatText("tol_disk: begin checking. test count: %d",
                                    static_cast<int>(m_tests.Size())));
        int interval = this->GetInterval();
        for (auto& test : m_tests) {
            if (this->StopRequested())
                break;
            if (forced && !test->isNew)
                continue;
            test->isNew = false;
            Post(kLevelProgress, FormatText("tol_disk: checking tid: %d, lid: %d, drive: '%c'",
                                            test->testId, test->locationId, test->drive));
            DiskVerdict verdict =
                test->IsRateTest() ? CheckRates(test.get(), interval) : CheckSpace(*test);
            CComBSTR bytes;
            if (BuildDiskRecord(test->testId, test->locationId, verdict, &bytes))
                this->PostResult(&bytes, "tol_disk: New data is available.");
        }
        Post(kLevelPass, "tol_disk: end checking");
    }

    bool AddDiskTest(const DiskTest& test)
    {
        if (test.testId < 1)
            return false;
        CScopedLock lock(m_testLock);
        PostTestLine("adding", test);
        switch (m_tests.Add(test)) {
        case CDiskTestList::AddOutcome::Added:
            Post(kLevelTests, "tol_disk: test added successfully...");
            this->SignalCheckNow();
            break;
        case CDiskTestList::AddOutcome::Duplicate:
            Post(kLevelTests, "tol_disk: found duplicated test. skipping...");
            break;
        case CDiskTestList::AddOutcome::NoMemory:
            break;
        }
        return true;
    }

    bool ModifyDiskTest(const DiskTest& test)
    {
        if (test.testId < 1)
            return false;
        CScopedLock lock(m_testLock);
        PostTestLine("modifing", test);
        if (m_tests.Modify(test))
            this->SignalCheckNow();
        return true;
    }

    bool RemoveDiskTest(int testId)
    {
        if (testId < 1)
            return false;
        CScopedLock lock(m_testLock);
        Post(kLevelTests, FormatText("tol_disk: removing test... tid:%d", testId));
        m_tests.Remove(testId);
        return true;
    }

    void ClearDiskTests()
    {
        CScopedLock lock(m_testLock);
        m_tests.Clear();
    }

    // Appends the RESULT_DISK_LIST record to `out`; nothing when the drives cannot be listed.
    void BuildDiskList(CComBSTR* out)
    {
        std::wstring letters;
        if (!m_meter->GetFixedDrives(&letters))
            return;
        std::wstring text = DiskListText(letters);
        std::string narrow(text.begin(), text.end());  // drive letters are ASCII
        Post(kLevelPass, FormatText("tol_disk: get disks list: %s", narrow.c_str()));
        AppendDiskListRecord(text, out);
    }

private:
    void Post(int level, const std::string& text) { this->PostEvent(level, text.c_str()); }

    void PostTestLine(const char* action, const DiskTest& test)
    {
        Post(kLevelTests,
             FormatText("tol_disk: %s test... disk:'%c', tid:%d, lid:%d, min_free:%d", action,
                        test.drive, test.testId, test.locationId, test.minimumFree));
    }

    DiskVerdict CheckRates(DiskTest* test, int interval)
    {
        unsigned int reads = 0, writes = 0;
        if (!m_meter->GetDiskCounters(test->drive, &reads, &writes))
            return DriveNotFound(test->drive);
        RateSample sample = TakeRateSample(test, reads, writes, interval);
        Post(
            kLevelTests,
            FormatText("tol_disk: tid: %d, lid: %d, drive: '%c', read: %u, write: %u, "
                       "last_read: %u, last_write: %u, read_count: %u, write_count: %u",
                       test->testId, test->locationId, test->drive, reads, writes, sample.lastReads,
                       sample.lastWrites, static_cast<unsigned int>(sample.readRate),
                       static_cast<unsigned int>(sample.writeRate)));
        return JudgeRates(test->drive, sample.readRate, sample.writeRate);
    }

    DiskVerdict CheckSpace(const DiskTest& test)
    {
        double totalGb = 0, freeGb = 0;
        if (!m_meter->GetDiskSpace(test.drive, &totalGb, &freeGb))
            return DriveNotFound(test.drive);
        Post(kLevelTests,
             FormatText("tol_disk: tid: %d, lid: %d, drive: '%c', total: %.2f, free: %.2f",
                        test.testId, test.locationId, test.drive, totalGb, freeGb));
        return JudgeFreeSpace(test.drive, test.minimumFree, totalGb, freeGb);
    }

    CCriticalSection m_testLock;
    CDiskTestList m_tests;
    IDiskMeter* m_meter = &SystemDiskMeter();
};
