// Tolvane.PlugIns.dll through real COM: its registration, its type library and its do-nothing
// reference class.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TolvanePlugIns.h"
#include "comsupport.h"
#include "registry_probe.h"
#include "set_type.h"

namespace {

const wchar_t kClsid[] = L"{56E5DD49-4115-48E7-9CC2-98AFE102DF4D}";
const wchar_t kAppId[] = L"{F5931A51-DC6E-44ED-B120-2E0ECE88B133}";
const wchar_t kLibId[] = L"{EAE93A42-6B3C-4046-B9ED-2A5978A7F43D}";

std::wstring DllPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + L"Tolvane.PlugIns.dll";
}

// The registration lives under HKEY_CLASSES_ROOT.
std::wstring ReadText(const std::wstring& path, const wchar_t* name = nullptr)
{
    return ::ReadText(HKEY_CLASSES_ROOT, path, name);
}

bool KeyExists(const std::wstring& path)
{
    return ::KeyExists(HKEY_CLASSES_ROOT, path);
}

std::vector<std::wstring> SubkeyNames(const std::wstring& path)
{
    return ::SubkeyNames(HKEY_CLASSES_ROOT, path);
}

HRESULT CallExport(HMODULE dll, const char* name)
{
    auto fn =
        reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    return fn ? fn() : E_NOTIMPL;
}

bool LibraryRegistered()
{
    ITypeLib* lib = nullptr;
    if (FAILED(LoadRegTypeLib(LIBID_TolvanePlugInsLib, 1, 0, LOCALE_NEUTRAL, &lib)))
        return false;
    lib->Release();
    return true;
}

class TolvanePlugInsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dll = LoadLibraryW(DllPath().c_str());
        ASSERT_NE(nullptr, m_dll);
        ASSERT_EQ(S_OK, CallExport(m_dll, "DllRegisterServer"));
    }
    void TearDown() override
    {
        if (m_dll) {
            CallExport(m_dll, "DllUnregisterServer");
            FreeLibrary(m_dll);
        }
    }

    CComInit m_com{COINIT_MULTITHREADED};
    HMODULE m_dll = nullptr;
};

}  // namespace

TEST_F(TolvanePlugInsTest, RegistrationWritesTheClassTheApplicationAndTheLibrary)
{
    const std::wstring clsid = std::wstring(L"CLSID\\") + kClsid;
    const struct {
        std::wstring key;
        const wchar_t* value;
        std::wstring expected;
    } cases[] = {
        {L"Tolvane.PlugIns.1", nullptr, L"TolvanePlugIn Class"},
        {L"Tolvane.PlugIns.1\\CLSID", nullptr, kClsid},
        {L"Tolvane.PlugIns", nullptr, L"TolvanePlugIn Class"},
        {L"Tolvane.PlugIns\\CLSID", nullptr, kClsid},
        {L"Tolvane.PlugIns\\CurVer", nullptr, L"Tolvane.PlugIns.1"},
        {clsid, nullptr, L"TolvanePlugIn Class"},
        {clsid, L"AppID", kAppId},
        {clsid + L"\\ProgID", nullptr, L"Tolvane.PlugIns.1"},
        {clsid + L"\\VersionIndependentProgID", nullptr, L"Tolvane.PlugIns"},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Free"},
        {clsid + L"\\TypeLib", nullptr, kLibId},
        {std::wstring(L"AppID\\") + kAppId, nullptr, L"TolvanePlugIns"},
        {L"AppID\\Tolvane.PlugIns.DLL", L"AppID", kAppId},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ReadText(c.key, c.value)) << std::string(c.key.begin(), c.key.end());
    EXPECT_EQ((std::vector<std::wstring>{L"InprocServer32", L"ProgID", L"Programmable", L"TypeLib",
                                         L"VersionIndependentProgID"}),
              SubkeyNames(clsid));
    EXPECT_EQ(0, _wcsicmp(DllPath().c_str(), ReadText(clsid + L"\\InprocServer32").c_str()));
    EXPECT_TRUE(LibraryRegistered());

    ASSERT_EQ(S_OK, CallExport(m_dll, "DllUnregisterServer"));
    for (const auto& c : cases)
        EXPECT_FALSE(KeyExists(c.key)) << std::string(c.key.begin(), c.key.end());
    EXPECT_FALSE(LibraryRegistered());
    EXPECT_TRUE(KeyExists(L"CLSID"));
}

TEST_F(TolvanePlugInsTest, LibraryDescribesTheContract)
{
    ITypeLib* lib = nullptr;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_TolvanePlugInsLib, 1, 0, LOCALE_NEUTRAL, &lib));
    ITypeInfo* info = nullptr;
    ASSERT_EQ(S_OK, lib->GetTypeInfoOfGuid(DIID__ITolvanePlugInEvents, &info));
    LPOLESTR name = const_cast<LPOLESTR>(L"OnNewData");
    MEMBERID id = 0;
    EXPECT_EQ(S_OK, info->GetIDsOfNames(&name, 1, &id));
    EXPECT_EQ(1, id);
    info->Release();
    lib->Release();
}

TEST_F(TolvanePlugInsTest, ReferenceObjectAnswersEveryMethodWithoutTouchingOutParameters)
{
    CComPtr<ITolvanePlugIn> plugIn;
    ASSERT_EQ(S_OK, plugIn.CoCreateInstance(CLSID_TolvanePlugIn, IID_ITolvanePlugIn, nullptr,
                                            CLSCTX_INPROC_SERVER));
    CComVariant auth(L"anything");
    CComVariant command;
    EXPECT_EQ(S_OK, plugIn->Init(auth, &command));
    EXPECT_EQ(VT_EMPTY, command.vt);
    VARIANT_BOOL taken = 7;
    EXPECT_EQ(S_OK, plugIn->Add(CComVariant(L"MMA\t1\t2"), &taken));
    EXPECT_EQ(7, taken);
    CComVariant result;
    EXPECT_EQ(S_OK, plugIn->Get(&result));
    EXPECT_EQ(VT_EMPTY, result.vt);
    EXPECT_EQ(S_OK, plugIn->Set(SET_CHECK_PERIOD, CComVariant(300)));
    EXPECT_EQ(S_OK, plugIn->Set(9, CComVariant()));

    // Through IDispatch, from the registered library.
    LPOLESTR name = const_cast<LPOLESTR>(L"Get");
    DISPID id = 0;
    ASSERT_EQ(S_OK, plugIn->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(3, id);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(S_OK, plugIn->Invoke(3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                   result.Receive(), nullptr, nullptr));

    // Its connection point takes event sinks.
    CComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, plugIn.QueryTo(IID_IConnectionPointContainer, &container));
    CComPtr<IConnectionPoint> point;
    EXPECT_EQ(S_OK, container->FindConnectionPoint(DIID__ITolvanePlugInEvents, &point));
}

TEST_F(TolvanePlugInsTest, ReferenceClassCanBeAggregated)
{
    class COuter : public IUnknown {
    public:
        STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
        {
            *ppv = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
            return *ppv ? S_OK : E_NOINTERFACE;
        }
        STDMETHOD_(ULONG, AddRef)() override { return 2; }
        STDMETHOD_(ULONG, Release)() override { return 1; }
    } outer;
    CComPtr<IUnknown> inner;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_TolvanePlugIn, &outer, CLSCTX_INPROC_SERVER,
                                     IID_IUnknown, inner.ReceiveVoid()));
    CComPtr<ITolvanePlugIn> plugIn;
    ASSERT_EQ(S_OK, inner.QueryTo(IID_ITolvanePlugIn, &plugIn));
    CComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, plugIn.QueryTo(IID_IUnknown, &identity));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.Get());
}
