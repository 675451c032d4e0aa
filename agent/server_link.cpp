#include "server_link.h"

#include "main_worker.h"

void CUnconnectedServerLink::SendWithTimeout(CMainWorker&)
{
    // No exchange: not authorized, nothing sent.
}

void CWinInetServerLink::SendWithTimeout(CMainWorker& engine)
{
    engine.ExchangeWithTimeout();
}

IServerLink& DefaultServerLink()
{
    static CWinInetServerLink link;
    return link;
}
