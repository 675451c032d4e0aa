// Starting the agent's Windows service.
#pragma once

// Starts the service "Tolvane Quorin Agent" and polls its state every 500 ms while it is
// start-pending, at most 21 times. True only when the last state read is running; false when
// the service control manager or the service cannot be opened, the start fails (a service
// already running included) or the service is still pending after the last poll.
bool StartAgentService();
