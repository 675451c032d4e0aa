// CPendingResult: the COM object's pending ResultStream and the lock that guards it.
//
// Result bytes travel as a BSTR used as a byte string: ResultBlobs back to back. Append adds
// results after the bytes already pending, in a buffer that grows by doubling (up to a quarter
// beyond the bound), so that n appends between two takes copy O(n) bytes and not O(n²); Take
// hands everything over as one BSTR, byte for byte, and leaves nothing.
//
// The store is bounded: before an append would make it hold more than its byte bound, its
// oldest whole records are dropped (a record's first 32-bit word is its total length; bytes
// that do not read as a record are dropped together) and counted until TakeDrops. The newest
// append is always kept, so the store holds at most the bound plus one append.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <string>

#include "critical_section.h"

// The bytes a plug-in keeps for the agent's next Get.
constexpr size_t kPendingResultBytes = 8u << 20;

struct PendingDrops {
    unsigned long records = 0;
    unsigned long long bytes = 0;
};

class CPendingResult {
public:
    explicit CPendingResult(size_t byteBound = kPendingResultBytes) : m_bound(byteBound) {}
    ~CPendingResult();
    CPendingResult(const CPendingResult&) = delete;
    CPendingResult& operator=(const CPendingResult&) = delete;

    // Appends `data` byte for byte when it holds at least two bytes. When there is no room
    // for it the pending bytes stay as they were and the result is false.
    bool Append(BSTR data);
    // The pending bytes (the caller frees them with SysFreeString), null when none.
    BSTR Take();
    // What was dropped since the last call.
    PendingDrops TakeDrops();

private:
    size_t Pending() const { return m_end - m_begin; }
    void DropOldest(size_t incoming);
    bool MakeRoom(size_t incoming);
    void Release();

    CCriticalSection m_lock;
    const size_t m_bound;
    char* m_buffer = nullptr;  // process heap; the pending bytes are [m_begin, m_end)
    size_t m_capacity = 0;
    size_t m_begin = 0;
    size_t m_end = 0;
    PendingDrops m_drops;
};

// The log line (level 1) a plug-in posts when its store dropped results: the prefix is the
// plug-in's log prefix, such as "tol_mem: ".
std::string PendingDropLine(const char* prefix, const PendingDrops& drops);
