// Runs the work engine's upgrade command with the real download thread and prints what each
// command did, one line each: "upd <n> started=<0|1> busy=<0|1>" (started: a download thread
// was started; busy: the upgrade-busy flag once that thread has ended).
//
// Arguments: optionally --temp=FOLDER (the temporary folder of this run and of what it starts,
// set as TMP and TEMP), then pairs of version and address, each pair one UPD command as the
// server sends it (the address without "https://"). The trace log, in the temporary folder,
// tells the rest.
#include "driver_arguments.h"
#include "main_worker.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

class CUpgradeProbeEngine : public CMainWorker {
public:
    void Dispatch(const std::string& version, const std::string& address)
    {
        std::string code = "UPD";
        std::string versionField = version;
        std::string addressField = address;
        char* fields[] = {&code[0], &versionField[0], &addressField[0]};
        DispatchServerCommand(fields, 3);
    }
    bool HasDownloadThread() const { return m_upgradeThread != nullptr; }
    void WaitForDownload() { EndUpgradeThread(); }
    bool IsBusy()
    {
        CScopedLock lock(m_upgradeLock);
        return m_upgradeBusy;
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const wchar_t kTempOption[] = L"--temp=";
    if (argc > 1 && std::wcsncmp(argv[1], kTempOption, 7) == 0) {
        SetEnvironmentVariableW(L"TMP", argv[1] + 7);
        SetEnvironmentVariableW(L"TEMP", argv[1] + 7);
        --argc;
        ++argv;
    }
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: upgrade_probe [--temp=FOLDER] <version> <address> [...]\n");
        return 2;
    }
    CUpgradeProbeEngine engine;
    for (int index = 1; index + 1 < argc; index += 2) {
        engine.Dispatch(NarrowArgument(argv[index]), NarrowArgument(argv[index + 1]));
        bool started = engine.HasDownloadThread();
        engine.WaitForDownload();
        std::printf("upd %d started=%d busy=%d\n", index / 2 + 1, started ? 1 : 0,
                    engine.IsBusy() ? 1 : 0);
        std::fflush(stdout);
    }
    return 0;
}
