// The plug-in host of the work engine: discovery in the registry, import with the Init
// handshake, routing of server lines, the Set broadcasts, collection and the plug-ins' events.
#include "main_worker.h"

#include "agent_texts.h"
#include "command_code.h"
#include "heap_helpers.h"
#include "plugin_handshake_client.h"
#include "plugin_sink.h"
#include "reg_key.h"
#include "registry_paths.h"
#include "set_type.h"
#include "utf8_bstr.h"

#include "com_ptr.h"

#include <TolvanePlugIns.h>

#include <cstdio>
#include <new>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kKeyNameChars = 260;
const wchar_t* const kNameValues[kPlugInNameCount] = {L"Name", L"Vendor", L"Description"};

// A REG_SZ value as a heap wide text; null when missing, of another type or unreadable.
wchar_t* ReadRegistryWideText(HKEY key, const wchar_t* name)
{
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return nullptr;
    auto* text = static_cast<wchar_t*>(HeapAllocZero(bytes + 2 * sizeof(wchar_t)));
    if (!text)
        return nullptr;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        FreeHeapBlock(text);
        return nullptr;
    }
    return text;
}

PlugInEntry* ReadPlugInEntry(HKEY key, const wchar_t* classId)
{
    PlugInEntry* entry = NewPlugInEntry(classId);
    if (!entry)
        return nullptr;
    for (unsigned i = 0; i < kPlugInNameCount; ++i) {
        wchar_t* text = ReadRegistryWideText(key, kNameValues[i]);
        if (text)
            SetPlugInName(entry, i, text);
        FreeHeapBlock(text);
    }
    return entry;
}

std::wstring ImportedText(const PlugInEntry* entry)
{
    std::wstring text = TOL_TEXT_PLUGIN_IMPORTED;
    for (unsigned i = 0; i < kPlugInNameCount; ++i) {
        text += L"\n";
        text += kNameValues[i];
        text += L":\t";
        text += entry->names[i];
    }
    return text;
}

VARIANT IntegerVariant(long value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

VARIANT TextVariant(const char* utf8)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = Utf8ToBstr(utf8);
    return v;
}

}  // namespace

bool CMainWorker::EnumeratePlugIns()
{
    CRegKeyHandle key;
    if (key.Open(HKEY_LOCAL_MACHINE, TOL_REG_PLUGINS_KEY, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kKeyNameChars] = {};
        DWORD chars = kKeyNameChars;
        if (RegEnumKeyExW(key.Get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        wchar_t path[kKeyNameChars] = {};
        int written = _snwprintf(path, kKeyNameChars, L"%ls\\%ls", TOL_REG_PLUGINS_KEY, name);
        if (written < 0 || written >= static_cast<int>(kKeyNameChars))
            continue;
        CRegKeyHandle subKey;
        if (subKey.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) != ERROR_SUCCESS)
            continue;
        PlugInEntry* entry = ReadPlugInEntry(subKey.Get(), name);
        if (!entry)
            continue;
        CScopedLock lock(m_plugInListLock);
        m_plugIns.push_back(entry);
    }
    return true;
}

void CMainWorker::ImportPlugIns()
{
    CScopedLock lock(m_plugInListLock);
    for (size_t i = 0; i < m_plugIns.size(); ++i) {
        PlugInEntry* entry = m_plugIns[i];
        if (!entry->plugIn)
            ImportPlugIn(entry, static_cast<long>(i + 1));
    }
}

void CMainWorker::ImportPlugIn(PlugInEntry* entry, long sourceId)
{
    CLSID classId;
    if (FAILED(CLSIDFromString(entry->classId, &classId)))
        return;
    ITolvanePlugIn* plugIn = nullptr;
    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_ITolvanePlugIn, reinterpret_cast<void**>(&plugIn))) ||
        !plugIn)
        return;
    char* codes = nullptr;
    if (!RunAgentHandshake(plugIn, entry->classId, &codes)) {
        plugIn->Release();
        return;
    }
    FreeHeapBlock(entry->commandCodes);
    entry->commandCodes = codes;
    std::wstring text = ImportedText(entry);

    VARIANT period = IntegerVariant(kImportCheckPeriod);
    plugIn->Set(SET_CHECK_PERIOD, period);
    VARIANT source = IntegerVariant(sourceId);
    plugIn->Set(SET_SOURCE_ID, source);
    char* proxy = CopyProxy();
    VARIANT proxyValue = TextVariant(proxy);
    FreeHeapBlock(proxy);
    plugIn->Set(SET_PROXY, proxyValue);
    VariantClear(&proxyValue);

    CPlugInSink* sink = CreatePlugInSink(this);
    if (sink)
        AdvisePlugInSink(sink, plugIn);
    entry->sink = sink;
    entry->plugIn = plugIn;
    FireStatusChanged(STATUS_INFO, text.c_str());
}

// The list lock is held only to take the plug-ins, each with a reference of its own: the
// calls are made outside it, so a plug-in that takes its time holds up no other caller, and
// a release of work meanwhile frees nothing a call still uses.
CMainWorker::PlugInCalls CMainWorker::TakePlugIns(const char* line)
{
    PlugInCalls calls;
    CScopedLock lock(m_plugInListLock);
    calls.generation = m_plugInGeneration;
    try {
        for (PlugInEntry* entry : m_plugIns) {
            if (entry->plugIn && (!line || MatchCommandCode(line, entry->commandCodes)))
                calls.plugIns.emplace_back(entry->plugIn);
        }
    } catch (const std::bad_alloc&) {
        calls.plugIns.clear();
    }
    return calls;
}

bool CMainWorker::IsPlugInGeneration(unsigned long generation)
{
    CScopedLock lock(m_plugInListLock);
    return generation == m_plugInGeneration;
}

bool CMainWorker::OfferLineToPlugIns(const char* line)
{
    PlugInCalls calls = TakePlugIns(line);
    if (calls.plugIns.empty())
        return false;
    VARIANT value = TextVariant(line);
    bool taken = false;
    for (CComPtr<ITolvanePlugIn>& plugIn : calls.plugIns) {
        // Released since (work stopped): the line is no longer theirs.
        if (!IsPlugInGeneration(calls.generation))
            break;
        VARIANT_BOOL answer = VARIANT_FALSE;
        if (plugIn->Add(value, &answer) == S_OK && answer == VARIANT_TRUE) {
            taken = true;
            break;
        }
    }
    VariantClear(&value);
    return taken;
}

void CMainWorker::SetOnPlugIns(unsigned short type, const VARIANT& value)
{
    PlugInCalls calls = TakePlugIns(nullptr);
    for (CComPtr<ITolvanePlugIn>& plugIn : calls.plugIns)
        plugIn->Set(type, value);
}

void CMainWorker::SetCheckPeriodOnPlugIns(long seconds)
{
    if (seconds <= 0)
        return;
    SetOnPlugIns(SET_CHECK_PERIOD, IntegerVariant(seconds));
}

void CMainWorker::SetProxyOnPlugIns(const char* proxy)
{
    VARIANT value = TextVariant(proxy);
    SetOnPlugIns(SET_PROXY, value);
    VariantClear(&value);
}

void CMainWorker::ResetPlugIns()
{
    VARIANT empty;
    VariantInit(&empty);
    SetOnPlugIns(SET_RPL, empty);
}

void CMainWorker::CollectPlugInData()
{
    PlugInCalls calls = TakePlugIns(nullptr);
    for (CComPtr<ITolvanePlugIn>& plugIn : calls.plugIns) {
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = plugIn->Get(&result);
        if (SUCCEEDED(hr) && V_VT(&result) == VT_BSTR)
            AddToCache(V_BSTR(&result));
        VariantClear(&result);
    }
}

HRESULT CMainWorker::OnPlugInNewData(VARIANT srcID, VARIANT newDesc)
{
    if (V_VT(&newDesc) != VT_BSTR)
        return S_OK;
    if (V_VT(&srcID) == VT_I4 && V_I4(&srcID) <= 0) {
        long long level = -static_cast<long long>(V_I4(&srcID));
        if (level > static_cast<long long>(m_settings.GetTrace()))
            return S_OK;
    }
    if (V_BSTR(&newDesc))
        FireStatusChanged(STATUS_MESSAGE, V_BSTR(&newDesc));
    return S_OK;
}

void CMainWorker::ReleasePlugIns()
{
    std::vector<PlugInEntry*> entries;
    {
        CScopedLock lock(m_plugInListLock);
        entries.swap(m_plugIns);
        ++m_plugInGeneration;
    }
    // A call under way keeps its own reference: the plug-in ends when that call is done.
    for (PlugInEntry* entry : entries) {
        if (entry->sink) {
            UnadvisePlugInSink(entry->sink, entry->plugIn);
            ReleasePlugInSink(entry->sink);
            entry->sink = nullptr;
        }
        if (entry->plugIn)
            entry->plugIn->Release();
        entry->plugIn = nullptr;
        FreePlugInEntry(entry);
    }
}
