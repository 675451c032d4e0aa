#include "client_output.h"

#include "com_bstr.h"
#include "com_error.h"
#include "critical_section.h"

#include <cstdio>

namespace {

CCriticalSection& OutputLock()
{
    static CCriticalSection lock;
    return lock;
}

std::wstring Text(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

}  // namespace

void PrintLine(const std::wstring& line)
{
    std::wstring full = line + L"\n";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, full.c_str(), static_cast<int>(full.size()),
                                    nullptr, 0, nullptr, nullptr);
    std::string narrow(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, full.c_str(), static_cast<int>(full.size()), &narrow[0],
                            bytes, nullptr, nullptr);
    CScopedLock lock(OutputLock());
    fwrite(narrow.data(), 1, narrow.size(), stdout);
    fflush(stdout);
}

std::wstring DescribeValue(const VARIANT& value)
{
    switch (V_VT(&value)) {
    case VT_EMPTY:
        return L"empty";
    case VT_I4:
        return L"i4:" + std::to_wstring(V_I4(&value));
    case VT_BOOL:
        return L"bool:" + std::to_wstring(V_BOOL(&value));
    case VT_BSTR:
        return L"bstr:" + Text(V_BSTR(&value));
    default:
        return L"vt" + std::to_wstring(V_VT(&value));
    }
}

std::wstring DescribeFailure(HRESULT hr, const EXCEPINFO& exception)
{
    if (hr == DISP_E_EXCEPTION)
        return L" source=" + Text(exception.bstrSource) + L" desc=" +
               Text(exception.bstrDescription);
    CComBSTR source;
    CComBSTR description;
    if (!TakeComError(&source, &description))
        return L"";
    return L" source=" + Text(source) + L" desc=" + Text(description);
}

std::wstring HexResult(HRESULT hr)
{
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}
