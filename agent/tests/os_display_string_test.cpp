#include "os_display_string.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

constexpr unsigned char kWorkstation = VER_NT_WORKSTATION;
constexpr unsigned char kServer = VER_NT_SERVER;
constexpr unsigned short kX86 = PROCESSOR_ARCHITECTURE_INTEL;
constexpr unsigned short kX64 = PROCESSOR_ARCHITECTURE_AMD64;
constexpr unsigned short kIA64 = PROCESSOR_ARCHITECTURE_IA64;

struct OsCase {
    unsigned long major, minor, build;
    unsigned char productType;
    unsigned short suite;
    const char* servicePack;
    unsigned short arch;
    int r2;
    unsigned long productInfo;
    const char* expected;
};

std::string Describe(const OsCase& c, unsigned long platform = VER_PLATFORM_WIN32_NT)
{
    OsVersionFacts f;
    f.platformId = platform;
    f.major = c.major;
    f.minor = c.minor;
    f.build = c.build;
    f.productType = c.productType;
    f.suiteMask = c.suite;
    f.servicePack = c.servicePack;
    f.processorArchitecture = c.arch;
    f.serverR2 = c.r2;
    f.productInfo = c.productInfo;
    char buffer[kOSDisplayBufferSize] = {};
    DescribeOS(f, buffer);
    return buffer;
}

TEST(DescribeOS, EditionsTable)
{
    const OsCase cases[] = {
        {6, 1, 7601, kWorkstation, 0, "Service Pack 1", kX64, 0, 48,
         "Microsoft Windows 7 Professional Service Pack 1 (build 7601) 64-bit"},
        {6, 1, 7601, kServer, 0, "Service Pack 1", kX64, 0, 7,
         "Microsoft Windows Server 2008 R2 Standard Edition Service Pack 1 (build 7601) 64-bit"},
        {6, 0, 6002, kWorkstation, 0, "Service Pack 2", kX86, 0, 1,
         "Microsoft Windows Vista Ultimate Edition Service Pack 2 (build 6002) 32-bit"},
        {6, 0, 6001, kServer, 0, "", kX86, 0, 12,
         "Microsoft Windows Server 2008 Datacenter Edition (core installation) (build 6001) "
         "32-bit"},
        {6, 2, 9200, kWorkstation, 0, "", kX64, 0, 4,
         "Microsoft Windows 8 Enterprise Edition (build 9200) 64-bit"},
        {6, 2, 9200, kServer, 0, "", kX64, 0, 8,
         "Microsoft Windows Server 2012 Datacenter Edition (build 9200) 64-bit"},
        {6, 1, 7600, kWorkstation, 0, "", kIA64, 0, 99, "Microsoft Windows 7  (build 7600)"},
        {6, 1, 7600, kWorkstation, 0, "", kX86, 0, 10,
         "Microsoft Windows 7 Enterprise Edition (build 7600) 32-bit"},
        {5, 2, 3790, kServer, VER_SUITE_ENTERPRISE, "Service Pack 2", kX86, 1, 0,
         "Microsoft Windows Server 2003 R2, Enterprise Edition Service Pack 2 (build 3790)"},
        {5, 2, 3790, kWorkstation, 0, "Service Pack 2", kX64, 0, 0,
         "Microsoft Windows XP Professional x64 Edition Service Pack 2 (build 3790)"},
        {5, 2, 3790, kServer, VER_SUITE_DATACENTER, "", kX64, 0, 0,
         "Microsoft Windows Server 2003, Datacenter x64 Edition (build 3790)"},
        {5, 2, 3790, kServer, 0, "", kX64, 0, 0,
         "Microsoft Windows Server 2003, Standard x64 Edition (build 3790)"},
        {5, 2, 3790, kServer, VER_SUITE_ENTERPRISE, "", kIA64, 0, 0,
         "Microsoft Windows Server 2003, Enterprise Edition for Itanium-based Systems (build "
         "3790)"},
        {5, 2, 3790, kServer, 0, "", kIA64, 0, 0, "Microsoft Windows Server 2003,  (build 3790)"},
        {5, 2, 3790, kServer, VER_SUITE_BLADE, "", kX86, 0, 0,
         "Microsoft Windows Server 2003, Web Edition (build 3790)"},
        {5, 2, 3790, kServer, VER_SUITE_COMPUTE_SERVER | VER_SUITE_DATACENTER, "", kX86, 0, 0,
         "Microsoft Windows Server 2003, Compute Cluster Edition (build 3790)"},
        {5, 2, 3790, kServer, VER_SUITE_STORAGE_SERVER, "", kX86, 0, 0,
         "Microsoft Windows Storage Server 2003Standard Edition (build 3790)"},
        {5, 1, 2600, kWorkstation, VER_SUITE_PERSONAL, "Service Pack 3", kX86, 0, 0,
         "Microsoft Windows XP Home Edition Service Pack 3 (build 2600)"},
        {5, 1, 2600, kWorkstation, 0, "Service Pack 3", kX86, 0, 0,
         "Microsoft Windows XP Professional Service Pack 3 (build 2600)"},
        {5, 0, 2195, kWorkstation, 0, "Service Pack 4", kX86, 0, 0,
         "Microsoft Windows 2000 Professional Service Pack 4 (build 2195)"},
        {5, 0, 2195, kServer, VER_SUITE_ENTERPRISE, "", kX86, 0, 0,
         "Microsoft Windows 2000 Advanced Server (build 2195)"},
        {5, 0, 2195, kServer, VER_SUITE_DATACENTER, "", kX86, 0, 0,
         "Microsoft Windows 2000 Datacenter Server (build 2195)"},
        {5, 0, 2195, kServer, 0, "", kX86, 0, 0, "Microsoft Windows 2000 Server (build 2195)"},
        {4, 0, 1381, kWorkstation, 0, "Service Pack 6", kX86, 0, 0, "Unknown Windows Version"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(c), c.expected);
    EXPECT_EQ(Describe(cases[0], VER_PLATFORM_WIN32_WINDOWS), "Unknown Windows Version");
}

// Windows 8.1 and Server 2012 R2 report 6.3; every later Windows reports 10.0 and is told
// apart by its build: the workstation from build 22000 is Windows 11, a server carries the
// name of the latest server release at or below its build.
TEST(DescribeOS, NamesWindowsFrom81OnByVersionAndBuild)
{
    const OsCase cases[] = {
        {6, 3, 9600, kWorkstation, 0, "", kX64, 0, 48,
         "Microsoft Windows 8.1 Professional (build 9600) 64-bit"},
        {6, 3, 9600, kServer, 0, "", kX64, 0, 8,
         "Microsoft Windows Server 2012 R2 Datacenter Edition (build 9600) 64-bit"},
        {10, 0, 10240, kWorkstation, 0, "", kX86, 0, 4,
         "Microsoft Windows 10 Enterprise Edition (build 10240) 32-bit"},
        {10, 0, 21999, kWorkstation, 0, "", kX64, 0, 48,
         "Microsoft Windows 10 Professional (build 21999) 64-bit"},
        {10, 0, 22000, kWorkstation, 0, "", kX64, 0, 48,
         "Microsoft Windows 11 Professional (build 22000) 64-bit"},
        {10, 0, 26100, kWorkstation, 0, "", kX64, 0, 101,
         "Microsoft Windows 11  (build 26100) 64-bit"},
        {10, 0, 10586, kServer, 0, "", kX64, 0, 7,
         "Microsoft Windows Server 2016 Standard Edition (build 10586) 64-bit"},
        {10, 0, 14393, kServer, 0, "", kX64, 0, 7,
         "Microsoft Windows Server 2016 Standard Edition (build 14393) 64-bit"},
        {10, 0, 17762, kServer, 0, "", kX64, 0, 8,
         "Microsoft Windows Server 2016 Datacenter Edition (build 17762) 64-bit"},
        {10, 0, 17763, kServer, 0, "", kX64, 0, 8,
         "Microsoft Windows Server 2019 Datacenter Edition (build 17763) 64-bit"},
        {10, 0, 17763, VER_NT_DOMAIN_CONTROLLER, 0, "", kX64, 0, 7,
         "Microsoft Windows Server 2019 Standard Edition (build 17763) 64-bit"},
        {10, 0, 20347, kServer, 0, "", kX64, 0, 13,
         "Microsoft Windows Server 2019 Standard Edition (core installation) (build 20347) 64-bit"},
        {10, 0, 20348, kServer, 0, "", kX64, 0, 13,
         "Microsoft Windows Server 2022 Standard Edition (core installation) (build 20348) 64-bit"},
        {10, 0, 26099, kServer, 0, "", kX64, 0, 7,
         "Microsoft Windows Server 2022 Standard Edition (build 26099) 64-bit"},
        {10, 0, 26100, kServer, 0, "", kX64, 0, 7,
         "Microsoft Windows Server 2025 Standard Edition (build 26100) 64-bit"},
        {10, 0, 26200, kServer, 0, "", kX64, 0, 8,
         "Microsoft Windows Server 2025 Datacenter Edition (build 26200) 64-bit"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(c), c.expected);
}

TEST(DescribeOS, StaysWithinItsBuffer)
{
    OsCase c{6, 1, 7601, kWorkstation, 0, "", kX64, 0, 48, ""};
    OsVersionFacts f;
    f.platformId = VER_PLATFORM_WIN32_NT;
    f.major = c.major;
    f.minor = c.minor;
    f.build = c.build;
    f.productType = c.productType;
    f.processorArchitecture = c.arch;
    f.productInfo = c.productInfo;
    f.servicePack = std::string(2000, 'S');
    char buffer[kOSDisplayBufferSize + 16];
    memset(buffer, 0x7F, sizeof(buffer));
    DescribeOS(f, buffer);
    EXPECT_EQ(strlen(buffer), kOSDisplayBufferSize - 1);
    for (unsigned i = kOSDisplayBufferSize; i < sizeof(buffer); ++i)
        ASSERT_EQ(buffer[i], 0x7F);
}

TEST(GetOSDisplayString, DescribesTheRunningSystem)
{
    char buffer[kOSDisplayBufferSize] = {};
    GetOSDisplayString(buffer);
    std::string text(buffer);
    EXPECT_EQ(text.rfind("Microsoft Windows ", 0), 0u) << text;
    EXPECT_NE(text.find(" (build "), std::string::npos) << text;
}

}  // namespace
