// ProcTest: one process test as the test lines define it.
#pragma once

#include <string>

// Bits of a test's alarm state: what its texts have announced and not yet taken back.
enum ProcAlarm : unsigned int {
    kAlarmNotRunning = 1,
    kAlarmCpu = 2,
    kAlarmWorkingSet = 4,
    kAlarmPageFile = 8,
};

// The three limits of a test; -1 means that the limit is not set.
struct ProcLimits {
    int maxCpu = -1;  // percent
    int maxWss = -1;  // megabytes
    int maxPfs = -1;  // megabytes
};

struct ProcTest {
    std::wstring pname;  // executable file name, such as "Tolvane.exe"
    int tid = 0;
    int lid = 0;
    ProcLimits limits;
    unsigned int alarm = 0;  // ProcAlarm bits
    bool isNew = false;      // added or modified and not yet measured
};
