#include "plugin_init_reply.h"

#include "init_handshake.h"

InitReply AnswerInitRequest(REFCLSID clsid, BSTR auth, const char* commandCodes, CComBSTR* reply,
                            DWORD* error)
{
    switch (CheckAgentAuth(clsid, reinterpret_cast<const BYTE*>(auth), SysStringByteLen(auth))) {
    case AgentAuthResult::Accepted:
        break;
    case AgentAuthResult::NoClassIdText:
        *error = GetLastError();
        return InitReply::NoClassText;
    case AgentAuthResult::NoAuth:
    case AgentAuthResult::Refused:
        return InitReply::Refused;
    }
    return ProtectCommandCodes(clsid, commandCodes, reply) ? InitReply::Accepted
                                                           : InitReply::Refused;
}
