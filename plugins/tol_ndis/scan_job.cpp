#include <winsock2.h>

#include "scan_job.h"

#include "heap_helpers.h"
#include "host_identity.h"
#include "ndis_records.h"
#include "scan_plan.h"

#include <algorithm>
#include <new>

namespace {

constexpr DWORD kStopLookMs = 100;
constexpr int kLevelErrors = 1;
constexpr const char* kScanNewData = "tol_ndis (network scan): New data is available.";

std::string AddressText(uint32_t address)
{
    in_addr in;
    in.s_addr = address;
    const char* text = inet_ntoa(in);
    return text ? text : "";
}

}  // namespace

ScanJob::ScanJob(int tid, CHostProbe* probe) : m_probe(probe), m_tid(static_cast<unsigned>(tid))
{
}

ScanJob::~ScanJob()
{
    Stop();
}

bool ScanJob::Start(const char* start, const char* end, const char* oids)
{
    Stop();
    m_start = start ? start : "";
    m_end = end ? end : "";
    m_oids = oids ? oids : "";
    uint32_t first = 0, last = 0;
    if (!ReadScanAddress(m_start.c_str(), &first) || !ReadScanAddress(m_end.c_str(), &last)) {
        PostFinished();
        return true;
    }
    std::vector<uint32_t> addresses = ScanAddresses(first, last);
    if (addresses.empty()) {
        PostFinished();
        return true;
    }
    StartThreads(addresses);
    return true;
}

// A stop event that cannot be made does not end the start: a thread without one ends at its
// first wait. A thread that cannot be made is reported and its entry is not listed; the job
// lock keeps every started thread from its end step until all are started, so the last one
// listed closes the run, or this start does when none was.
void ScanJob::StartThreads(const std::vector<uint32_t>& addresses)
{
    ScanSlicing slicing = SliceScan(addresses.size());
    CScopedLock lock(m_lock);
    m_threads.reserve(slicing.threads);  // no entry moves once its thread runs
    for (size_t i = 0; i < slicing.threads; ++i) {
        std::unique_ptr<ScanThreadEntry> entry(new (std::nothrow) ScanThreadEntry);
        if (!entry) {
            ReportUnstarted(nullptr, ERROR_NOT_ENOUGH_MEMORY);
            continue;
        }
        entry->index = static_cast<unsigned>(i);
        entry->addresses = ScanSlice(addresses, slicing, i);
        entry->job = this;
        entry->stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        entry->thread = m_startThread(ScanThread, entry.get());
        if (!entry->thread) {
            ReportUnstarted(entry.get(), GetLastError());
            if (entry->stopEvent)
                CloseHandle(entry->stopEvent);
            continue;
        }
        m_threads.push_back(std::move(entry));
    }
    if (m_threads.empty())
        PostFinished();
}

void ScanJob::ReportUnstarted(const ScanThreadEntry* entry, DWORD error)
{
    if (error == 0)
        error = ERROR_NOT_ENOUGH_MEMORY;
    char* errorText = FormatErrorTextA(error, nullptr);
    const char* text = errorText ? errorText : "Unknown Error.";
    std::string line = "tol_ndis: A thread of scan " + std::to_string(static_cast<int>(m_tid));
    if (entry && !entry->addresses.empty())
        line += " (" + AddressText(entry->addresses.front()) + " to " +
                AddressText(entry->addresses.back()) + ")";
    line += " could not be started. ";
    line += text;
    if (m_owner)
        m_owner->PostEvent(kLevelErrors, line.c_str());
    PostText(text);
    FreeHeapBlock(errorText);
}

void ScanJob::Stop()
{
    Entries stopped, ended;
    {
        CScopedLock lock(m_lock);
        stopped.swap(m_threads);
        ended.swap(m_ended);
        for (auto& entry : stopped)
            if (entry->stopEvent)
                SetEvent(entry->stopEvent);
    }
    const bool wasRunning = !stopped.empty();
    // Without the job lock: a thread in its end step needs it.
    JoinEntries(stopped);
    JoinEntries(ended);
    if (wasRunning)
        PostFinished();
}

void ScanJob::JoinEntries(Entries& entries)
{
    for (auto& entry : entries) {
        if (entry->thread) {
            WaitForSingleObject(entry->thread, INFINITE);
            CloseHandle(entry->thread);
        }
        if (entry->stopEvent)
            CloseHandle(entry->stopEvent);
    }
    entries.clear();
}

size_t ScanJob::RunningThreads()
{
    CScopedLock lock(m_lock);
    return m_threads.size();
}

DWORD WINAPI ScanJob::ScanThread(void* argument)
{
    auto* entry = static_cast<ScanThreadEntry*>(argument);
    entry->job->RunSlice(entry);
    return 0;
}

void ScanJob::RunSlice(ScanThreadEntry* entry)
{
    const auto identifier = static_cast<unsigned short>(entry->index);
    const size_t count = entry->addresses.size();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t address = entry->addresses[i];
        std::string text = AddressText(address);
        HostIdentity host;
        if (m_probe->Answers(text.c_str(), identifier, entry->stopEvent) &&
            IdentifyHost(*m_probe, text.c_str(), m_oids, entry->stopEvent, &host)) {
            CComBSTR bytes;
            if (BuildHostRecord(m_tid, m_lid, host, &bytes))
                Post(bytes);
        }
        // The stop is looked at between two addresses; after the last one it is only looked at.
        DWORD waited = WaitForSingleObject(entry->stopEvent, i + 1 < count ? kStopLookMs : 0);
        if (waited == WAIT_OBJECT_0)
            return;  // stopped: Stop holds the entry and posts the closing record
        if (waited == WAIT_FAILED) {
            PostText(WaitFailedText().c_str());
            break;
        }
    }
    EndStep(entry);
}

// The last listed thread closes the run, under the job lock, so that no record of a later
// start can come before it.
void ScanJob::EndStep(ScanThreadEntry* entry)
{
    CScopedLock lock(m_lock);
    auto at = std::find_if(
        m_threads.begin(), m_threads.end(),
        [entry](const std::unique_ptr<ScanThreadEntry>& listed) { return listed.get() == entry; });
    if (at == m_threads.end())
        return;  // taken by Stop, which closes the run once this thread has ended
    if (m_threads.size() == 1)
        PostFinished();
    entry->addresses = std::vector<uint32_t>();
    m_ended.push_back(std::move(*at));
    m_threads.erase(at);
}

void ScanJob::PostFinished()
{
    PostText(kScanFinished);
}

void ScanJob::PostText(const char* text)
{
    CComBSTR bytes;
    if (BuildScanTextRecord(m_tid, m_lid, text, &bytes))
        Post(bytes);
}

void ScanJob::Post(CComBSTR& bytes)
{
    if (m_owner)
        m_owner->PostResult(&bytes, kScanNewData);
}
