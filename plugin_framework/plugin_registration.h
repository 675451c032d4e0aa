// The registration every plug-in fills in: the REGISTRY resource of the framework's script
// (plugin_registration.regscript, with the id below) and the values it needs.
//
// A plug-in's .rc (plugin_resources.rc.in, which tol_plugin() configures) carries
//     #include "plugin_registration.h"
//     IDR_PLUGIN_REGISTRATION REGISTRY "plugin_registration.regscript"
// and its module class derives from CMonPlugInModule.
#pragma once

#define IDR_PLUGIN_REGISTRATION 101

#ifndef RC_INVOKED

#include "com_module.h"

struct CPlugInRegistration {
    const wchar_t* file;         // "tol_mem": the AppID's name, Name, and the module entry
    const wchar_t* coclass;      // "MEMmonitoring": ProgIDs and the class text
    const wchar_t* appId;        // "{E73660C6-...}"
    const wchar_t* libId;        // the plug-in's own type library, "{6E88DF9A-...}"
    const wchar_t* description;  // "Memory monitoring"
};

// A plug-in's module: its class table and the replacements of the registration script.
class CMonPlugInModule : public CComModule {
public:
    CMonPlugInModule(const CComClassEntry* classes, size_t count,
                     const CPlugInRegistration& registration)
        : CComModule(classes, count)
    {
        AddReplacement(L"FILE", registration.file);
        AddReplacement(L"COCLASS", registration.coclass);
        AddReplacement(L"APPID", registration.appId);
        AddReplacement(L"LIBID", registration.libId);
        AddReplacement(L"DESCRIPTION", registration.description);
    }
};

#endif
