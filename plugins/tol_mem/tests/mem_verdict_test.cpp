// Judging memory and load-average figures against their limits.
#include "mem_verdict.h"

#include <gtest/gtest.h>

#include <string>

namespace {

MemFigures Figures(double freePhys, double freePage, double freeVirt, double buffered = -1,
                   double cached = -1)
{
    MemFigures f;
    f.total_phys = 8192;
    f.free_phys = freePhys;
    f.total_page = 16384;
    f.free_page = freePage;
    f.total_virt = 4096;
    f.free_virt = freeVirt;
    f.buffered = buffered;
    f.cached = cached;
    return f;
}

MemTest Limits(int mem, int page, int vsize, int buffered = -1, int cached = -1)
{
    MemTest test;
    test.tid = 3;
    test.lid = 9;
    test.mem_min = mem;
    test.page_min = page;
    test.vsize_min = vsize;
    test.buffered_min = buffered;
    test.cached_min = cached;
    return test;
}

const char kWithin[] = "Memory usage is within acceptable limits\n";

TEST(MemVerdict, MinimumsFailAtEqualityMaximumsToo)
{
    const struct {
        const char* name;
        MemTest test;
        MemFigures figures;
        unsigned int status;
        std::string text;
    } cases[] = {
        {"free equals mem_min", Limits(500, -1, -1), Figures(500.0, 1, 1), 2,
         "Physical memory free size: 500.00 / Min value: 500\n"},
        {"free just above mem_min", Limits(500, -1, -1), Figures(500.01, 1, 1), 0, kWithin},
        {"page exceeded alone", Limits(100, 2000, -1), Figures(4000, 1999.5, 1), 2,
         "Page file free space: 1999.50 / Min value: 2000\n"},
        {"all three minimums", Limits(10, 10, 10), Figures(1, 2, 3), 2,
         "Physical memory free size: 1.00 / Min value: 10\n"
         "Page file free space: 2.00 / Min value: 10\n"
         "Virtual memory free size: 3.00 / Min value: 10\n"},
        {"a limit of 0 is a limit", Limits(-1, -1, 0), Figures(1, 1, 0), 2,
         "Virtual memory free size: 0.00 / Min value: 0\n"},
        {"a negative limit is a limit", Limits(-5, -1, -1), Figures(-5, 1, 1), 2,
         "Physical memory free size: -5.00 / Min value: -5\n"},
        {"-1 is no limit", Limits(-1, -1, -1, -1, -1), Figures(0, 0, 0, 1e9, 1e9), 0, kWithin},
        {"buffered at its maximum", Limits(-1, -1, -1, 300, -1), Figures(1, 1, 1, 300, 1), 2,
         "Buffered memory size: 300.00 / Max value: 300\n"},
        {"cached below its maximum", Limits(-1, -1, -1, -1, 300), Figures(1, 1, 1, 1, 299.99), 0,
         kWithin},
        {"cached above", Limits(-1, -1, -1, -1, 300), Figures(1, 1, 1, 1, 300.5), 2,
         "Cached memory size: 300.50 / Max value: 300\n"},
        {"buffered and cached not measured (local)", Limits(-1, -1, -1, 0, 0), Figures(1, 1, 1), 0,
         kWithin},
        {"unmeasured figures are not tested", Limits(10, 10, 10), Figures(-1, -1, -1), 0, kWithin},
    };
    for (const auto& c : cases) {
        MemVerdict verdict = JudgeMemory(c.test, c.figures, 0);
        EXPECT_EQ(c.status, verdict.status) << c.name;
        EXPECT_EQ(c.text, verdict.text) << c.name;
    }
}

TEST(MemVerdict, UnmeasuredRemoteTestCarriesItsStatusAndTheValuesLine)
{
    MemFigures none;
    const std::string line =
        "tol_mem: tid: 3, lid: 9, total_phys: -1.00, free_phys: -1.00, "
        "total_page: -1.00, free_page: -1.00, total_virt: -1.00, free_virt: -1.00";
    EXPECT_EQ(line, MemValuesLine(Limits(1, 1, 1), none));
    for (unsigned int status : {10u, 11u, 12u, 13u}) {
        MemVerdict verdict = JudgeMemory(Limits(1, 1, 1), none, status);
        EXPECT_EQ(status, verdict.status);
        EXPECT_EQ(line, verdict.text);
    }
    // Even limits that measured figures would fail are not tested.
    MemVerdict verdict = JudgeMemory(Limits(100000, -1, -1), Figures(1, 1, 1), 13);
    EXPECT_EQ(13u, verdict.status);
}

TEST(MemVerdict, LoadLimitsFailOnlyStrictlyBelowTheLoad)
{
    const struct {
        int max1, max5, max15;
        double lav1, lav5, lav15;
        unsigned int status;
        std::string text;
    } cases[] = {
        {2, -1, -1, 2.00, 9, 9, 0, "Load Average values are within acceptable limits\n"},
        {2, -1, -1, 2.01, 9, 9, 2, "Load Average 1 min value: 2.01 / Max value: 2\n"},
        {0, 0, 0, 0.0, 0.0, 0.0, 0, "Load Average values are within acceptable limits\n"},
        {0, 3, 1, 0.5, 3.5, 1.25, 2,
         "Load Average 1 min value: 0.50 / Max value: 0\n"
         "Load Average 5 min value: 3.50 / Max value: 3\n"
         "Load Average 15 min value: 1.25 / Max value: 1\n"},
        {-2, -1, -1, 0.0, 0.0, 0.0, 2, "Load Average 1 min value: 0.00 / Max value: -2\n"},
    };
    for (const auto& c : cases) {
        LoadAvgTest test;
        test.max1 = c.max1;
        test.max5 = c.max5;
        test.max15 = c.max15;
        LoadFigures f;
        f.lav1 = c.lav1;
        f.lav5 = c.lav5;
        f.lav15 = c.lav15;
        MemVerdict verdict = JudgeLoad(test, f);
        EXPECT_EQ(c.status, verdict.status) << c.text;
        EXPECT_EQ(c.text, verdict.text);
    }
}

}  // namespace
