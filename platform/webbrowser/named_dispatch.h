// CNamedDispatch: IDispatch answered from a table of member names (matched without regard to
// case, as a script host matches them) and one InvokeMember per object; no type information.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "no_type_info_dispatch.h"

struct CDispatchName {
    const wchar_t* name;  // null ends the table
    DISPID id;
};

class CNamedDispatch : public CNoTypeInfoDispatch<IDispatch> {
public:
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHOD(Invoke)
    (DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
     UINT*) override;

protected:
    virtual ~CNamedDispatch() = default;
    virtual const CDispatchName* Names() const = 0;
    // result is initialised (VT_EMPTY) and may be null.
    virtual HRESULT InvokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) = 0;
};
