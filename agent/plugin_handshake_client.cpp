#include "plugin_handshake_client.h"

#include "com_variant.h"
#include "init_handshake.h"

#include <TolvanePlugIns.h>

bool RunAgentHandshake(ITolvanePlugIn* plugIn, const wchar_t* classId, char** commandCodes)
{
    if (!plugIn || !classId || !commandCodes)
        return false;
    CComBSTR blob;
    if (!ProtectClassIdText(classId, &blob))
        return false;
    VARIANT auth;
    VariantInit(&auth);
    V_VT(&auth) = VT_BSTR;
    V_BSTR(&auth) = blob;
    VARIANT answer;
    VariantInit(&answer);
    HRESULT hr = plugIn->Init(auth, &answer);

    // Only an answer the plug-in really gave counts: a non-empty byte string.
    bool ok = SUCCEEDED(hr) && V_VT(&answer) == VT_BSTR && V_BSTR(&answer) &&
              SysStringByteLen(V_BSTR(&answer)) > 0 &&
              UnprotectCommandCodes(classId, reinterpret_cast<const BYTE*>(V_BSTR(&answer)),
                                    SysStringByteLen(V_BSTR(&answer)), commandCodes);
    VariantClear(&answer);
    return ok;
}
