#include "pending_result.h"

#include "record_length.h"

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
        // Bytes that do not read as a record go with everything after them.
        size_t record =
            RecordLengthAt(reinterpret_cast<const unsigned char*>(m_buffer + m_begin), Pending());
        if (record == 0)
            record = Pending();
        m_begin += record;
        ++m_drops.records;
        m_drops.bytes += record;
    }
    if (Pending() == 0)
        m_begin = m_end = 0;
}

// Room for `incoming` bytes after the pending ones. The buffer wants twice the bytes it is to
// hold, but no more than a quarter beyond the bound while they fit in that: the pending bytes
// move to the front when the buffer has that room, else into a buffer of that size. Either way
// as many bytes can be appended afterwards as were moved, or a quarter of the bound, so every
// byte appended is moved at most a few times.
bool CPendingResult::MakeRoom(size_t incoming)
{
    if (m_capacity - m_end >= incoming)
        return true;
    const size_t needed = Pending() + incoming;
    if (needed < Pending())
        return false;
    const size_t limit = m_bound + m_bound / 4;
    size_t capacity = needed > SIZE_MAX / 2 ? needed : 2 * needed;
    if (needed <= limit && capacity > limit)
        capacity = limit;
    if (capacity < kFirstCapacity)
        capacity = kFirstCapacity;
    if (capacity <= m_capacity) {
        memmove(m_buffer, m_buffer + m_begin, Pending());
    } else {
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
    snprintf(
        line, sizeof line,
        "%s%lu results (%llu bytes) dropped, the oldest first: at most %u bytes of results wait "
        "for the agent to fetch them.",
        prefix ? prefix : "", drops.records, drops.bytes,
        static_cast<unsigned>(kPendingResultBytes));
    return line;
}
