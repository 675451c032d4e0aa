#include "tolvane_module.h"

#include "agent_status.h"
#include "agent_texts.h"
#include "main_worker_instance.h"
#include "quorin_agent.h"
#include "service_handle.h"
#include "tolvane_resources.h"

#include <TolvaneLib.h>

#include <vector>

namespace {

// {CBD1FEEE-5109-4B9E-9466-50CC5AC5CD5C}
const GUID kTolvaneAppId = {
    0xCBD1FEEE, 0x5109, 0x4B9E, {0x94, 0x66, 0x50, 0xCC, 0x5A, 0xC5, 0xCD, 0x5C}};

const CComClassEntry kClasses[] = {
    {&CLSID_QuorinAgent, &CComSingletonCreator<CQuorinAgent>::CreateInstance, IDR_QUORINAGENT,
     ComFactoryKind::Singleton},
};

constexpr DWORD kStopWaitHint = 10000;
constexpr DWORD kStopReportLimit = 10000;
// How long the end of the service waits for status events still on their way to clients.
constexpr DWORD kEventFlushMilliseconds = 5000;

// A token information block of the given class (empty when it cannot be read).
std::vector<BYTE> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind)
{
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> block(size);
    if (size == 0 || !GetTokenInformation(token, kind, block.data(), size, &size))
        block.clear();
    return block;
}

HANDLE OpenCallerToken()
{
    HANDLE token = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        return token;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return token;
    return nullptr;
}

}  // namespace

CTolvaneModule::CTolvaneModule()
    : CComServiceModule(kClasses, sizeof(kClasses) / sizeof(kClasses[0]), kTolvaneAppId,
                        IDR_TOLVANE_APPID),
      m_com(CoInitializeEx(nullptr, COINIT_MULTITHREADED))
{
    wchar_t name[256] = {};
    LoadStringW(GetModuleHandleW(nullptr), IDS_SERVICENAME, name, 256);
    SetServiceName(name);
    Init(nullptr);
}

CTolvaneModule::~CTolvaneModule()
{
    if (SUCCEEDED(m_com))
        CoUninitialize();
}

HRESULT CTolvaneModule::InitializeSecurity()
{
    HANDLE token = OpenCallerToken();
    if (!token)
        return S_OK;
    std::vector<BYTE> owner = TokenInformation(token, TokenOwner);
    std::vector<BYTE> group = TokenInformation(token, TokenPrimaryGroup);
    CloseHandle(token);
    SECURITY_DESCRIPTOR descriptor;
    if (owner.empty() || group.empty() ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION))
        return S_OK;
    SetSecurityDescriptorOwner(&descriptor, reinterpret_cast<TOKEN_OWNER*>(owner.data())->Owner,
                               FALSE);
    SetSecurityDescriptorGroup(
        &descriptor, reinterpret_cast<TOKEN_PRIMARY_GROUP*>(group.data())->PrimaryGroup, FALSE);
    // A null access list: everyone may call.
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    CoInitializeSecurity(&descriptor, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    return S_OK;
}

HRESULT CTolvaneModule::RegisterAppId(bool service)
{
    HRESULT hr = CComServiceModule::RegisterAppId(service);
    if (FAILED(hr) || !service || !IsInstalled())
        return hr;
    return SetAutomaticStart();
}

HRESULT CTolvaneModule::SetAutomaticStart()
{
    CServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager)
        return HRESULT_FROM_WIN32(GetLastError());
    CServiceHandle service(OpenServiceW(manager, ServiceName(), SERVICE_CHANGE_CONFIG));
    if (!service)
        return HRESULT_FROM_WIN32(GetLastError());
    ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    wchar_t text[256] = {};
    LoadStringW(GetModuleHandleW(nullptr), IDS_SERVICEDESCRIPTION, text, 256);
    SERVICE_DESCRIPTIONW description = {text};
    ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description);
    return S_OK;
}

void CTolvaneModule::OnStop()
{
    if (m_stopping.exchange(true))
        return;  // the first request's stop thread is at work
    ReportStatus(SERVICE_STOP_PENDING, 1, kStopWaitHint);
    HANDLE thread = CreateThread(nullptr, 0, &CTolvaneModule::ServiceStopThread, this, 0, nullptr);
    if (thread)
        CloseHandle(thread);
}

DWORD WINAPI CTolvaneModule::ServiceStopThread(void* argument)
{
    static_cast<CTolvaneModule*>(argument)->StopService();
    return 0;
}

void CTolvaneModule::StopService()
{
    DWORD start = GetTickCount();
    g_MainWorker.FireStatusChanged(STATUS_SERVICE_STOPPED, TOL_TEXT_SERVICE_STOPPED);
    g_MainWorker.StopMonitoring(nullptr);
    DWORD checkPoint = 1;
    DWORD waitHint = kStopWaitHint;
    while (GetTickCount() - start < kStopReportLimit && g_MainWorker.GetRunState() != RUN_STOPPED) {
        waitHint += kStopWaitHint;
        ++checkPoint;
        ReportStatus(SERVICE_STOP_PENDING, checkPoint, waitHint);
        Sleep(1000);
    }
    PostThreadMessageW(GetLoopThread(), WM_QUIT, 0, 0);
}

void CTolvaneModule::PostMessageLoop()
{
    CComServiceModule::PostMessageLoop();
    CQuorinAgent::FlushEvents(kEventFlushMilliseconds);
}
