// Late-bound calls through IDispatch: a member of an object looked up by name and invoked, as
// a script does. Used where an object's vtable interface is not at hand (a page's elements,
// any ProgID driven from a script).
#pragma once

#include <windows.h>
#include <oaidl.h>

// Invokes the member `name` (flags: DISPATCH_METHOD, DISPATCH_PROPERTYGET, ...). args are in
// the member's parameter order; result and exception may be null. When the object raised an
// exception (DISP_E_EXCEPTION) and exception is given, it holds what the object reported and
// the caller frees its texts (FreeExceptionInfo).
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags, const VARIANT* args,
                     UINT count, VARIANT* result, EXCEPINFO* exception = nullptr);

// Frees the texts of an EXCEPINFO and clears it.
void FreeExceptionInfo(EXCEPINFO* exception);
