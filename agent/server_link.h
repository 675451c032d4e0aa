// Where the work engine's loop meets the server exchange.
#pragma once

class CMainWorker;

class IServerLink {
public:
    virtual ~IServerLink() = default;
    // One exchange with the server on the main worker thread: a login (headers only) while
    // the engine is not authorized, else a send of the engine's next send block.
    virtual void SendWithTimeout(CMainWorker& engine) = 0;
};

// A link that logs nobody in (the engine stays not authorized) and sends nothing; results
// stay in the engine's send cache.
class CUnconnectedServerLink : public IServerLink {
public:
    void SendWithTimeout(CMainWorker& engine) override;
};

// The program's own link: an HTTP(S) POST over WinINet to the Host setting's server.
class CWinInetServerLink : public IServerLink {
public:
    void SendWithTimeout(CMainWorker& engine) override;
};

IServerLink& DefaultServerLink();
