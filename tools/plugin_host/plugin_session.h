// CPlugInSession: one plug-in DLL and one object of it, driven command by command as the agent
// would drive it. Every outcome becomes a line of the output's log.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>

#include "TolvanePlugIns.h"
#include "com_ptr.h"
#include "host_output.h"
#include "host_snmp.h"

class CHostSink;

class CPlugInSession {
public:
    explicit CPlugInSession(CHostOutput& output) : m_output(output) {}
    ~CPlugInSession();
    CPlugInSession(const CPlugInSession&) = delete;
    CPlugInSession& operator=(const CPlugInSession&) = delete;

    // Runs one command; false for an unknown command or malformed arguments.
    bool Run(const std::string& name, const std::string& argument);

private:
    bool Load(const std::string& path);
    bool CallExport(const char* name);
    bool Create(const std::string& clsidText);
    bool Init(const std::string& argument);
    bool InitWith(VARIANT& auth, const std::wstring& entropyText);
    bool Advise();
    bool Unadvise();
    bool Add(const std::string& line);
    bool Set(const std::string& argument);
    bool Get();
    bool Wait(const std::string& argument, bool dataOnly);
    bool WaitFile(const std::string& argument);
    bool Release();
    bool Unload();
    // Logs the number of threads of this process.
    bool Threads();
    bool Memory();
    bool SnmpApi(bool start);

    void LogResult(const std::string& what, HRESULT hr, const std::string& detail = "");
    std::string ErrorDetail();

    CHostOutput& m_output;
    HMODULE m_module = nullptr;
    std::wstring m_clsidText;
    CComPtr<ITolvanePlugIn> m_plugin;
    CComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
    CHostSink* m_sink = nullptr;
    CHostSnmpApi m_snmp;  // destroyed after the plug-in has been released
};
