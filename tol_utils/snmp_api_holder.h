// CSnmpApiHolder: the Windows SNMP API held by a plug-in that binds it itself (tol_ndis,
// tol_snmp): bound through init_snmp_lib and started with SnmpStartup by Acquire, cleaned up
// with SnmpCleanup by Release or the destructor, and only when Acquire started it.
//
// SnmpStartup's five out-values (major and minor version, level, translate mode, retransmit
// mode) are read and discarded: the client sets the modes it needs for each request.
#pragma once

#include "snmp_lib.h"

enum class SnmpApiStart {
    Started,     // started now or already held
    NotBound,    // init_snmp_lib failed
    NotStarted,  // SnmpStartup did not answer SNMPAPI_SUCCESS
};

class CSnmpApiHolder {
public:
    CSnmpApiHolder() = default;
    ~CSnmpApiHolder() { Release(); }
    CSnmpApiHolder(const CSnmpApiHolder&) = delete;
    CSnmpApiHolder& operator=(const CSnmpApiHolder&) = delete;

    SnmpApiStart Acquire()
    {
        if (m_started)
            return SnmpApiStart::Started;
        if (!init_snmp_lib())
            return SnmpApiStart::NotBound;
        smiUINT32 major = 0, minor = 0, level = 0;
        smiUINT32 translateMode = 0, retransmitMode = 0;
        if (libpo_SnmpStartup(&major, &minor, &level, &translateMode, &retransmitMode) !=
            SNMPAPI_SUCCESS)
            return SnmpApiStart::NotStarted;
        m_started = true;
        return SnmpApiStart::Started;
    }

    void Release()
    {
        if (m_started)
            libpo_SnmpCleanup();
        m_started = false;
    }

    bool Started() const { return m_started; }

private:
    bool m_started = false;
};
