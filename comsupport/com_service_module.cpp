#include "com_service_module.h"

#include "com_init.h"
#include "service_handle.h"

#include <cwchar>
#include <string>

namespace {

CComServiceModule* g_serviceModule = nullptr;

std::wstring AppIdKeyPath(const wchar_t* appIdText)
{
    return std::wstring(L"AppID\\") + appIdText;
}

}  // namespace

CComServiceModule::CComServiceModule(const CComClassEntry* classes, size_t count, const GUID& appId,
                                     UINT appIdScript)
    : CComExeModule(classes, count), m_appId(appId), m_appIdScript(appIdScript)
{
    StringFromGUID2(m_appId, m_appIdText, 40);
    AddReplacement(L"APPID", m_appIdText);
    m_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    m_status.dwCurrentState = SERVICE_STOPPED;
    m_status.dwControlsAccepted = SERVICE_ACCEPT_STOP;
}

void CComServiceModule::SetServiceName(const wchar_t* name)
{
    wcsncpy(m_serviceName, name ? name : L"", 255);
    m_serviceName[255] = L'\0';
}

int CComServiceModule::WinMain(const wchar_t* commandLine)
{
    HRESULT result = S_OK;
    if (!ObeySwitches(commandLine, &result))
        result = Start();
    return static_cast<int>(result);
}

bool CComServiceModule::ObeySwitches(const wchar_t* commandLine, HRESULT* result)
{
    if (HasCommandLineSwitch(commandLine, L"UnregServer")) {
        *result = UnregisterServer(true);
        if (SUCCEEDED(*result))
            *result = UnregisterAppId();
    } else if (HasCommandLineSwitch(commandLine, L"RegServer")) {
        *result = RegisterAppId(false);
        if (SUCCEEDED(*result))
            *result = RegisterServer(true);
    } else if (HasCommandLineSwitch(commandLine, L"UnregServerPerUser")) {
        *result = UnregisterServer(true, true);
    } else if (HasCommandLineSwitch(commandLine, L"RegServerPerUser")) {
        *result = RegisterServer(true, true);
    } else if (HasCommandLineSwitch(commandLine, L"Service")) {
        *result = RegisterAppId(true);
        if (SUCCEEDED(*result))
            *result = RegisterServer(true);
    } else {
        return false;
    }
    return true;
}

HRESULT CComServiceModule::RegisterAppId(bool service)
{
    if (!Uninstall())
        return E_FAIL;
    HRESULT hr = UpdateRegistryFromResource(m_appIdScript, true);
    if (FAILED(hr))
        return hr;
    hr = SetLocalService(service);
    if (FAILED(hr) || !service)
        return hr;
    return Install() ? S_OK : E_FAIL;
}

HRESULT CComServiceModule::UnregisterAppId()
{
    if (!Uninstall())
        return E_FAIL;
    return UpdateRegistryFromResource(m_appIdScript, false);
}

HRESULT CComServiceModule::SetLocalService(bool service)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(HKEY_CLASSES_ROOT, AppIdKeyPath(m_appIdText).c_str(), 0,
                            KEY_READ | KEY_WRITE, &key);
    if (rc != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(rc);
    RegDeleteValueW(key, L"LocalService");
    if (service)
        rc = RegSetValueExW(key, L"LocalService", 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(m_serviceName),
                            static_cast<DWORD>((wcslen(m_serviceName) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return HRESULT_FROM_WIN32(rc);
}

bool CComServiceModule::AppIdHasLocalService() const
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, AppIdKeyPath(m_appIdText).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegQueryValueExW(key, L"LocalService", nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool CComServiceModule::IsInstalled() const
{
    CServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    CServiceHandle service(OpenServiceW(manager, m_serviceName, SERVICE_QUERY_CONFIG));
    return !!service;
}

bool CComServiceModule::Install()
{
    if (IsInstalled())
        return true;
    std::wstring command = std::wstring(L"\"") + GetModulePath() + L"\"";
    CServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager)
        return false;
    CServiceHandle service(CreateServiceW(manager, m_serviceName, m_serviceName, SERVICE_ALL_ACCESS,
                                          SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                          SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr,
                                          L"RPCSS\0", nullptr, nullptr));
    return !!service;
}

bool CComServiceModule::Uninstall()
{
    if (!IsInstalled())
        return true;
    CServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    CServiceHandle service(OpenServiceW(manager, m_serviceName, SERVICE_STOP | DELETE));
    if (!service)
        return false;
    SERVICE_STATUS status = {};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    return DeleteService(service) != FALSE;
}

HRESULT CComServiceModule::Start()
{
    m_service = AppIdHasLocalService();
    if (!m_service)
        return Run();
    SetQuitWhenUnlocked(false);
    g_serviceModule = this;
    SERVICE_TABLE_ENTRYW table[] = {{m_serviceName, &CComServiceModule::ServiceMainProc},
                                    {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(table))
        m_status.dwWin32ExitCode = GetLastError();
    g_serviceModule = nullptr;
    return static_cast<HRESULT>(m_status.dwWin32ExitCode);
}

void WINAPI CComServiceModule::ServiceMainProc(DWORD, LPWSTR*)
{
    if (g_serviceModule)
        g_serviceModule->ServiceMain();
}

void WINAPI CComServiceModule::HandlerProc(DWORD control)
{
    CComServiceModule* module = g_serviceModule;
    if (!module)
        return;
    if (control == SERVICE_CONTROL_STOP)
        module->OnStop();
    else if (control == SERVICE_CONTROL_INTERROGATE)
        module->ReportCurrentStatus();
}

void CComServiceModule::ServiceMain()
{
    m_statusHandle = RegisterServiceCtrlHandlerW(m_serviceName, &CComServiceModule::HandlerProc);
    if (!m_statusHandle) {
        LogEvent(EVENTLOG_ERROR_TYPE, 0, L"Handler not installed");
        return;
    }
    // The stop request posts WM_QUIT to this thread: its queue must exist first.
    SetLoopThread(GetCurrentThreadId());
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    m_status.dwWin32ExitCode = NO_ERROR;
    ReportStatus(SERVICE_START_PENDING);
    {
        CComInit com(COINIT_MULTITHREADED);
        HRESULT hr = Run();
        if (FAILED(hr))
            m_status.dwWin32ExitCode = static_cast<DWORD>(hr);
    }
    ReportStatus(SERVICE_STOPPED);
    LogEvent(EVENTLOG_INFORMATION_TYPE, 0, L"Service stopped");
}

HRESULT CComServiceModule::Run()
{
    HRESULT hr = PreMessageLoop();
    if (FAILED(hr))
        return hr;
    if (m_service) {
        LogEvent(EVENTLOG_INFORMATION_TYPE, 0, L"Service started");
        ReportStatus(SERVICE_RUNNING);
    }
    RunMessageLoop();
    PostMessageLoop();
    return S_OK;
}

HRESULT CComServiceModule::PreMessageLoop()
{
    InitializeSecurity();
    HRESULT hr = RegisterClassObjects();
    if (FAILED(hr))
        return hr;
    hr = ResumeClassObjects();
    if (FAILED(hr))
        RevokeClassObjects();
    return hr;
}

void CComServiceModule::PostMessageLoop()
{
    RevokeClassObjects();
}

void CComServiceModule::OnStop()
{
    ReportStatus(SERVICE_STOP_PENDING);
    PostThreadMessageW(GetLoopThread(), WM_QUIT, 0, 0);
}

void CComServiceModule::ReportCurrentStatus()
{
    CScopedLock lock(m_statusLock);
    if (m_statusHandle)
        SetServiceStatus(m_statusHandle, &m_status);
}

void CComServiceModule::ReportStatus(DWORD state, DWORD checkPoint, DWORD waitHint)
{
    CScopedLock lock(m_statusLock);
    m_status.dwCurrentState = state;
    m_status.dwCheckPoint = checkPoint;
    m_status.dwWaitHint = waitHint;
    if (m_statusHandle)
        SetServiceStatus(m_statusHandle, &m_status);
}

void CComServiceModule::LogEvent(WORD type, DWORD eventId, const wchar_t* text) const
{
    HANDLE source = RegisterEventSourceW(nullptr, m_serviceName);
    if (!source)
        return;
    const wchar_t* strings[1] = {text ? text : L""};
    ReportEventW(source, type, 0, eventId, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}
