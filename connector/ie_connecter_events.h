// CProxy_IIEConnecterEvents: the connector's connection point for _IIEConnecterEvents.
//
// Events are fired on the calling thread (the one that delivered the agent's event), to the
// sinks advised at that moment; nothing of the connector is touched once the first sink has
// been called, so a client may release its connector from inside its handler.
#pragma once

#include "comsupport.h"

#include <Nexolink.h>

class CProxy_IIEConnecterEvents : public CConnectionPoint {
public:
    CProxy_IIEConnecterEvents() : CConnectionPoint(DIID__IIEConnecterEvents) {}

    // StatusChanged(newStatus, StatusDesc) to every advised sink.
    HRESULT Fire_StatusChanged(long status, VARIANT text);
};
