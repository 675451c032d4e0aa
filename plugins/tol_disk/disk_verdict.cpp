#include "disk_verdict.h"

#include "format_text.h"

DiskVerdict JudgeFreeSpace(char drive, int minimumFree, double totalGb, double freeGb)
{
    DiskVerdict verdict;
    verdict.first = freeGb;
    verdict.second = totalGb;
    if (minimumFree >= 1 && static_cast<double>(minimumFree) > freeGb) {
        verdict.status = kDiskStatusBelowMinimum;
        verdict.text =
            FormatText("Drive: %c free space: %.2f / Min value: %d.\n", drive, freeGb, minimumFree);
    } else {
        verdict.text = FormatText("Drive: %c free space is within acceptable limits.\n", drive);
    }
    return verdict;
}

DiskVerdict JudgeRates(char drive, int readRate, int writeRate)
{
    DiskVerdict verdict;
    verdict.first = readRate;
    verdict.second = writeRate;
    verdict.text = FormatText("Drive: %c read/write is within acceptable limits.\n", drive);
    return verdict;
}

DiskVerdict DriveNotFound(char drive)
{
    DiskVerdict verdict;
    verdict.status = kDiskStatusNotFound;
    verdict.text = FormatText("Drive: %c not found.\n", drive);
    return verdict;
}

unsigned int CountDelta(unsigned int last, unsigned int current)
{
    return current >= last ? current - last : current - last - 1u;
}

int RatePerSecond(unsigned int delta, int intervalSeconds)
{
    int signedDelta = static_cast<int>(delta);
    return intervalSeconds > 0 ? signedDelta / intervalSeconds : signedDelta;
}

RateSample TakeRateSample(DiskTest* test, unsigned int reads, unsigned int writes,
                          int intervalSeconds)
{
    if (test->lastReads == 0)
        test->lastReads = reads;
    if (test->lastWrites == 0)
        test->lastWrites = writes;
    RateSample sample;
    sample.lastReads = test->lastReads;
    sample.lastWrites = test->lastWrites;
    sample.readRate = RatePerSecond(CountDelta(test->lastReads, reads), intervalSeconds);
    sample.writeRate = RatePerSecond(CountDelta(test->lastWrites, writes), intervalSeconds);
    test->lastReads = reads;
    test->lastWrites = writes;
    return sample;
}
