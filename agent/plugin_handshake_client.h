// The agent's side of a plug-in's Init: the protected class identifier goes in, the
// protected command-code list comes back.
#pragma once

struct ITolvanePlugIn;

// Runs Init on the plug-in for its class identifier text (as the registry names it) and
// hands out the unprotected command-code list as a heap text (FreeHeapBlock). False when the
// protection fails, Init fails, its answer is not a non-empty byte string or does not
// unprotect.
bool RunAgentHandshake(ITolvanePlugIn* plugIn, const wchar_t* classId, char** commandCodes);
