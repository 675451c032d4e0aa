// The operating-system description sent at login as Tol-OSVersion.
#pragma once

#include <string>

constexpr unsigned kOSDisplayBufferSize = 512;

// The figures the description is made from, as the system reports them.
struct OsVersionFacts {
    unsigned long platformId = 0;
    unsigned long major = 0;
    unsigned long minor = 0;
    unsigned long build = 0;
    unsigned char productType = 0;
    unsigned short suiteMask = 0;
    std::string servicePack;
    unsigned short processorArchitecture = 0;
    int serverR2 = 0;               // GetSystemMetrics(SM_SERVERR2)
    unsigned long productInfo = 0;  // GetProductInfo edition, from version 6 on
};

// Reads the figures from the running system: the version numbers from ntdll's RtlGetVersion,
// the rest from GetVersionExA, GetNativeSystemInfo and GetProductInfo.
OsVersionFacts ReadOsVersionFacts();
// Writes the description of the figures into a 512-byte buffer.
void DescribeOS(const OsVersionFacts& facts, char* buffer);
// The description of the running system, in a zero-filled buffer of 512 bytes.
void GetOSDisplayString(char* buffer);
