// CTolvaneModule: the agent program's service and COM server module.
//
// The one global module is constructed before the work engine: its construction joins the
// main thread to the multithreaded apartment and loads the service name, both of which the
// engine needs when it starts work during its own construction.
#pragma once

#include "comsupport.h"

#include <atomic>

class CTolvaneModule : public CComServiceModule {
public:
    CTolvaneModule();
    ~CTolvaneModule() override;

    // COM security of the server: owner and group of the caller's token, access for everyone.
    HRESULT InitializeSecurity() override;
    // As a service the program starts automatically and carries its description.
    HRESULT RegisterAppId(bool service) override;
    // Reports stop-pending and stops work on a thread of its own; returns at once.
    void OnStop() override;
    void PostMessageLoop() override;

private:
    static DWORD WINAPI ServiceStopThread(void* argument);
    void StopService();
    HRESULT SetAutomaticStart();

    HRESULT m_com;
    std::atomic<bool> m_stopping{false};
};
