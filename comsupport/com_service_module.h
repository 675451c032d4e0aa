// CComServiceModule: an out-of-process COM server that can also run as a Windows service.
//
// The program's entry hands its command line to WinMain, which obeys the switches
// (after '-' or '/', any case):
//   RegServer            the application identifier (no service), the classes, the type library
//   UnregServer          removes all three and an installed service
//   RegServerPerUser     the classes and the type library for the current user only
//   UnregServerPerUser   removes those
//   Service              as RegServer, and installs the program as the service
// and otherwise starts the server: as the service when the application identifier's key holds
// the value LocalService (service control dispatcher, service main, message loop), else as a
// plain local server that ends when its last client has gone.
//
// The message loop runs on the service's thread (or the program's main thread); posting
// WM_QUIT to it ends the server. The service writes "Service started" and "Service stopped"
// to the event log under its name (event id 0).
#pragma once

#include <windows.h>

#include "com_exe_module.h"
#include "critical_section.h"

class CComServiceModule : public CComExeModule {
public:
    // appIdScript: REGISTRY resource of the application identifier's registration; its
    // replacement APPID is the identifier in braces.
    CComServiceModule(const CComClassEntry* classes, size_t count, const GUID& appId,
                      UINT appIdScript);

    void SetServiceName(const wchar_t* name);
    const wchar_t* ServiceName() const { return m_serviceName; }

    // Obeys the command line, or serves; the program's exit code.
    int WinMain(const wchar_t* commandLine);
    // Runs as the service or as a plain local server, as the application identifier says.
    HRESULT Start();

    virtual HRESULT RegisterAppId(bool service);
    virtual HRESULT UnregisterAppId();
    // Called once before the class objects are registered; its result is not used.
    virtual HRESULT InitializeSecurity() { return S_OK; }
    // A stop request from the service control manager: by default report stop-pending and
    // end the message loop.
    virtual void OnStop();
    // Hooks around the message loop: the class objects are registered before it and revoked
    // after it.
    virtual HRESULT PreMessageLoop();
    virtual void PostMessageLoop();

    bool IsInstalled() const;
    bool Install();    // as a service started on demand; true when it is there
    bool Uninstall();  // stops and deletes the service; true when it is gone

    // Reports the service's state to the service control manager (nothing outside a service).
    void ReportStatus(DWORD state, DWORD checkPoint = 0, DWORD waitHint = 0);
    void ReportCurrentStatus();
    // An entry of the event log under the service name, with one text.
    void LogEvent(WORD type, DWORD eventId, const wchar_t* text) const;

protected:
    bool AppIdHasLocalService() const;
    HRESULT Run();

private:
    static void WINAPI ServiceMainProc(DWORD argc, LPWSTR* argv);
    static void WINAPI HandlerProc(DWORD control);
    void ServiceMain();
    bool ObeySwitches(const wchar_t* commandLine, HRESULT* result);
    HRESULT SetLocalService(bool service);

    GUID m_appId;
    wchar_t m_appIdText[40] = {};
    UINT m_appIdScript;
    wchar_t m_serviceName[256] = {};
    bool m_service = false;
    SERVICE_STATUS_HANDLE m_statusHandle = nullptr;
    CCriticalSection m_statusLock;  // the handler and a stop thread both report
    SERVICE_STATUS m_status = {};
};
