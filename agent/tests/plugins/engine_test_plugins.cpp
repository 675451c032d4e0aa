// The test plug-ins: one class per behaviour, all journaling what the agent asks them.
#include "engine_test_plugins.h"
#include "engine_test_plugins_resources.h"

#include "TolvanePlugIns.h"
#include "com_dll_exports.h"
#include "comsupport.h"
#include "critical_section.h"
#include "init_handshake.h"

#include <string>
#include <vector>

namespace {

const CLSID kInitFails = {0x1A000001, 0x7E57, 0x4A6E, {0x80, 0, 0, 0, 0, 0, 0xE0, 0x01}};
const CLSID kDecliner = {0x1A000002, 0x7E57, 0x4A6E, {0x80, 0, 0, 0, 0, 0, 0xE0, 0x02}};
const CLSID kRecorder = {0x1A000003, 0x7E57, 0x4A6E, {0x80, 0, 0, 0, 0, 0, 0xE0, 0x03}};
const CLSID kForeign = {0x1A000004, 0x7E57, 0x4A6E, {0x80, 0, 0, 0, 0, 0, 0xE0, 0x04}};

CCriticalSection g_lock;
std::vector<std::wstring> g_journal;
long g_live = 0;

void Journal(const wchar_t* who, const std::wstring& what)
{
    CScopedLock lock(g_lock);
    g_journal.push_back(std::wstring(who) + L": " + what);
}

std::wstring Describe(const VARIANT& value)
{
    switch (V_VT(&value)) {
    case VT_I4:
        return std::to_wstring(V_I4(&value));
    case VT_BSTR:
        return V_BSTR(&value) ? std::wstring(V_BSTR(&value)) : L"<null>";
    case VT_EMPTY:
        return L"<empty>";
    default:
        return L"<vt " + std::to_wstring(V_VT(&value)) + L">";
    }
}

enum class Kind { InitFails, Decliner, Recorder, Foreign };

class CEngineTestPlugIn;
CEngineTestPlugIn* g_recorder = nullptr;

class CEngineTestPlugIn
    : public CDispatchImpl<ITolvanePlugIn, &IID_ITolvanePlugIn, &LIBID_TolvanePlugInsLib, 1, 0>,
      public CConnectionPointContainerImpl,
      public CComObjectRootBase {
public:
    TOL_BEGIN_COM_MAP(CEngineTestPlugIn)
    TOL_COM_INTERFACE(IID_ITolvanePlugIn, ITolvanePlugIn)
    TOL_COM_INTERFACE(IID_IDispatch, ITolvanePlugIn)
    TOL_COM_INTERFACE(IID_IConnectionPointContainer, IConnectionPointContainer)
    TOL_END_COM_MAP()

    CEngineTestPlugIn(Kind kind, const CLSID& clsid, const wchar_t* name, const char* codes)
        : m_kind(kind), m_clsid(clsid), m_name(name), m_codes(codes)
    {
        m_events.SetContainer(this);
        RegisterConnectionPoint(&m_events);
        CScopedLock lock(g_lock);
        ++g_live;
        if (m_kind == Kind::Recorder)
            g_recorder = this;
    }
    virtual ~CEngineTestPlugIn()
    {
        Journal(m_name, L"destroyed");
        CScopedLock lock(g_lock);
        --g_live;
        if (g_recorder == this)
            g_recorder = nullptr;
    }

    STDMETHOD(Init)(VARIANT szAuth, VARIANT* szCommand) override
    {
        if (m_kind == Kind::InitFails) {
            Journal(m_name, L"Init refused");
            return E_FAIL;
        }
        if (V_VT(&szAuth) != VT_BSTR ||
            CheckAgentAuth(m_clsid, reinterpret_cast<const BYTE*>(V_BSTR(&szAuth)),
                           SysStringByteLen(V_BSTR(&szAuth))) != AgentAuthResult::Accepted) {
            Journal(m_name, L"Init with a foreign blob");
            return E_FAIL;
        }
        // The foreign class answers with a list made for the recorder's class identifier.
        CComBSTR answer;
        if (!ProtectCommandCodes(m_kind == Kind::Foreign ? kRecorder : m_clsid, m_codes, &answer))
            return E_FAIL;
        Journal(m_name, L"Init");
        V_VT(szCommand) = VT_BSTR;
        V_BSTR(szCommand) = answer.Detach();
        return S_OK;
    }
    STDMETHOD(Add)(VARIANT szNewVal, VARIANT_BOOL* retVal) override
    {
        Journal(m_name, L"Add " + Describe(szNewVal));
        *retVal = m_kind == Kind::Recorder ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    STDMETHOD(Get)(VARIANT* szResult) override
    {
        V_VT(szResult) = VT_BSTR;
        V_BSTR(szResult) = nullptr;
        return E_PENDING;
    }
    STDMETHOD(Set)(unsigned short nvType, VARIANT nValue) override
    {
        Journal(m_name, L"Set " + std::to_wstring(nvType) + L" " + Describe(nValue));
        return S_OK;
    }

    // Fires OnNewData on the calling thread to the advised sinks.
    void Fire(const VARIANT& srcId, const wchar_t* text)
    {
        VARIANT args[2];
        args[0] = srcId;
        VariantInit(&args[1]);
        V_VT(&args[1]) = VT_BSTR;
        V_BSTR(&args[1]) = SysAllocString(text);
        m_events.FireDispatch(1, args, 2);
        VariantClear(&args[1]);
    }
    std::vector<CComPtr<IUnknown>> Sinks() const { return m_events.Sinks(); }

private:
    Kind m_kind;
    CLSID m_clsid;
    const wchar_t* m_name;
    const char* m_codes;
    CConnectionPoint m_events{DIID__ITolvanePlugInEvents};
};

class CInitFails : public CEngineTestPlugIn {
public:
    CInitFails() : CEngineTestPlugIn(Kind::InitFails, kInitFails, L"init_fails", "SHR") {}
};
class CDecliner : public CEngineTestPlugIn {
public:
    CDecliner() : CEngineTestPlugIn(Kind::Decliner, kDecliner, L"decliner", "SHR") {}
};
class CRecorder : public CEngineTestPlugIn {
public:
    CRecorder() : CEngineTestPlugIn(Kind::Recorder, kRecorder, L"recorder", "RECSHR") {}
};
class CForeign : public CEngineTestPlugIn {
public:
    CForeign() : CEngineTestPlugIn(Kind::Foreign, kForeign, L"foreign", "SHR") {}
};

const CComClassEntry kClasses[] = {
    {&kInitFails, &CComCreator<CInitFails>::CreateInstance, IDR_INIT_FAILS, ComFactoryKind::Normal},
    {&kDecliner, &CComCreator<CDecliner>::CreateInstance, IDR_DECLINER, ComFactoryKind::Normal},
    {&kRecorder, &CComCreator<CRecorder>::CreateInstance, IDR_RECORDER, ComFactoryKind::Normal},
    {&kForeign, &CComCreator<CForeign>::CreateInstance, IDR_FOREIGN, ComFactoryKind::Normal},
};

CComModule g_module(kClasses, sizeof(kClasses) / sizeof(kClasses[0]));

std::vector<CComPtr<IUnknown>> g_heldSinks;

struct FireRequest {
    VARIANT srcId;
    const wchar_t* text;
};

DWORD WINAPI FireThread(void* argument)
{
    auto* request = static_cast<FireRequest*>(argument);
    CScopedLock lock(g_lock);
    if (g_recorder)
        g_recorder->Fire(request->srcId, request->text);
    return 0;
}

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, false)

extern "C" DWORD EngineTestJournal(wchar_t* buffer, DWORD chars)
{
    CScopedLock lock(g_lock);
    std::wstring all;
    for (const std::wstring& line : g_journal)
        all += line + L"\n";
    if (buffer && chars > all.size())
        wcscpy(buffer, all.c_str());
    return static_cast<DWORD>(all.size() + 1);
}

extern "C" void EngineTestClear()
{
    CScopedLock lock(g_lock);
    g_journal.clear();
}

extern "C" long EngineTestLiveObjects()
{
    CScopedLock lock(g_lock);
    return g_live;
}

extern "C" BOOL EngineTestFire(long srcId, BOOL asUnsigned, const wchar_t* text)
{
    {
        CScopedLock lock(g_lock);
        if (!g_recorder)
            return FALSE;
    }
    FireRequest request;
    VariantInit(&request.srcId);
    V_VT(&request.srcId) = asUnsigned ? VT_UI4 : VT_I4;
    V_I4(&request.srcId) = srcId;
    request.text = text;
    HANDLE thread = CreateThread(nullptr, 0, &FireThread, &request, 0, nullptr);
    if (!thread)
        return FALSE;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return TRUE;
}

extern "C" BOOL EngineTestHoldSinks()
{
    CScopedLock lock(g_lock);
    if (!g_recorder)
        return FALSE;
    g_heldSinks = g_recorder->Sinks();
    return !g_heldSinks.empty();
}

extern "C" void EngineTestFireHeld(const wchar_t* text)
{
    std::vector<CComPtr<IUnknown>> sinks;
    {
        CScopedLock lock(g_lock);
        sinks = g_heldSinks;
    }
    for (CComPtr<IUnknown>& sink : sinks) {
        CComPtr<IDispatch> dispatch;
        if (FAILED(sink->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid())))
            continue;
        VARIANT args[2];
        VariantInit(&args[0]);
        V_VT(&args[0]) = VT_BSTR;
        V_BSTR(&args[0]) = SysAllocString(text);
        VariantInit(&args[1]);
        V_VT(&args[1]) = VT_UI4;
        V_UI4(&args[1]) = 3;
        DISPPARAMS params = {args, nullptr, 2, 0};  // reversed: newDesc first
        dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        VariantClear(&args[0]);
    }
}

extern "C" void EngineTestReleaseHeld()
{
    std::vector<CComPtr<IUnknown>> sinks;
    {
        CScopedLock lock(g_lock);
        sinks.swap(g_heldSinks);
    }
}
