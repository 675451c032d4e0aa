#include "mon_result2.h"

#include "heap_helpers.h"
#include "record_bytes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> BytesOf(CMonResult2& record)
{
    const uint8_t* p = reinterpret_cast<const uint8_t*>(record.get_pointer());
    return std::vector<uint8_t>(p, p + record.get_size());
}

uint32_t Word(CMonResult2& record, unsigned index)
{
    uint32_t v;
    memcpy(&v, record.get_pointer() + 4 * index, 4);
    return v;
}

char* Narrow(const char* text)
{
    return const_cast<char*>(text);
}

wchar_t* Wide(const wchar_t* text)
{
    return const_cast<wchar_t*>(text);
}

struct LayoutCase {
    const char* name;
    std::function<void(CMonResult2&)> fill;
    std::vector<uint8_t> expected;
};

class RecordLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(RecordLayout, WritesTheExactBytes)
{
    const LayoutCase& c = GetParam();
    CMonResult2 record;
    c.fill(record);
    EXPECT_EQ(BytesOf(record), c.expected);
    EXPECT_EQ(record.get_size(), Word(record, 0));
}

std::vector<uint8_t> TwoTextChild()
{
    return RecordBytes(0, 0, 0, 0, 0, 2).Text("1.3.6.1.2.1.1.5.0").Text("host").Done();
}

const LayoutCase kLayoutCases[] = {
    {"Empty", [](CMonResult2& r) { ASSERT_TRUE(r.create(0, 0, 0, 0, 0, 0)); },
     RecordBytes(0, 0, 0, 0, 0, 0).Done()},
    {"EverySectionInHeaderOrder",
     [](CMonResult2& r) {
         ASSERT_TRUE(r.create(1, 1, 1, 1, 1, 0));
         // Sections fill independently of the order of the calls.
         EXPECT_TRUE(r.add(1.5));
         EXPECT_TRUE(r.add(static_cast<unsigned __int64>(0x0102030405060708ULL)));
         EXPECT_TRUE(r.add(static_cast<__int64>(-9)));
         EXPECT_TRUE(r.add(7u));
         EXPECT_TRUE(r.add(-5));
     },
     RecordBytes(1, 1, 1, 1, 1, 0)
         .I32(-5)
         .U32(7)
         .I64(-9)
         .U64(0x0102030405060708ULL)
         .D64(1.5)
         .Done()},
    {"UnfilledSlotsStayZero",
     [](CMonResult2& r) {
         ASSERT_TRUE(r.create(2, 2, 0, 0, 2, 0));
         EXPECT_TRUE(r.add(3));
         EXPECT_TRUE(r.add(2.5));
     },
     RecordBytes(2, 2, 0, 0, 2, 0).I32(3).I32(0).U32(0).U32(0).D64(2.5).D64(0.0).Done()},
    {"SixtyFourBitSectionsAreUnaligned",
     [](CMonResult2& r) {
         ASSERT_TRUE(r.create(1, 0, 1, 0, 0, 0));
         EXPECT_TRUE(r.add(static_cast<__int64>(-1)));
     },
     RecordBytes(1, 0, 1, 0, 0, 0).I32(0).I64(-1).Done()},
    {"TextsInOrderWithNotAvailableForMissingOnes",
     [](CMonResult2& r) {
         ASSERT_TRUE(r.create(0, 0, 0, 0, 0, 6));
         EXPECT_TRUE(r.add(Narrow("abc")));
         EXPECT_TRUE(r.add(static_cast<char*>(nullptr)));
         EXPECT_TRUE(r.add(Narrow("")));
         EXPECT_TRUE(r.add(static_cast<wchar_t*>(nullptr)));
         EXPECT_TRUE(r.add(Wide(L"")));
         EXPECT_TRUE(r.add(Wide(L"Gr\u00fc\u00dfe \u20ac \U0001F600")));
     },
     RecordBytes(0, 0, 0, 0, 0, 6)
         .Text("abc")
         .Text("N/A")
         .Text("N/A")
         .Text("N/A")
         .Text("N/A")
         .Text("Gr\xc3\xbc\xc3\x9f"
               "e \xe2\x82\xac \xf0\x9f\x98\x80")
         .Done()},
    {"NestedRecordsAfterTexts",
     [](CMonResult2& r) {
         ASSERT_TRUE(r.create(0, 1, 0, 0, 0, 1));
         EXPECT_TRUE(r.add(5u));
         EXPECT_TRUE(r.add(Narrow("parent")));
         CMonResult2 child;
         ASSERT_TRUE(child.create(0, 0, 0, 0, 0, 2));
         EXPECT_TRUE(child.add(Narrow("1.3.6.1.2.1.1.5.0")));
         EXPECT_TRUE(child.add(Narrow("host")));
         EXPECT_TRUE(r.add(&child));
         std::vector<uint8_t> raw = RecordBytes(0, 0, 0, 0, 0, 0).Done();
         EXPECT_TRUE(r.add(static_cast<void*>(raw.data())));
     },
     RecordBytes(0, 1, 0, 0, 0, 1, 2)
         .U32(5)
         .Text("parent")
         .Nested(TwoTextChild())
         .Nested(RecordBytes(0, 0, 0, 0, 0, 0).Done())
         .Done()},
    {"NestedRecordsNest",
     [](CMonResult2& r) {
         CMonResult2 grandchild, child;
         ASSERT_TRUE(grandchild.create(1, 0, 0, 0, 0, 0));
         EXPECT_TRUE(grandchild.add(-1));
         ASSERT_TRUE(child.create(0, 0, 0, 0, 0, 1));
         EXPECT_TRUE(child.add(Narrow("x")));
         EXPECT_TRUE(child.add(&grandchild));
         ASSERT_TRUE(r.create(0, 0, 0, 0, 0, 0));
         EXPECT_TRUE(r.add(&child));
     },
     RecordBytes(0, 0, 0, 0, 0, 0, 1)
         .Nested(RecordBytes(0, 0, 0, 0, 0, 1, 1)
                     .Text("x")
                     .Nested(RecordBytes(1, 0, 0, 0, 0, 0).I32(-1).Done())
                     .Done())
         .Done()},
    {"RecordNestedInItselfCopiesItsBytesSoFar",
     [](CMonResult2& r) {
         ASSERT_TRUE(r.create(0, 1, 0, 0, 0, 1));
         EXPECT_TRUE(r.add(3u));
         EXPECT_TRUE(r.add(Narrow("t")));
         EXPECT_TRUE(r.add(&r));
     },
     RecordBytes(0, 1, 0, 0, 0, 1, 1)
         .U32(3)
         .Text("t")
         .Nested(RecordBytes(0, 1, 0, 0, 0, 1).U32(3).Text("t").Done())
         .Done()},
    {"ResetGivesAFreshRecordOfTheSameShape",
     [](CMonResult2& r) {
         ASSERT_TRUE(r.create(1, 0, 0, 0, 1, 1));
         EXPECT_TRUE(r.add(4));
         EXPECT_TRUE(r.add(Narrow("gone")));
         CMonResult2 child;
         ASSERT_TRUE(child.create(0, 0, 0, 0, 0, 0));
         EXPECT_TRUE(r.add(&child));
         EXPECT_TRUE(r.reset());
         EXPECT_TRUE(r.add(6));
     },
     RecordBytes(1, 0, 0, 0, 1, 1).I32(6).D64(0.0).Done()},
};

INSTANTIATE_TEST_SUITE_P(CMonResult2, RecordLayout, testing::ValuesIn(kLayoutCases),
                         [](const testing::TestParamInfo<LayoutCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(CMonResult2Init, WritesTimeTypeTestAndLocationFirst)
{
    CMonResult2 record;
    ASSERT_TRUE(record.create(0, 3, 1, 0, 0, 1));
    long long before = static_cast<long long>(time(nullptr));
    ASSERT_TRUE(record.init(42, 7, 9));
    long long after = static_cast<long long>(time(nullptr));
    ASSERT_TRUE(record.add(Narrow("abc")));

    ASSERT_EQ(record.get_size(), 56u);
    long long stamp;
    memcpy(&stamp, record.get_pointer() + 44, 8);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);
    EXPECT_EQ(BytesOf(record),
              RecordBytes(0, 3, 1, 0, 0, 1).U32(42).U32(7).U32(9).I64(stamp).Text("abc").Done());
}

TEST(CMonResult2Init, FailsWithoutRoomForItsValues)
{
    CMonResult2 noTime, twoSlots;
    ASSERT_TRUE(noTime.create(0, 3, 0, 0, 0, 0));
    ASSERT_TRUE(twoSlots.create(0, 2, 1, 0, 0, 0));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(noTime.init(48, 1, 2));
    EXPECT_FALSE(twoSlots.init(48, 1, 2));
    std::string out = testing::internal::GetCapturedStdout();
    // The time stamp is refused first, then the third UI32.
    const std::string first = "ERROR: udcw_add: type:  I64 Index: 0 Size: 0 Value: ";
    const std::string second = "ERROR: udcw_add: type: UI32 Index: 2 Size: 2 Value: 2";
    ASSERT_GT(out.size(), first.size() + second.size());
    EXPECT_EQ(out.substr(0, first.size()), first);
    EXPECT_EQ(out.substr(out.size() - second.size()), second);
    EXPECT_EQ(std::to_string(std::stoll(out.substr(first.size()))),
              out.substr(first.size(), out.size() - first.size() - second.size()));
}

struct OverflowCase {
    const char* name;
    unsigned capacities[6];
    std::function<bool(CMonResult2&)> addOne;
    std::string line;  // for the add after the section is full
};

class RecordOverflow : public testing::TestWithParam<OverflowCase> {};

TEST_P(RecordOverflow, RefusesPastTheCapacityWithItsLine)
{
    const OverflowCase& c = GetParam();
    const unsigned* k = c.capacities;
    CMonResult2 record;
    ASSERT_TRUE(record.create(k[0], k[1], k[2], k[3], k[4], k[5]));
    unsigned capacity = 0;
    for (int i = 0; i < 6; ++i)
        capacity += k[i];
    for (unsigned i = 0; i < capacity; ++i)
        ASSERT_TRUE(c.addOne(record));
    std::vector<uint8_t> full = BytesOf(record);

    testing::internal::CaptureStdout();
    EXPECT_FALSE(c.addOne(record));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.line);
    EXPECT_EQ(BytesOf(record), full);

    // The record stays usable: other sections still take values.
    CMonResult2 child;
    ASSERT_TRUE(child.create(0, 0, 0, 0, 0, 0));
    EXPECT_TRUE(record.add(&child));
}

const OverflowCase kOverflowCases[] = {
    {"I32",
     {1, 0, 0, 0, 0, 0},
     [](CMonResult2& r) { return r.add(-7); },
     "ERROR: udcw_add: type:  I32 Index: 1 Size: 1 Value: -7"},
    {"UI32",
     {0, 3, 0, 0, 0, 0},
     [](CMonResult2& r) { return r.add(4000000000u); },
     "ERROR: udcw_add: type: UI32 Index: 3 Size: 3 Value: 4000000000"},
    {"I64",
     {0, 0, 2, 0, 0, 0},
     [](CMonResult2& r) { return r.add(static_cast<__int64>(-5000000000LL)); },
     "ERROR: udcw_add: type:  I64 Index: 2 Size: 2 Value: -5000000000"},
    {"UI64",
     {0, 0, 0, 1, 0, 0},
     [](CMonResult2& r) { return r.add(static_cast<unsigned __int64>(18446744073709551615ULL)); },
     "ERROR: udcw_add: type: UI64 Index: 1 Size: 1 Value: 18446744073709551615"},
    {"D64",
     {0, 0, 0, 0, 1, 0},
     [](CMonResult2& r) { return r.add(12.5); },
     "ERROR: udcw_add: type:  D64 Index: 1 Size: 1 Value: 12.500000"},
    {"Text",
     {0, 0, 0, 0, 0, 2},
     [](CMonResult2& r) { return r.add(Narrow("late")); },
     "ERROR: udcw_add: type: STRING Index: 2 Size: 2 Value: late"},
    {"NotAvailableText",
     {0, 0, 0, 0, 0, 1},
     [](CMonResult2& r) { return r.add(Narrow("")); },
     "ERROR: udcw_add: type: STRING Index: 1 Size: 1 Value: N/A"},
    {"WideText",
     {0, 0, 0, 0, 0, 1},
     [](CMonResult2& r) { return r.add(Wide(L"\u00e9")); },
     "ERROR: udcw_add: type: STRING Index: 1 Size: 1 Value: \xc3\xa9"},
};

INSTANTIATE_TEST_SUITE_P(CMonResult2, RecordOverflow, testing::ValuesIn(kOverflowCases),
                         [](const testing::TestParamInfo<OverflowCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(CMonResult2Overflow, EmptySectionsRefuseEveryKindAtIndexZero)
{
    CMonResult2 record;
    ASSERT_TRUE(record.create(0, 0, 0, 0, 0, 0));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(record.add(1));
    EXPECT_FALSE(record.add(2u));
    EXPECT_FALSE(record.add(static_cast<__int64>(3)));
    EXPECT_FALSE(record.add(static_cast<unsigned __int64>(4)));
    EXPECT_FALSE(record.add(0.25));
    EXPECT_FALSE(record.add(Narrow("t")));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: udcw_add: type:  I32 Index: 0 Size: 0 Value: 1"
              "ERROR: udcw_add: type: UI32 Index: 0 Size: 0 Value: 2"
              "ERROR: udcw_add: type:  I64 Index: 0 Size: 0 Value: 3"
              "ERROR: udcw_add: type: UI64 Index: 0 Size: 0 Value: 4"
              "ERROR: udcw_add: type:  D64 Index: 0 Size: 0 Value: 0.250000"
              "ERROR: udcw_add: type: STRING Index: 0 Size: 0 Value: t");
    EXPECT_EQ(BytesOf(record), RecordBytes(0, 0, 0, 0, 0, 0).Done());
}

TEST(CMonResult2Refusals, TextAfterANestedRecordIsRefused)
{
    CMonResult2 record, child;
    ASSERT_TRUE(record.create(0, 0, 0, 0, 0, 2));
    ASSERT_TRUE(child.create(0, 0, 0, 0, 0, 0));
    ASSERT_TRUE(record.add(Narrow("first")));
    ASSERT_TRUE(record.add(&child));
    std::vector<uint8_t> before = BytesOf(record);
    EXPECT_FALSE(record.add(Narrow("second")));
    EXPECT_FALSE(record.add(Wide(L"second")));
    EXPECT_FALSE(record.add(Narrow("")));
    EXPECT_EQ(BytesOf(record), before);
}

TEST(CMonResult2Refusals, MalformedNestedBlocksAreRefused)
{
    CMonResult2 record, neverCreated;
    ASSERT_TRUE(record.create(0, 0, 0, 0, 0, 0));
    std::vector<uint8_t> tooShort = RecordBytes(0, 0, 0, 0, 0, 0).Done();
    uint32_t size = 31;
    memcpy(tooShort.data(), &size, 4);
    // Claims a UI32 slot but is only a header long.
    std::vector<uint8_t> lying = RecordBytes(0, 1, 0, 0, 0, 0).Done();

    EXPECT_FALSE(record.add(static_cast<void*>(nullptr)));
    EXPECT_FALSE(record.add(static_cast<void*>(tooShort.data())));
    EXPECT_FALSE(record.add(static_cast<void*>(lying.data())));
    EXPECT_FALSE(record.add(static_cast<CMonResult2*>(nullptr)));
    EXPECT_FALSE(record.add(&neverCreated));
    EXPECT_EQ(BytesOf(record), RecordBytes(0, 0, 0, 0, 0, 0).Done());
}

TEST(CMonResult2Refusals, UnconvertibleWideTextAddsNothing)
{
    CMonResult2 record;
    ASSERT_TRUE(record.create(0, 0, 0, 0, 0, 1));
    wchar_t loneSurrogate[] = {L'a', wchar_t(0xD800), L'b', 0};
    EXPECT_FALSE(record.add(loneSurrogate));
    EXPECT_EQ(BytesOf(record), RecordBytes(0, 0, 0, 0, 0, 1).Done());
    EXPECT_TRUE(record.add(Wide(L"ok")));
}

TEST(CMonResult2Refusals, NothingWorksBeforeCreate)
{
    CMonResult2 record;
    char* bytes = nullptr;
    unsigned size = 0;
    EXPECT_FALSE(record.get(&bytes, &size));
    EXPECT_EQ(bytes, nullptr);
    EXPECT_EQ(record.get_pointer(), nullptr);
    EXPECT_EQ(record.get_size(), 0u);
    EXPECT_FALSE(record.add(1));
    EXPECT_FALSE(record.add(Narrow("t")));
    EXPECT_FALSE(record.init(48, 1, 1));
}

TEST(CMonResult2Get, HandsOutAProcessHeapCopy)
{
    CMonResult2 record;
    ASSERT_TRUE(record.create(0, 1, 0, 0, 0, 1));
    ASSERT_TRUE(record.add(11u));
    ASSERT_TRUE(record.add(Narrow("copy")));
    char* bytes = nullptr;
    unsigned size = 0;
    ASSERT_TRUE(record.get(&bytes, &size));
    ASSERT_EQ(size, record.get_size());
    EXPECT_NE(bytes, record.get_pointer());
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), BytesOf(record));
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, bytes));
    FreeHeapBlock(bytes);
}

// Records appended one by one, as an event-log pass does: the bytes are those of the
// reference writer whatever the count, numbers added after the nested records included.
TEST(CMonResult2Growth, ManyNestedRecordsGiveTheReferenceBytes)
{
    const struct {
        const char* name;
        unsigned count;
    } cases[] = {{"none", 0}, {"one", 1}, {"past the first growths", 37}, {"a large pass", 20000}};
    for (const auto& c : cases) {
        CMonResult2 record;
        ASSERT_TRUE(record.create(0, 4, 1, 0, 0, 1));
        ASSERT_TRUE(record.add(7u));
        ASSERT_TRUE(record.add(Narrow("There are new records")));
        RecordBytes expected(0, 4, 1, 0, 0, 1, c.count);
        expected.U32(7).U32(3).U32(c.count).U32(0).I64(-5).Text("There are new records");
        for (unsigned i = 0; i < c.count; ++i) {
            std::string text(i % 97 + 1, char('a' + i % 26));
            CMonResult2 child;
            ASSERT_TRUE(child.create(0, 1, 1, 0, 0, 2));
            ASSERT_TRUE(child.add(Narrow(text.c_str())));
            ASSERT_TRUE(child.add(Narrow(i % 2 ? "odd" : "")));
            ASSERT_TRUE(child.add(i));
            ASSERT_TRUE(child.add(static_cast<__int64>(i) * 1000));
            // Every third one as a bare block, the others as records.
            ASSERT_TRUE(
                i % 3 ? record.add(&child)
                      : record.add(static_cast<void*>(const_cast<char*>(child.get_pointer()))))
                << i;
            expected.Nested(RecordBytes(0, 1, 1, 0, 0, 2)
                                .U32(i)
                                .I64(static_cast<int64_t>(i) * 1000)
                                .Text(text)
                                .Text(i % 2 ? "odd" : "N/A")
                                .Done());
        }
        // Slots filled after the nested records land in their sections.
        ASSERT_TRUE(record.add(3u));
        ASSERT_TRUE(record.add(c.count));
        ASSERT_TRUE(record.add(static_cast<__int64>(-5)));
        EXPECT_EQ(BytesOf(record), expected.Done()) << c.name;
        EXPECT_EQ(record.get_size(), Word(record, 0)) << c.name;
        EXPECT_EQ(c.count, Word(record, 7)) << c.name;
    }
}

TEST(CMonResult2Create, CapacitiesTooLargeForTheHeaderAreRefused)
{
    CMonResult2 record;
    EXPECT_FALSE(record.create(0, 0, 0x20000000u, 0, 0, 0));
    EXPECT_EQ(record.get_pointer(), nullptr);
    EXPECT_TRUE(record.create(0, 1, 0, 0, 0, 0));
    EXPECT_EQ(record.get_size(), 36u);
}

}  // namespace
