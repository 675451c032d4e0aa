#include "plugin_call_checks.h"

#include "com_error.h"
#include "heap_helpers.h"
#include "plugin_init_reply.h"
#include "plugin_texts.h"

HRESULT CheckInitRequest(REFCLSID clsid, const VARIANT& szAuth, const char* commandCodes,
                         const wchar_t* refusedText, CComBSTR* reply)
{
    if (szAuth.vt != VT_BSTR || SysStringByteLen(szAuth.bstrVal) == 0)
        return ReportComError(clsid, kTextNoAuthentication);
    DWORD error = 0;
    switch (AnswerInitRequest(clsid, szAuth.bstrVal, commandCodes, reply, &error)) {
    case InitReply::Accepted:
        return S_OK;
    case InitReply::NoClassText: {
        wchar_t* text = FormatErrorText(error, nullptr);
        HRESULT hr = ReportComError(clsid, text ? text : L"");
        FreeHeapBlock(text);
        return hr;
    }
    case InitReply::Refused:
        break;
    }
    return ReportComError(clsid, refusedText);
}

HRESULT TakeNewValue(REFCLSID clsid, const VARIANT& szNewVal, char** utf8Line)
{
    if (szNewVal.vt != VT_BSTR)
        return ReportComError(clsid, kTextNewValueNotString);
    if (SysStringLen(szNewVal.bstrVal) == 0)
        return ReportComError(clsid, kTextNewValueZeroLength);
    *utf8Line = WideToMultiByteAlloc(szNewVal.bstrVal, CP_UTF8);
    return S_OK;
}
