// The agent's own status and error texts.
#pragma once

#define TOL_TEXT_NOT_REGISTERED L"You\u2019re not registered, try again later."
#define TOL_TEXT_ALREADY_RUNNING L"Tolvane Agent is already running."
#define TOL_TEXT_ALREADY_STOPPED L"Agent is already stopped."
#define TOL_TEXT_STOPPING \
    L"Currently, the agent stops all work, wait for completion of the process."
#define TOL_TEXT_INIT_COMPLETED L"Initialization completed"
#define TOL_TEXT_ALL_STOPPED L"All monitors are stopped."
#define TOL_TEXT_REGISTRATION_PENDING \
    L"Registration info will be set after Tolvane server approval."
#define TOL_TEXT_PROXY_CHANGED L"New Proxy Server will be used for HTTP connections."
#define TOL_TEXT_SERVICE_STOPPED L"Service is stopped."
#define TOL_TEXT_PLUGIN_IMPORTED L"The Plug-In was successfully imported"
#define TOL_TEXT_SEND_TIMED_OUT L"Data sending timed out after 30 seconds."
#define TOL_TEXT_SEND_INIT_FAILED L"Data sending failed on internal initialization."
#define TOL_TEXT_SEND_TRYING_MODEL \
    L"Data sending failed on internal initialization. Trying model: %d"
#define TOL_TEXT_SEND_CONNECT_FAILED L"Data sending failed on opening http session for the server."
#define TOL_TEXT_SEND_OPEN_REQUEST_FAILED L"Data sending failed on preparing http request."
#define TOL_TEXT_SEND_HEADERS_FAILED L"data sending failed when adding http headers."
#define TOL_TEXT_SEND_REQUEST_FAILED L"Data sending failed on making request."
#define TOL_TEXT_SEND_STATUS_FAILED L"Data sending failed on querying response status code."
#define TOL_TEXT_SEND_READ_FAILED L"Data sending failed on reading response from the server."
#define TOL_TEXT_AUTH_REFUSED L"Authorization Failed. All monitoring processes are stopped."
#define TOL_TEXT_AUTH_INTERNAL_ERROR L"Internal Error on Tolvane server during authorization."
#define TOL_TEXT_AUTH_SUCCEEDED L"Authorization is successfully finished."
#define TOL_TEXT_TEMPORARY_SERVER_ERROR \
    L"Temporary Server Error with the following response code: %d"
#define TOL_TEXT_CONNECTION_RESTORED L"Connection to server re-established."
#define TOL_TEXT_EMAIL_NOT_TEXT L"The user E-MAIL ADDRESS should be a text."
#define TOL_TEXT_EMAIL_LENGTH \
    L"The length of the user e-mail address cannot be 0 or more than 256 symbols."
#define TOL_TEXT_EMAIL_CONTROL \
    L"The user e-mail address cannot contain control characters (such as line breaks or tabs)."
#define TOL_TEXT_NAME_NOT_TEXT L"The Agent Name should be a text."
#define TOL_TEXT_NAME_LENGTH L"The length of the Agent Name cannot be 0 or more than 256 symbols."
#define TOL_TEXT_NAME_CONTROL \
    L"The Agent Name cannot contain control characters (such as line breaks or tabs)."
#define TOL_TEXT_PASSWORD_NOT_TEXT L"The password should be a text."
#define TOL_TEXT_PASSWORD_LENGTH L"The length of the password cannot be 0 or more than 256 symbols."
#define TOL_TEXT_PROXY_NOT_TEXT L"The Proxy Server Name should be a text."
#define TOL_TEXT_PROXY_LENGTH \
    L"The length of the Proxy Server Name cannot be 0 or more than 256 symbols."

// The User-Agent of the agent's requests: the server exchange and the upgrade download.
#define TOL_USER_AGENT "Mozilla/5.0 (compatible; Kelvra Quorin Agent; https://www.tolvane.com/)"
