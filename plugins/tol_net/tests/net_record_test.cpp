#include "net_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

uint32_t U32(const CComBSTR& bytes, size_t offset)
{
    uint32_t value = 0;
    memcpy(&value, bytes.Bytes() + offset, sizeof value);
    return value;
}

std::vector<uint32_t> Header(const CComBSTR& bytes)
{
    std::vector<uint32_t> header;
    for (size_t i = 0; i < 8; ++i)
        header.push_back(U32(bytes, 4 * i));
    return header;
}

// The UI32 section (after the header and no I32 values) and the text after the I64 stamp.
std::vector<uint32_t> Ui32(const CComBSTR& bytes, size_t count)
{
    std::vector<uint32_t> values;
    for (size_t i = 0; i < count; ++i)
        values.push_back(U32(bytes, 32 + 4 * i));
    return values;
}

std::string Text(const CComBSTR& bytes, size_t ui32Count)
{
    const char* text = reinterpret_cast<const char*>(bytes.Bytes()) + 32 + 4 * ui32Count + 8;
    return text;
}

TEST(NetRecord, AdapterRecordCarriesTheSixRatesStatusAndText)
{
    AdapterTest test;
    test.tid = 12;
    test.lid = 3;
    test.adapter = "LAN \xC3\xA4";
    uint32_t* d = test.counters.deltas.value;
    d[kInOctets] = 1000;
    d[kInUcastPkts] = 7;
    d[kInNUcastPkts] = 2;
    d[kInErrors] = 1;
    d[kInUnknownProtos] = 99;  // kept, not reported
    d[kOutOctets] = 4000000000u;
    d[kOutUcastPkts] = 5;
    d[kOutNUcastPkts] = 6;
    d[kOutErrors] = 4;
    CComBSTR bytes;
    ASSERT_TRUE(BuildAdapterRecord(test, &bytes));
    const std::string text = "Network adapter: LAN \xC3\xA4 values are within acceptable limits.\n";
    EXPECT_EQ(std::vector<uint32_t>(
                  {static_cast<uint32_t>(32 + 40 + 8 + text.size() + 1), 0, 10, 1, 0, 0, 1, 0}),
              Header(bytes));
    EXPECT_EQ(bytes.ByteLength(), Header(bytes)[0]);
    EXPECT_EQ(std::vector<uint32_t>({38, 12, 3, 1000, 9, 1, 4000000000u, 11, 4, 0}),
              Ui32(bytes, 10));
    EXPECT_EQ(text, Text(bytes, 10));
}

TEST(NetRecord, AdapterListRecordCarriesTheNames)
{
    CComBSTR bytes;
    ASSERT_TRUE(BuildAdapterListRecord("eth0\twlan0\t", &bytes));
    EXPECT_EQ(std::vector<uint32_t>({32 + 12 + 8 + 12, 0, 3, 1, 0, 0, 1, 0}), Header(bytes));
    EXPECT_EQ(std::vector<uint32_t>({39, 0, 0}), Ui32(bytes, 3));
    EXPECT_EQ("eth0\twlan0\t", Text(bytes, 3));
}

}  // namespace
