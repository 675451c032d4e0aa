#include "event_record_view.h"
#include "event_record_writer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

ScriptedEvent SampleEvent()
{
    ScriptedEvent event;
    event.recordNumber = 17;
    event.timeGenerated = 1700000000;
    event.timeWritten = 1700000005;
    event.eventId = 0xC00003E9;
    event.eventType = EVENTLOG_ERROR_TYPE;
    event.source = L"Tol19Source";
    event.computer = L"HOST-01";
    event.sid = SidFromText(L"S-1-5-18");
    event.strings = {L"a", L"", L"c\x00e9"};
    event.data = {0x0a, 0xff};
    return event;
}

TEST(EventRecordView, ReadsEveryPart)
{
    std::vector<BYTE> bytes = WriteEventRecord(SampleEvent());
    EventRecordView view;
    ASSERT_TRUE(DecodeEventRecord(bytes.data(), static_cast<DWORD>(bytes.size()), &view));
    EXPECT_EQ(17u, view.recordNumber);
    EXPECT_EQ(1700000000u, view.timeGenerated);
    EXPECT_EQ(1700000005u, view.timeWritten);
    EXPECT_EQ(0xC00003E9u, view.eventId);
    EXPECT_EQ(EVENTLOG_ERROR_TYPE, view.eventType);
    EXPECT_EQ(L"Tol19Source", view.source);
    EXPECT_EQ(L"HOST-01", view.computer);
    ASSERT_NE(nullptr, view.sid);
    EXPECT_EQ(SidFromText(L"S-1-5-18"), std::vector<BYTE>(view.sid, view.sid + view.sidLength));
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"", L"c\x00e9"}), view.strings);
    EXPECT_EQ(2u * (2 + 1 + 3), view.stringBytes);
    ASSERT_EQ(2u, view.dataLength);
    EXPECT_EQ(0xff, view.data[1]);
}

TEST(EventRecordView, LongNamesAreCutAndNoneIsMissing)
{
    ScriptedEvent event = SampleEvent();
    event.source = std::wstring(300, L's');
    event.computer = std::wstring(1000, L'c');
    event.sid.clear();
    event.strings.clear();
    event.data.clear();
    std::vector<BYTE> bytes = WriteEventRecord(event);
    EventRecordView view;
    ASSERT_TRUE(DecodeEventRecord(bytes.data(), static_cast<DWORD>(bytes.size()), &view));
    EXPECT_EQ(std::wstring(kEventNameChars, L's'), view.source);
    EXPECT_EQ(std::wstring(kEventNameChars, L'c'), view.computer);
    EXPECT_EQ(nullptr, view.sid);
    EXPECT_TRUE(view.strings.empty());
    EXPECT_EQ(nullptr, view.data);
}

// A record whose offsets and lengths point outside it: every part is kept inside.
TEST(EventRecordView, OffsetsOutsideTheRecordAreIgnored)
{
    std::vector<BYTE> bytes = WriteEventRecord(SampleEvent());
    EVENTLOGRECORD header;
    memcpy(&header, bytes.data(), sizeof header);
    header.UserSidOffset = 0xFFFFFFF0;
    header.DataLength = 0x7FFFFFFF;
    header.NumStrings = 60000;
    memcpy(bytes.data(), &header, sizeof header);
    EventRecordView view;
    ASSERT_TRUE(DecodeEventRecord(bytes.data(), static_cast<DWORD>(bytes.size()), &view));
    EXPECT_EQ(nullptr, view.sid);
    EXPECT_EQ(nullptr, view.data);
    EXPECT_LT(view.strings.size(), 100u);
    EXPECT_LE(view.stringBytes, bytes.size());
}

// The bytes end in the middle of the strings (a read that returned less than the header
// claims): texts end where the bytes end.
TEST(EventRecordView, TextsEndWithTheBytes)
{
    ScriptedEvent event = SampleEvent();
    event.strings = {std::wstring(50, L'x')};
    event.data.clear();
    std::vector<BYTE> bytes = WriteEventRecord(event);
    EVENTLOGRECORD header;
    memcpy(&header, bytes.data(), sizeof header);
    DWORD cut = header.StringOffset + 20;  // ten characters of the string, no NUL
    std::vector<BYTE> partial(bytes.begin(), bytes.begin() + cut);
    EventRecordView view;
    ASSERT_TRUE(DecodeEventRecord(partial.data(), cut, &view));
    ASSERT_EQ(1u, view.strings.size());
    EXPECT_EQ(std::wstring(10, L'x'), view.strings[0]);

    EXPECT_FALSE(DecodeEventRecord(partial.data(), sizeof(EVENTLOGRECORD) - 1, &view));
    EXPECT_FALSE(DecodeEventRecord(nullptr, 0, &view));
}

}  // namespace
