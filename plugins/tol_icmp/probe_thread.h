// StartProbe: one detached thread that pings one test's copy through the meter and posts its
// RESULT_ICMP record.
//
// The caller has marked the test's probe running in the hub (TryBeginProbe); the thread ends
// it when it is done. The thread owns the copy, holds a reference on the hub and a reference
// on this DLL (dropped as the thread ends), and starts Winsock for itself, so that neither the
// checker's teardown nor an unload of the plug-in pulls anything from under a probe still
// running; once the checker has gone it stops at its next request. The meter must outlive the
// thread (the system's lives as long as the module).
#pragma once

#include <memory>

#include "ping_meter.h"
#include "ping_probe_hub.h"
#include "ping_test_def.h"

// False when no thread could be started; the copy is then freed and the probe ended.
bool StartProbe(std::unique_ptr<PingTest> test, CPingProbeHub* hub, IPingMeter* meter);
