#include "server_link.h"

void CUnconnectedServerLink::SendWithTimeout(CMainWorker&)
{
    // No exchange: not authorized, nothing sent.
}

void CUnconnectedServerLink::AddToCache(CMainWorker&, BSTR)
{
    // No send cache: the bytes are not kept.
}

IServerLink& DefaultServerLink()
{
    static CUnconnectedServerLink link;
    return link;
}
