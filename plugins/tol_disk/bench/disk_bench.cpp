// Prints the CPU time of the disk plug-in's work on this host: one check pass with a free-space
// and a read/write-count test for every drive letter A: to Z:, and one drive list as every Get
// builds it. Usage: disk_bench [repetitions]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "DiskMon.h"

namespace {

// Takes the worker's posts and drops them, counting the result bytes.
struct BenchOwner {
    void PostResult(CComBSTR* data, const char*) { resultBytes += data->ByteLength(); }
    void PostEvent(int, const char*) { ++events; }
    unsigned long long resultBytes = 0;
    unsigned long events = 0;
};

double ThreadCpuMs()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

double WallMs()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

template <class Work>
void Measure(const char* what, int repetitions, Work work)
{
    double cpu = ThreadCpuMs(), wall = WallMs();
    for (int i = 0; i < repetitions; ++i)
        work();
    cpu = ThreadCpuMs() - cpu;
    wall = WallMs() - wall;
    printf("%-58s %6d runs  CPU %8.3f ms/run  wall %8.3f ms/run\n", what, repetitions,
           cpu / repetitions, wall / repetitions);
}

}  // namespace

int main(int argc, char** argv)
{
    int repetitions = argc > 1 ? atoi(argv[1]) : 200;
    if (repetitions <= 0)
        repetitions = 200;
    BenchOwner owner;
    CDiskMon<BenchOwner> worker;
    worker.m_owner = &owner;
    int testId = 1;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        DiskTest test;
        test.drive = letter;
        test.lid = 1;
        test.tid = testId++;
        test.minimumFree = 1;
        worker.AddTest(test);
        test.tid = testId++;
        test.minimumFree = kRateTestMinimum;
        worker.AddTest(test);
    }
    CComBSTR list;
    worker.BuildDiskList(&list);
    printf("drive list record: %u bytes; fixed drives: %s\n", list.ByteLength(),
           list.ByteLength() > 52 ? reinterpret_cast<const char*>(list.Bytes()) + 52 : "-");

    Measure("check pass, A:-Z: free space and read/write (52 tests)", repetitions,
            [&] { worker.Check(false); });
    printf("  %llu result bytes, %lu log lines in all\n", owner.resultBytes, owner.events);
    Measure("drive list of one Get", repetitions * 10, [&] {
        CComBSTR bytes;
        worker.BuildDiskList(&bytes);
    });
    return 0;
}
