// The agent's own status and error texts.
#pragma once

#define TOL_TEXT_NOT_REGISTERED L"You\u2019re not registered, try again later."
#define TOL_TEXT_ALREADY_RUNNING L"Tolvane Agent is already running."
#define TOL_TEXT_ALREADY_STOPPED L"Agent is already stopped."
#define TOL_TEXT_STOPPING L"Currently, the agent stops all work, wait for completion of the process."
#define TOL_TEXT_INIT_COMPLETED L"Initialization completed"
#define TOL_TEXT_ALL_STOPPED L"All monitors are stopped."
#define TOL_TEXT_REGISTRATION_PENDING L"Registration info will be set after Tolvane server approval."
#define TOL_TEXT_PROXY_CHANGED L"New Proxy Server will be used for HTTP connections."
#define TOL_TEXT_SERVICE_STOPPED L"Service is stopped."
#define TOL_TEXT_PLUGIN_IMPORTED L"The Plug-In was successfully imported"
