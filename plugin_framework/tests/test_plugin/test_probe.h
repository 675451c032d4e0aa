// Counters the framework's tests read through the test plug-in's exports: live workers and
// check passes in progress. A worker thread that outlived its object would show as a pass
// still in progress after the object's last release.
#pragma once

void TestProbeWorkerCreated();
void TestProbeWorkerDeleted();
void TestProbePassStarted();
void TestProbePassEnded();

extern "C" {
long __stdcall TestPlugInLiveWorkers();
long __stdcall TestPlugInActivePasses();
}
