// The framework's COM plug-in object, through the test plug-in tol_fwtest.dll loaded in this
// process (its class object taken straight from the DLL, nothing registered).
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TolvanePlugIns.h"
#include "tol_fwtest.h"
#include "com_bstr.h"
#include "com_error.h"
#include "com_init.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "critical_section.h"
#include "heap_helpers.h"
#include "heap_text.h"
#include "init_handshake.h"
#include "set_type.h"

namespace {

const wchar_t kClassText[] = L"{9A056451-75E0-44BE-BEA7-9F9A4100C51B}";
const wchar_t kOtherClassText[] = L"{85DE5A01-418E-4421-8747-17B559DAF1C6}";
const char kCommandCodes[] = "TSATSDTSP";

// Collects OnNewData events.
class CEventLog : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, DIID__ITolvanePlugInEvents)) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        if (id != 1 || params->cArgs != 2)
            return DISP_E_BADPARAMCOUNT;
        const VARIANT& src = params->rgvarg[1];
        const VARIANT& desc = params->rgvarg[0];
        Entry entry{src.vt, src.lVal, desc.vt == VT_BSTR ? Narrow(desc.bstrVal) : "<not a BSTR>"};
        CScopedLock lock(m_lock);
        m_entries.push_back(entry);
        return S_OK;
    }

    struct Entry {
        VARTYPE vt;
        LONG value;
        std::string text;
    };

    std::vector<Entry> Entries()
    {
        CScopedLock lock(m_lock);
        return m_entries;
    }
    size_t Count(const std::string& text)
    {
        size_t n = 0;
        for (const Entry& e : Entries())
            n += e.text == text;
        return n;
    }
    // Waits until `text` has come `count` times (at most 20 s).
    bool WaitFor(const std::string& text, size_t count = 1)
    {
        for (int i = 0; i < 2000; ++i) {
            if (Count(text) >= count)
                return true;
            Sleep(10);
        }
        return false;
    }

private:
    CCriticalSection m_lock;
    std::vector<Entry> m_entries;
};

using CountFunc = long(__stdcall*)();

class PlugInObject : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_module = LoadLibraryW(L"tol_fwtest.dll");
        ASSERT_NE(s_module, nullptr);
    }
    static void TearDownTestSuite()
    {
        FreeLibrary(s_module);
        s_module = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_com.Succeeded());
        auto getClassObject = reinterpret_cast<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(s_module, "DllGetClassObject")));
        ASSERT_NE(getClassObject, nullptr);
        CLSID clsid;
        ASSERT_EQ(CLSIDFromString(kClassText, &clsid), S_OK);
        CComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, factory.ReceiveVoid()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITolvanePlugIn, m_plugin.ReceiveVoid()),
                  S_OK);
    }

    void TearDown() override { Release(); }

    static long Probe(const char* name)
    {
        auto func =
            reinterpret_cast<CountFunc>(reinterpret_cast<void*>(GetProcAddress(s_module, name)));
        return func ? func() : -1;
    }

    HRESULT InitWith(const VARIANT& auth, VARIANT* reply = nullptr)
    {
        CComVariant ignored;
        return m_plugin->Init(auth, reply ? reply : ignored.Receive());
    }

    static CComVariant BlobFor(const wchar_t* plainText, const wchar_t* entropyText)
    {
        CClassIdEntropy plain(plainText);
        CClassIdEntropy entropy(entropyText);
        CComBSTR blob;
        EXPECT_TRUE(
            ProtectData(plain.Bytes(), plain.Length(), entropy.Bytes(), entropy.Length(), &blob));
        CComVariant v;
        v.AttachBSTR(blob.Detach());
        return v;
    }

    void Initialise()
    {
        CComVariant reply;
        ASSERT_EQ(InitWith(BlobFor(kClassText, kClassText), reply.Receive()), S_OK);
        ASSERT_EQ(reply.vt, VT_BSTR);
        char* codes = nullptr;
        ASSERT_TRUE(UnprotectCommandCodes(kClassText, reinterpret_cast<const BYTE*>(reply.bstrVal),
                                          reply.ByteLength(), &codes));
        EXPECT_STREQ(codes, kCommandCodes);
        FreeHeapBlock(codes);
    }

    void Advise()
    {
        CComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(m_plugin.QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid()),
                  S_OK);
        ASSERT_EQ(container->FindConnectionPoint(DIID__ITolvanePlugInEvents, &m_point), S_OK);
        ASSERT_EQ(m_point->Advise(&m_events, &m_cookie), S_OK);
    }

    void Release()
    {
        if (m_point)
            m_point->Unadvise(m_cookie);
        m_point.Release();
        m_plugin.Release();
    }

    HRESULT Add(const wchar_t* line, VARIANT_BOOL* taken = nullptr)
    {
        VARIANT_BOOL ignored = VARIANT_FALSE;
        return m_plugin->Add(CComVariant(line), taken ? taken : &ignored);
    }

    HRESULT SetPeriod(int seconds) { return m_plugin->Set(SET_CHECK_PERIOD, CComVariant(seconds)); }

    std::string GetBytes(HRESULT* hr)
    {
        CComVariant result;
        *hr = m_plugin->Get(result.Receive());
        if (*hr == S_OK || *hr == E_PENDING) {
            EXPECT_EQ(result.vt, VT_BSTR);
        }
        if (result.vt != VT_BSTR || !result.bstrVal)
            return "<null>";
        return std::string(reinterpret_cast<const char*>(result.bstrVal), result.ByteLength());
    }

    static std::string ErrorText()
    {
        CComBSTR source, description;
        if (!TakeComError(&source, &description))
            return "<no error object>";
        char* text = WideToMultiByteAlloc(description.Get() ? description.Get() : L"", CP_UTF8);
        std::string out = text ? text : "";
        FreeHeapBlock(text);
        return out;
    }

    static HMODULE s_module;
    CComInit m_com{COINIT_MULTITHREADED};
    CComPtr<ITolvanePlugIn> m_plugin;
    CComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
    CEventLog m_events;
};

HMODULE PlugInObject::s_module = nullptr;

// The records of a ResultStream: test id and pass number of each.
struct RecordId {
    unsigned tid;
    unsigned pass;
    bool operator==(const RecordId& o) const { return tid == o.tid && pass == o.pass; }
};

std::vector<RecordId> Records(const std::string& stream)
{
    std::vector<RecordId> out;
    size_t at = 0;
    while (at + 32 <= stream.size()) {
        unsigned words[12];
        memcpy(words, stream.data() + at, sizeof words);
        if (words[0] < 32 || at + words[0] > stream.size())
            break;
        // No I32 slots: the UI32 section follows the header: type, tid, lid, pass.
        EXPECT_EQ(words[8], 99u);
        out.push_back({words[9], words[11]});
        at += words[0];
    }
    EXPECT_EQ(at, stream.size());
    return out;
}

const char kNewData[] = "tol_fwtest: New data is available.";

}  // namespace

TEST_F(PlugInObject, ErrorInfoIsDeclaredForTheOwnInterfaceOnly)
{
    CComPtr<ISupportErrorInfo> info;
    ASSERT_EQ(m_plugin.QueryInterface(IID_ISupportErrorInfo, info.ReceiveVoid()), S_OK);
    EXPECT_EQ(info->InterfaceSupportsErrorInfo(IID_ITESTmonitoring), S_OK);
    EXPECT_EQ(info->InterfaceSupportsErrorInfo(IID_ITolvanePlugIn), S_FALSE);
    EXPECT_EQ(info->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
}

TEST_F(PlugInObject, HasBothConnectionPoints)
{
    CComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(m_plugin.QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid()),
              S_OK);
    for (const IID* iid : {&DIID__ITolvanePlugInEvents, &DIID__ITESTmonitoringEvents}) {
        CComPtr<IConnectionPoint> point;
        EXPECT_EQ(container->FindConnectionPoint(*iid, &point), S_OK);
    }
    CComPtr<IConnectionPoint> none;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &none), CONNECT_E_NOCONNECTION);
    CComPtr<ITESTmonitoring> own;
    EXPECT_EQ(m_plugin.QueryInterface(IID_ITESTmonitoring, own.ReceiveVoid()), S_OK);
}

TEST_F(PlugInObject, EveryMethodBeforeInitFails)
{
    EXPECT_EQ(Add(L"TSA\t1\t1"), E_FAIL);
    EXPECT_EQ(ErrorText(), "Please, Initialize the class first.");
    HRESULT hr;
    GetBytes(&hr);
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(ErrorText(), "Please, Initialize the class first.");
    EXPECT_EQ(SetPeriod(5), E_FAIL);
    EXPECT_EQ(ErrorText(), "Please, Initialize the class first.");
}

TEST_F(PlugInObject, RefusedInitLeavesTheObjectUninitialised)
{
    CComVariant number(5);
    CComVariant empty;
    CComVariant noBytes;
    noBytes.SetBytes("", 0);
    std::wstring half(kClassText, wcslen(kClassText) / 2);
    struct Case {
        const char* name;
        CComVariant auth;
        const char* text;
    } cases[] = {
        {"a number", number, "The string authentication is not specified."},
        {"nothing", empty, "The string authentication is not specified."},
        {"an empty byte string", noBytes, "The string authentication is not specified."},
        {"another class's blob", BlobFor(kOtherClassText, kOtherClassText),
         "The Class Initializsation failed."},
        {"half the text", BlobFor(half.c_str(), kClassText), "The Class Initializsation failed."},
        {"an empty text", BlobFor(L"", kClassText), "The Class Initializsation failed."},
        {"the text of another class", BlobFor(kOtherClassText, kClassText),
         "The Class Initializsation failed."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InitWith(c.auth), E_FAIL) << c.name;
        EXPECT_EQ(ErrorText(), c.text) << c.name;
        EXPECT_EQ(Add(L"TSA\t1\t1"), E_FAIL) << c.name;
        EXPECT_EQ(ErrorText(), "Please, Initialize the class first.");
    }
    CComVariant garbage;
    garbage.SetBytes("not a protected blob", 20);
    EXPECT_EQ(InitWith(garbage), E_FAIL);
    EXPECT_EQ(ErrorText(), "The Class Initializsation failed.");
    // A later Init may try again.
    Initialise();
}

TEST_F(PlugInObject, SecondInitFailsAndKeepsTheWorker)
{
    Initialise();
    Advise();
    EXPECT_EQ(InitWith(BlobFor(kClassText, kClassText)), E_FAIL);
    EXPECT_EQ(ErrorText(), "The Class already initialised.");
    ASSERT_EQ(Add(L"TSA\t1\t1"), S_OK);
    EXPECT_TRUE(m_events.WaitFor(kNewData));
    EXPECT_EQ(Probe("TestPlugInLiveWorkers"), 1);
}

TEST_F(PlugInObject, AddChecksTheValueAndTakesEveryText)
{
    Initialise();
    CComVariant number(3);
    CComVariant empty;
    VARIANT_BOOL taken = VARIANT_FALSE;
    EXPECT_EQ(m_plugin->Add(number, &taken), E_FAIL);
    EXPECT_EQ(ErrorText(), "New Value must be a string.");
    EXPECT_EQ(m_plugin->Add(empty, &taken), E_FAIL);
    EXPECT_EQ(ErrorText(), "New Value must be a string.");
    EXPECT_EQ(Add(L""), E_FAIL);
    EXPECT_EQ(ErrorText(), "New Value is zero length.");
    for (const wchar_t* line : {L"TSA\t1\t1", L"nonsense", L"TSA\t0\t1"}) {
        taken = VARIANT_FALSE;
        EXPECT_EQ(Add(line, &taken), S_OK);
        EXPECT_EQ(taken, VARIANT_TRUE);
    }
}

TEST_F(PlugInObject, AWorkerOutOfMemoryFailsTheAddAndLetsNoExceptionOut)
{
    Initialise();
    VARIANT_BOOL taken = VARIANT_FALSE;
    EXPECT_EQ(Add(L"TSM", &taken), E_OUTOFMEMORY);
    EXPECT_EQ(taken, VARIANT_FALSE);
    EXPECT_EQ(Add(L"TSA\t1\t1", &taken), S_OK);
    EXPECT_EQ(taken, VARIANT_TRUE);
}

TEST_F(PlugInObject, GetHandsOverPendingBytesOnce)
{
    Initialise();
    Advise();
    HRESULT hr;
    EXPECT_EQ(GetBytes(&hr), "<null>");
    EXPECT_EQ(hr, E_PENDING);
    EXPECT_EQ(static_cast<unsigned long>(hr), 0x8000000AUL);

    ASSERT_EQ(Add(L"TSA\t5\t7"), S_OK);
    ASSERT_TRUE(m_events.WaitFor(kNewData));
    std::string stream = GetBytes(&hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(Records(stream), (std::vector<RecordId>{{5, 1}}));
    // Type 99 record: header 32, four UI32, one I64, the text "check-now" and its NUL.
    EXPECT_EQ(stream.size(), 32u + 16 + 8 + 10);
    EXPECT_EQ(stream.substr(stream.size() - 10), std::string("check-now", 10));

    EXPECT_EQ(GetBytes(&hr), "<null>");
    EXPECT_EQ(hr, E_PENDING);
}

TEST_F(PlugInObject, ResultsBetweenTwoGetsComeAsOneStreamInOrder)
{
    Initialise();
    Advise();
    ASSERT_EQ(Add(L"TSA\t1\t1"), S_OK);
    ASSERT_TRUE(m_events.WaitFor("tol_fwtest: pass 1 ended"));
    ASSERT_EQ(Add(L"TSA\t2\t1"), S_OK);
    ASSERT_TRUE(m_events.WaitFor("tol_fwtest: pass 2 ended"));
    HRESULT hr;
    std::string stream = GetBytes(&hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(Records(stream), (std::vector<RecordId>{{1, 1}, {1, 2}, {2, 2}}));
}

TEST_F(PlugInObject, EventsCarryTheSourceIdOrTheLogLevel)
{
    Initialise();
    Advise();
    ASSERT_EQ(m_plugin->Set(SET_SOURCE_ID, CComVariant(7)), S_OK);
    ASSERT_EQ(Add(L"TSA\t1\t1"), S_OK);
    ASSERT_TRUE(m_events.WaitFor("tol_fwtest: pass 1 ended"));
    bool sawData = false, sawLog = false;
    for (const CEventLog::Entry& e : m_events.Entries()) {
        if (e.text == kNewData) {
            EXPECT_EQ(e.vt, VT_UI4);
            EXPECT_EQ(e.value, 7);
            sawData = true;
        }
        if (e.text == "tol_fwtest: pass 1 check-now") {
            EXPECT_EQ(e.vt, VT_I4);
            EXPECT_EQ(e.value, -5);
            sawLog = true;
        }
    }
    EXPECT_TRUE(sawData);
    EXPECT_TRUE(sawLog);
}

TEST_F(PlugInObject, SetAcceptsEveryTypeAndValue)
{
    Initialise();
    CComVariant empty;
    CComVariant text(L"proxy:8080");
    CComVariant number(1);
    EXPECT_EQ(m_plugin->Set(SET_RPL, empty), S_OK);
    EXPECT_EQ(m_plugin->Set(SET_PROXY, text), S_OK);
    EXPECT_EQ(m_plugin->Set(9, number), S_OK);
    EXPECT_EQ(m_plugin->Set(SET_CHECK_PERIOD, text), S_OK);
    EXPECT_EQ(m_plugin->Set(SET_SOURCE_ID, empty), S_OK);
}

TEST_F(PlugInObject, ANewPeriodGivesTimerPasses)
{
    Initialise();
    Advise();
    ASSERT_EQ(SetPeriod(1), S_OK);
    EXPECT_TRUE(m_events.WaitFor("tol_fwtest: pass 2 timer"));
}

// With a 2-s period, calls every 300 ms that change nothing must not re-arm the timer: were
// any of them taken as a change, no timer pass would ever come.
TEST_F(PlugInObject, ZeroNegativeAndUnchangedPeriodsDoNotPostponeTheTimer)
{
    Initialise();
    Advise();
    ASSERT_EQ(SetPeriod(2), S_OK);
    bool passed = false;
    for (int i = 0; i < 60 && !passed; ++i) {
        for (int seconds : {2, 0, -5})
            ASSERT_EQ(SetPeriod(seconds), S_OK);
        Sleep(300);
        passed = m_events.Count("tol_fwtest: pass 2 timer") > 0;
    }
    EXPECT_TRUE(passed);
}

struct LongPassCase {
    const wchar_t* passLine;
    const char* name;
};

class PlugInRelease : public PlugInObject, public testing::WithParamInterface<LongPassCase> {};

// The last release during a pass ends the worker thread before the object is gone.
TEST_P(PlugInRelease, ReleaseDuringAPassLeavesNoThreadBehind)
{
    Initialise();
    Advise();
    ASSERT_EQ(Add(GetParam().passLine), S_OK);
    ASSERT_EQ(Add(L"TSA\t1\t1"), S_OK);
    ASSERT_TRUE(m_events.WaitFor("tol_fwtest: pass 1 check-now"));
    EXPECT_EQ(Probe("TestPlugInActivePasses"), 1);
    Release();
    EXPECT_EQ(Probe("TestPlugInActivePasses"), 0);
    EXPECT_EQ(Probe("TestPlugInLiveWorkers"), 0);
    auto canUnload = reinterpret_cast<HRESULT(__stdcall*)()>(
        reinterpret_cast<void*>(GetProcAddress(s_module, "DllCanUnloadNow")));
    EXPECT_EQ(canUnload(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Passes, PlugInRelease,
                         testing::Values(LongPassCase{L"TSP\t3000\t0", "pass_ignores_stop"},
                                         LongPassCase{L"TSP\t600000\t1", "pass_watches_stop"}),
                         [](const testing::TestParamInfo<LongPassCase>& info) {
                             return std::string(info.param.name);
                         });
