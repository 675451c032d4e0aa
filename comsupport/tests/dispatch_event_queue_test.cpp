// Events delivered on a thread per client: order, a poster that never waits, a close that does
// not wait for a client stuck in its handler, and a stuck client that holds a bounded queue
// while the others are served.
#include <gtest/gtest.h>

#include "com_init.h"
#include "connection_point.h"
#include "dispatch_event_queue.h"
#include "fake_dispatch.h"

#include <functional>
#include <mutex>
#include <vector>

namespace {

// {5E0D7C2A-93B1-4F7E-8C11-2A6B0F3D9E41}
const IID IID_TestEvents = {
    0x5e0d7c2a, 0x93b1, 0x4f7e, {0x8c, 0x11, 0x2a, 0x6b, 0x0f, 0x3d, 0x9e, 0x41}};

// Records (dispatch id, first argument) and can be held inside a call.
class CHoldingSink : public CFakeDispatch<IDispatch, &IID_TestEvents> {
public:
    CHoldingSink()
        : m_hold(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
          m_entered(CreateEventW(nullptr, FALSE, FALSE, nullptr))
    {
    }
    virtual ~CHoldingSink()
    {
        CloseHandle(m_hold);
        CloseHandle(m_entered);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        SetEvent(m_entered);
        WaitForSingleObject(m_hold, INFINITE);
        std::lock_guard<std::mutex> guard(m_mutex);
        // The last argument of the call is the first parameter of the event.
        m_calls.push_back({id, V_I4(&params->rgvarg[params->cArgs - 1])});
        return S_OK;
    }
    std::vector<std::pair<DISPID, long>> Calls()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_calls;
    }

    HANDLE m_hold;
    HANDLE m_entered;

private:
    std::mutex m_mutex;
    std::vector<std::pair<DISPID, long>> m_calls;
};

// Records the first argument of every call, in order.
class CCountingSink : public CFakeDispatch<IDispatch, &IID_TestEvents> {
public:
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_values.push_back(V_I4(&params->rgvarg[params->cArgs - 1]));
        return S_OK;
    }
    std::vector<long> Values()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_values;
    }

private:
    std::mutex m_mutex;
    std::vector<long> m_values;
};

bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    ULONGLONG end = GetTickCount64() + milliseconds;
    while (!condition()) {
        if (GetTickCount64() > end)
            return false;
        Sleep(10);
    }
    return true;
}

VARIANT Long(long n)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = n;
    return v;
}

class DispatchEventQueueTest : public ::testing::Test {
protected:
    CComInit m_com{COINIT_MULTITHREADED};

    // Posts events 1..count, each with the text; the hung sink is in its handler from the
    // first event on.
    static void PostNumbered(CDispatchEventQueue* queue, long count, const std::wstring& text,
                             CHoldingSink& hung)
    {
        CComVariant description(text.c_str());
        for (long i = 1; i <= count; ++i) {
            VARIANT args[2] = {Long(i), description};
            ASSERT_TRUE(queue->Post(2, args, 2));
            if (i == 1) {
                ASSERT_EQ(WaitForSingleObject(hung.m_entered, 10000), WAIT_OBJECT_0);
            }
        }
    }
};

TEST_F(DispatchEventQueueTest, DeliversInOrderWhileThePosterGoesOn)
{
    CHoldingSink sink;
    ResetEvent(sink.m_hold);
    CConnectionPoint point(IID_TestEvents);
    DWORD cookie = 0;
    ASSERT_EQ(point.Advise(&sink, &cookie), S_OK);
    CDispatchEventQueue* queue = CDispatchEventQueue::Create(&point);
    ASSERT_NE(queue, nullptr);
    VARIANT args[2] = {Long(0), Long(99)};
    for (long i = 1; i <= 20; ++i) {
        V_I4(&args[0]) = i;
        ASSERT_TRUE(queue->Post(i % 2 ? 1 : 2, args, 2));  // never waits for the sink
    }
    EXPECT_FALSE(queue->Flush(50));
    SetEvent(sink.m_hold);
    ASSERT_TRUE(queue->Flush(10000));
    auto calls = sink.Calls();
    ASSERT_EQ(calls.size(), 20u);
    for (long i = 1; i <= 20; ++i)
        EXPECT_EQ(calls[i - 1], std::make_pair(static_cast<DISPID>(i % 2 ? 1 : 2), i));
    queue->Close(1000);
    point.Unadvise(cookie);
}

TEST_F(DispatchEventQueueTest, CloseLetsTheOwnerGoWhileASinkIsStuck)
{
    auto* sink = new CHoldingSink();
    ResetEvent(sink->m_hold);
    {
        CConnectionPoint point(IID_TestEvents);
        DWORD cookie = 0;
        ASSERT_EQ(point.Advise(sink, &cookie), S_OK);
        CDispatchEventQueue* queue = CDispatchEventQueue::Create(&point);
        ASSERT_NE(queue, nullptr);
        VARIANT arg = Long(1);
        ASSERT_TRUE(queue->Post(1, &arg, 1));
        ASSERT_TRUE(queue->Post(1, &arg, 1));
        ASSERT_EQ(WaitForSingleObject(sink->m_entered, 10000), WAIT_OBJECT_0);
        queue->Close(100);      // gives up on the stuck call; drops the second event
    }                           // the point and its own reference to the sink are gone
    EXPECT_EQ(sink->m_ref, 2);  // the test's and the delivery thread's copy
    SetEvent(sink->m_hold);
    for (int i = 0; i < 500 && sink->m_ref != 1; ++i)
        Sleep(10);
    EXPECT_EQ(sink->m_ref, 1);
    EXPECT_EQ(sink->Calls().size(), 1u);
    delete sink;
}

TEST_F(DispatchEventQueueTest, AHungClientHoldsABoundedQueueWhileTheOthersAreServed)
{
    CHoldingSink hung;
    ResetEvent(hung.m_hold);
    CCountingSink served;
    CConnectionPoint point(IID_TestEvents);
    DWORD hungCookie = 0;
    DWORD servedCookie = 0;
    ASSERT_EQ(point.Advise(&hung, &hungCookie), S_OK);
    ASSERT_EQ(point.Advise(&served, &servedCookie), S_OK);
    CDispatchEventQueue* queue = CDispatchEventQueue::Create(&point);
    ASSERT_NE(queue, nullptr);
    const long kPosted = 3000;
    PostNumbered(queue, kPosted, std::wstring(100, L's'), hung);
    ASSERT_TRUE(WaitUntil([&] { return served.Values().size() == size_t(kPosted); }, 30000));
    std::vector<long> values = served.Values();
    for (long i = 1; i <= kPosted; ++i)
        ASSERT_EQ(values[i - 1], i);
    // The hung client holds one event in its handler and at most its bound behind it; the
    // oldest of the rest were dropped and counted.
    size_t queued = queue->MostQueuedEvents();
    EXPECT_EQ(queued, CSinkChannel::kMaxQueuedEvents);
    EXPECT_EQ(queue->Dropped(), static_cast<unsigned long>(kPosted - 1 - queued));

    SetEvent(hung.m_hold);
    ASSERT_TRUE(queue->Flush(30000));
    auto calls = hung.Calls();
    ASSERT_EQ(calls.size(), queued + 1);
    EXPECT_EQ(calls.front().second, 1);
    for (size_t i = 1; i < calls.size(); ++i)
        EXPECT_EQ(calls[i].second, static_cast<long>(kPosted - queued + i));
    queue->Close(1000);
    point.Unadvise(hungCookie);
    point.Unadvise(servedCookie);
}

TEST_F(DispatchEventQueueTest, LargeEventsAreBoundedInBytes)
{
    CHoldingSink hung;
    ResetEvent(hung.m_hold);
    CConnectionPoint point(IID_TestEvents);
    DWORD cookie = 0;
    ASSERT_EQ(point.Advise(&hung, &cookie), S_OK);
    CDispatchEventQueue* queue = CDispatchEventQueue::Create(&point);
    ASSERT_NE(queue, nullptr);
    PostNumbered(queue, 200, std::wstring(32 * 1024, L'b'), hung);  // 64 KiB a text
    EXPECT_LE(queue->MostQueuedBytes(), CSinkChannel::kMaxQueuedBytes);
    EXPECT_GE(queue->MostQueuedBytes(), CSinkChannel::kMaxQueuedBytes - 70 * 1024);
    EXPECT_EQ(queue->Dropped() + queue->MostQueuedEvents() + 1, 200u);
    SetEvent(hung.m_hold);
    ASSERT_TRUE(queue->Flush(30000));
    queue->Close(1000);
    point.Unadvise(cookie);
}

}  // namespace
