#include "server_link.h"

void CUnconnectedServerLink::SendWithTimeout(CMainWorker&)
{
    // No exchange: not authorized, nothing sent.
}

IServerLink& DefaultServerLink()
{
    static CUnconnectedServerLink link;
    return link;
}
