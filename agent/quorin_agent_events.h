// CProxy_IQuorinAgentEvents: the automation object's connection point for _IQuorinAgentEvents.
//
// Events are queued and delivered in order on the point's own delivery thread, so the work
// engine fires them under its locks without waiting for any client, and a client may call
// the agent from its handler.
#pragma once

#include "comsupport.h"

#include <TolvaneLib.h>

constexpr DISPID kDispIdTestListChanged = 1;
constexpr DISPID kDispIdStatusChanged = 2;

class CProxy_IQuorinAgentEvents : public CConnectionPoint {
public:
    CProxy_IQuorinAgentEvents() : CConnectionPoint(DIID__IQuorinAgentEvents) {}
    ~CProxy_IQuorinAgentEvents() override { Close(0); }

    // Starts the delivery thread; false when it cannot run.
    bool Open();
    // Delivers what is queued for at most `milliseconds`, then stops delivering.
    void Close(DWORD milliseconds);
    // Waits until everything fired so far was delivered; false on time-out.
    bool Flush(DWORD milliseconds);

    // StatusChanged(newStatus, StatusDesc) to every advised sink.
    HRESULT Fire_StatusChanged(long status, VARIANT text);

private:
    CDispatchEventQueue* m_queue = nullptr;
};
