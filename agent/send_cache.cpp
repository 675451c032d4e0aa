// The send cache: result bytes in a bounded list of byte strings, oldest first, and the
// in-flight buffer that the sending thread posts until the server has taken it.
#include "main_worker.h"

#include "heap_helpers.h"
#include "record_pieces.h"
#include "trace_log.h"

#include <cstring>

void CMainWorker::AddToCache(BSTR bytes)
{
    CScopedLock lock(m_cacheLock);
    unsigned maxSize = GetMaxBufferSize();
    unsigned maxCount = GetMaxBufferCount();
    WriteTraceLogFormat("Add cache: max buffer size: %d bytes, max buffers count: %d",
                        static_cast<int>(maxSize), static_cast<int>(maxCount));
    if (m_sendCache.empty()) {
        BSTR first = SysAllocStringByteLen(nullptr, 0);
        if (!first)
            return;
        m_sendCache.push_back(first);
    }
    const char* data = reinterpret_cast<const char*>(bytes);
    UINT length = SysStringByteLen(bytes);
    // One hand-over of any size would make a buffer of any size: cut it at its records.
    for (const RecordPiece& piece :
         SplitAtRecords(reinterpret_cast<const unsigned char*>(data), length, maxSize))
        AddPieceToCache(data + piece.offset, static_cast<UINT>(piece.length), maxSize, maxCount);
}

void CMainWorker::AddPieceToCache(const char* bytes, UINT length, unsigned maxSize,
                                  unsigned maxCount)
{
    unsigned long long newest = SysStringByteLen(m_sendCache.back());
    if (newest != 0 && newest + length > maxSize)
        OpenCacheBuffer(bytes, length, maxCount);
    else if (length != 0)
        AppendToNewestBuffer(bytes, length);
}

void CMainWorker::OpenCacheBuffer(const char* bytes, UINT length, unsigned maxCount)
{
    BSTR copy = SysAllocStringByteLen(bytes, length);
    if (!copy)
        return;
    while (!m_sendCache.empty() && m_sendCache.size() >= maxCount) {
        SysFreeString(m_sendCache.front());
        m_sendCache.pop_front();
        WriteTraceLogFormat("Removed first cache: cache count: %d",
                            static_cast<int>(m_sendCache.size()));
    }
    m_sendCache.push_back(copy);
    WriteTraceLogFormat("Add cache: %d bytes", static_cast<int>(length));
}

void CMainWorker::AppendToNewestBuffer(const char* bytes, UINT addedLength)
{
    BSTR& newest = m_sendCache.back();
    UINT oldLength = SysStringByteLen(newest);
    BSTR joined = SysAllocStringByteLen(nullptr, oldLength + addedLength);
    if (!joined)
        return;  // the new bytes are lost; the buffer stays as it was
    char* target = reinterpret_cast<char*>(joined);
    std::memcpy(target, newest, oldLength);
    std::memcpy(target + oldLength, bytes, addedLength);
    SysFreeString(newest);
    newest = joined;
    WriteTraceLogFormat("Add cache: %d bytes, cache size: %d bytes, cache count: %d",
                        static_cast<int>(addedLength), static_cast<int>(oldLength + addedLength),
                        static_cast<int>(m_sendCache.size()));
}

void CMainWorker::TakeSendBlock(char** bytes, DWORD* length)
{
    if (bytes)
        *bytes = nullptr;
    if (length)
        *length = 0;
    if (!bytes || !length || !m_authorized.load())
        return;
    TakeInFlightBlock(bytes, length);
}

void CMainWorker::TakeInFlightBlock(char** bytes, DWORD* length)
{
    *bytes = nullptr;
    *length = 0;
    {
        CScopedLock lock(m_cacheLock);
        if (!SysStringByteLen(m_inFlight) && !m_sendCache.empty()) {
            SysFreeString(m_inFlight);  // an empty buffer is not worth a send of its own
            m_inFlight = m_sendCache.front();
            m_sendCache.pop_front();
            WriteTraceLogFormat("Get cache: %d bytes, cache count: %d",
                                static_cast<int>(SysStringByteLen(m_inFlight)),
                                static_cast<int>(m_sendCache.size()));
        }
    }
    UINT inFlightLength = SysStringByteLen(m_inFlight);
    if (!inFlightLength)
        return;
    auto* copy = static_cast<char*>(HeapAllocZero(inFlightLength));
    if (!copy)
        return;
    std::memcpy(copy, m_inFlight, inFlightLength);
    *bytes = copy;
    *length = inFlightLength;
}
