#include "ping_verdict.h"

#include <cstdio>

namespace {

constexpr unsigned int kStatusOk = 0;
constexpr unsigned int kStatusFailed = 2;
constexpr const char* kAllLost = "All sent packets were lost";

std::string Format(const char* format, int a, int b, int c, int d)
{
    char text[256];
    snprintf(text, sizeof text, format, a, b, c, d);
    return text;
}

PingVerdict NotRun(const PingMeasure& measure)
{
    PingVerdict verdict;
    verdict.status = kStatusFailed;
    if (measure.count > 0)
        verdict.lost = static_cast<unsigned int>(measure.count);
    if (measure.count > 0 && measure.failure)
        verdict.text = measure.failure;
    // System message texts end in a line break.
    while (!verdict.text.empty() && (verdict.text.back() == '\n' || verdict.text.back() == '\r'))
        verdict.text.pop_back();
    if (verdict.text.empty())
        verdict.text = kAllLost;
    return verdict;
}

}  // namespace

PingVerdict JudgePing(const PingMeasure& measure, int maximumLost)
{
    if (!measure.answered || measure.count <= 0 || !measure.roundTrips)
        return NotRun(measure);
    int lost = 0;
    double sum = 0;
    for (int i = 0; i < measure.count; ++i) {
        if (measure.roundTrips[i] == 0)
            ++lost;
        else
            sum += measure.roundTrips[i];
    }
    int received = measure.count - lost;
    PingVerdict verdict;
    verdict.lost = static_cast<unsigned int>(lost);
    verdict.average = received > 0 ? sum / received : 0;
    if (maximumLost == -1 || maximumLost >= lost) {
        verdict.status = kStatusOk;
        verdict.text = Format(
            "ICMP echo results are within acceptable limits.\n"
            "Packets: Sent = %d, Received = %d, Lost = %d.\n"
            "Average round trip time: %dms",
            measure.count, received, lost, static_cast<int>(verdict.average + 0.5));
    } else {
        verdict.status = kStatusFailed;
        verdict.text =
            Format("Number of lost packets: %d | Max allowed: %d", lost, maximumLost, 0, 0);
    }
    return verdict;
}

unsigned short PingDataSize(int dataSize)
{
    return static_cast<unsigned short>(static_cast<unsigned int>(dataSize) & 0xFFFFu);
}

unsigned short PingIdentifier(int tid)
{
    return static_cast<unsigned short>(static_cast<unsigned int>(tid) & 0xFFFFu);
}

unsigned int PingTimeout(int timeoutMs)
{
    if (timeoutMs <= 0)
        return 0;
    unsigned int timeout = static_cast<unsigned int>(timeoutMs);
    return timeout < kMaxPingTimeoutMs ? timeout : kMaxPingTimeoutMs;
}
