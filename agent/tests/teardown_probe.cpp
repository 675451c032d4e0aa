// The end of a program that holds the work engine as a global object, as Tolvane.exe does:
// work runs and tracing is on when main returns, so the engine's destructor stops work and
// the main worker thread fires and traces "All monitors are stopped."; an automation object
// held past main is released by a static destructor.
//
// The program watches every critical section of its own code: the import slots of
// InitializeCriticalSection*, DeleteCriticalSection and EnterCriticalSection are redirected
// to recorders. A lock entered after it was deleted is reported; the exit code is 0 only when
// none was and the trace holds the teardown's line.
#include "driver_settings.h"
#include "main_worker.h"
#include "quorin_agent.h"
#include "registry_paths.h"
#include "trace_log.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

// -- the recorders (no heap, no locks of their own: they run inside every lock call) --------

constexpr int kMaxDeleted = 8192;
CRITICAL_SECTION* volatile g_deleted[kMaxDeleted];
volatile LONG g_deletedCount = 0;
volatile LONG g_recorderBusy = 0;
volatile LONG g_usedAfterDelete = 0;
volatile LONG g_mainReturned = 0;

using EnterFn = void(WINAPI*)(LPCRITICAL_SECTION);
using DeleteFn = void(WINAPI*)(LPCRITICAL_SECTION);
using InitFn = void(WINAPI*)(LPCRITICAL_SECTION);
using InitSpinFn = BOOL(WINAPI*)(LPCRITICAL_SECTION, DWORD);
using InitExFn = BOOL(WINAPI*)(LPCRITICAL_SECTION, DWORD, DWORD);
EnterFn g_enter;
DeleteFn g_delete;
InitFn g_init;
InitSpinFn g_initSpin;
InitExFn g_initEx;

void Say(const char* text)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, lstrlenA(text), &written, nullptr);
}

class CRecorderGuard {
public:
    CRecorderGuard()
    {
        while (InterlockedExchange(&g_recorderBusy, 1) != 0)
            SwitchToThread();
    }
    ~CRecorderGuard() { InterlockedExchange(&g_recorderBusy, 0); }
};

int FindDeleted(CRITICAL_SECTION* cs)
{
    for (int i = 0; i < g_deletedCount; ++i)
        if (g_deleted[i] == cs)
            return i;
    return -1;
}

void ForgetDeleted(CRITICAL_SECTION* cs)
{
    CRecorderGuard guard;
    int at = FindDeleted(cs);
    if (at >= 0)
        g_deleted[at] = g_deleted[--g_deletedCount];
}

void WINAPI RecordEnter(LPCRITICAL_SECTION cs)
{
    bool dead;
    {
        CRecorderGuard guard;
        dead = FindDeleted(cs) >= 0;
    }
    if (dead) {
        InterlockedIncrement(&g_usedAfterDelete);
        Say(g_mainReturned ? "teardown: a lock was entered after its destruction\n"
                           : "run: a lock was entered after its destruction\n");
    }
    g_enter(cs);
}

void WINAPI RecordDelete(LPCRITICAL_SECTION cs)
{
    {
        CRecorderGuard guard;
        if (FindDeleted(cs) < 0 && g_deletedCount < kMaxDeleted)
            g_deleted[g_deletedCount++] = cs;
    }
    g_delete(cs);
}

void WINAPI RecordInit(LPCRITICAL_SECTION cs)
{
    ForgetDeleted(cs);
    g_init(cs);
}

BOOL WINAPI RecordInitSpin(LPCRITICAL_SECTION cs, DWORD spin)
{
    ForgetDeleted(cs);
    return g_initSpin(cs, spin);
}

BOOL WINAPI RecordInitEx(LPCRITICAL_SECTION cs, DWORD spin, DWORD flags)
{
    ForgetDeleted(cs);
    return g_initEx(cs, spin, flags);
}

// Points every import slot of `function` (from any kernel32 import descriptor of this
// program) at `hook`; the earlier target goes to *original.
template <class Fn>
void Redirect(const char* function, Fn hook, Fn* original)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; descriptor->Name; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + descriptor->Name), "kernel32.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            void** slot = reinterpret_cast<void**>(&slots->u1.Function);
            DWORD old = 0;
            VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &old);
            if (!*original)
                *original = reinterpret_cast<Fn>(*slot);
            *slot = reinterpret_cast<void*>(hook);
            VirtualProtect(slot, sizeof(*slot), old, &old);
        }
    }
}

void WatchLocks()
{
    Redirect("EnterCriticalSection", &RecordEnter, &g_enter);
    Redirect("DeleteCriticalSection", &RecordDelete, &g_delete);
    Redirect("InitializeCriticalSection", &RecordInit, &g_init);
    Redirect("InitializeCriticalSectionAndSpinCount", &RecordInitSpin, &g_initSpin);
    Redirect("InitializeCriticalSectionEx", &RecordInitEx, &g_initEx);
}

// -- the program ------------------------------------------------------------------------------

constexpr wchar_t kHost[] = L"http://127.0.13.1:9/fcgi-bin/agentgateway";
constexpr char kStoppedText[] = "All monitors are stopped.";

void SetTrace(DWORD value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return;
    if (value)
        RegSetValueExW(key, L"Trace", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
    else
        RegDeleteValueW(key, L"Trace");
    RegCloseKey(key);
}

std::string TodaysTracePath()
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    __time64_t now = _time64(nullptr);
    std::tm local{};
    _localtime64_s(&local, &now);
    return std::string(folder) + TraceLogFileName(local);
}

bool LastTraceLineSays(const char* text)
{
    FILE* file = std::fopen(TodaysTracePath().c_str(), "rb");
    if (!file)
        return false;
    std::string content;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        content.append(chunk, got);
    std::fclose(file);
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r'))
        content.pop_back();
    size_t lineStart = content.find_last_of('\n');
    std::string last = content.substr(lineStart == std::string::npos ? 0 : lineStart + 1);
    return last.find(text) != std::string::npos;
}

// Made first and torn down last: the settings before the engine reads them, the verdict after
// everything else has gone.
class CProbeRun {
public:
    CProbeRun() : m_settings(new CDriverSettings(kHost, nullptr))
    {
        WatchLocks();
        DeleteFileA(TodaysTracePath().c_str());
        SetTrace(10);
    }
    ~CProbeRun()
    {
        bool traced = LastTraceLineSays(kStoppedText);
        SetTrace(0);
        delete m_settings;
        char line[160];
        std::snprintf(line, sizeof(line),
                      "teardown traced \"%s\": %s; locks used after "
                      "their destruction: %ld\n",
                      kStoppedText, traced ? "yes" : "no", static_cast<long>(g_usedAfterDelete));
        Say(line);
        // The verdict is the exit code; nothing is left to tear down.
        TerminateProcess(GetCurrentProcess(), traced && g_usedAfterDelete == 0 ? 0 : 1);
    }

private:
    CDriverSettings* m_settings;
};

// An automation object a client still holds when main returns.
class CHeldAgent {
public:
    ~CHeldAgent()
    {
        if (m_agent)
            m_agent->Release();
    }
    IQuorinAgent* m_agent = nullptr;
};

CProbeRun g_run __attribute__((init_priority(15000)));
CMainWorker g_engine __attribute__((init_priority(20000)));
CHeldAgent g_heldAgent __attribute__((init_priority(30000)));

CUnconnectedServerLink g_noServer;

}  // namespace

int main()
{
    CQuorinAgent::AttachEngine(&g_engine);
    g_engine.SetServerLink(&g_noServer);
    // The first trace line and the first automation object come after main began, as in the
    // program's run.
    g_engine.RegisterAgent("ops@example.com", "host-01", "secret");
    if (!g_engine.StartWork(nullptr)) {
        Say("work did not start\n");
        return 1;
    }
    if (FAILED(CComSingletonCreator<CQuorinAgent>::CreateInstance(
            nullptr, IID_IQuorinAgent, reinterpret_cast<void**>(&g_heldAgent.m_agent)))) {
        Say("no automation object\n");
        return 1;
    }
    InterlockedExchange(&g_mainReturned, 1);
    return 0;
}
