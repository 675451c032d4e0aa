// CRequestContext: what one request shares with WinINet's status callback.
//
// WinINet passes it as the context value of every handle the request creates and calls back
// with it from its own threads until those handles are closed: a send or a read still under
// way when the request thread gives up (time-out, plug-in stopping) completes later, writes
// into the read buffer, reads the data sent and signals the event. So the context, its
// event, the data sent and the read buffer live until the request thread has let go of it AND
// every handle that carries it has been closed (INTERNET_STATUS_HANDLE_CLOSING, WinINet's last
// notice for a handle). While a context lives the module stays locked, so the DLL whose
// callback WinINet calls is not unloaded under it.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

#include "critical_section.h"

class CRequestContext {
public:
    enum Phase : LONG { kConnecting = 1, kRequesting = 2 };
    static constexpr DWORD kChunkBytes = 1023;

    // Null when there is no memory or no event. The caller holds the context until Release.
    static CRequestContext* Create(const std::string& body);

    // The request thread lets go; the context is freed now or when its last handle closes.
    void Release();

    static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status,
                                        LPVOID information, DWORD length);

    DWORD_PTR Value() { return reinterpret_cast<DWORD_PTR>(this); }
    HANDLE Event() const { return m_event; }
    void SetPhase(Phase phase) { InterlockedExchange(&m_phase, phase); }

    // A handle returned at once by the call that made it in this phase: stored (the
    // callback may have stored it already) and the creation notice's signal cleared. True.
    bool HandleReturned(HINTERNET handle);
    HINTERNET Connection();
    HINTERNET Request();

    // The last request-complete notice (read after the event was signalled).
    DWORD_PTR CompletionResult() const { return m_completionResult; }
    DWORD CompletionError() const { return m_completionError; }

    // The data sent with the request (null and 0 when there is none).
    void* BodyData() { return m_body.empty() ? nullptr : &m_body[0]; }
    DWORD BodyBytes() const { return static_cast<DWORD>(m_body.size()); }

    // The buffer of one chunk read, prepared afresh; the chunk and its length after the read.
    INTERNET_BUFFERSW* PrepareRead();
    const char* Chunk() const { return m_chunk; }
    DWORD ChunkBytes() const { return m_buffers.dwBufferLength; }

private:
    struct KnownHandle {
        HINTERNET handle = nullptr;
        bool closed = false;
    };

    explicit CRequestContext(const std::string& body);
    ~CRequestContext();
    CRequestContext(const CRequestContext&) = delete;
    CRequestContext& operator=(const CRequestContext&) = delete;

    void OnHandleCreated(HINTERNET handle);
    void OnRequestComplete(const INTERNET_ASYNC_RESULT* result);
    void OnHandleClosing(HINTERNET handle);
    // The handle made in the current phase: the connection, then the request.
    void Store(HINTERNET handle);
    // Under the lock: true when nothing can reach the context any more.
    bool Unreachable() const;

    HANDLE m_event = nullptr;  // auto-reset
    volatile LONG m_phase = kConnecting;
    DWORD_PTR m_completionResult = 0;
    DWORD m_completionError = 0;
    std::string m_body;
    INTERNET_BUFFERSW m_buffers = {};
    char m_chunk[kChunkBytes + 1] = {};

    CCriticalSection m_lock;  // guards the handles and the hold
    KnownHandle m_connection;
    KnownHandle m_request;
    bool m_held = true;
};
