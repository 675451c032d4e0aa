#include "ndis_records.h"

#include <gtest/gtest.h>

#include <ctime>

#include "record_bytes.h"

namespace {

std::vector<uint8_t> Bytes(const CComBSTR& bytes)
{
    return std::vector<uint8_t>(bytes.Bytes(), bytes.Bytes() + bytes.ByteLength());
}

int64_t StampOf(const std::vector<uint8_t>& record)
{
    int64_t stamp;
    memcpy(&stamp, record.data() + 32 + 3 * 4, 8);  // after the header and three UI32s
    return stamp;
}

TEST(NdisRecords, HostIdentifiedWithItsOidValues)
{
    HostIdentity host{"10.0.0.3",
                      "alpha",
                      "",
                      "model",
                      "1.3.6.1.4.1.99999.20",
                      {{"1.3.6.1.2.1.1.3.0", "42"}, {"1.9", ""}}};
    CComBSTR bytes;
    ASSERT_TRUE(BuildHostRecord(0xFFFFFFFDu, 2, host, &bytes));
    std::vector<uint8_t> actual = Bytes(bytes);
    auto nested = [](const char* oid, const char* value) {
        return RecordBytes(0, 0, 0, 0, 0, 2).Text(oid).Text(value).Done();
    };
    std::vector<uint8_t> expected = RecordBytes(0, 3, 1, 0, 1, 5, 2)
                                        .U32(40)
                                        .U32(0xFFFFFFFDu)
                                        .U32(2)
                                        .I64(StampOf(actual))
                                        .D64(0)
                                        .Text("10.0.0.3")
                                        .Text("alpha")
                                        .Text("N/A")
                                        .Text("model")
                                        .Text("1.3.6.1.4.1.99999.20")
                                        .Nested(nested("1.3.6.1.2.1.1.3.0", "42"))
                                        .Nested(nested("1.9", "N/A"))
                                        .Done();
    EXPECT_EQ(expected, actual);
    EXPECT_NEAR(static_cast<double>(time(nullptr)), static_cast<double>(StampOf(actual)), 5);
}

TEST(NdisRecords, FinishedAndTextRecords)
{
    CComBSTR scan, server, failed;
    ASSERT_TRUE(BuildScanTextRecord(7, 3, kScanFinished, &scan));
    std::vector<uint8_t> actual = Bytes(scan);
    EXPECT_EQ(RecordBytes(0, 3, 1, 0, 1, 1)
                  .U32(40)
                  .U32(7)
                  .U32(3)
                  .I64(StampOf(actual))
                  .D64(0)
                  .Text("finished")
                  .Done(),
              actual);

    ASSERT_TRUE(BuildServerRecord(5, "", kNoIpv4Address, &server));
    actual = Bytes(server);
    EXPECT_EQ(RecordBytes(0, 3, 1, 0, 0, 2)
                  .U32(41)
                  .U32(5)
                  .U32(0)
                  .I64(StampOf(actual))
                  .Text("N/A")
                  .Text("<no ipv4 address>")
                  .Done(),
              actual);

    ASSERT_TRUE(BuildDiscoveryTextRecord(5, WaitFailedText().c_str(), &failed));
    actual = Bytes(failed);
    EXPECT_EQ(RecordBytes(0, 3, 1, 0, 0, 1)
                  .U32(41)
                  .U32(5)
                  .U32(0)
                  .I64(StampOf(actual))
                  .Text("Failed with error -1: Unknown Error.")
                  .Done(),
              actual);
}

}  // namespace
