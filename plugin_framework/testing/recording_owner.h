// CRecordingOwner: stands in for a plug-in's COM object in tests of a worker
// (CMonCheckerBase<CRecordingOwner> and the middle classes on top of it): records what the
// worker posts.
#pragma once

#include <string>
#include <vector>

#include "com_bstr.h"
#include "critical_section.h"

struct CRecordingOwner {
    void PostResult(CComBSTR* data, const char* desc)
    {
        CScopedLock lock(m_lock);
        results.emplace_back(reinterpret_cast<const char*>(data->Bytes()), data->ByteLength());
        descriptions.emplace_back(desc);
    }
    // "<level> <text>"
    void PostEvent(int level, const char* text)
    {
        CScopedLock lock(m_lock);
        events.push_back(std::to_string(level) + " " + text);
    }

    CCriticalSection m_lock;
    std::vector<std::string> results;
    std::vector<std::string> descriptions;
    std::vector<std::string> events;
};
