#include "cpu_usage.h"

namespace {

int64_t Step(uint64_t before, uint64_t after)
{
    return static_cast<int64_t>(after - before);
}

double Percent(double part, double whole)
{
    double value = part * 100.0 / whole;
    return value < 0 ? 0 : value > 100 ? 100 : value;
}

}  // namespace

CpuUsage UsageBetween(const CpuTimes& before, const CpuTimes& after)
{
    int64_t idle = Step(before.idle, after.idle);
    int64_t kernel = Step(before.kernel, after.kernel);
    int64_t total = kernel + Step(before.user, after.user);
    CpuUsage usage;
    if (total <= 0)
        return usage;
    double whole = static_cast<double>(total);
    usage.usage = Percent(static_cast<double>(total - idle), whole);
    // Kernel time counts idle time too: only what is left of it is busy in kernel mode.
    usage.kernel = Percent(static_cast<double>(kernel - idle), whole);
    return usage;
}
