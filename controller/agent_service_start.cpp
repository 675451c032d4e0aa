#include "agent_service_start.h"

#include <windows.h>

#include "agent_service_name.h"
#include "service_handle.h"

namespace {

const DWORD kPollMilliseconds = 500;
const int kMaxPolls = 21;

}  // namespace

bool StartAgentService()
{
    CServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager)
        return false;
    CServiceHandle service(OpenServiceW(manager, TOL_SERVICE_NAME, SERVICE_ALL_ACCESS));
    if (!service)
        return false;
    if (!StartServiceW(service, 0, nullptr))
        return false;
    DWORD state = 0;
    for (int poll = 0; poll < kMaxPolls; ++poll) {
        Sleep(kPollMilliseconds);
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                  sizeof(status), &needed))
            break;
        state = status.dwCurrentState;
        if (state != SERVICE_START_PENDING)
            break;
    }
    return state == SERVICE_RUNNING;
}
