#include "cpu_remote.h"

#include <cctype>

#include "text_numbers.h"

namespace {

constexpr size_t kUcdCounterCount = 7;

}  // namespace

const std::vector<std::string>& UcdRawCounterOids()
{
    static const std::vector<std::string> oids = {
        "1.3.6.1.4.1.2021.11.50.0", "1.3.6.1.4.1.2021.11.51.0", "1.3.6.1.4.1.2021.11.52.0",
        "1.3.6.1.4.1.2021.11.53.0", "1.3.6.1.4.1.2021.11.54.0", "1.3.6.1.4.1.2021.11.55.0",
        "1.3.6.1.4.1.2021.11.56.0"};
    return oids;
}

bool IsLinuxSystem(const std::string& system)
{
    static const char kLinux[] = "linux";
    if (system.size() != sizeof kLinux - 1)
        return false;
    for (size_t i = 0; i < system.size(); ++i)
        if (tolower(static_cast<unsigned char>(system[i])) != kLinux[i])
            return false;
    return true;
}

unsigned int FiguresFromUcdCounters(const std::vector<std::string>& values,
                                    const std::vector<unsigned int>& syntax, CpuFigures* figures)
{
    if (values.size() < kUcdCounterCount || syntax.size() < kUcdCounterCount)
        return kStatusNoFigures;
    double counts[kUcdCounterCount];
    double sum = 0;
    for (size_t i = 0; i < kUcdCounterCount; ++i) {
        if (syntax[i] != kSnmpCodeCounter32)
            return kStatusNoFigures;
        counts[i] = static_cast<double>(ReadDecimalInt64(values[i].c_str()));
        sum += counts[i];
    }
    if (sum <= 0)
        return kStatusNoFigures;
    enum { kUser, kNice, kSystem, kIdle, kWait, kKernel, kInterrupt };
    figures->cpu_usage = counts[kUser] / sum * 100;
    figures->krn_usage = counts[kKernel] / sum * 100;
    figures->nice = counts[kNice] / sum * 100;
    figures->idle = counts[kIdle] / sum * 100;
    figures->iowait = counts[kWait] / sum * 100;
    return kStatusWithinLimits;
}

unsigned int FiguresFromProcessorLoads(const std::vector<SnmpRow>& rows, CpuFigures* figures)
{
    if (rows.empty())
        return kStatusNoFigures;
    double sum = 0;
    for (const SnmpRow& row : rows)
        if (row.syntax == kSnmpCodeInteger)
            sum += static_cast<double>(ReadDecimalInt64(row.value.c_str()));
    figures->cpu_usage = sum / static_cast<double>(rows.size());
    return kStatusWithinLimits;
}
