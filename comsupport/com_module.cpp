#include "com_module.h"

#include <cwchar>

#include "com_class_factory.h"
#include "type_library.h"

namespace {

CComModule* g_currentModule = nullptr;

void CopyText(wchar_t* dst, size_t size, const wchar_t* src)
{
    wcsncpy(dst, src ? src : L"", size - 1);
    dst[size - 1] = L'\0';
}

}  // namespace

CComModule* GetComModule()
{
    return g_currentModule;
}

long ComModuleLock()
{
    CComModule* module = g_currentModule;
    return module ? module->Lock() : 0;
}

long ComModuleUnlock()
{
    CComModule* module = g_currentModule;
    return module ? module->Unlock() : 0;
}

CComModule::CComModule(const CComClassEntry* classes, size_t count)
    : m_classes(classes), m_count(classes ? count : 0), m_factories(m_count, nullptr)
{
}

CComModule::~CComModule()
{
    // At program or DLL end the class objects and caches are left to the system: other DLLs
    // may be gone already.
    if (g_currentModule == this)
        g_currentModule = nullptr;
}

HRESULT CComModule::Init(HINSTANCE instance)
{
    m_instance = instance ? instance : GetModuleHandleW(nullptr);
    DWORD n = GetModuleFileNameW(m_instance, m_path, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2)
        return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_INSUFFICIENT_BUFFER);
    g_currentModule = this;
    return S_OK;
}

void CComModule::Term()
{
    std::vector<IClassFactory*> factories;
    std::vector<TermFunc> termFuncs;
    {
        CScopedLock lock(m_lock);
        factories.swap(m_factories);
        m_factories.assign(m_count, nullptr);
        termFuncs.swap(m_termFuncs);
    }
    for (IClassFactory* factory : factories) {
        if (factory)
            factory->Release();
    }
    for (const TermFunc& t : termFuncs)
        t.func(t.data);
    if (g_currentModule == this)
        g_currentModule = nullptr;
}

long CComModule::Lock()
{
    return InterlockedIncrement(&m_lockCount);
}

long CComModule::Unlock()
{
    return InterlockedDecrement(&m_lockCount);
}

const CComClassEntry* CComModule::FindClass(REFCLSID clsid) const
{
    for (size_t i = 0; i < m_count; ++i) {
        if (IsEqualCLSID(clsid, *m_classes[i].clsid))
            return &m_classes[i];
    }
    return nullptr;
}

const CComClassEntry* CComModule::Classes(size_t* count) const
{
    if (count)
        *count = m_count;
    return m_classes;
}

IClassFactory* CComModule::ClassObjectAt(size_t index)
{
    CScopedLock lock(m_lock);
    if (index >= m_factories.size())
        return nullptr;
    if (!m_factories[index]) {
        const CComClassEntry& entry = m_classes[index];
        if (FAILED(CComClassFactory::Create(
                entry.create, entry.factory == ComFactoryKind::Singleton, &m_factories[index])))
            return nullptr;
    }
    m_factories[index]->AddRef();
    return m_factories[index];
}

HRESULT CComModule::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    const CComClassEntry* entry = FindClass(clsid);
    if (!entry)
        return CLASS_E_CLASSNOTAVAILABLE;
    IClassFactory* factory = ClassObjectAt(static_cast<size_t>(entry - m_classes));
    if (!factory)
        return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

void CComModule::AddReplacement(const wchar_t* name, const wchar_t* value)
{
    Replacement r{};
    CopyText(r.name, 32, name);
    CopyText(r.value, MAX_PATH * 2, value);
    CScopedLock lock(m_lock);
    for (Replacement& old : m_replacements) {
        if (_wcsicmp(old.name, r.name) == 0) {
            old = r;
            return;
        }
    }
    m_replacements.push_back(r);
}

void CComModule::AddRegistryScript(UINT id)
{
    CScopedLock lock(m_lock);
    m_scripts.push_back(id);
}

HRESULT CComModule::UpdateRegistryFromResource(UINT id, bool doRegister, bool perUser,
                                               const CLSID* clsid)
{
    wchar_t clsidText[40] = L"";
    if (clsid && StringFromGUID2(*clsid, clsidText, 40) == 0)
        return E_UNEXPECTED;
    std::vector<CRegistryReplacement> list;
    list.push_back({L"MODULE", m_path});
    if (clsid)
        list.push_back({L"CLSID", clsidText});
    std::vector<Replacement> extra;
    {
        CScopedLock lock(m_lock);
        extra = m_replacements;
    }
    for (const Replacement& r : extra)
        list.push_back({r.name, r.value});
    return RunRegistryScriptResource(m_instance, id, list.data(), list.size(), doRegister, perUser);
}

HRESULT CComModule::RegisterServer(bool withTypeLib, bool perUser)
{
    if (withTypeLib) {
        HRESULT hr = RegisterModuleTypeLib(m_instance, perUser);
        if (FAILED(hr))
            return hr;
    }
    for (size_t i = 0; i < m_count; ++i) {
        if (m_classes[i].registryScript == 0)
            continue;
        HRESULT hr = UpdateRegistryFromResource(m_classes[i].registryScript, true, perUser,
                                                m_classes[i].clsid);
        if (FAILED(hr))
            return hr;
    }
    std::vector<UINT> scripts;
    {
        CScopedLock lock(m_lock);
        scripts = m_scripts;
    }
    for (UINT id : scripts) {
        HRESULT hr = UpdateRegistryFromResource(id, true, perUser);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT CComModule::UnregisterServer(bool withTypeLib, bool perUser)
{
    HRESULT result = S_OK;
    std::vector<UINT> scripts;
    {
        CScopedLock lock(m_lock);
        scripts = m_scripts;
    }
    for (auto it = scripts.rbegin(); it != scripts.rend(); ++it) {
        HRESULT hr = UpdateRegistryFromResource(*it, false, perUser);
        if (FAILED(hr))
            result = hr;
    }
    for (size_t i = m_count; i-- > 0;) {
        if (m_classes[i].registryScript == 0)
            continue;
        HRESULT hr = UpdateRegistryFromResource(m_classes[i].registryScript, false, perUser,
                                                m_classes[i].clsid);
        if (FAILED(hr))
            result = hr;
    }
    if (withTypeLib) {
        HRESULT hr = UnregisterModuleTypeLib(m_instance, perUser);
        if (FAILED(hr))
            result = hr;
    }
    return result;
}

void CComModule::AddTermFunc(void (*func)(void*), void* data)
{
    if (!func)
        return;
    CScopedLock lock(m_lock);
    m_termFuncs.push_back({func, data});
}
