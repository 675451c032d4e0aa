// CPendingResult: the COM object's pending ResultStream and the lock that guards it.
//
// Result bytes travel as a BSTR used as a byte string: ResultBlobs back to back. Append adds
// a result after the bytes already pending; Take hands everything over and leaves nothing.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "critical_section.h"

class CPendingResult {
public:
    CPendingResult() = default;
    ~CPendingResult();
    CPendingResult(const CPendingResult&) = delete;
    CPendingResult& operator=(const CPendingResult&) = delete;

    // Appends `data` byte for byte when it holds at least two bytes. When the concatenation
    // fails the pending bytes stay as they were and the result is false.
    bool Append(BSTR data);
    // The pending bytes (the caller frees them with SysFreeString), null when none.
    BSTR Take();

private:
    CCriticalSection m_lock;
    BSTR m_pending = nullptr;
};
