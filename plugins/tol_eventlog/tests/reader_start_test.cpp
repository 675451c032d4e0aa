#include "reader_start.h"

#include <gtest/gtest.h>

#include <vector>

#include "event_log_source.h"
#include "thread_starters.h"
#include "unstarted_report.h"

namespace {

class CRecordingReaderOwner : public CEventLogReaderOwner {
public:
    IEventLogSource* EventLog() override { return &SystemEventLogSource(); }
    void PostResult(CComBSTR* data, const char* desc) override { posts.Record(data, desc); }
    void PostEvent(int level, const char* text) override { posts.Log(level, text); }
    void UpdateNextRecord(int tid, DWORD) override { updated.push_back(tid); }

    CPostRecorder posts;
    std::vector<int> updated;
};

}  // namespace

// A test whose reading thread the platform refuses is not dropped: one log line and the
// test's error result with the reason; its next record number is left for the next pass.
TEST(EventLogReaderStart, ATestWhoseThreadCannotStartReportsItsFailure)
{
    CRecordingReaderOwner owner;
    CThreadGroup group(&LimitedThreadStarter);
    ThreadStartsLeft() = 0;
    EventLogTest copy;
    copy.tid = 812;
    copy.lid = 3;
    copy.logName = L"Application";
    copy.owner = &owner;
    EXPECT_FALSE(StartEventLogReader(&copy, &group));
    EXPECT_EQ(group.Size(), 0u);

    ExpectUnstartedReport(owner.posts, "tol_evt", 50, 812, 3, 4);
    EXPECT_TRUE(owner.updated.empty());
}
