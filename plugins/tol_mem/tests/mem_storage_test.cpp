// Remote memory from a storage table: the GET a walk's rows lead to, and the figures the
// answers give (sizes × allocation units in 64 bits).
#include "mem_storage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kDescr = "1.3.6.1.2.1.25.2.3.1.3.";

SnmpRow Descr(const std::string& index, const std::string& text,
              unsigned int syntax = kSnmpCodeOctets)
{
    return SnmpRow{kDescr + index, syntax, text};
}

// The storage descriptions of Debian's snmpd on Linux.
std::vector<SnmpRow> LinuxRows()
{
    return {Descr("1", "Physical memory"),   Descr("3", "Virtual memory"),
            Descr("6", "Memory buffers"),    Descr("7", "Cached memory"),
            Descr("8", "Shared memory"),     Descr("10", "Swap space"),
            Descr("11", "Available memory"), Descr("36", "/")};
}

TEST(MemStorage, PlanAsksEachKindInItsOrder)
{
    StoragePlan plan = PlanStorageRequests(LinuxRows());
    EXPECT_EQ(
        (std::vector<std::string>{
            "1.3.6.1.2.1.25.2.3.1.5.1", "1.3.6.1.2.1.25.2.3.1.4.1", "1.3.6.1.2.1.25.2.3.1.6.1",
            "1.3.6.1.2.1.25.2.3.1.5.3", "1.3.6.1.2.1.25.2.3.1.4.3", "1.3.6.1.2.1.25.2.3.1.6.3",
            "1.3.6.1.2.1.25.2.3.1.5.6", "1.3.6.1.2.1.25.2.3.1.4.6", "1.3.6.1.2.1.25.2.3.1.5.7",
            "1.3.6.1.2.1.25.2.3.1.4.7", "1.3.6.1.2.1.25.2.3.1.5.10", "1.3.6.1.2.1.25.2.3.1.4.10",
            "1.3.6.1.2.1.25.2.3.1.6.10"}),
        plan.oids);
    EXPECT_EQ(0, plan.first[0]);
    EXPECT_EQ(3, plan.first[1]);
    EXPECT_EQ(6, plan.first[2]);
    EXPECT_EQ(8, plan.first[3]);
    EXPECT_EQ(10, plan.first[4]);
}

TEST(MemStorage, PlanMatchesDescriptionsIgnoringCaseAndTakesTheFirstRow)
{
    const struct {
        const char* name;
        std::vector<SnmpRow> rows;
        std::vector<std::string> oids;
    } cases[] = {
        {"capitalised, only two kinds",
         {Descr("2", "Virtual Memory"), Descr("1", "PHYSICAL MEMORY")},
         {"1.3.6.1.2.1.25.2.3.1.5.1", "1.3.6.1.2.1.25.2.3.1.4.1", "1.3.6.1.2.1.25.2.3.1.6.1",
          "1.3.6.1.2.1.25.2.3.1.5.2", "1.3.6.1.2.1.25.2.3.1.4.2", "1.3.6.1.2.1.25.2.3.1.6.2"}},
        {"two rows of one kind",
         {Descr("4", "cached memory"), Descr("9", "Cached memory")},
         {"1.3.6.1.2.1.25.2.3.1.5.4", "1.3.6.1.2.1.25.2.3.1.4.4"}},
        {"a description that is no octet string",
         {Descr("1", "Physical memory", kSnmpCodeInteger), Descr("5", "Physical memory")},
         {"1.3.6.1.2.1.25.2.3.1.5.5", "1.3.6.1.2.1.25.2.3.1.4.5", "1.3.6.1.2.1.25.2.3.1.6.5"}},
        {"an identifier without an index",
         {SnmpRow{"swap", kSnmpCodeOctets, "Swap space"},
          SnmpRow{"1.3.", kSnmpCodeOctets, "Swap space"}},
         {}},
        {"near misses",
         {Descr("1", "Physical memory "), Descr("2", "Physical"), Descr("3", "Swap")},
         {}},
        {"no rows", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.oids, PlanStorageRequests(c.rows).oids) << c.name;
}

TEST(MemStorage, FiguresAreSizeTimesUnitsIn64Bits)
{
    StoragePlan plan = PlanStorageRequests(LinuxRows());
    const unsigned int I = kSnmpCodeInteger;
    // 24 GB of physical memory in 1,024-byte units, 2 TB of swap in 4,096-byte units.
    std::vector<std::string> values = {"24682260",  "1024", "11258500",  // physical
                                       "24682260",  "1024", "11258500",  // virtual
                                       "24682260",  "1024",              // buffers
                                       "9184292",   "1024",              // cached
                                       "536870912", "4096", "1"};        // swap
    std::vector<unsigned int> syntax(values.size(), I);
    MemFigures f;
    ReadStorageFigures(plan, values, syntax, &f);
    EXPECT_DOUBLE_EQ(24682260.0 / 1024, f.total_phys);
    EXPECT_DOUBLE_EQ((24682260.0 - 11258500.0) / 1024, f.free_phys);
    EXPECT_DOUBLE_EQ(24682260.0 / 1024, f.total_virt);
    EXPECT_DOUBLE_EQ(24682260.0 / 1024, f.buffered);
    EXPECT_DOUBLE_EQ(9184292.0 / 1024, f.cached);
    EXPECT_DOUBLE_EQ(2097152.0, f.total_page);
    EXPECT_DOUBLE_EQ(2097152.0 - 4096.0 / 1048576, f.free_page);

    // The largest INTEGER size in the largest units.
    plan = PlanStorageRequests({Descr("1", "Physical memory")});
    ReadStorageFigures(plan, {"2147483647", "2147483647", "0"}, {I, I, I}, &f);
    EXPECT_DOUBLE_EQ(2147483647.0 * 2147483647.0 / 1048576, f.total_phys);
}

TEST(MemStorage, KindsWithoutCompleteIntegerAnswersStayUnmeasured)
{
    StoragePlan plan = PlanStorageRequests(
        {Descr("1", "Physical memory"), Descr("3", "Virtual memory"), Descr("7", "Cached memory")});
    const unsigned int I = kSnmpCodeInteger;
    const struct {
        const char* name;
        std::vector<std::string> values;
        std::vector<unsigned int> syntax;
        double total_phys, total_virt, cached;
    } cases[] = {
        {"all answered",
         {"2048", "1024", "0", "4096", "1024", "0", "1024", "1024"},
         {I, I, I, I, I, I, I, I},
         2,
         4,
         1},
        {"virtual used missing",
         {"2048", "1024", "0", "4096", "1024", "no such object", "1024", "1024"},
         {I, I, I, I, I, 20, I, I},
         2,
         -1,
         1},
        {"a short answer", {"2048", "1024", "0", "4096"}, {I, I, I, I}, 2, -1, -1},
        {"a counter in place of an integer",
         {"2048", "1024", "0", "4096", "1024", "0", "1024", "1024"},
         {14, I, I, I, I, I, I, I},
         -1,
         4,
         1},
        {"no answer at all", {}, {}, -1, -1, -1},
    };
    for (const auto& c : cases) {
        MemFigures f;
        ReadStorageFigures(plan, c.values, c.syntax, &f);
        EXPECT_EQ(c.total_phys, f.total_phys) << c.name;
        EXPECT_EQ(c.total_virt, f.total_virt) << c.name;
        EXPECT_EQ(c.cached, f.cached) << c.name;
        EXPECT_EQ(-1.0, f.total_page) << c.name;
        EXPECT_EQ(-1.0, f.buffered) << c.name;
        EXPECT_EQ(c.total_phys != -1.0 || c.total_virt != -1.0 || c.cached != -1.0, f.AnyMeasured())
            << c.name;
    }
}

}  // namespace
