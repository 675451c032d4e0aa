#include "mem_meter.h"

namespace {

// The structure's length as the system expects it.
constexpr DWORD kMemoryStatusLength = 64;
static_assert(sizeof(MEMORYSTATUSEX) == kMemoryStatusLength, "MEMORYSTATUSEX is 64 bytes");

double InMB(DWORDLONG bytes)
{
    return static_cast<double>(bytes) / kBytesPerMB;
}

class CSystemMemMeter : public IMemMeter {
public:
    bool ReadLocal(MemFigures* local) override
    {
        MEMORYSTATUSEX status = {};
        status.dwLength = kMemoryStatusLength;
        if (!GlobalMemoryStatusEx(&status))
            return false;
        *local = LocalFiguresOf(status);
        return true;
    }
};

}  // namespace

MemFigures LocalFiguresOf(const MEMORYSTATUSEX& status)
{
    MemFigures figures;
    figures.total_phys = InMB(status.ullTotalPhys);
    figures.free_phys = InMB(status.ullAvailPhys);
    figures.total_page = InMB(status.ullTotalPageFile);
    figures.free_page = InMB(status.ullAvailPageFile);
    figures.total_virt = InMB(status.ullTotalVirtual);
    figures.free_virt = InMB(status.ullAvailVirtual);
    return figures;
}

IMemMeter& SystemMemMeter()
{
    static CSystemMemMeter meter;
    return meter;
}
