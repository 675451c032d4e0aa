// Runs the work engine's upgrade command with the real download thread and prints what each
// command did, one line each: "upd <n> started=<0|1> busy=<0|1>" (started: a download thread
// was started; busy: the upgrade-busy flag once that thread has ended).
//
// Arguments: options first, then pairs of version and address, each pair one UPD command as the
// server sends it (the address without "https://"). The trace log, in the temporary folder,
// tells the rest. Options:
//   --temp=FOLDER      the temporary folder of this run and of what it starts (TMP and TEMP)
//   --hold=FILE        FILE created and held open, unshared, for the whole run
//   --max-seconds=N    a download's time limit in place of the program's
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
    void LimitDownloadTime(ULONGLONG seconds) { m_downloadLimits.maxMilliseconds = seconds * 1000; }
    bool IsBusy()
    {
        CScopedLock lock(m_upgradeLock);
        return m_upgradeBusy;
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    HANDLE held = INVALID_HANDLE_VALUE;
    ULONGLONG maxSeconds = 0;
    for (; argc > 1 && std::wcsncmp(argv[1], L"--", 2) == 0; --argc, ++argv) {
        const wchar_t* option = argv[1];
        if (std::wcsncmp(option, L"--temp=", 7) == 0) {
            SetEnvironmentVariableW(L"TMP", option + 7);
            SetEnvironmentVariableW(L"TEMP", option + 7);
        } else if (std::wcsncmp(option, L"--hold=", 7) == 0) {
            held = CreateFileW(option + 7, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
            if (held == INVALID_HANDLE_VALUE) {
                std::fprintf(stderr, "cannot hold %ls: %lu\n", option + 7, GetLastError());
                return 2;
            }
        } else if (std::wcsncmp(option, L"--max-seconds=", 14) == 0) {
            maxSeconds = std::wcstoull(option + 14, nullptr, 10);
        } else {
            std::fprintf(stderr, "unknown option %ls\n", option);
            return 2;
        }
    }
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr,
                     "usage: upgrade_probe [--temp=FOLDER] [--hold=FILE] "
                     "[--max-seconds=N] <version> <address> [...]\n");
        return 2;
    }
    CUpgradeProbeEngine engine;
    if (maxSeconds)
        engine.LimitDownloadTime(maxSeconds);
    for (int index = 1; index + 1 < argc; index += 2) {
        engine.Dispatch(NarrowArgument(argv[index]), NarrowArgument(argv[index + 1]));
        bool started = engine.HasDownloadThread();
        engine.WaitForDownload();
        std::printf("upd %d started=%d busy=%d\n", index / 2 + 1, started ? 1 : 0,
                    engine.IsBusy() ? 1 : 0);
        std::fflush(stdout);
    }
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    return 0;
}
