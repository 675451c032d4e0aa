// Status numbers fired to the status receivers, and the run states of the work engine.
#pragma once

enum AgentStatus : long {
    STATUS_AUTH_FAILED = 1,
    STATUS_SERVER_ERROR = 2,
    STATUS_AUTHORIZED = 3,
    STATUS_STOPPED = 4,
    STATUS_INFO = 5,
    STATUS_PROXY_CHANGED = 6,
    STATUS_REGISTRATION_PENDING = 7,
    STATUS_SERVICE_STOPPED = 8,
    STATUS_SEND_FAILED = 9,
    STATUS_MESSAGE = 10,
};

enum RunState : long {
    RUN_STOPPED = 1,
    RUN_RUNNING = 2,
    RUN_STOPPING = 4,
};

// Statuses 6, 7 and 10 are passing notices: they do not replace the last status.
inline bool IsKeptAsLastStatus(long status)
{
    return status != STATUS_PROXY_CHANGED && status != STATUS_REGISTRATION_PENDING &&
           status != STATUS_MESSAGE;
}
