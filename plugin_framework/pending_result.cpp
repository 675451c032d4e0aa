#include "pending_result.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// A buffer this large or smaller is kept after a take for the next results.
constexpr size_t kKeptCapacity = 256u << 10;
constexpr size_t kFirstCapacity = 4096;

}  // namespace

CPendingResult::~CPendingResult()
{
    Release();
}

void CPendingResult::Release()
{
    if (m_buffer)
        HeapFree(GetProcessHeap(), 0, m_buffer);
    m_buffer = nullptr;
    m_capacity = m_begin = m_end = 0;
}

// Whole records from the front while the bytes pending and the incoming ones pass the bound.
void CPendingResult::DropOldest(size_t incoming)
{
    while (Pending() > 0 && Pending() + incoming > m_bound) {
        size_t record = Pending();
        if (record >= sizeof(uint32_t)) {
            uint32_t length = 0;
            memcpy(&length, m_buffer + m_begin, sizeof length);
            if (length >= sizeof(uint32_t) && length <= Pending())
                record = length;
        }
        m_begin += record;
        ++m_drops.records;
        m_drops.bytes += record;
    }
    if (Pending() == 0)
        m_begin = m_end = 0;
}

// Room for `incoming` bytes after the pending ones: the pending bytes move to the front when
// the buffer is at most half full with them, else into a buffer twice their size.
bool CPendingResult::MakeRoom(size_t incoming)
{
    if (m_capacity - m_end >= incoming)
        return true;
    const size_t needed = Pending() + incoming;
    if (needed < Pending())
        return false;
    if (needed <= m_capacity / 2) {
        memmove(m_buffer, m_buffer + m_begin, Pending());
    } else {
        size_t capacity = needed > SIZE_MAX / 2 ? needed : 2 * needed;
        if (capacity < kFirstCapacity)
            capacity = kFirstCapacity;
        auto* buffer = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, capacity));
        if (!buffer)
            return false;
        if (Pending())
            memcpy(buffer, m_buffer + m_begin, Pending());
        if (m_buffer)
            HeapFree(GetProcessHeap(), 0, m_buffer);
        m_buffer = buffer;
        m_capacity = capacity;
    }
    m_end = Pending();
    m_begin = 0;
    return true;
}

bool CPendingResult::Append(BSTR data)
{
    const size_t length = data ? SysStringByteLen(data) : 0;
    if (length < 2)
        return false;
    CScopedLock lock(m_lock);
    DropOldest(length);
    if (!MakeRoom(length))
        return false;
    memcpy(m_buffer + m_end, data, length);
    m_end += length;
    return true;
}

BSTR CPendingResult::Take()
{
    CScopedLock lock(m_lock);
    if (Pending() == 0)
        return nullptr;
    // Left pending when no BSTR can be had: the next take tries again.
    BSTR taken = SysAllocStringByteLen(m_buffer + m_begin, static_cast<UINT>(Pending()));
    if (!taken)
        return nullptr;
    if (m_capacity > kKeptCapacity)
        Release();
    m_begin = m_end = 0;
    return taken;
}

PendingDrops CPendingResult::TakeDrops()
{
    CScopedLock lock(m_lock);
    PendingDrops drops = m_drops;
    m_drops = PendingDrops();
    return drops;
}

std::string PendingDropLine(const char* prefix, const PendingDrops& drops)
{
    char line[256];
    snprintf(line, sizeof line,
             "%s%lu results (%llu bytes) dropped, the oldest first: at most %u bytes of results wait "
             "for the agent to fetch them.",
             prefix ? prefix : "", drops.records, drops.bytes, static_cast<unsigned>(kPendingResultBytes));
    return line;
}
