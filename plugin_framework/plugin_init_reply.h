// The plug-in side of the Init handshake, as one step of the COM object's Init.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "com_bstr.h"

enum class InitReply {
    Accepted,     // the request names this class; reply holds the protected command codes
    NoClassText,  // the class identifier text could not be built; error holds the code
    Refused,      // unprotecting failed, another text, or the reply could not be protected
};

// auth: the agent's protected class identifier text (a byte string). On acceptance `reply`
// receives the protected CommandCodeList with its terminating NUL.
InitReply AnswerInitRequest(REFCLSID clsid, BSTR auth, const char* commandCodes, CComBSTR* reply,
                            DWORD* error);
