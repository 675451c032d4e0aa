#include "reply_reader.h"

#include "com_init.h"
#include "trace_log.h"

#include <new>
#include <utility>

CReplyReader::CReplyReader(std::function<void(const char*)> read)
    : m_read(std::move(read)), m_wake(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

CReplyReader::~CReplyReader()
{
    Finish();
}

bool CReplyReader::Post(const char* body)
{
    if (!m_wake || !body)
        return false;
    CScopedLock lock(m_lock);
    if (m_waiting.size() >= kMaxWaitingReplies) {
        WriteTraceLogFormat("Reply dropped: %d replies wait for a plug-in",
                            static_cast<int>(m_waiting.size()));
        return false;
    }
    if (m_thread && WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0) {
        // A reader told to end earlier has ended.
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (!m_thread) {
        m_quit = false;
        m_thread = CreateThread(nullptr, 0, &CReplyReader::ThreadProc, this, 0, nullptr);
        if (!m_thread)
            return false;
    }
    try {
        m_waiting.emplace_back(body);
    } catch (const std::bad_alloc&) {
        return false;
    }
    SetEvent(m_wake.Get());
    return true;
}

void CReplyReader::Discard()
{
    CScopedLock lock(m_lock);
    m_waiting.clear();
}

bool CReplyReader::Finish(DWORD milliseconds)
{
    HANDLE thread;
    {
        CScopedLock lock(m_lock);
        thread = m_thread;
        m_quit = true;
    }
    if (!thread)
        return true;
    SetEvent(m_wake.Get());
    if (WaitForSingleObject(thread, milliseconds) == WAIT_TIMEOUT)
        return false;
    CScopedLock lock(m_lock);
    if (m_thread == thread) {
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    return true;
}

DWORD WINAPI CReplyReader::ThreadProc(void* argument)
{
    static_cast<CReplyReader*>(argument)->Run();
    return 0;
}

void CReplyReader::Run()
{
    // The plug-ins are free-threaded: this thread calls them from the process's apartment.
    CComInit com(COINIT_MULTITHREADED);
    for (;;) {
        std::string body;
        {
            CScopedLock lock(m_lock);
            if (m_waiting.empty() && m_quit)
                return;
            if (!m_waiting.empty()) {
                body = std::move(m_waiting.front());
                m_waiting.pop_front();
            }
        }
        if (!body.empty())
            m_read(body.c_str());
        else if (WaitForSingleObject(m_wake.Get(), INFINITE) != WAIT_OBJECT_0)
            return;
    }
}
