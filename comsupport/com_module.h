// CComModule: the COM server module of one binary (DLL or EXE).
//
// It holds the binary's class table, its lock count, its handle and path, its class objects and
// its registration (registry scripts and type library). One module object per binary; Init makes
// it the binary's current module (GetComModule), which every object built on com_object.h locks.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <vector>

#include "com_object.h"
#include "critical_section.h"
#include "registry_script.h"

enum class ComFactoryKind {
    Normal,     // a new object for every CreateInstance
    Singleton,  // one object for every client
};

// One row of a module's class table.
struct CComClassEntry {
    const CLSID* clsid;
    ComCreatorFunc create;  // CComCreator<T>, CComAggregatableCreator<T> or CComSingletonCreator<T>
    UINT registryScript;    // REGISTRY resource id of the class's script; 0 when none
    ComFactoryKind factory;
};

class CComModule {
public:
    CComModule(const CComClassEntry* classes, size_t count);
    virtual ~CComModule();
    CComModule(const CComModule&) = delete;
    CComModule& operator=(const CComModule&) = delete;

    // instance: the binary's handle (the DLL's from DllMain; null for the program's own).
    HRESULT Init(HINSTANCE instance);
    void Term();  // releases the class objects and runs the term callbacks

    virtual long Lock();
    virtual long Unlock();
    long GetLockCount() const { return m_lockCount; }

    HINSTANCE GetModuleInstance() const { return m_instance; }
    const wchar_t* GetModulePath() const { return m_path; }

    const CComClassEntry* FindClass(REFCLSID clsid) const;
    const CComClassEntry* Classes(size_t* count) const;
    // The class object of a class of the table (made on first use, kept until Term).
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
    HRESULT CanUnloadNow() const { return m_lockCount == 0 ? S_OK : S_FALSE; }

    // Registration. Every script gets the replacement MODULE (the binary's path) and the ones
    // added here; a class's script also gets CLSID (the class identifier in braces).
    void AddReplacement(const wchar_t* name, const wchar_t* value);
    void AddRegistryScript(UINT id);  // module-wide scripts, run after the classes' ones
    HRESULT UpdateRegistryFromResource(UINT id, bool doRegister, bool perUser = false,
                                       const CLSID* clsid = nullptr);
    // withTypeLib: also (un)register the module's TYPELIB resource 1.
    HRESULT RegisterServer(bool withTypeLib, bool perUser = false);
    HRESULT UnregisterServer(bool withTypeLib, bool perUser = false);

    // A function run by Term (type-information caches register here).
    void AddTermFunc(void (*func)(void*), void* data);

protected:
    IClassFactory* ClassObjectAt(size_t index);  // AddRef'ed, null on failure

    const CComClassEntry* m_classes;
    size_t m_count;
    std::vector<IClassFactory*> m_factories;
    long m_lockCount = 0;

private:
    struct Replacement {
        wchar_t name[32];
        wchar_t value[MAX_PATH * 2];
    };
    struct TermFunc {
        void (*func)(void*);
        void* data;
    };

    HINSTANCE m_instance = nullptr;
    wchar_t m_path[MAX_PATH * 2] = {};
    CCriticalSection m_lock;
    std::vector<Replacement> m_replacements;
    std::vector<UINT> m_scripts;
    std::vector<TermFunc> m_termFuncs;
};

// The binary's current module (null outside Init..Term).
CComModule* GetComModule();
