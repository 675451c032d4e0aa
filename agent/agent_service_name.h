// The agent's service name, also the source of its event-log entries.
#pragma once

#define TOL_SERVICE_NAME L"Tolvane Quorin Agent"
