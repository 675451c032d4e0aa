// ScanJob: one address-range scan of the discovery plug-in (one per DCA test).
//
// A start splits the range over at most 32 threads; each pings its addresses one by one,
// identifies every host that answers (host_identity.h) and posts its RESULT_SCAN record to the
// owner at once. Every start ends with exactly one "finished" record: from Start itself when
// the range is malformed or empty, from the last thread to end, or from Stop when threads were
// still listed.
//
// Threads and their entries: an entry (its thread, stop event and slice) stays owned by the
// job until its thread has ended. Stop takes every listed entry out of the list under the job
// lock, signals them, and waits for their threads without holding the lock, so a thread's end
// step never waits for a stopping job; "finished" is posted after the last of them ended, so
// nothing of a stopped run follows it. A thread that ends by itself moves its own entry (found
// by address, never by position) from the list to the ended entries, whose handles the next
// Stop or the destructor closes once the thread is gone. No thread outlives the job.
//
// A thread that cannot be started (plugin_thread.h) is reported with a log line and a record
// of the error's text; its slice is not scanned, and the run ends as usual with "finished"
// (from Start itself when no thread of it started).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "com_bstr.h"
#include "critical_section.h"
#include "host_probe.h"
#include "plugin_thread.h"

// Where a job's records go (the plug-in's COM object). Called on the scan threads and on the
// thread that starts or stops the job; `data` stays the caller's.
class CScanResultSink {
public:
    virtual void PostResult(CComBSTR* data, const char* text) = 0;
    // A log line through OnNewData.
    virtual void PostEvent(int level, const char* text) = 0;

protected:
    ~CScanResultSink() = default;
};

class ScanJob;

struct ScanThreadEntry {
    unsigned index = 0;  // within this start; also the ICMP identifier of its pings
    HANDLE thread = nullptr;
    HANDLE stopEvent = nullptr;       // manual reset: looked at between requests, more than once
    std::vector<uint32_t> addresses;  // network byte order, stepping order
    ScanJob* job = nullptr;
};

class ScanJob {
public:
    // probe: not owned; it outlives the job.
    ScanJob(int tid, CHostProbe* probe);
    ~ScanJob();
    ScanJob(const ScanJob&) = delete;
    ScanJob& operator=(const ScanJob&) = delete;

    void SetOwner(CScanResultSink* owner) { m_owner = owner; }
    void SetLocationId(unsigned lid) { m_lid = lid; }
    // Tests start the threads with a starter of their own.
    void SetThreadStarter(PlugInThreadStarter starter) { m_startThread = starter; }

    // Stops a running start, then scans from `start` up to `end` (dotted texts), asking every
    // host that answers also for the identifiers of `oids` (";"-separated, may be empty).
    // Always true: a line that reaches it is taken.
    bool Start(const char* start, const char* end, const char* oids);
    // Ends every listed thread (each waited for until it has ended) and posts "finished" when
    // any was listed.
    void Stop();
    void PostFinished();

    // Threads of the current start that have not ended yet.
    size_t RunningThreads();

private:
    using Entries = std::vector<std::unique_ptr<ScanThreadEntry>>;

    static DWORD WINAPI ScanThread(void* argument);
    void RunSlice(ScanThreadEntry* entry);
    void EndStep(ScanThreadEntry* entry);
    void StartThreads(const std::vector<uint32_t>& addresses);
    void ReportUnstarted(const ScanThreadEntry* entry, DWORD error);
    void PostText(const char* text);
    void Post(CComBSTR& bytes);
    static void JoinEntries(Entries& entries);

    CScanResultSink* m_owner = nullptr;
    CHostProbe* m_probe;
    PlugInThreadStarter m_startThread = &StartPlugInThread;
    unsigned m_tid;
    unsigned m_lid = 0;
    CCriticalSection m_lock;  // guards the two lists
    Entries m_threads;        // listed: this start's threads not ended yet, start order
    Entries m_ended;          // ended by themselves; joined and closed by Stop
    // As last given to Start; unchanged while threads run.
    std::string m_start;
    std::string m_end;
    std::string m_oids;
};
