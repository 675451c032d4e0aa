// Where the work engine's loop meets the server exchange and the send cache.
#pragma once

#include <windows.h>
#include <oleauto.h>

class CMainWorker;

class IServerLink {
public:
    virtual ~IServerLink() = default;
    // One exchange with the server on the main worker thread: a login (headers only) while
    // the engine is not authorized, else a send of the oldest cache buffer.
    virtual void SendWithTimeout(CMainWorker& engine) = 0;
    // Result bytes a plug-in handed over through Get (a BSTR byte string that the caller
    // still owns and frees).
    virtual void AddToCache(CMainWorker& engine, BSTR bytes) = 0;
};

// The link the engine uses while no exchange with the server is built into the program: it
// logs nobody in (the engine stays not authorized) and sends and keeps nothing.
class CUnconnectedServerLink : public IServerLink {
public:
    void SendWithTimeout(CMainWorker& engine) override;
    void AddToCache(CMainWorker& engine, BSTR bytes) override;
};

IServerLink& DefaultServerLink();
