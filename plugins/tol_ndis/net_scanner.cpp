#include "NetScanner.h"

#include "heap_helpers.h"
#include "ndis_texts.h"
#include "net_host_probe.h"
#include "plugin_events.h"
#include "plugin_call_checks.h"
#include "plugin_texts.h"
#include "set_type.h"
#include "snmp_lib.h"

#include <new>

namespace {

constexpr int kInitialCheckPeriod = 300;

// The probe of every scan job: it holds no state of its own.
CNetHostProbe g_hostProbe;

}  // namespace

CNetScanner::CNetScanner()
{
    RegisterConnectionPoint(&m_ownEvents);
    RegisterConnectionPoint(&m_pluginEvents);
}

HRESULT CNetScanner::FinalConstruct()
{
    m_initialized = false;
    m_sourceId = 0;
    return S_OK;
}

void CNetScanner::FinalRelease()
{
    {
        CScopedLock lock(m_testsLock);
        for (auto& discovery : m_discoveries)
            discovery.second->StopDiscovery();
        m_discoveries.clear();
        for (auto& job : m_scanJobs)
            job.second->Stop();
        m_scanJobs.clear();
    }
    StopServices();
    m_ownEvents.UnadviseAll();
    m_pluginEvents.UnadviseAll();
}

HRESULT CNetScanner::Fail(const wchar_t* text)
{
    return ReportComError(CLSID_NetScanner, text);
}

STDMETHODIMP CNetScanner::Init(VARIANT szAuth, VARIANT* szCommand)
{
    CScopedLock lock(m_initLock);
    if (m_initialized)
        return Fail(kTextAlreadyInitialised);
    CComBSTR reply;
    HRESULT hr = CheckInitRequest(CLSID_NetScanner, szAuth, kCommandCodes,
                                  kTextNdisInitialisationFailed, &reply);
    if (FAILED(hr))
        return hr;
    hr = StartServices();
    if (FAILED(hr))
        return hr;
    if (szCommand) {
        VariantInit(szCommand);
        szCommand->vt = VT_BSTR;
        szCommand->bstrVal = reply.Detach();
    }
    m_checkPeriod = kInitialCheckPeriod;
    m_initialized = true;
    return S_OK;
}

// Winsock 2.0, the SNMP API bound through tol_utils and started; what was started is given back
// when a later step fails, so that Init can be tried again.
HRESULT CNetScanner::StartServices()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 0), &data) != 0)
        return Fail(kTextWinsockFailed);
    m_winsockStarted = true;
    if (!init_snmp_lib()) {
        StopServices();
        return Fail(kTextSnmpLibFailed);
    }
    smiUINT32 major = 0, minor = 0, level = 0;
    smiUINT32 translateMode = 0, retransmitMode = 0;
    if (libpo_SnmpStartup(&major, &minor, &level, &translateMode, &retransmitMode) !=
        SNMPAPI_SUCCESS) {
        StopServices();
        return Fail(kTextSnmpStartupFailed);
    }
    m_snmpStarted = true;
    return S_OK;
}

void CNetScanner::StopServices()
{
    if (m_snmpStarted)
        libpo_SnmpCleanup();
    m_snmpStarted = false;
    if (m_winsockStarted)
        WSACleanup();
    m_winsockStarted = false;
}

STDMETHODIMP CNetScanner::Add(VARIANT szNewVal, VARIANT_BOOL* retVal)
{
    if (!m_initialized)
        return Fail(kTextInitializeFirst);
    char* line = nullptr;
    HRESULT hr = TakeNewValue(CLSID_NetScanner, szNewVal, &line);
    if (FAILED(hr))
        return hr;
    bool accepted = ProcessTest(line);
    FreeHeapBlock(line);
    if (retVal)
        *retVal = accepted ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CNetScanner::Get(VARIANT* szResult)
{
    if (!m_initialized)
        return Fail(kTextInitializeFirst);
    if (!szResult)
        return E_POINTER;
    VariantInit(szResult);
    szResult->vt = VT_BSTR;
    CComBSTR taken;
    taken.Attach(m_pending.Take());
    // The one log line of this plug-in: results its bounded store had to drop.
    PendingDrops drops = m_pending.TakeDrops();
    if (drops.records)
        FireNewData(m_pluginEvents, VT_I4, -1, PendingDropLine("tol_ndis: ", drops).c_str());
    if (taken.ByteLength() < 2) {
        szResult->bstrVal = nullptr;
        return E_PENDING;
    }
    szResult->bstrVal = taken.Detach();
    return S_OK;
}

STDMETHODIMP CNetScanner::Set(unsigned short nvType, VARIANT nValue)
{
    if (!m_initialized)
        return Fail(kTextNdisInitializeFirst);
    if (nvType == SET_CHECK_PERIOD && nValue.vt == VT_I4)
        m_checkPeriod = nValue.lVal;
    else if (nvType == SET_SOURCE_ID && nValue.vt == VT_I4)
        m_sourceId = static_cast<unsigned int>(nValue.lVal);
    return S_OK;
}

void CNetScanner::PostResult(CComBSTR* data, const char* text)
{
    if (!data)
        return;
    m_pending.Append(data->Get());
    FireNewData(m_pluginEvents, VT_UI4, static_cast<LONG>(m_sourceId.load()), text);
}

void CNetScanner::PostEvent(int level, const char* text)
{
    FireNewData(m_pluginEvents, VT_I4, -level, text);
}

bool CNetScanner::ProcessTest(const char* utf8Line)
{
    NdisLine line;
    if (!ParseNdisLine(utf8Line, &line))
        return false;
    CScopedLock lock(m_testsLock);
    switch (line.kind) {
    case NdisLineKind::DiscoveryAdd:
        return AddDiscovery(line);
    case NdisLineKind::DiscoveryDelete:
        DeleteDiscovery(line.testId);
        return true;
    case NdisLineKind::ScanAdd:
        return AddScan(line);
    case NdisLineKind::ScanModify:
        return ModifyScan(line);
    case NdisLineKind::ScanDelete:
        DeleteScan(line.testId);
        return true;
    }
    return false;
}

bool CNetScanner::AddDiscovery(const NdisLine& line)
{
    if (m_discoveries.count(line.testId))
        return false;
    std::unique_ptr<Discovery> discovery(new (std::nothrow) Discovery);
    if (!discovery)
        return false;
    discovery->m_testId = line.testId;
    discovery->m_owner = this;
    if (!discovery->StartDiscovery(line.oneShot, line.interval)) {
        discovery->StopDiscovery();
        return false;
    }
    m_discoveries[line.testId] = std::move(discovery);
    return true;
}

void CNetScanner::DeleteDiscovery(int testId)
{
    auto found = m_discoveries.find(testId);
    if (found == m_discoveries.end())
        return;
    found->second->StopDiscovery();
    m_discoveries.erase(found);
}

bool CNetScanner::AddScan(const NdisLine& line)
{
    if (m_scanJobs.count(line.testId))
        return false;
    std::unique_ptr<ScanJob> job(new (std::nothrow) ScanJob(line.testId, &g_hostProbe));
    if (!job)
        return false;
    job->SetOwner(this);
    job->SetLocationId(line.locationId);
    job->Start(line.start.c_str(), line.end.c_str(), line.oids.c_str());
    m_scanJobs[line.testId] = std::move(job);
    return true;
}

bool CNetScanner::ModifyScan(const NdisLine& line)
{
    auto found = m_scanJobs.find(line.testId);
    if (found == m_scanJobs.end())
        return false;
    found->second->Stop();
    found->second->Start(line.start.c_str(), line.end.c_str(), line.oids.c_str());
    return true;
}

void CNetScanner::DeleteScan(int testId)
{
    auto found = m_scanJobs.find(testId);
    if (found == m_scanJobs.end())
        return;
    found->second->Stop();
    m_scanJobs.erase(found);
}
