// The test servers driven through real COM: registration, activation in and out of process,
// dispatch from the type library, connection points, error information, aggregation, the
// singleton class object and the module lock count.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "comsupport.h"
#include "registry_probe.h"
#include "comsupport_test.h"

namespace {

const wchar_t kCalcClsid[] = L"{7D3C1F43-2B8E-4C59-9A61-3E0D5B7A9C11}";
const wchar_t kSingletonClsid[] = L"{7D3C1F44-2B8E-4C59-9A61-3E0D5B7A9C11}";
const wchar_t kLibId[] = L"{7D3C1F41-2B8E-4C59-9A61-3E0D5B7A9C11}";

std::wstring BinPath(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
}

bool TypeLibRegistered()
{
    ITypeLib* lib = nullptr;
    if (FAILED(LoadRegTypeLib(LIBID_ComTestLib, 1, 0, LOCALE_NEUTRAL, &lib)))
        return false;
    lib->Release();
    return true;
}

// The test DLL loaded the way regsvr32 loads it.
class TestDll {
public:
    TestDll() : m_module(LoadLibraryW(BinPath(L"comsupport_testsrv.dll").c_str())) {}
    ~TestDll()
    {
        if (m_module)
            FreeLibrary(m_module);
    }
    bool Loaded() const { return m_module != nullptr; }
    HRESULT Call(const char* name) const
    {
        auto fn = reinterpret_cast<HRESULT(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(m_module, name)));
        return fn ? fn() : E_NOTIMPL;
    }
    HRESULT GetClassObject(REFCLSID clsid, IClassFactory** factory) const
    {
        auto fn = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(m_module, "DllGetClassObject")));
        return fn ? fn(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory)) : E_NOTIMPL;
    }

private:
    HMODULE m_module;
};

DWORD RunProgram(const std::wstring& commandLine)
{
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

bool ProcessRunning(const wchar_t* exeName)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL ok = Process32FirstW(snap, &entry); ok && !found; ok = Process32NextW(snap, &entry))
        found = _wcsicmp(entry.szExeFile, exeName) == 0;
    CloseHandle(snap);
    return found;
}

// A sink for _ITestCalcEvents built on the layer's sink map.
class CTickSink
    : public CDispEventSink<CTickSink, &DIID__ITestCalcEvents, &LIBID_ComTestLib, 1, 0> {
public:
    TOL_BEGIN_SINK_MAP(CTickSink)
    TOL_SINK_ENTRY(1, &CTickSink::OnTick)
    TOL_END_SINK_MAP()

    HRESULT OnTick(long n, VARIANT text)
    {
        last = n;
        lastText = text.vt == VT_BSTR ? text.bstrVal : L"<not a string>";
        thread = GetCurrentThreadId();
        ++calls;
        return S_OK;
    }

    std::atomic<int> calls{0};
    long last = 0;
    std::wstring lastText;
    DWORD thread = 0;
};

// The same sink living on the heap on its own: counted, deleted at its last release.
class CHeapTickSink : public CRefCountedDispEventSink<CHeapTickSink, &DIID__ITestCalcEvents,
                                                      &LIBID_ComTestLib, 1, 0> {
public:
    explicit CHeapTickSink(int* deleted) : m_deleted(deleted) {}

    TOL_BEGIN_SINK_MAP(CHeapTickSink)
    TOL_SINK_ENTRY(1, &CHeapTickSink::OnTick)
    TOL_END_SINK_MAP()

    HRESULT OnTick(long n, VARIANT)
    {
        last = n;
        return S_OK;
    }

    long last = 0;

private:
    ~CHeapTickSink() override { ++*m_deleted; }

    int* m_deleted;
};

// An outer object that aggregates a TestCalc.
class COuter : public IUnknown {
public:
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
    STDMETHOD_(ULONG, Release)() override { return --refs; }

    ULONG refs = 1;
    IUnknown* inner = nullptr;
};

class ComFixture : public ::testing::Test {
protected:
    CComInit m_com{COINIT_MULTITHREADED};
};

// --- registration ---------------------------------------------------------------------------

TEST_F(ComFixture, DllRegistrationWritesExactlyItsKeysAndUnregistrationRemovesThem)
{
    TestDll dll;
    ASSERT_TRUE(dll.Loaded());
    ASSERT_EQ(S_OK, dll.Call("DllRegisterServer"));

    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kCalcClsid;
    EXPECT_EQ(L"TestCalc Class", ReadText(HKEY_CLASSES_ROOT, L"Tolvane.ComTest.Calc.1"));
    EXPECT_EQ(kCalcClsid, ReadText(HKEY_CLASSES_ROOT, L"Tolvane.ComTest.Calc.1\\CLSID"));
    EXPECT_EQ(L"TestCalc Class", ReadText(HKEY_CLASSES_ROOT, L"Tolvane.ComTest.Calc"));
    EXPECT_EQ(L"Tolvane.ComTest.Calc.1",
              ReadText(HKEY_CLASSES_ROOT, L"Tolvane.ComTest.Calc\\CurVer"));
    EXPECT_EQ(L"TestCalc Class", ReadText(HKEY_CLASSES_ROOT, clsidKey));
    EXPECT_EQ((std::vector<std::wstring>{L"InprocServer32", L"ProgID", L"Programmable", L"TypeLib",
                                         L"VersionIndependentProgID"}),
              SubkeyNames(HKEY_CLASSES_ROOT, clsidKey));
    EXPECT_EQ(L"Tolvane.ComTest.Calc.1", ReadText(HKEY_CLASSES_ROOT, clsidKey + L"\\ProgID"));
    EXPECT_EQ(L"Tolvane.ComTest.Calc",
              ReadText(HKEY_CLASSES_ROOT, clsidKey + L"\\VersionIndependentProgID"));
    EXPECT_EQ(0, _wcsicmp(BinPath(L"comsupport_testsrv.dll").c_str(),
                          ReadText(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32").c_str()));
    EXPECT_EQ(L"Free",
              ReadText(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(kLibId, ReadText(HKEY_CLASSES_ROOT, clsidKey + L"\\TypeLib"));
    const std::wstring plugIn = std::wstring(L"SOFTWARE\\TolvaneComTest\\Plug-Ins\\") + kCalcClsid;
    EXPECT_EQ(L"comsupport_testsrv", ReadText(HKEY_LOCAL_MACHINE, plugIn, L"Name"));
    EXPECT_TRUE(TypeLibRegistered());

    ASSERT_EQ(S_OK, dll.Call("DllUnregisterServer"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, clsidKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Tolvane.ComTest.Calc.1"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Tolvane.ComTest.Calc"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, plugIn));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TolvaneComTest\\Plug-Ins"));
    EXPECT_FALSE(TypeLibRegistered());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TolvaneComTest");
}

// --- the in-process server --------------------------------------------------------------------

class InprocServerTest : public ComFixture {
protected:
    static void SetUpTestSuite()
    {
        s_dll = new TestDll();
        s_registered = s_dll->Loaded() && s_dll->Call("DllRegisterServer") == S_OK;
    }
    static void TearDownTestSuite()
    {
        if (s_dll->Loaded())
            s_dll->Call("DllUnregisterServer");
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TolvaneComTest");
        delete s_dll;
        s_dll = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_registered);
        ASSERT_EQ(S_OK, m_calc.CoCreateInstance(CLSID_TestCalc, IID_ITestCalc, nullptr,
                                                CLSCTX_INPROC_SERVER));
    }

    static TestDll* s_dll;
    static bool s_registered;
    CComPtr<ITestCalc> m_calc;
};

TestDll* InprocServerTest::s_dll = nullptr;
bool InprocServerTest::s_registered = false;

TEST_F(InprocServerTest, DualInterfaceAnswersThroughVtableAndDispatch)
{
    long sum = 0;
    ASSERT_EQ(S_OK, m_calc->Add(2, 3, &sum));
    EXPECT_EQ(5, sum);

    UINT count = 0;
    EXPECT_EQ(S_OK, m_calc->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    LPOLESTR name = const_cast<LPOLESTR>(L"Add");
    DISPID id = 0;
    ASSERT_EQ(S_OK, m_calc->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(1, id);
    LPOLESTR missing = const_cast<LPOLESTR>(L"Subtract");
    EXPECT_EQ(DISP_E_UNKNOWNNAME,
              m_calc->GetIDsOfNames(IID_NULL, &missing, 1, LOCALE_USER_DEFAULT, &id));

    CComVariant args[2];
    args[0].SetI4(40);  // b: DISPPARAMS hold the arguments in reverse order
    args[1].SetI4(2);   // a
    DISPPARAMS params{args, nullptr, 2, 0};
    CComVariant result;
    ASSERT_EQ(S_OK, m_calc->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                   &result, nullptr, nullptr));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(42, result.lVal);
    DISPPARAMS tooFew{args, nullptr, 1, 0};
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              m_calc->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &tooFew,
                             result.Receive(), nullptr, nullptr));
}

TEST_F(InprocServerTest, FailureLeavesAnErrorObjectWithTheRegisteredProgId)
{
    CComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(S_OK, m_calc.QueryTo(IID_ISupportErrorInfo, &support));
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_ITestCalc));
    EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(IID_IDispatch));

    CComBSTR text(L"The calculation went wrong.");
    EXPECT_EQ(E_FAIL, m_calc->Fail(text));
    CComBSTR source, description;
    GUID iid = IID_IDispatch;
    ASSERT_TRUE(TakeComError(&source, &description, &iid));
    EXPECT_STREQ(L"Tolvane.ComTest.Calc.1", source.Get());
    EXPECT_STREQ(L"The calculation went wrong.", description.Get());
    EXPECT_TRUE(IsEqualGUID(GUID_NULL, iid));
    EXPECT_FALSE(TakeComError(&source, &description));  // taken once
}

TEST_F(InprocServerTest, EventsReachAdvisedSinksFromAnotherThreadUntilUnadvised)
{
    CTickSink sink;
    ASSERT_EQ(S_OK, sink.DispEventAdvise(m_calc));
    EXPECT_TRUE(sink.IsAdvised());

    LPOLESTR name = const_cast<LPOLESTR>(L"Tick");
    DISPID id = 0;
    ASSERT_EQ(S_OK, sink.GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(1, id);

    ITestCalc* calc = m_calc;
    auto fireFromThread = [calc](long n, const wchar_t* text) {
        std::thread t([calc, n, text] {
            CComInit com(COINIT_MULTITHREADED);
            CComBSTR b(text);
            calc->Fire(n, b);
        });
        t.join();
    };
    fireFromThread(7, L"seven");
    EXPECT_EQ(1, sink.calls.load());
    EXPECT_EQ(7, sink.last);
    EXPECT_EQ(L"seven", sink.lastText);
    EXPECT_NE(GetCurrentThreadId(), sink.thread);

    CComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, m_calc.QueryTo(IID_IConnectionPointContainer, &container));
    CComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__ITestCalcEvents, &point));
    CComPtr<IEnumConnections> connections;
    ASSERT_EQ(S_OK, point->EnumConnections(&connections));
    CONNECTDATA data[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, connections->Next(2, data, &fetched));
    ASSERT_EQ(1u, fetched);
    EXPECT_EQ(sink.Cookie(), data[0].dwCookie);
    data[0].pUnk->Release();

    ASSERT_EQ(S_OK, sink.DispEventUnadvise(m_calc));
    fireFromThread(8, L"eight");
    EXPECT_EQ(1, sink.calls.load());
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(sink.Cookie() + 1000));
}

TEST_F(InprocServerTest, ConnectionPointContainerKnowsOnlyItsOwnPoints)
{
    CComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, m_calc.QueryTo(IID_IConnectionPointContainer, &container));
    CComPtr<IConnectionPoint> point;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_ITestCalc, &point));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__ITestCalcEvents, &point));
    IID iid{};
    EXPECT_EQ(S_OK, point->GetConnectionInterface(&iid));
    EXPECT_TRUE(IsEqualIID(DIID__ITestCalcEvents, iid));
    CComPtr<IConnectionPointContainer> back;
    ASSERT_EQ(S_OK, point->GetConnectionPointContainer(&back));
    EXPECT_EQ(container.Get(), back.Get());

    CComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    IConnectionPoint* found[2] = {};
    ULONG fetched = 0;
    points->Next(2, found, &fetched);
    ASSERT_EQ(1u, fetched);
    EXPECT_EQ(point.Get(), found[0]);
    found[0]->Release();

    // An object that does not implement the event interface cannot be advised.
    DWORD cookie = 1;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(m_calc, &cookie));
    EXPECT_EQ(0u, cookie);
}

TEST_F(InprocServerTest, HeapSinkIsHeldByItsConnectionUntilUnadvised)
{
    int deleted = 0;
    auto* sink = new CHeapTickSink(&deleted);
    ASSERT_EQ(S_OK, sink->DispEventAdvise(m_calc));
    EXPECT_EQ(3u, sink->AddRef());  // the test's, the connection's and this one
    EXPECT_EQ(2u, sink->Release());
    CComBSTR text(L"nine");
    ASSERT_EQ(S_OK, m_calc->Fire(9, text));
    EXPECT_EQ(9, sink->last);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(E_NOINTERFACE,
              sink->QueryInterface(IID_ITestCalc, reinterpret_cast<void**>(&unknown)));
    ASSERT_EQ(S_OK, sink->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(2u, unknown->Release());
    ASSERT_EQ(S_OK, sink->DispEventUnadvise(m_calc));
    EXPECT_EQ(0, deleted);
    EXPECT_EQ(0u, sink->Release());
    EXPECT_EQ(1, deleted);
}

TEST_F(InprocServerTest, SnapshotEnumeratorsHoldOneReferenceEachAndCloneTheirPosition)
{
    CComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, m_calc.QueryTo(IID_IConnectionPointContainer, &container));
    CComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    EXPECT_EQ(2u, points->AddRef());
    EXPECT_EQ(1u, points->Release());
    EXPECT_EQ(S_OK, points->Skip(1));
    CComPtr<IEnumConnectionPoints> clone;
    ASSERT_EQ(S_OK, points->Clone(&clone));
    EXPECT_EQ(2u, clone->AddRef());
    EXPECT_EQ(1u, clone->Release());
    IConnectionPoint* found = nullptr;
    ULONG fetched = 1;
    EXPECT_EQ(S_FALSE, clone->Next(1, &found, &fetched));  // the clone is past the one point
    EXPECT_EQ(0u, fetched);
    ASSERT_EQ(S_OK, clone->Reset());
    ASSERT_EQ(S_OK, clone->Next(1, &found, &fetched));
    found->Release();
}

TEST_F(InprocServerTest, AggregatedObjectDelegatesIdentityAndReferencesToItsOuter)
{
    COuter outer;
    CComPtr<IUnknown> inner;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_TestCalc, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     inner.ReceiveVoid()));
    outer.inner = inner;

    ITestCalc* calc = nullptr;
    ASSERT_EQ(S_OK, inner->QueryInterface(IID_ITestCalc, reinterpret_cast<void**>(&calc)));
    EXPECT_EQ(2u, outer.refs);  // the interface's reference is the outer's
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, calc->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
    identity->Release();
    long sum = 0;
    EXPECT_EQ(S_OK, calc->Add(1, 1, &sum));
    EXPECT_EQ(2, sum);
    calc->Release();
    EXPECT_EQ(1u, outer.refs);
    outer.inner = nullptr;

    ITestCalc* refused = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              CoCreateInstance(CLSID_TestCalc, &outer, CLSCTX_INPROC_SERVER, IID_ITestCalc,
                               reinterpret_cast<void**>(&refused)));
    EXPECT_EQ(nullptr, refused);
}

TEST_F(InprocServerTest, LiveObjectsAndServerLocksKeepTheDllLoaded)
{
    m_calc.Release();
    CComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, s_dll->GetClassObject(CLSID_TestCalc, &factory));
    EXPECT_EQ(S_OK, s_dll->Call("DllCanUnloadNow"));  // the class object holds no lock

    CComPtr<ITestCalc> calc;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_ITestCalc, calc.ReceiveVoid()));
    long locks = 0;
    ASSERT_EQ(S_OK, calc->ModuleLockCount(&locks));
    EXPECT_EQ(1, locks);
    EXPECT_EQ(S_FALSE, s_dll->Call("DllCanUnloadNow"));
    calc.Release();
    EXPECT_EQ(S_OK, s_dll->Call("DllCanUnloadNow"));

    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, s_dll->Call("DllCanUnloadNow"));
    ASSERT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, s_dll->Call("DllCanUnloadNow"));

    IClassFactory* none = nullptr;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, s_dll->GetClassObject(CLSID_TestSingleton, &none));
}

// --- the local server -------------------------------------------------------------------------

class LocalServerTest : public ComFixture {
protected:
    static std::wstring Exe() { return L"\"" + BinPath(L"comsupport_testexe.exe") + L"\""; }
    static void SetUpTestSuite() { s_registered = RunProgram(Exe() + L" /RegServer") == 0; }
    static void TearDownTestSuite() { RunProgram(Exe() + L" /UnregServer"); }
    void SetUp() override { ASSERT_TRUE(s_registered); }

    static bool s_registered;
};

bool LocalServerTest::s_registered = false;

TEST_F(LocalServerTest, RegistrationNamesTheProgramAsLocalServer)
{
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kSingletonClsid;
    EXPECT_EQ(L"TestSingleton Class", ReadText(HKEY_CLASSES_ROOT, clsidKey));
    EXPECT_EQ(0, _wcsicmp(BinPath(L"comsupport_testexe.exe").c_str(),
                          ReadText(HKEY_CLASSES_ROOT, clsidKey + L"\\LocalServer32").c_str()));
    EXPECT_EQ(L"{7D3C1F45-2B8E-4C59-9A61-3E0D5B7A9C11}",
              ReadText(HKEY_CLASSES_ROOT, clsidKey, L"AppID"));
    EXPECT_TRUE(TypeLibRegistered());
}

// Clients reach the local server through IDispatch (oleaut32's standard proxies): the dual
// interface's own vtable would need the type-library marshaler, which this Wine cannot build
// for a widl-made library under 64 bits.
long InvokeLong(IDispatch* object, DISPID id, long a = 0, long b = 0, UINT count = 0)
{
    CComVariant args[2];
    args[0].SetI4(b);
    args[1].SetI4(a);
    DISPPARAMS params{count ? args : nullptr, nullptr, count, 0};
    CComVariant result;
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                &result, nullptr, nullptr);
    return SUCCEEDED(hr) && SUCCEEDED(result.ChangeType(VT_I4)) ? result.lVal : -1;
}

TEST_F(LocalServerTest, SingletonClassObjectGivesEveryClientTheSameObjectAndTheServerEndsAfterwards)
{
    {
        CComPtr<IDispatch> first, second;
        ASSERT_EQ(S_OK, first.CoCreateInstance(CLSID_TestSingleton, IID_IDispatch, nullptr,
                                               CLSCTX_LOCAL_SERVER));
        ASSERT_EQ(S_OK, second.CoCreateInstance(CLSID_TestSingleton, IID_IDispatch, nullptr,
                                                CLSCTX_LOCAL_SERVER));
        long a = InvokeLong(first, 4);
        EXPECT_GT(a, 0);
        EXPECT_EQ(a, InvokeLong(second, 4));
        EXPECT_EQ(42, InvokeLong(second, 1, 20, 22, 2));
        EXPECT_GE(InvokeLong(first, 5), 1);  // the clients' references lock the server
    }
    CoFreeUnusedLibraries();
    bool running = true;
    for (int i = 0; i < 100 && running; ++i) {
        Sleep(100);
        running = ProcessRunning(L"comsupport_testexe.exe");
    }
    EXPECT_FALSE(running) << "the server did not end after its last client left";
}

}  // namespace
