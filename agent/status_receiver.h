// What the work engine needs of a status receiver (the automation object): its own object
// lock and the StatusChanged event on its connection points.
#pragma once

#include <windows.h>
#include <oaidl.h>

class IStatusReceiver {
public:
    virtual void LockReceiver() = 0;
    virtual void UnlockReceiver() = 0;
    // Fires StatusChanged(status, text) to every connected client; the text is a VT_BSTR.
    virtual HRESULT Fire_StatusChanged(long status, VARIANT text) = 0;

protected:
    ~IStatusReceiver() = default;
};
