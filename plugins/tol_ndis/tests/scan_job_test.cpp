#include <winsock2.h>

#include "scan_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "fake_probe.h"
#include "ndis_records.h"
#include "recording_sink.h"
#include "thread_starters.h"

namespace {

struct Winsock {
    Winsock()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~Winsock() { WSACleanup(); }
} g_winsock;

// Waits until the job's threads have all ended by themselves.
void WaitForEnd(ScanJob& job)
{
    while (job.RunningThreads() != 0)
        Sleep(5);
}

size_t Count(const std::vector<std::string>& texts, const std::string& text)
{
    return static_cast<size_t>(std::count(texts.begin(), texts.end(), text));
}

TEST(ScanJob, LiveHostsThenOneFinishedLast)
{
    CScriptedProbe probe;
    probe.alive = {"10.0.0.2", "10.0.0.6"};
    probe.answers["1.3.6.1.2.1.1.5.0"] = {"alpha"};
    CRecordingSink sink;
    ScanJob job(-3, &probe);
    job.SetOwner(&sink);
    job.SetLocationId(9);
    EXPECT_TRUE(job.Start("10.0.0.1", "10.0.0.8", "1.3.6.1.2.1.1.5.0"));
    WaitForEnd(job);

    std::vector<PostedRecord> records = sink.Records();
    ASSERT_EQ(3u, records.size());
    std::vector<std::string> hosts = {records[0].texts[0], records[1].texts[0]};
    std::sort(hosts.begin(), hosts.end());
    EXPECT_EQ((std::vector<std::string>{"10.0.0.2", "10.0.0.6"}), hosts);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ((std::vector<uint32_t>{40, 0xFFFFFFFDu, 9}), records[i].ui32);
        EXPECT_EQ(5u, records[i].texts.size());
        EXPECT_EQ("alpha", records[i].texts[1]);
        EXPECT_EQ(1u, records[i].nested);
        EXPECT_EQ("tol_ndis (network scan): New data is available.", records[i].description);
    }
    EXPECT_EQ(std::vector<std::string>{"finished"}, records[2].texts);
    EXPECT_EQ((std::vector<uint32_t>{40, 0xFFFFFFFDu, 9}), records[2].ui32);

    // Seven addresses on two threads (5 and 2): each thread pings with its index.
    std::vector<std::pair<std::string, unsigned short>> pings = probe.pings;
    std::sort(pings.begin(), pings.end());
    std::vector<std::pair<std::string, unsigned short>> expected;
    for (int d = 1; d <= 7; ++d)
        expected.emplace_back("10.0.0." + std::to_string(d), d <= 5 ? 0 : 1);
    EXPECT_EQ(expected, pings);
}

// Seven addresses make two threads (10.0.0.1 to .5 and .6 to .7). A thread the platform
// refuses is reported by a log line and a record of the error; its slice goes unscanned, and
// the run still ends with one "finished", last.
TEST(ScanJob, AThreadThatCannotStartIsReportedAndTheRunStillFinishes)
{
    struct {
        int starts;
        std::vector<std::string> unstarted;  // the slices in the log lines
        size_t pings;
    } const cases[] = {
        {0, {"(10.0.0.1 to 10.0.0.5)", "(10.0.0.6 to 10.0.0.7)"}, 0},
        {1, {"(10.0.0.6 to 10.0.0.7)"}, 5},
    };
    for (const auto& c : cases) {
        CScriptedProbe probe;
        probe.alive = {"10.0.0.2"};
        CRecordingSink sink;
        ScanJob job(6, &probe);
        job.SetOwner(&sink);
        job.SetThreadStarter(&LimitedThreadStarter);
        ThreadStartsLeft() = c.starts;
        EXPECT_TRUE(job.Start("10.0.0.1", "10.0.0.8", ""));
        WaitForEnd(job);

        std::vector<std::string> events = sink.Events();
        ASSERT_EQ(c.unstarted.size(), events.size()) << c.starts;
        for (size_t i = 0; i < events.size(); ++i) {
            EXPECT_EQ(0u, events[i].rfind("1 tol_ndis: ", 0)) << events[i];
            EXPECT_NE(std::string::npos, events[i].find(c.unstarted[i])) << events[i];
            EXPECT_NE(std::string::npos, events[i].find("Failed with error 8: ")) << events[i];
        }
        std::vector<std::string> texts = sink.FirstTexts();
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ("finished", texts.back());
        EXPECT_EQ(1u, Count(texts, "finished"));
        size_t errors = 0;
        for (const std::string& text : texts)
            errors += text.rfind("Failed with error 8: ", 0) == 0;
        EXPECT_EQ(c.unstarted.size(), errors) << c.starts;
        EXPECT_EQ(c.pings != 0 ? 1u : 0u, Count(texts, "10.0.0.2")) << c.starts;
        EXPECT_EQ(c.pings, probe.pings.size()) << c.starts;
        job.Stop();  // nothing listed: no second "finished"
        EXPECT_EQ(1u, Count(sink.FirstTexts(), "finished"));
    }
}

TEST(ScanJob, RangesWithoutAddressesGiveOnlyFinished)
{
    const char* ranges[][2] = {{"10.0.0.5", "10.0.0.5"}, {"0.0.0.0", "10.0.0.5"},
                               {"bad", "10.0.0.5"},      {"10.0.0.1", "255.255.255.255"},
                               {"10.0.0.9", "10.0.0.1"}, {"", ""}};
    for (const auto& range : ranges) {
        CScriptedProbe probe;
        CRecordingSink sink;
        ScanJob job(1, &probe);
        job.SetOwner(&sink);
        job.Start(range[0], range[1], "");
        EXPECT_EQ(0u, job.RunningThreads());
        EXPECT_EQ(std::vector<std::string>{"finished"}, sink.FirstTexts()) << range[0];
        EXPECT_TRUE(probe.pings.empty());
        job.Stop();  // nothing listed: no second "finished"
        EXPECT_EQ(1u, sink.Records().size());
    }
}

TEST(ScanJob, StopWaitsForItsThreadsAndClosesTheRunOnce)
{
    CScriptedProbe probe;
    probe.CloseGate();
    for (int d = 1; d < 20; ++d)
        probe.alive.insert("10.0.0." + std::to_string(d));
    CRecordingSink sink;
    ScanJob job(4, &probe);
    job.SetOwner(&sink);
    job.Start("10.0.0.1", "10.0.0.20", "");  // 19 addresses on 4 threads
    probe.WaitAtGate(4);                     // every thread inside its first ping

    std::thread stopper([&job] { job.Stop(); });
    // The stop has either taken the threads or is about to: none of them can end before the
    // gate opens, and none may post a host once stopped.
    while (job.RunningThreads() != 0)
        Sleep(5);
    probe.OpenGate();
    stopper.join();

    EXPECT_EQ(std::vector<std::string>{"finished"}, sink.FirstTexts());
    job.Stop();
    EXPECT_EQ(1u, sink.Records().size());
}

TEST(ScanJob, ARestartClosesTheOldRunBeforeTheNewOneReports)
{
    CScriptedProbe probe;
    probe.CloseGate();
    probe.alive = {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.1.1", "10.0.1.2"};
    CRecordingSink sink;
    ScanJob job(5, &probe);
    job.SetOwner(&sink);
    job.Start("10.0.0.1", "10.0.0.12", "");  // 11 addresses on 3 threads
    probe.WaitAtGate(3);

    // The restart (a DCM) stops the old run while its threads are held, then starts anew;
    // the new threads get the same indexes as the old ones.
    std::thread restart([&job] { job.Start("10.0.1.1", "10.0.1.12", ""); });
    probe.OpenGate();
    restart.join();
    WaitForEnd(job);

    std::vector<std::string> texts = sink.FirstTexts();
    ASSERT_EQ(2u, Count(texts, "finished"));
    EXPECT_EQ("finished", texts.back());
    size_t firstFinished = std::find(texts.begin(), texts.end(), "finished") - texts.begin();
    for (size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] == "finished")
            continue;
        bool oldRun = texts[i].rfind("10.0.0.", 0) == 0;
        EXPECT_EQ(oldRun, i < firstFinished) << texts[i];
    }
    EXPECT_EQ(1u, Count(texts, "10.0.1.1"));
    EXPECT_EQ(1u, Count(texts, "10.0.1.2"));
}

TEST(ScanJob, ThreadsThatEndTogetherPostOneFinished)
{
    // Many one-address threads ending at the same moment: only the last one closes the run.
    for (int round = 0; round < 5; ++round) {
        CScriptedProbe probe;
        probe.CloseGate();
        CRecordingSink sink;
        ScanJob job(6, &probe);
        job.SetOwner(&sink);
        job.Start("10.0.0.1", "10.0.0.161", "");  // 160 addresses: 32 threads of 5
        probe.WaitAtGate(32);
        probe.OpenGate();
        WaitForEnd(job);
        EXPECT_EQ(std::vector<std::string>{"finished"}, sink.FirstTexts());
        EXPECT_EQ(160u, probe.pings.size());
    }
}

TEST(ScanJob, DestructionStopsARunningScan)
{
    CScriptedProbe probe;
    probe.CloseGate();
    CRecordingSink sink;
    std::thread opener;
    {
        ScanJob job(7, &probe);
        job.SetOwner(&sink);
        job.Start("10.0.0.1", "10.0.0.101", "");  // 100 addresses on 20 threads
        probe.WaitAtGate(20);
        opener = std::thread([&probe] {
            Sleep(50);
            probe.OpenGate();
        });
    }  // the destructor waits for the threads, whenever the gate opens
    opener.join();
    EXPECT_EQ(std::vector<std::string>{"finished"}, sink.FirstTexts());
    EXPECT_LE(probe.pings.size(), 20u);
}

}  // namespace
