#include "event_log_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "record_bytes.h"

namespace {

std::vector<uint8_t> Bytes(const CComBSTR& bstr)
{
    return std::vector<uint8_t>(bstr.Bytes(), bstr.Bytes() + bstr.ByteLength());
}

EventEntry SampleEntry()
{
    EventEntry entry;
    entry.domain = L"NT AUTHORITY";
    entry.computer = L"HOST-01";
    entry.source = L"Tol19Source";
    entry.account = L"SYSTEM";
    entry.sidText = "S-1-5-18";
    entry.message = L"Disk C: failed.";
    entry.dataText = "0a ff ";
    entry.typeCode = 2;
    entry.sidUse = 5;
    entry.eventCode = 1001;
    entry.generated = 1700000000;
    entry.written = 1700000005;
    return entry;
}

std::vector<uint8_t> SampleEntryBytes()
{
    return RecordBytes(0, 3, 2, 0, 0, 7)
        .U32(2)
        .U32(5)
        .U32(1001)
        .I64(1700000000)
        .I64(1700000005)
        .Text("NT AUTHORITY")
        .Text("HOST-01")
        .Text("Tol19Source")
        .Text("SYSTEM")
        .Text("S-1-5-18")
        .Text("Disk C: failed.")
        .Text("0a ff ")
        .Done();
}

TEST(EventLogRecord, DataText)
{
    const BYTE bytes[] = {0x0a, 0xff};
    EXPECT_EQ("0a ff ", EventDataText(bytes, 2));
    EXPECT_EQ("No data is available.", EventDataText(nullptr, 0));
    EXPECT_EQ("No data is available.", EventDataText(bytes, 0));
    std::vector<BYTE> many(1000, 0x5a);
    std::string text = EventDataText(many.data(), static_cast<DWORD>(many.size()));
    ASSERT_EQ(128u, text.size());
    EXPECT_EQ("5a 5a", text.substr(0, 5));
    EXPECT_EQ("a 5a", text.substr(124));
}

TEST(EventLogRecord, CutWideTextKeepsPairsWholeAndMendsLoneHalves)
{
    std::wstring message(300, L'm');
    EXPECT_EQ(std::wstring(127, L'm'), CutWideText(message, 127));
    EXPECT_EQ(L"short", CutWideText(L"short", 127));

    std::wstring pair = std::wstring(126, L'p') + L"\xD83D\xDE00" + L"tail";  // U+1F600 at 126
    EXPECT_EQ(std::wstring(126, L'p'), CutWideText(pair, 127));
    EXPECT_EQ(pair.substr(0, 128), CutWideText(pair, 128));
    EXPECT_EQ(
        L"a\xFFFD"
        L"b\xFFFD",
        CutWideText(L"a\xDE00"
                    L"b\xD83D",
                    10));
}

TEST(EventLogRecord, NestedRecordOfOneEvent)
{
    CMonResult2 nested;
    ASSERT_TRUE(BuildEventEntryRecord(SampleEntry(), &nested));
    std::vector<uint8_t> bytes(nested.get_pointer(), nested.get_pointer() + nested.get_size());
    EXPECT_EQ(SampleEntryBytes(), bytes);

    EventEntry empty;  // every text missing: "N/A", the data text as it stands
    empty.dataText = "No data is available.";
    ASSERT_TRUE(BuildEventEntryRecord(empty, &nested));
    std::vector<uint8_t> expected = RecordBytes(0, 3, 2, 0, 0, 7)
                                        .U32(0)
                                        .U32(0)
                                        .U32(0)
                                        .I64(0)
                                        .I64(0)
                                        .Text("N/A")
                                        .Text("N/A")
                                        .Text("N/A")
                                        .Text("N/A")
                                        .Text("N/A")
                                        .Text("N/A")
                                        .Text("No data is available.")
                                        .Done();
    EXPECT_EQ(expected,
              std::vector<uint8_t>(nested.get_pointer(), nested.get_pointer() + nested.get_size()));
}

TEST(EventLogRecord, MessagesAreCutTo127CharactersAndStayUtf8)
{
    EventEntry entry = SampleEntry();
    entry.message = std::wstring(300, L'\x00e9');  // two UTF-8 bytes each
    entry.source = L"bad\xD800half";
    CMonResult2 nested;
    ASSERT_TRUE(BuildEventEntryRecord(entry, &nested));
    std::string blob(nested.get_pointer(), nested.get_size());
    std::string e127;
    for (int i = 0; i < 127; ++i)
        e127 += "\xc3\xa9";
    EXPECT_NE(std::string::npos, blob.find(std::string(1, '\0') + e127 + '\0'));
    EXPECT_NE(std::string::npos, blob.find("bad\xef\xbf\xbdhalf"));
}

TEST(EventLogRecord, OneResultHoldsEveryEventOfThePass)
{
    CEventLogResult result;
    CComBSTR bytes;
    EXPECT_FALSE(result.HasEntries());
    EXPECT_FALSE(result.TakeBytes(&bytes));
    ASSERT_TRUE(result.Add(7, 3, SampleEntry()));
    ASSERT_TRUE(result.Add(7, 3, SampleEntry()));
    ASSERT_TRUE(result.TakeBytes(&bytes));
    std::vector<uint8_t> blob = Bytes(bytes);
    ASSERT_GT(blob.size(), 72u);
    int64_t stamp;
    memcpy(&stamp, &blob[32 + 16], 8);
    std::vector<uint8_t> expected = RecordBytes(0, 4, 1, 0, 0, 1, 2)
                                        .U32(50)
                                        .U32(7)
                                        .U32(3)
                                        .U32(0)
                                        .I64(stamp)
                                        .Text("There are new records in the Event log.")
                                        .Nested(SampleEntryBytes())
                                        .Nested(SampleEntryBytes())
                                        .Done();
    EXPECT_EQ(expected, blob);
}

TEST(EventLogRecord, ErrorResultCarriesTheSystemText)
{
    CComBSTR bytes;
    ASSERT_TRUE(BuildEventLogError(4, 2, ERROR_FILE_NOT_FOUND, &bytes));
    std::vector<uint8_t> blob = Bytes(bytes);
    uint32_t header[8];
    memcpy(header, blob.data(), sizeof header);
    EXPECT_EQ((std::vector<uint32_t>{0, 4, 1, 0, 0, 1, 0}),
              std::vector<uint32_t>(header + 1, header + 8));
    uint32_t ui32[4];
    memcpy(ui32, &blob[32], sizeof ui32);
    EXPECT_EQ((std::vector<uint32_t>{50, 4, 2, 2}), std::vector<uint32_t>(ui32, ui32 + 4));
    std::string text(reinterpret_cast<const char*>(&blob[56]));
    EXPECT_EQ(0u, text.rfind("Failed with error 2: ", 0)) << text;
    EXPECT_EQ(std::string::npos, text.find("Unknown Error."));

    ASSERT_TRUE(BuildEventLogError(4, 2, 0x2FFFFFFF, &bytes));
    blob = Bytes(bytes);
    EXPECT_STREQ("Failed with error 805306367: Unknown Error.",
                 reinterpret_cast<const char*>(&blob[56]));
}

}  // namespace
