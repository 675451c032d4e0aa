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

#include "disk_line.h"
#include "disk_meter.h"
#include "disk_record.h"
#include "disk_verdict.h"
#include "format_text.h"
#include "list_worker.h"

template <class T>
class CDiskMon : public CListWorker<T, DiskTest> {
public:
    using Base = CListWorker<T, DiskTest>;
    using Base::Post;
    using typename Base::AddOutcome;

    static constexpr int kLevelTests = 1;     // test-list changes, measured values
    static constexpr int kLevelProgress = 4;  // per-test progress
    static constexpr int kLevelPass = 5;      // a pass's begin and end, the drive list

    CDiskMon() = default;

    // The owner calls Stop first; stopping again here is harmless.
    ~CDiskMon() override { Base::Stop(); }

    // For tests: figures of their own in place of the system's.
    void SetMeter(IDiskMeter* meter) { m_meter = meter; }

    bool ProcessTest(const char* utf8Line) override
    {
        if (utf8Line && *utf8Line)
            Post(kLevelTests, FormatText("tol_disk: processing test: '%s'", utf8Line));
        return Base::ProcessTest(utf8Line);
    }

    void Check(bool forced) override
    {
        CScopedLock lock(this->m_testLock);
        Post(kLevelPass, FormatText("tol_disk: begin checking. test count: %d",
                                    static_cast<int>(this->m_tests.Size())));
        int interval = this->GetInterval();
        this->m_tests.ForPass(forced, [this, interval](DiskTest& test) {
            if (this->StopRequested())
                return false;
            Post(kLevelProgress, FormatText("tol_disk: checking tid: %d, lid: %d, drive: '%c'",
                                            test.tid, test.lid, test.drive));
            DiskVerdict verdict =
                test.IsRateTest() ? CheckRates(&test, interval) : CheckSpace(test);
            CComBSTR bytes;
            if (BuildDiskRecord(test.tid, test.lid, verdict, &bytes))
                this->PostResult(&bytes, "tol_disk: New data is available.");
            return true;
        });
        Post(kLevelPass, "tol_disk: end checking");
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

protected:
    bool ReadTestLine(const char* utf8Line, DiskLine* line) override
    {
        return ParseDiskLine(utf8Line, line);
    }

    void OnAdding(const DiskTest& test) override { PostTestLine("adding", test); }

    void OnAddOutcome(AddOutcome outcome) override
    {
        if (outcome == AddOutcome::Added)
            Post(kLevelTests, "tol_disk: test added successfully...");
        else if (outcome == AddOutcome::Duplicate)
            Post(kLevelTests, "tol_disk: found duplicated test. skipping...");
    }

    void OnModifying(const DiskTest& test) override { PostTestLine("modifing", test); }

    void OnRemoving(int tid) override
    {
        Post(kLevelTests, FormatText("tol_disk: removing test... tid:%d", tid));
    }

    void OnIncorrectLine() override { Post(kLevelTests, "tol_disk: Incorrect test format!"); }

private:
    void PostTestLine(const char* action, const DiskTest& test)
    {
        Post(kLevelTests, FormatText("tol_disk: %s test... disk:'%c', tid:%d, lid:%d, min_free:%d",
                                     action, test.drive, test.tid, test.lid, test.minimumFree));
    }

    DiskVerdict CheckRates(DiskTest* test, int interval)
    {
        unsigned int reads = 0, writes = 0;
        if (!m_meter->GetDiskCounters(test->drive, &reads, &writes))
            return DriveNotFound(test->drive);
        RateSample sample = TakeRateSample(test, reads, writes, interval);
        Post(kLevelTests,
             FormatText("tol_disk: tid: %d, lid: %d, drive: '%c', read: %u, write: %u, "
                        "last_read: %u, last_write: %u, read_count: %u, write_count: %u",
                        test->tid, test->lid, test->drive, reads, writes, sample.lastReads,
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
                        test.tid, test.lid, test.drive, totalGb, freeGb));
        return JudgeFreeSpace(test.drive, test.minimumFree, totalGb, freeGb);
    }

    IDiskMeter* m_meter = &SystemDiskMeter();
};
