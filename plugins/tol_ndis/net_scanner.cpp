#include "NetScanner.h"

#include "heap_helpers.h"
#include "ndis_texts.h"
#include "net_host_probe.h"
#include "plugin_events.h"
#include "plugin_call_checks.h"
#include "plugin_texts.h"
#include "set_type.h"

#include <new>

namespace {

constexpr int kInitialCheckPeriod = 300;
constexpr const char* kLogPrefix = "tol_ndis: ";

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
        CScopedLock lock(m_testLock);
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
    HRESULT hr = CheckInitRequest(CLSID_NetScanner, szAuth, NdisCommandCodes(),
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
    if (!m_winsock.Acquire())
        return Fail(kTextWinsockFailed);
    SnmpApiStart started = m_snmp.Acquire();
    if (started != SnmpApiStart::Started) {
        StopServices();
        return Fail(started == SnmpApiStart::NotBound ? kTextSnmpLibFailed
                                                      : kTextSnmpStartupFailed);
    }
    return S_OK;
}

// The SNMP API first, then Winsock; each only when it was started.
void CNetScanner::StopServices()
{
    m_snmp.Release();
    m_winsock.Release();
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

// The framework's hand-over, with nothing put first; its one log line says what the bounded
// store had to drop.
STDMETHODIMP CNetScanner::Get(VARIANT* szResult)
{
    if (!m_initialized)
        return Fail(kTextInitializeFirst);
    return HandOverResults(m_pending, *this, kLogPrefix, szResult, [](CComBSTR*) {});
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
    CScopedLock lock(m_testLock);
    switch (line.kind) {
    case NdisLineKind::DiscoveryAdd:
        return AddDiscovery(line);
    case NdisLineKind::DiscoveryDelete:
        DeleteDiscovery(line.tid);
        return true;
    case NdisLineKind::ScanAdd:
        return AddScan(line);
    case NdisLineKind::ScanModify:
        return ModifyScan(line);
    case NdisLineKind::ScanDelete:
        DeleteScan(line.tid);
        return true;
    case NdisLineKind::Rejected:
        break;
    }
    return false;
}

bool CNetScanner::AddDiscovery(const NdisLine& line)
{
    if (m_discoveries.count(line.tid))
        return false;
    std::unique_ptr<Discovery> discovery(new (std::nothrow) Discovery);
    if (!discovery)
        return false;
    discovery->m_tid = line.tid;
    discovery->m_owner = this;
    if (!discovery->StartDiscovery(line.oneShot, line.interval)) {
        discovery->StopDiscovery();
        return false;
    }
    m_discoveries[line.tid] = std::move(discovery);
    return true;
}

void CNetScanner::DeleteDiscovery(int tid)
{
    auto found = m_discoveries.find(tid);
    if (found == m_discoveries.end())
        return;
    found->second->StopDiscovery();
    m_discoveries.erase(found);
}

bool CNetScanner::AddScan(const NdisLine& line)
{
    if (m_scanJobs.count(line.tid))
        return false;
    std::unique_ptr<ScanJob> job(new (std::nothrow) ScanJob(line.tid, &g_hostProbe));
    if (!job)
        return false;
    job->SetOwner(this);
    job->SetLocationId(line.lid);
    job->Start(line.start.c_str(), line.end.c_str(), line.oids.c_str());
    m_scanJobs[line.tid] = std::move(job);
    return true;
}

bool CNetScanner::ModifyScan(const NdisLine& line)
{
    auto found = m_scanJobs.find(line.tid);
    if (found == m_scanJobs.end())
        return false;
    found->second->Stop();
    found->second->Start(line.start.c_str(), line.end.c_str(), line.oids.c_str());
    return true;
}

void CNetScanner::DeleteScan(int tid)
{
    auto found = m_scanJobs.find(tid);
    if (found == m_scanJobs.end())
        return;
    found->second->Stop();
    m_scanJobs.erase(found);
}
