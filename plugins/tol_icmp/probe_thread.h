// StartProbe: one detached thread that pings one test's copy and posts its RESULT_ICMP record.
//
// The thread owns the copy, holds a reference on the result sink and a reference on this DLL
// (dropped as the thread ends), and starts Winsock for itself, so that neither the checker's
// teardown nor an unload of the plug-in pulls anything from under a probe still running.
#pragma once

#include <memory>

#include "ping_result_sink.h"
#include "ping_test.h"

// False when no thread could be started; the copy is then freed.
bool StartProbe(std::unique_ptr<PingTest> test, CPingResultSink* sink);
