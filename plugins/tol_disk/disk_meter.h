// IDiskMeter: what the disk plug-in measures, and nothing else. The plug-in measures through
// the system's meter (SystemDiskMeter, volume_meter.cpp); tests give its worker a meter that
// plays back figures of their own.
#pragma once

#include <string>

class IDiskMeter {
public:
    virtual ~IDiskMeter() = default;

    // Total and free space of the drive's volume in GB (bytes x 2^-30).
    virtual bool GetDiskSpace(char drive, double* totalGb, double* freeGb) = 0;
    // The volume's read and write operation counts so far.
    virtual bool GetDiskCounters(char drive, unsigned int* reads, unsigned int* writes) = 0;
    // The letters of the fixed drives, in the order the system lists them.
    virtual bool GetFixedDrives(std::wstring* letters) = 0;
};

IDiskMeter& SystemDiskMeter();
