#include "pending_result.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

BSTR Bytes(const std::string& bytes)
{
    return SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size()));
}

std::string TakeBytes(CPendingResult& store)
{
    BSTR taken = store.Take();
    if (!taken)
        return "<null>";
    std::string out(reinterpret_cast<const char*>(taken), SysStringByteLen(taken));
    SysFreeString(taken);
    return out;
}

bool AppendBytes(CPendingResult& store, const std::string& bytes)
{
    BSTR data = Bytes(bytes);
    bool ok = store.Append(data);
    SysFreeString(data);
    return ok;
}

}  // namespace

TEST(CPendingResult, NothingPendingIsNull)
{
    CPendingResult store;
    EXPECT_EQ(TakeBytes(store), "<null>");
}

TEST(CPendingResult, ResultsJoinInOrderByteForByte)
{
    CPendingResult store;
    // Odd lengths and embedded NULs: the bytes are not characters.
    const std::string first("\x21\0\0\0abc\0x", 9);
    const std::string second("\x05\0\0\0\xff", 5);
    EXPECT_TRUE(AppendBytes(store, first));
    EXPECT_TRUE(AppendBytes(store, second));
    EXPECT_EQ(TakeBytes(store), first + second);
    EXPECT_EQ(TakeBytes(store), "<null>");
}

TEST(CPendingResult, FewerThanTwoBytesAreNotAppended)
{
    CPendingResult store;
    EXPECT_FALSE(AppendBytes(store, ""));
    EXPECT_FALSE(AppendBytes(store, "x"));
    EXPECT_FALSE(store.Append(nullptr));
    EXPECT_EQ(TakeBytes(store), "<null>");
    EXPECT_TRUE(AppendBytes(store, "xy"));
    EXPECT_FALSE(AppendBytes(store, "z"));
    EXPECT_EQ(TakeBytes(store), "xy");
}

namespace {

// A record of `size` bytes (at least 4): its total length first, then `fill`.
std::string Record(uint32_t size, char fill)
{
    std::string record(size, fill);
    memcpy(&record[0], &size, sizeof size);
    return record;
}

}  // namespace

TEST(CPendingResult, ManyAppendsComeBackExactly)
{
    CPendingResult store;
    std::string expected;
    for (int round = 0; round < 3; ++round) {
        for (uint32_t i = 0; i < 20000; ++i) {
            std::string record = Record(32 + i % 97, static_cast<char>('a' + i % 26));
            ASSERT_TRUE(AppendBytes(store, record));
            expected += record;
        }
        EXPECT_EQ(TakeBytes(store), expected);
        EXPECT_EQ(store.TakeDrops().records, 0u);
        expected.clear();
    }
}

TEST(CPendingResult, BeyondItsBoundTheOldestWholeRecordsAreDroppedAndCounted)
{
    const std::string a = Record(40, 'a'), b = Record(40, 'b'), c = Record(40, 'c');
    const std::string big = Record(250, 'g');
    struct {
        const char* what;
        std::vector<std::string> appends;
        std::string kept;
        unsigned long records;
        unsigned long long bytes;
    } const cases[] = {
        {"up to the bound nothing goes", {a, b}, a + b, 0, 0},
        {"the oldest goes first", {a, b, c}, b + c, 1, 40},
        {"one append of two records loses one", {a + b, c}, b + c, 1, 40},
        {"the newest is kept even beyond the bound", {a, b, big}, big, 2, 80},
        {"and goes when the next comes", {big, a}, a, 1, 250},
        // Bytes that do not read as a record go together with all that follows them.
        {"a length beyond the bytes",
         {Record(40, 'x').replace(0, 4, "\xff\xff\0\0", 4), c, a},
         a,
         1,
         80},
        {"a length too short to step on", {std::string("\0\0\0\0xyzw", 8) + b, big}, big, 1, 48},
        {"too few bytes for a length", {"xy", big}, big, 1, 2},
    };
    for (const auto& c : cases) {
        CPendingResult store(100);
        for (const std::string& bytes : c.appends)
            ASSERT_TRUE(AppendBytes(store, bytes)) << c.what;
        PendingDrops drops = store.TakeDrops();
        EXPECT_EQ(drops.records, c.records) << c.what;
        EXPECT_EQ(drops.bytes, c.bytes) << c.what;
        EXPECT_EQ(TakeBytes(store), c.kept) << c.what;
        EXPECT_EQ(store.TakeDrops().records, 0u) << c.what;  // said once
    }
}

TEST(CPendingResult, ABoundedStoreUnderAFloodKeepsTheNewestRecords)
{
    CPendingResult store(1000);
    for (uint32_t i = 0; i < 10000; ++i)
        ASSERT_TRUE(AppendBytes(store, Record(30 + i % 11, static_cast<char>('a' + i % 26))));
    std::string kept = TakeBytes(store);
    ASSERT_LE(kept.size(), 1000u);
    PendingDrops drops = store.TakeDrops();
    // Every record is either kept or counted, and what is kept is the end of the stream.
    uint64_t total = 0;
    for (uint32_t i = 0; i < 10000; ++i)
        total += 30 + i % 11;
    EXPECT_EQ(drops.bytes + kept.size(), total);
    std::string stream;
    for (uint32_t i = 0; i < 10000; ++i)
        stream += Record(30 + i % 11, static_cast<char>('a' + i % 26));
    EXPECT_EQ(stream.substr(stream.size() - kept.size()), kept);
    EXPECT_GT(kept.size(), 1000u - 41);  // no more went than the bound asked for
}

TEST(CPendingResult, TheDropLineCarriesThePrefixAndTheCounts)
{
    PendingDrops drops;
    drops.records = 12;
    drops.bytes = 5000000000ull;
    EXPECT_EQ(
        PendingDropLine("tol_snmp: ", drops),
        "tol_snmp: 12 results (5000000000 bytes) dropped, the oldest first: at most 8388608 bytes "
        "of results wait for the agent to fetch them.");
}
