// CNetScanner: the discovery plug-in's COM class. Unlike the framework's plug-ins it runs no
// worker and has its own Init, Add, Get and Set: each NSA test owns a discovery thread
// (CNetDisMon), each DCA test a range scan (ScanJob) with threads of its own, and their records
// reach the pending results through PostResult as soon as they are made. Add answers
// VARIANT_TRUE only for a line the dispatcher accepts. Its own log line says that a scan's
// thread could not be started; Get's hand-over adds the one on dropped results.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <memory>

#include "NetDisMon.h"
#include "TolvanePlugIns.h"
#include "com_bstr.h"
#include "com_error.h"
#include "com_object.h"
#include "connection_point.h"
#include "critical_section.h"
#include "dispatch_impl.h"
#include "mon_plugin_object.h"
#include "ndis_line.h"
#include "pending_result.h"
#include "scan_job.h"
#include "snmp_api_holder.h"
#include "tol_ndis.h"
#include "winsock_holder.h"

class CNetScanner
    : public CDispatchImpl<ITolvanePlugIn, &IID_ITolvanePlugIn, &LIBID_TolvanePlugInsLib>,
      public CDispatchImpl<INetScanner, &IID_INetScanner, &LIBID_tol_ndisLib>,
      public CSupportErrorInfoImpl<&IID_INetScanner>,
      public CConnectionPointContainerImpl,
      public CComObjectRootBase,
      public CScanResultSink {
public:
    CNetScanner();
    HRESULT FinalConstruct();
    // Every discovery and scan is stopped (each thread waited for) and deleted, in id order,
    // before the SNMP API and Winsock are given back.
    void FinalRelease();

    // ITolvanePlugIn
    STDMETHOD(Init)(VARIANT szAuth, VARIANT* szCommand) override;
    STDMETHOD(Add)(VARIANT szNewVal, VARIANT_BOOL* retVal) override;
    STDMETHOD(Get)(VARIANT* szResult) override;
    STDMETHOD(Set)(unsigned short nvType, VARIANT nValue) override;

    // On the discovery and scan threads: appends the bytes (at least two) to the pending
    // results and announces them with OnNewData.
    void PostResult(CComBSTR* data, const char* text) override;
    // A log line: OnNewData with minus the level.
    void PostEvent(int level, const char* text) override;

    // The dispatcher: true when the line is accepted.
    bool ProcessTest(const char* utf8Line);

    TOL_PLUGIN_COM_MAP(CNetScanner, INetScanner, IID_INetScanner)

private:
    using Discovery = CNetDisMon<CNetScanner>;

    bool AddDiscovery(const NdisLine& line);
    void DeleteDiscovery(int tid);
    bool AddScan(const NdisLine& line);
    bool ModifyScan(const NdisLine& line);
    void DeleteScan(int tid);
    HRESULT StartServices();
    void StopServices();
    HRESULT Fail(const wchar_t* text);

    std::atomic<bool> m_initialized{false};
    std::atomic<int> m_checkPeriod{0};  // kept; nothing here reads it
    std::atomic<unsigned int> m_sourceId{0};
    CCriticalSection m_testLock;  // the two maps
    std::map<int, std::unique_ptr<Discovery>> m_discoveries;
    std::map<int, std::unique_ptr<ScanJob>> m_scanJobs;
    CPendingResult m_pending;
    CCriticalSection m_initLock;  // one Init at a time
    CWinsockHolder m_winsock;
    CSnmpApiHolder m_snmp;
    CConnectionPoint m_ownEvents{DIID__INetScannerEvents};
    CConnectionPoint m_pluginEvents{DIID__ITolvanePlugInEvents};
};
