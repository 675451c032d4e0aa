#include "agent_service_control.h"

#include "agent_service_name.h"
#include "service_handle.h"
#include "update_log.h"

#include <windows.h>

namespace {

constexpr int kStatusQueries = 99;

}  // namespace

bool StopAndDeleteAgentService()
{
    WriteUpdateLog("Trying to open SC Manager...");
    CServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        WriteUpdateLogFormat("ERROR. OpenSCManager failed with code %lu.", GetLastError());
        return false;
    }
    WriteUpdateLog("Trying to open Tolvane service...");
    CServiceHandle service(
        OpenServiceW(manager, TOL_SERVICE_NAME, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service)
        return true;  // not installed
    WriteUpdateLog("Stopping Tolvane service...");
    SERVICE_STATUS status = {};
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        WriteUpdateLogFormat("ERROR. ControlService failed with code %lu.", GetLastError());
        return false;
    }
    for (int query = 0; query < kStatusQueries; ++query) {
        if (!QueryServiceStatus(service, &status)) {
            WriteUpdateLogFormat("ERROR. QueryServiceStatus failed with code %lu.", GetLastError());
            return false;
        }
        if (status.dwCurrentState == SERVICE_STOPPED) {
            WriteUpdateLog("Tolvane service stopped. Deleting...");
            if (!DeleteService(service))
                WriteUpdateLogFormat("ERROR. DeleteService failed with code %lu.", GetLastError());
            break;
        }
        Sleep(kServicePause);
    }
    return true;
}

int StartAgentService()
{
    WriteUpdateLog("Trying to open SC Manager...");
    CServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        WriteUpdateLogFormat("ERROR. OpenSCManager failed with code %lu.", GetLastError());
        return 1;
    }
    WriteUpdateLog("Trying to open Tolvane service...");
    for (int attempt = 0; attempt < kServiceOpenTries; ++attempt) {
        if (attempt > 0)
            Sleep(kServicePause);
        CServiceHandle service(OpenServiceW(manager, TOL_SERVICE_NAME, SERVICE_START));
        if (!service)
            continue;
        WriteUpdateLog("Starting Tolvane service...");
        DWORD error = StartServiceW(service, 0, nullptr) ? ERROR_SUCCESS : GetLastError();
        if (error != ERROR_SUCCESS && error != ERROR_SERVICE_ALREADY_RUNNING) {
            WriteUpdateLogFormat("ERROR. StartService failed with code %lu.", error);
            return 1;
        }
        WriteUpdateLog("Tolvane agent sucessfully updated.");
        return 0;
    }
    WriteUpdateLog("ERROR. Failed registering Tolvane service.");
    return 1;
}
