// CDiskVolumeMonitoring: the disk plug-in's COM class. Init, Add and Set are the framework's;
// every Get hands over the drive list first, then the pending results.
#pragma once

#include "DiskMon.h"
#include "mon_plugin_object.h"
#include "tol_disk.h"

class CDiskVolumeMonitoring
    : public CMonPlugInObject<CDiskVolumeMonitoring, CDiskMon<CDiskVolumeMonitoring>,
                              IDiskVolumeMonitoring, &IID_IDiskVolumeMonitoring, &LIBID_tol_diskLib,
                              &DIID__IDiskVolumeMonitoringEvents, &CLSID_DiskVolumeMonitoring> {
public:
    static const char* CommandCodeList() { return DiskCommandCodes(); }
    static const char* LogPrefix() { return "tol_disk: "; }

    void LeadingResults(CComBSTR* out)
    {
        if (m_worker)
            m_worker->BuildDiskList(out);
    }

    TOL_PLUGIN_COM_MAP(CDiskVolumeMonitoring, IDiskVolumeMonitoring, IID_IDiskVolumeMonitoring)
};
