#include "plugin_session.h"

#include <tlhelp32.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>

#include "com_bstr.h"
#include "com_error.h"
#include "com_variant.h"
#include "heap_text.h"
#include "host_handshake.h"
#include "host_script.h"
#include "host_sink.h"
#include "scripted_event_log.h"

namespace {

std::string HexResult(HRESULT hr)
{
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

using ExportFunc = HRESULT(__stdcall*)();

}  // namespace

CPlugInSession::~CPlugInSession()
{
    Unadvise();
    m_plugin.Release();
    if (m_sink)
        m_sink->Release();
    if (m_module)
        FreeLibrary(m_module);
}

bool CPlugInSession::Run(const std::string& name, const std::string& argument)
{
    if (name == "load")
        return Load(argument);
    if (name == "register")
        return CallExport("DllRegisterServer");
    if (name == "unregister")
        return CallExport("DllUnregisterServer");
    if (name == "canunload")
        return CallExport("DllCanUnloadNow");
    if (name == "create")
        return Create(argument);
    if (name == "init")
        return Init(argument);
    if (name == "advise")
        return Advise();
    if (name == "unadvise")
        return Unadvise();
    if (name == "add")
        return Add(UnescapeLine(argument));
    if (name == "set")
        return Set(argument);
    if (name == "get")
        return Get();
    if (name == "sleep") {
        Sleep(static_cast<DWORD>(atoi(argument.c_str())));
        return true;
    }
    if (name == "wait-events")
        return Wait(argument, false);
    if (name == "wait-data")
        return Wait(argument, true);
    if (name == "wait-file")
        return WaitFile(argument);
    if (name == "release")
        return Release();
    if (name == "unload")
        return Unload();
    if (name.rfind("evlog-", 0) == 0)
        return RunEventLogCommand(name, argument, m_module, m_output);
    if (name == "threads")
        return Threads();
    if (name == "memory")
        return Memory();
    if (name == "snmp-start" || name == "snmp-stop")
        return SnmpApi(name == "snmp-start");
    return false;
}

bool CPlugInSession::Threads()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        LogResult("threads", HRESULT_FROM_WIN32(GetLastError()));
        return true;
    }
    DWORD self = GetCurrentProcessId();
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == self ? 1 : 0;
    CloseHandle(snapshot);
    LogResult("threads", S_OK, std::to_string(count));
    return true;
}

bool CPlugInSession::Memory()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters))) {
        LogResult("memory", HRESULT_FROM_WIN32(GetLastError()));
        return true;
    }
    std::string figures;
    for (SIZE_T bytes : {counters.PrivateUsage, counters.PeakPagefileUsage, counters.WorkingSetSize,
                         counters.PeakWorkingSetSize})
        figures +=
            (figures.empty() ? "" : " ") + std::to_string(static_cast<unsigned long long>(bytes));
    LogResult("memory", S_OK, figures);
    return true;
}

bool CPlugInSession::Load(const std::string& path)
{
    m_module = LoadLibraryW(Widen(path).c_str());
    LogResult("load", m_module ? S_OK : HRESULT_FROM_WIN32(GetLastError()));
    return true;
}

bool CPlugInSession::CallExport(const char* name)
{
    auto func =
        m_module
            ? reinterpret_cast<ExportFunc>(reinterpret_cast<void*>(GetProcAddress(m_module, name)))
            : nullptr;
    LogResult(name, func ? func() : E_UNEXPECTED);
    return true;
}

bool CPlugInSession::Create(const std::string& clsidText)
{
    m_clsidText = Widen(clsidText);
    CLSID clsid;
    HRESULT hr = CLSIDFromString(m_clsidText.c_str(), &clsid);
    if (SUCCEEDED(hr))
        hr = m_plugin.CoCreateInstance(clsid, IID_ITolvanePlugIn, nullptr, CLSCTX_INPROC_SERVER);
    LogResult("create", hr);
    return true;
}

// init                 the agent's handshake for the created class
// init for <clsid>     the agent's handshake made for another class identifier
// init text <text>     <text> protected in place of the class identifier text
// init empty | init i4 an empty byte string / a number as szAuth
bool CPlugInSession::Init(const std::string& argument)
{
    std::string how, rest;
    SplitFirstWord(argument, &how, &rest);
    CComVariant auth;
    if (how.empty() || how == "for" || how == "text") {
        std::wstring entropy = how == "for" ? Widen(rest) : m_clsidText;
        std::wstring plain = how.empty() ? m_clsidText : Widen(rest);
        BSTR blob = nullptr;
        if (!ProtectInitText(plain, entropy, &blob)) {
            LogResult("init", E_FAIL, "protect failed");
            return true;
        }
        auth.AttachBSTR(blob);
    } else if (how == "empty") {
        auth.SetBytes("", 0);
    } else if (how == "i4") {
        auth.SetI4(5);
    } else {
        return false;
    }
    CComVariant reply;
    HRESULT hr = m_plugin ? m_plugin->Init(auth, reply.Receive()) : E_UNEXPECTED;
    if (FAILED(hr)) {
        LogResult("init", hr, ErrorDetail());
        return true;
    }
    std::string codes;
    if (reply.vt != VT_BSTR || !UnprotectInitReply(reply.bstrVal, m_clsidText, &codes)) {
        LogResult("init", hr, "reply not readable");
        return true;
    }
    LogResult("init", hr, codes);
    return true;
}

bool CPlugInSession::Advise()
{
    CComPtr<IConnectionPointContainer> container;
    HRESULT hr =
        m_plugin ? m_plugin.QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid())
                 : E_UNEXPECTED;
    if (SUCCEEDED(hr))
        hr = container->FindConnectionPoint(DIID__ITolvanePlugInEvents, &m_point);
    if (SUCCEEDED(hr)) {
        if (!m_sink)
            m_sink = new CHostSink(m_output);
        hr = m_point->Advise(m_sink, &m_cookie);
    }
    LogResult("advise", hr);
    return true;
}

bool CPlugInSession::Unadvise()
{
    if (!m_point)
        return true;
    HRESULT hr = m_point->Unadvise(m_cookie);
    m_point.Release();
    m_cookie = 0;
    LogResult("unadvise", hr);
    return true;
}

bool CPlugInSession::Add(const std::string& line)
{
    CComVariant value(Widen(line).c_str());
    VARIANT_BOOL taken = VARIANT_FALSE;
    HRESULT hr = m_plugin ? m_plugin->Add(value, &taken) : E_UNEXPECTED;
    LogResult("add", hr, FAILED(hr) ? ErrorDetail() : (taken == VARIANT_TRUE ? "true" : "false"));
    return true;
}

// set <type> i4 <n> | set <type> bstr <text> | set <type> empty
bool CPlugInSession::Set(const std::string& argument)
{
    std::string type, rest, kind, value;
    SplitFirstWord(argument, &type, &rest);
    SplitFirstWord(rest, &kind, &value);
    CComVariant v;
    if (kind == "i4")
        v.SetI4(atol(value.c_str()));
    else if (kind == "bstr")
        v.SetText(Widen(value).c_str());
    else if (kind != "empty")
        return false;
    HRESULT hr =
        m_plugin ? m_plugin->Set(static_cast<unsigned short>(atoi(type.c_str())), v) : E_UNEXPECTED;
    LogResult("set", hr, FAILED(hr) ? ErrorDetail() : "");
    return true;
}

bool CPlugInSession::Get()
{
    CComVariant result;
    HRESULT hr = m_plugin ? m_plugin->Get(result.Receive()) : E_UNEXPECTED;
    std::string detail;
    if (result.vt == VT_BSTR && result.bstrVal) {
        UINT bytes = SysStringByteLen(result.bstrVal);
        detail = std::to_string(bytes) + " " + m_output.WriteResult(result.bstrVal, bytes);
    } else if (result.vt == VT_BSTR) {
        detail = "null";
    } else {
        detail = "VT" + std::to_string(result.vt);
    }
    if (FAILED(hr) && hr != E_PENDING)
        detail += " " + ErrorDetail();
    LogResult("get", hr, detail);
    return true;
}

// wait-events <n> <ms> | wait-data <n> <ms>
bool CPlugInSession::Wait(const std::string& argument, bool dataOnly)
{
    std::string countText, msText;
    SplitFirstWord(argument, &countText, &msText);
    int count = atoi(countText.c_str());
    DWORD limit = static_cast<DWORD>(atoi(msText.c_str()));
    DWORD start = GetTickCount();
    int seen;
    while ((seen = dataOnly ? m_output.DataCount() : m_output.EventCount()) < count &&
           GetTickCount() - start < limit)
        Sleep(10);
    const char* what = dataOnly ? "wait-data" : "wait-events";
    LogResult(what, seen >= count ? S_OK : HRESULT_FROM_WIN32(WAIT_TIMEOUT), std::to_string(seen));
    return true;
}

// wait-file <ms> <path>: until the file exists (at most ms), so that a test can change the
// world outside at a known point of the script.
bool CPlugInSession::WaitFile(const std::string& argument)
{
    std::string msText, path;
    SplitFirstWord(argument, &msText, &path);
    if (path.empty())
        return false;
    std::wstring widePath = Widen(path);
    DWORD limit = static_cast<DWORD>(atoi(msText.c_str()));
    DWORD start = GetTickCount();
    bool found;
    while (!(found = GetFileAttributesW(widePath.c_str()) != INVALID_FILE_ATTRIBUTES) &&
           GetTickCount() - start < limit)
        Sleep(10);
    LogResult("wait-file", found ? S_OK : HRESULT_FROM_WIN32(WAIT_TIMEOUT));
    return true;
}

bool CPlugInSession::Release()
{
    Unadvise();
    m_plugin.Release();
    LogResult("release", S_OK);
    return true;
}

// The host's reference and then COM's: afterwards no code of the DLL may run any more.
bool CPlugInSession::Unload()
{
    if (m_module)
        FreeLibrary(m_module);
    m_module = nullptr;
    CoFreeUnusedLibrariesEx(0, 0);
    LogResult("unload", S_OK);
    return true;
}

bool CPlugInSession::SnmpApi(bool start)
{
    if (start) {
        LogResult("snmp-start", m_snmp.Start());
    } else {
        m_snmp.Stop();
        LogResult("snmp-stop", S_OK);
    }
    return true;
}

void CPlugInSession::LogResult(const std::string& what, HRESULT hr, const std::string& detail)
{
    std::string line = what + " " + HexResult(hr);
    if (!detail.empty())
        line += " " + detail;
    m_output.Log(line);
}

std::string CPlugInSession::ErrorDetail()
{
    CComBSTR source, description;
    if (!TakeComError(&source, &description))
        return "(no error object)";
    return Narrow(source.Get()) + ": " + Narrow(description.Get());
}
