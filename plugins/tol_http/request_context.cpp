#include "request_context.h"

#include <new>

#include "com_module.h"

CRequestContext* CRequestContext::Create(const std::string& body)
{
    CRequestContext* context = nullptr;
    try {
        context = new CRequestContext(body);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!context->m_event) {
        delete context;
        return nullptr;
    }
    return context;
}

CRequestContext::CRequestContext(const std::string& body)
    : m_event(CreateEventW(nullptr, FALSE, FALSE, nullptr)), m_body(body)
{
    if (CComModule* module = GetComModule())
        module->Lock();
}

CRequestContext::~CRequestContext()
{
    if (m_event)
        CloseHandle(m_event);
    if (CComModule* module = GetComModule())
        module->Unlock();
}

void CRequestContext::Release()
{
    bool gone;
    {
        CScopedLock lock(m_lock);
        m_held = false;
        gone = Unreachable();
    }
    if (gone)
        delete this;
}

bool CRequestContext::Unreachable() const
{
    return !m_held && (!m_connection.handle || m_connection.closed) &&
           (!m_request.handle || m_request.closed);
}

void CALLBACK CRequestContext::StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status,
                                              LPVOID information, DWORD length)
{
    CRequestContext* self = reinterpret_cast<CRequestContext*>(context);
    if (!self)
        return;
    switch (status) {
    case INTERNET_STATUS_HANDLE_CREATED:
        if (information && length >= sizeof(INTERNET_ASYNC_RESULT))
            self->OnHandleCreated(reinterpret_cast<HINTERNET>(
                static_cast<INTERNET_ASYNC_RESULT*>(information)->dwResult));
        break;
    case INTERNET_STATUS_REQUEST_COMPLETE:
        if (information && length >= sizeof(INTERNET_ASYNC_RESULT))
            self->OnRequestComplete(static_cast<INTERNET_ASYNC_RESULT*>(information));
        break;
    case INTERNET_STATUS_HANDLE_CLOSING:
        // The handle closing is the callback's handle; the notice carries it as well.
        if (information && length >= sizeof(HINTERNET))
            handle = *static_cast<HINTERNET*>(information);
        self->OnHandleClosing(handle);
        break;
    default:
        break;
    }
}

void CRequestContext::OnHandleCreated(HINTERNET handle)
{
    Store(handle);
    SetEvent(m_event);
}

void CRequestContext::OnRequestComplete(const INTERNET_ASYNC_RESULT* result)
{
    if (m_phase != kRequesting)
        return;
    m_completionResult = result->dwResult;
    m_completionError = result->dwError;
    SetEvent(m_event);
}

void CRequestContext::OnHandleClosing(HINTERNET handle)
{
    bool gone;
    {
        CScopedLock lock(m_lock);
        if (handle && handle == m_connection.handle)
            m_connection.closed = true;
        else if (handle && handle == m_request.handle)
            m_request.closed = true;
        gone = Unreachable();
    }
    if (gone)
        delete this;
}

void CRequestContext::Store(HINTERNET handle)
{
    CScopedLock lock(m_lock);
    KnownHandle* slot = m_phase == kConnecting ? &m_connection : &m_request;
    if (handle && slot->handle != handle) {
        slot->handle = handle;
        slot->closed = false;
    }
}

bool CRequestContext::HandleReturned(HINTERNET handle)
{
    Store(handle);
    ResetEvent(m_event);
    return true;
}

HINTERNET CRequestContext::Connection()
{
    CScopedLock lock(m_lock);
    return m_connection.handle;
}

HINTERNET CRequestContext::Request()
{
    CScopedLock lock(m_lock);
    return m_request.handle;
}

INTERNET_BUFFERSW* CRequestContext::PrepareRead()
{
    m_buffers = INTERNET_BUFFERSW();
    m_buffers.dwStructSize = sizeof(INTERNET_BUFFERSW);
    m_buffers.lpvBuffer = m_chunk;
    m_buffers.dwBufferLength = kChunkBytes;
    return &m_buffers;
}
