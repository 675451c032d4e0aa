// The system's disk meter: volume free space, the disk performance counters of a volume and
// the fixed drives, through the Win32 calls.
#include <windows.h>
#include <winioctl.h>

#include "disk_meter.h"

namespace {

constexpr double kBytesPerGb = 1073741824.0;  // 2^30
constexpr DWORD kDriveStringChars = 1024;

static_assert(sizeof(DISK_PERFORMANCE) == 88, "the answer of IOCTL_DISK_PERFORMANCE");

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                           PULARGE_INTEGER);
using SetThreadErrorModeFn = BOOL(WINAPI*)(DWORD, LPDWORD);

void* Kernel32Procedure(const char* name)
{
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    return kernel32 ? reinterpret_cast<void*>(GetProcAddress(kernel32, name)) : nullptr;
}

// A drive without a medium (a card reader, an optical drive) answers with an error instead of
// a "no disk" message box that would hold the worker thread until someone clicks it.
class CNoCriticalErrorBoxes {
public:
    CNoCriticalErrorBoxes()
        : m_set(reinterpret_cast<SetThreadErrorModeFn>(Kernel32Procedure("SetThreadErrorMode")))
    {
        if (m_set && !m_set(SEM_FAILCRITICALERRORS, &m_old))
            m_set = nullptr;
    }
    ~CNoCriticalErrorBoxes()
    {
        if (m_set)
            m_set(m_old, nullptr);
    }
    CNoCriticalErrorBoxes(const CNoCriticalErrorBoxes&) = delete;
    CNoCriticalErrorBoxes& operator=(const CNoCriticalErrorBoxes&) = delete;

private:
    SetThreadErrorModeFn m_set;
    DWORD m_old = 0;
};

class CVolumeMeter : public IDiskMeter {
public:
    bool GetDiskSpace(char drive, double* totalGb, double* freeGb) override
    {
        wchar_t root[] = {static_cast<wchar_t>(static_cast<unsigned char>(drive)), L':', L'\\', 0};
        CNoCriticalErrorBoxes guard;
        auto freeSpaceEx =
            reinterpret_cast<GetDiskFreeSpaceExFn>(Kernel32Procedure("GetDiskFreeSpaceExW"));
        if (freeSpaceEx) {
            ULARGE_INTEGER callerFree, total, totalFree;
            if (!freeSpaceEx(root, &callerFree, &total, &totalFree))
                return false;
            *totalGb = static_cast<double>(total.QuadPart) / kBytesPerGb;
            *freeGb = static_cast<double>(totalFree.QuadPart) / kBytesPerGb;
            return true;
        }
        DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
        if (!GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                               &totalClusters))
            return false;
        unsigned long long cluster =
            static_cast<unsigned long long>(sectorsPerCluster) * bytesPerSector;
        *totalGb = static_cast<double>(cluster * totalClusters) / kBytesPerGb;
        *freeGb = static_cast<double>(cluster * freeClusters) / kBytesPerGb;
        return true;
    }

    bool GetDiskCounters(char drive, unsigned int* reads, unsigned int* writes) override
    {
        wchar_t device[] = {
            L'\\', L'\\', L'.', L'\\', static_cast<wchar_t>(static_cast<unsigned char>(drive)),
            L':',  0};
        CNoCriticalErrorBoxes guard;
        HANDLE volume = CreateFileW(device, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (volume == INVALID_HANDLE_VALUE)
            return false;
        DISK_PERFORMANCE performance = {};
        DWORD returned = 0;
        BOOL done = DeviceIoControl(volume, IOCTL_DISK_PERFORMANCE, nullptr, 0, &performance,
                                    sizeof performance, &returned, nullptr);
        CloseHandle(volume);
        if (!done)
            return false;
        *reads = performance.ReadCount;
        *writes = performance.WriteCount;
        return true;
    }

    bool GetFixedDrives(std::wstring* letters) override
    {
        wchar_t strings[kDriveStringChars] = {};
        DWORD length = GetLogicalDriveStringsW(kDriveStringChars, strings);
        if (length == 0 || length >= kDriveStringChars)
            return false;
        letters->clear();
        // Entries "C:\" one after another, each ended by a NUL, the list by an empty one.
        for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
            if (GetDriveTypeW(entry) == DRIVE_FIXED)
                letters->push_back(entry[0]);
        }
        return true;
    }
};

}  // namespace

IDiskMeter& SystemDiskMeter()
{
    static CVolumeMeter meter;
    return meter;
}
