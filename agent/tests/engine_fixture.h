// Shared pieces of the work engine's tests: an engine with its inner parts reachable, a
// status receiver that records, an event-log recorder, an in-process plug-in object and a
// server link that the test drives.
#pragma once

#include "event_log_observer.h"
#include "fake_dispatch.h"
#include "heap_helpers.h"
#include "main_worker.h"
#include "registry_fixture.h"

#include <TolvanePlugIns.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// An engine whose plug-in list and thread start the tests can reach.
class CTestEngine : public CMainWorker {
public:
    // Tests never reach a real server: no exchange unless a test sets its own link, and an
    // upgrade command starts a stand-in thread that downloads nothing.
    CTestEngine()
    {
        SetServerLink(&Unconnected());
        m_startUpgradeThread = &StartIdleUpgradeThread;
    }
    // How many upgrade download threads the engines started, and whether the next start fails.
    static std::atomic<int>& UpgradeStarts()
    {
        static std::atomic<int> starts{0};
        return starts;
    }
    static std::atomic<bool>& FailUpgradeStart()
    {
        static std::atomic<bool> fail{false};
        return fail;
    }
    static HANDLE StartIdleUpgradeThread(LPTHREAD_START_ROUTINE, void*)
    {
        if (FailUpgradeStart().load())
            return nullptr;
        ++UpgradeStarts();
        return CreateThread(nullptr, 0, &IdleUpgradeThread, nullptr, 0, nullptr);
    }
    static DWORD WINAPI IdleUpgradeThread(void*)
    {
        WaitForSingleObject(HeldUpgrade(), INFINITE);
        return 0;
    }
    // A manual-reset event, set unless a test holds the upgrade threads (a download under way).
    static HANDLE HeldUpgrade()
    {
        static HANDLE released = CreateEventW(nullptr, TRUE, TRUE, nullptr);
        return released;
    }
    static IServerLink& Unconnected()
    {
        static CUnconnectedServerLink link;
        return link;
    }
    void AppendEntry(PlugInEntry* entry)
    {
        CScopedLock lock(m_plugInListLock);
        m_plugIns.push_back(entry);
    }
    size_t PlugInCount()
    {
        CScopedLock lock(m_plugInListLock);
        return m_plugIns.size();
    }
    PlugInEntry* Entry(size_t index)
    {
        CScopedLock lock(m_plugInListLock);
        return index < m_plugIns.size() ? m_plugIns[index] : nullptr;
    }
    void SetThreadStarter(ThreadStarter starter)
    {
        m_startThread = starter ? starter : &CMainWorker::StartSuspendedThread;
    }
    // The send cache's buffers, oldest first, and the in-flight buffer ("" when none).
    std::vector<std::string> CachedBuffers()
    {
        CScopedLock lock(m_cacheLock);
        std::vector<std::string> buffers;
        for (BSTR buffer : m_sendCache)
            buffers.push_back(Bytes(buffer));
        return buffers;
    }
    std::string InFlight() { return Bytes(m_inFlight); }
    static std::string Bytes(BSTR buffer)
    {
        return std::string(reinterpret_cast<const char*>(buffer), SysStringByteLen(buffer));
    }
};

struct FiredStatus {
    long status;
    std::wstring text;
    VARTYPE type;
};

class CRecordingReceiver : public IStatusReceiver {
public:
    void LockReceiver() override
    {
        m_mutex.lock();
        ++m_locks;
    }
    void UnlockReceiver() override { m_mutex.unlock(); }
    HRESULT Fire_StatusChanged(long status, VARIANT text) override
    {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        FiredStatus fired{status, L"", V_VT(&text)};
        if (V_VT(&text) == VT_BSTR && V_BSTR(&text))
            fired.text = V_BSTR(&text);
        m_fired.push_back(fired);
        if (m_onFire)
            m_onFire(fired);
        return S_OK;
    }
    std::vector<FiredStatus> Fired()
    {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        return m_fired;
    }
    bool HasFired(long status, const std::wstring& text)
    {
        for (const FiredStatus& f : Fired()) {
            if (f.status == status && f.text == text)
                return true;
        }
        return false;
    }
    std::vector<std::wstring> TextsOf(long status)
    {
        std::vector<std::wstring> texts;
        for (const FiredStatus& f : Fired()) {
            if (f.status == status)
                texts.push_back(f.text);
        }
        return texts;
    }
    int Locks() const { return m_locks; }
    std::function<void(const FiredStatus&)> m_onFire;

private:
    std::recursive_mutex m_mutex;
    std::vector<FiredStatus> m_fired;
    int m_locks = 0;
};

struct EventLogEntry {
    WORD type;
    DWORD id;
    std::wstring text;
};

// Records the engine's event-log entries while it lives.
class CEventLogRecorder {
public:
    CEventLogRecorder()
    {
        SetEventLogObserver(&Observe);
        Clear();
    }
    ~CEventLogRecorder() { SetEventLogObserver(nullptr); }
    static std::vector<EventLogEntry> Entries()
    {
        std::lock_guard<std::mutex> guard(Mutex());
        return Store();
    }
    static void Clear()
    {
        std::lock_guard<std::mutex> guard(Mutex());
        Store().clear();
    }
    static int Count(WORD type, DWORD id, const std::wstring& text)
    {
        int n = 0;
        for (const EventLogEntry& e : Entries())
            n += (e.type == type && e.id == id && e.text == text) ? 1 : 0;
        return n;
    }

private:
    static void Observe(WORD type, DWORD id, const wchar_t* text)
    {
        std::lock_guard<std::mutex> guard(Mutex());
        Store().push_back({type, id, text ? text : L""});
    }
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::vector<EventLogEntry>& Store()
    {
        static std::vector<EventLogEntry> entries;
        return entries;
    }
};

// A server link whose exchanges run a test's function on the main worker thread.
class CScriptedLink : public IServerLink {
public:
    void SendWithTimeout(CMainWorker& engine) override
    {
        if (m_onSend)
            m_onSend(engine);
    }
    std::function<void(CMainWorker&)> m_onSend;
};

// A plug-in object in this process: records what the agent calls and answers as told.
class CFakePlugIn : public CFakeDispatch<ITolvanePlugIn, &IID_ITolvanePlugIn> {
public:
    enum class AddAnswer { Take, Decline, FailWithTrue, SucceedUntouched, FalseResultWithTrue };

    explicit CFakePlugIn(AddAnswer answer = AddAnswer::Take) : m_answer(answer) {}

    STDMETHODIMP Init(VARIANT, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP Add(VARIANT line, VARIANT_BOOL* taken) override
    {
        m_lines.push_back(V_VT(&line) == VT_BSTR && V_BSTR(&line) ? V_BSTR(&line) : L"<none>");
        switch (m_answer) {
        case AddAnswer::Take:
            *taken = VARIANT_TRUE;
            return S_OK;
        case AddAnswer::Decline:
            *taken = VARIANT_FALSE;
            return S_OK;
        case AddAnswer::FailWithTrue:
            *taken = VARIANT_TRUE;
            return E_FAIL;
        case AddAnswer::SucceedUntouched:
            return S_OK;
        case AddAnswer::FalseResultWithTrue:
            *taken = VARIANT_TRUE;
            return S_FALSE;
        }
        return E_FAIL;
    }
    STDMETHODIMP Get(VARIANT* result) override
    {
        ++m_gets;
        if (m_pending.empty()) {
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = nullptr;
            return E_PENDING;
        }
        V_VT(result) = VT_BSTR;
        V_BSTR(result) =
            SysAllocStringByteLen(m_pending.data(), static_cast<UINT>(m_pending.size()));
        m_pending.clear();
        return S_OK;
    }
    STDMETHODIMP Set(unsigned short type, VARIANT value) override
    {
        SetCall call{type, V_VT(&value), 0, L""};
        if (V_VT(&value) == VT_I4)
            call.number = V_I4(&value);
        if (V_VT(&value) == VT_BSTR)
            call.text = V_BSTR(&value) ? V_BSTR(&value) : L"<null>";
        m_sets.push_back(call);
        return S_OK;
    }

    struct SetCall {
        unsigned short type;
        VARTYPE vt;
        long number;
        std::wstring text;
    };
    AddAnswer m_answer;
    std::vector<std::wstring> m_lines;
    std::vector<SetCall> m_sets;
    std::string m_pending;
    int m_gets = 0;
};

// A plug-in list entry holding a fake plug-in (one reference handed to the entry).
inline PlugInEntry* FakeEntry(CFakePlugIn* plugIn, const char* codes)
{
    PlugInEntry* entry = NewPlugInEntry(L"{00000000-0000-0000-0000-000000000000}");
    entry->commandCodes = codes ? DupText(codes) : nullptr;
    if (plugIn) {
        plugIn->AddRef();
        entry->plugIn = plugIn;
    }
    return entry;
}

// Waits for a condition, at most the given time; true when it came.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds = 15000)
{
    ULONGLONG end = GetTickCount64() + milliseconds;
    while (!condition()) {
        if (GetTickCount64() > end)
            return false;
        Sleep(20);
    }
    return true;
}

// The registry of the engine's tests: the Tolvane keys start empty; COM is up on the thread.
class EngineTest : public TolvaneRegistryTest {
protected:
    void SetUp() override
    {
        TolvaneRegistryTest::SetUp();
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CreateKey(TOL_REG_SETTINGS_KEY);
    }
    void TearDown() override
    {
        CoUninitialize();
        TolvaneRegistryTest::TearDown();
    }
    static void SetTrace(DWORD value) { SetDWord(TOL_REG_SETTINGS_KEY, L"Trace", value); }
    static void SetText(const wchar_t* path, const wchar_t* name, const wchar_t* text)
    {
        SetRaw(path, name, REG_SZ, text, static_cast<DWORD>(2 * (wcslen(text) + 1)));
    }
    static void StoreRegistration(const wchar_t* eMail, const wchar_t* name)
    {
        SetText(TOL_REG_AGENT_KEY, L"E-Mail", eMail);
        SetText(TOL_REG_AGENT_KEY, L"Agent Name", name);
    }
    CEventLogRecorder m_eventLog;
};
