// Runs the work engine's exchange with a server and prints every status it fires, one line
// each: "<status> <text>" (a line break in the text written as \r or \n); with --state it
// then prints the engine's state as the last exchange left it, one "state <name>=<value>"
// line each.
//
// Arguments: the Host address (as the Host setting takes it), the e-mail, the agent name,
// a count, then options:
//   --nozlib           send without compression
//   --data=TEXT        bytes put in the send cache first
//   --results=N:SIZE   before each of the first N ticks (not with --loop), one result of
//                      SIZE bytes into the send cache ("result-NN " and filler), as the
//                      plug-ins' results would come
//   --proxy=HOST:PORT  the Proxy setting of the run
//   --loop             run the real main loop (its timer, the server's POL) instead of ticks
//                      one after another; the count is then the number of exchanges after
//                      which work stops, and with a count of 0 work stops when a line (or the
//                      end of input) comes on standard input
//   --state            print the state after the run
//   --poll=SECONDS     (with --loop) the poll period from the start, as a POL would set it
//   --producer=SIZE    (with --loop) a plug-in that makes one numbered result of SIZE bytes
//                      every second ("r0000001:" and filler), collected as the engine collects
//   --slow-add=MS      (with --loop) a plug-in, first in the list, that takes the lines of the
//                      code SLW, each after a wait of MS milliseconds in its Add
//   --restart-after=N  (with --loop) after the N-th exchange work is stopped and started again
//   --register=N:MS:EMAIL:NAME  (with --loop) MS milliseconds into the N-th exchange the
//                      agent is registered anew with this account
// The count is otherwise the number of ticks. The settings and the stored registration are
// removed after the run.
#include "counting_link.h"
#include "driver_arguments.h"
#include "driver_settings.h"
#include "heap_helpers.h"
#include "main_worker.h"
#include "producing_plugin.h"
#include "registry_paths.h"
#include "slow_add_plugin.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>

namespace {

class CPrintingReceiver : public IStatusReceiver {
public:
    void LockReceiver() override {}
    void UnlockReceiver() override {}
    HRESULT Fire_StatusChanged(long status, VARIANT text) override
    {
        const wchar_t* value = V_VT(&text) == VT_BSTR && V_BSTR(&text) ? V_BSTR(&text) : L"";
        std::wprintf(L"%ld %ls\n", status, OneLine(value).c_str());
        std::fflush(stdout);
        return S_OK;
    }

private:
    // System error texts end with CR LF: written as \r and \n, one status stays one line.
    static std::wstring OneLine(const wchar_t* text)
    {
        std::wstring line;
        for (; *text; ++text) {
            if (*text == L'\r')
                line += L"\\r";
            else if (*text == L'\n')
                line += L"\\n";
            else
                line += *text;
        }
        return line;
    }
};

struct ProbeOptions {
    std::wstring host;
    std::string eMail;
    std::string agentName;
    unsigned count = 0;
    bool noZlib = false;
    std::string data;
    unsigned results = 0;
    unsigned resultSize = 0;
    std::wstring proxy;
    bool loop = false;
    bool state = false;
    long poll = 0;
    unsigned producerSize = 0;
    DWORD slowAdd = 0;
    unsigned restartAfter = 0;
    unsigned registerAt = 0;
    unsigned registerDelay = 0;
    std::string registerEMail;
    std::string registerName;
};

bool StartsWith(const wchar_t* text, const wchar_t* prefix, const wchar_t** rest)
{
    size_t length = std::wcslen(prefix);
    if (std::wcsncmp(text, prefix, length) != 0)
        return false;
    *rest = text + length;
    return true;
}

bool ParseResults(const wchar_t* text, ProbeOptions& options)
{
    wchar_t* end = nullptr;
    options.results = static_cast<unsigned>(std::wcstoul(text, &end, 10));
    if (*end != L':')
        return false;
    options.resultSize = static_cast<unsigned>(std::wcstoul(end + 1, nullptr, 10));
    return true;
}

bool ParseRegister(const wchar_t* text, ProbeOptions& options)
{
    wchar_t* end = nullptr;
    options.registerAt = static_cast<unsigned>(std::wcstoul(text, &end, 10));
    if (*end != L':')
        return false;
    options.registerDelay = static_cast<unsigned>(std::wcstoul(end + 1, &end, 10));
    if (*end != L':')
        return false;
    std::wstring rest(end + 1);
    size_t colon = rest.find(L':');
    if (colon == std::wstring::npos)
        return false;
    options.registerEMail = NarrowArgument(rest.substr(0, colon).c_str());
    options.registerName = NarrowArgument(rest.substr(colon + 1).c_str());
    return options.registerAt > 0;
}

bool ParseOption(const wchar_t* arg, ProbeOptions& options)
{
    const wchar_t* rest = nullptr;
    if (std::wcscmp(arg, L"--nozlib") == 0)
        options.noZlib = true;
    else if (std::wcscmp(arg, L"--loop") == 0)
        options.loop = true;
    else if (std::wcscmp(arg, L"--state") == 0)
        options.state = true;
    else if (StartsWith(arg, L"--data=", &rest))
        options.data = NarrowArgument(rest);
    else if (StartsWith(arg, L"--proxy=", &rest))
        options.proxy = rest;
    else if (StartsWith(arg, L"--results=", &rest))
        return ParseResults(rest, options);
    else if (StartsWith(arg, L"--poll=", &rest))
        options.poll = std::wcstol(rest, nullptr, 10);
    else if (StartsWith(arg, L"--producer=", &rest))
        options.producerSize = static_cast<unsigned>(std::wcstoul(rest, nullptr, 10));
    else if (StartsWith(arg, L"--slow-add=", &rest))
        options.slowAdd = static_cast<DWORD>(std::wcstoul(rest, nullptr, 10));
    else if (StartsWith(arg, L"--restart-after=", &rest))
        options.restartAfter = static_cast<unsigned>(std::wcstoul(rest, nullptr, 10));
    else if (StartsWith(arg, L"--register=", &rest))
        return ParseRegister(rest, options);
    else
        return false;
    return true;
}

bool ParseArguments(int argc, wchar_t** argv, ProbeOptions& options)
{
    if (argc < 5)
        return false;
    options.host = argv[1];
    options.eMail = NarrowArgument(argv[2]);
    options.agentName = NarrowArgument(argv[3]);
    options.count = static_cast<unsigned>(std::wcstoul(argv[4], nullptr, 10));
    for (int index = 5; index < argc; ++index) {
        if (!ParseOption(argv[index], options))
            return false;
    }
    return true;
}

class CProbeEngine : public CMainWorker {
public:
    // The probe drives the exchange only: an upgrade command keeps its source and downloads
    // nothing.
    CProbeEngine()
    {
        m_startUpgradeThread = [](LPTHREAD_START_ROUTINE, void*) -> HANDLE { return nullptr; };
    }
    void Tick() { MainLoopTick(); }
    void DropZlib() { m_zlibPresent = false; }
    void AddData(const std::string& bytes)
    {
        BSTR buffer = SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size()));
        AddToCache(buffer);
        SysFreeString(buffer);
    }
    void AddResult(unsigned number, unsigned size)
    {
        char label[32];
        std::snprintf(label, sizeof(label), "result-%02u ", number);
        std::string bytes(label);
        bytes.resize(size > bytes.size() ? size : bytes.size(), 'x');
        AddData(bytes);
    }
    // Waits for a sending thread that outlived its time limit.
    void FinishSending() { WaitForSendingThread(); }
    void FinishReading() { m_replyReader.Finish(); }
    // A plug-in in the list, as an import would leave it (work must run).
    void AddPlugIn(ITolvanePlugIn* plugIn, const char* codes = nullptr)
    {
        PlugInEntry* entry = NewPlugInEntry(L"{00000000-0000-0000-0000-000000000000}");
        if (!entry)
            return;
        entry->commandCodes = DupText(codes);
        plugIn->AddRef();
        entry->plugIn = plugIn;
        CScopedLock lock(m_plugInListLock);
        m_plugIns.push_back(entry);
    }
    // The state lines of --state.
    std::string DescribeState()
    {
        std::string text;
        Line(text, "poll_period=%ld", GetPollPeriod());
        Line(text, "max_buffer_size=%u", GetMaxBufferSize());
        Line(text, "max_buffer_count=%u", GetMaxBufferCount());
        {
            CScopedLock lock(m_cacheLock);
            Line(text, "cached_buffers=%u", static_cast<unsigned>(m_sendCache.size()));
            Line(text, "in_flight_bytes=%u", SysStringByteLen(m_inFlight));
        }
        Line(text, "authorized=%d", IsAuthorized() ? 1 : 0);
        std::string stored = StoredEMail();
        Line(text, "registered=%s", stored.empty() ? "none" : stored.c_str());
        char* address = nullptr;
        char* version = nullptr;
        if (CopyUpgradeSource(&address, &version))
            Line(text, "upgrade=%s %s", version, address);
        else
            Line(text, "upgrade=%s", "none");
        FreeHeapBlock(address);
        FreeHeapBlock(version);
        return text;
    }

private:
    // The E-Mail of the registration stored in the registry ("" when none).
    static std::string StoredEMail()
    {
        wchar_t value[300] = {};
        DWORD bytes = sizeof(value) - sizeof(wchar_t);
        if (RegGetValueW(HKEY_LOCAL_MACHINE, TOL_REG_AGENT_KEY, L"E-Mail", RRF_RT_REG_SZ, nullptr,
                         value, &bytes) != ERROR_SUCCESS)
            return "";
        return NarrowArgument(value);
    }

    template <typename... Values>
    static void Line(std::string& text, const char* format, Values... values)
    {
        char line[512];
        std::snprintf(line, sizeof(line), format, values...);
        text += "state ";
        text += line;
        text += "\n";
    }
};

// The state as the last exchange left it.
std::string RunTicks(CProbeEngine& engine, const ProbeOptions& options)
{
    for (unsigned tick = 0; tick < options.count; ++tick) {
        if (engine.GetLastStatus() == STATUS_AUTH_FAILED)
            break;
        if (tick < options.results)
            engine.AddResult(tick + 1, options.resultSize);
        engine.Tick();
    }
    engine.FinishSending();
    engine.FinishReading();  // the last reply's lines obeyed
    return engine.DescribeState();
}

// Sets the event (a handle of its own, closed here) when a line, or the end of input, comes
// on standard input.
DWORD WINAPI WatchStandardInput(void* argument)
{
    HANDLE done = static_cast<HANDLE>(argument);
    char line[64];
    std::fgets(line, sizeof(line), stdin);
    SetEvent(done);
    CloseHandle(done);
    return 0;
}

void WatchForStopLine(HANDLE done)
{
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), done, GetCurrentProcess(), &own, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return;
    HANDLE watcher = CreateThread(nullptr, 0, &WatchStandardInput, own, 0, nullptr);
    if (watcher)
        CloseHandle(watcher);
    else
        CloseHandle(own);
}

// Registers the agent anew some milliseconds into an exchange, from a thread of its own.
class CLateRegistration {
public:
    CLateRegistration(CMainWorker& engine, const ProbeOptions& options)
        : m_engine(engine), m_options(options)
    {
    }
    ~CLateRegistration()
    {
        if (m_thread) {
            WaitForSingleObject(m_thread, INFINITE);
            CloseHandle(m_thread);
        }
    }
    void Start()
    {
        if (!m_thread)
            m_thread = CreateThread(nullptr, 0, &CLateRegistration::Run, this, 0, nullptr);
    }

private:
    static DWORD WINAPI Run(void* argument)
    {
        auto* self = static_cast<CLateRegistration*>(argument);
        Sleep(self->m_options.registerDelay);
        self->m_engine.RegisterAgent(self->m_options.registerEMail.c_str(),
                                     self->m_options.registerName.c_str(), "secret");
        return 0;
    }

    CMainWorker& m_engine;
    const ProbeOptions& m_options;
    HANDLE m_thread = nullptr;
};

// The state as the last exchange left it, taken on the main worker thread right after it
// (the stop of work resets the poll period).
std::string RunLoop(CProbeEngine& engine, const ProbeOptions& options)
{
    std::string state;
    CLateRegistration registration(engine, options);
    std::unique_ptr<CProducingPlugIn> producer;
    if (options.producerSize)
        producer = std::make_unique<CProducingPlugIn>(options.producerSize);
    std::unique_ptr<CSlowAddPlugIn> slow;
    if (options.slowAdd)
        slow = std::make_unique<CSlowAddPlugIn>(options.slowAdd);
    CCountingLink link(
        options.count, [&](unsigned) { state = engine.DescribeState(); },
        [&](unsigned call) {
            if (call == options.registerAt)
                registration.Start();
        });
    link.RestartAfter(options.restartAfter);
    engine.SetServerLink(&link);
    engine.SetPollPeriod(options.poll);
    if (options.count == 0)
        WatchForStopLine(link.DoneEvent());
    DriveMainLoop(engine, link, [&] {
        if (slow)
            engine.AddPlugIn(slow.get(), "SLW");
        if (producer)
            engine.AddPlugIn(producer.get());
    });
    engine.FinishSending();
    if (slow)
        slow->LetGo();
    engine.FinishReading();  // no call into a stand-in is left when they go
    engine.SetServerLink(nullptr);
    return state;
}

void RunProbe(const ProbeOptions& options)
{
    CPrintingReceiver receiver;  // outlives the engine: a late sending thread still reports
    CProbeEngine engine;
    if (options.noZlib)
        engine.DropZlib();
    if (!options.data.empty())
        engine.AddData(options.data);
    engine.AddAgentObject(&receiver);
    engine.RegisterAgent(options.eMail.c_str(), options.agentName.c_str(), "secret");
    std::string state = options.loop ? RunLoop(engine, options) : RunTicks(engine, options);
    if (options.state) {
        std::fputs(state.c_str(), stdout);
        std::fflush(stdout);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ProbeOptions options;
    if (!ParseArguments(argc, argv, options)) {
        std::fwprintf(stderr,
                      L"usage: exchange_probe host e-mail name count [--nozlib] "
                      L"[--data=TEXT] [--results=N:SIZE] [--proxy=HOST:PORT] [--loop] "
                      L"[--state] [--poll=SECONDS] [--producer=SIZE] [--slow-add=MS] "
                      L"[--restart-after=N] "
                      L"[--register=N:MS:EMAIL:NAME]\n");
        return 2;
    }
    CDriverSettings settings(options.host.c_str(),
                             options.proxy.empty() ? nullptr : options.proxy.c_str());
    if (!settings.IsWritten())
        return 3;
    RunProbe(options);
    return 0;
}
