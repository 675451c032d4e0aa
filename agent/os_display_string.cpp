#include "os_display_string.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

void Append(char* buffer, const char* text)
{
    size_t used = strnlen(buffer, kOSDisplayBufferSize);
    if (used + 1 >= kOSDisplayBufferSize)
        return;
    strncat(buffer, text, kOSDisplayBufferSize - used - 1);
}

bool HasSuite(const OsVersionFacts& f, unsigned short suite)
{
    return (f.suiteMask & suite) != 0;
}

const char* EditionText(unsigned long productInfo)
{
    switch (productInfo) {
    case 1:
        return "Ultimate Edition";
    case 2:
        return "Home Basic Edition";
    case 3:
        return "Home Premium Edition";
    case 4:
    case 10:
        return "Enterprise Edition";
    case 6:
        return "Business Edition";
    case 7:
        return "Standard Edition";
    case 8:
        return "Datacenter Edition";
    case 9:
        return "Small Business Server";
    case 11:
        return "Starter Edition";
    case 12:
        return "Datacenter Edition (core installation)";
    case 13:
        return "Standard Edition (core installation)";
    case 14:
        return "Enterprise Edition (core installation)";
    case 15:
        return "Enterprise Edition for Itanium-based Systems";
    case 17:
        return "Web Server Edition";
    case 18:
        return "Cluster Server Edition";
    case 25:
        return "Small Business Server Premium Edition";
    case 48:
        return "Professional";
    default:
        return "";
    }
}

void DescribeVersion6(const OsVersionFacts& f, char* buffer, bool workstation)
{
    // By minor version: the workstation's name and the server's.
    static const char* const kNames[][2] = {
        {"Windows Vista ", "Windows Server 2008 "},
        {"Windows 7 ", "Windows Server 2008 R2 "},
        {"Windows 8 ", "Windows Server 2012 "},
        {"Windows 8.1 ", "Windows Server 2012 R2 "},
    };
    if (f.minor < std::size(kNames))
        Append(buffer, kNames[f.minor][workstation ? 0 : 1]);
    Append(buffer, EditionText(f.productInfo));
}

// Windows 10 and 11 and the servers from 2016 on all report 10.0: the build tells them apart.
// A server build between two releases (an insider or preview build) is named after the
// latest release at or below it; one below 2016's release build is still a 2016 preview.
const char* Version10Name(unsigned long build, bool workstation)
{
    if (workstation)
        return build >= 22000 ? "Windows 11 " : "Windows 10 ";
    if (build >= 26100)
        return "Windows Server 2025 ";
    if (build >= 20348)
        return "Windows Server 2022 ";
    if (build >= 17763)
        return "Windows Server 2019 ";
    return "Windows Server 2016 ";
}

void DescribeVersion10(const OsVersionFacts& f, char* buffer, bool workstation)
{
    if (f.minor == 0)
        Append(buffer, Version10Name(f.build, workstation));
    Append(buffer, EditionText(f.productInfo));
}

const char* Server2003Edition(const OsVersionFacts& f)
{
    if (f.processorArchitecture == PROCESSOR_ARCHITECTURE_IA64) {
        if (HasSuite(f, VER_SUITE_DATACENTER))
            return "Datacenter Edition for Itanium-based Systems";
        if (HasSuite(f, VER_SUITE_ENTERPRISE))
            return "Enterprise Edition for Itanium-based Systems";
        return "";
    }
    if (f.processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64) {
        if (HasSuite(f, VER_SUITE_DATACENTER))
            return "Datacenter x64 Edition";
        if (HasSuite(f, VER_SUITE_ENTERPRISE))
            return "Enterprise x64 Edition";
        return "Standard x64 Edition";
    }
    if (HasSuite(f, VER_SUITE_COMPUTE_SERVER))
        return "Compute Cluster Edition";
    if (HasSuite(f, VER_SUITE_DATACENTER))
        return "Datacenter Edition";
    if (HasSuite(f, VER_SUITE_ENTERPRISE))
        return "Enterprise Edition";
    if (HasSuite(f, VER_SUITE_BLADE))
        return "Web Edition";
    return "Standard Edition";
}

void DescribeVersion52(const OsVersionFacts& f, char* buffer, bool workstation)
{
    if (f.serverR2)
        Append(buffer, "Windows Server 2003 R2, ");
    else if (HasSuite(f, VER_SUITE_STORAGE_SERVER))
        Append(buffer, "Windows Storage Server 2003");
    else if (HasSuite(f, VER_SUITE_WH_SERVER))
        Append(buffer, "Windows Home Server");
    else if (workstation && f.processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64)
        Append(buffer, "Windows XP Professional x64 Edition");
    else
        Append(buffer, "Windows Server 2003, ");
    if (!workstation)
        Append(buffer, Server2003Edition(f));
}

void DescribeVersion5(const OsVersionFacts& f, char* buffer, bool workstation)
{
    if (f.minor == 2) {
        DescribeVersion52(f, buffer, workstation);
    } else if (f.minor == 1) {
        Append(buffer, "Windows XP ");
        Append(buffer, HasSuite(f, VER_SUITE_PERSONAL) ? "Home Edition" : "Professional");
    } else if (f.minor == 0) {
        Append(buffer, "Windows 2000 ");
        if (workstation)
            Append(buffer, "Professional");
        else if (HasSuite(f, VER_SUITE_DATACENTER))
            Append(buffer, "Datacenter Server");
        else if (HasSuite(f, VER_SUITE_ENTERPRISE))
            Append(buffer, "Advanced Server");
        else
            Append(buffer, "Server");
    }
}

// GetVersionExA answers 6.2 build 9200 on every later Windows to a program that declares no
// compatibility with it; ntdll's RtlGetVersion reports the system's own version numbers.
void TakeTrueVersionNumbers(OsVersionFacts& f)
{
    using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll)
        return;
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!rtlGetVersion || rtlGetVersion(&info) != 0)
        return;
    f.major = info.dwMajorVersion;
    f.minor = info.dwMinorVersion;
    f.build = info.dwBuildNumber;
}

}  // namespace

void DescribeOS(const OsVersionFacts& f, char* buffer)
{
    buffer[0] = '\0';
    if (f.platformId != VER_PLATFORM_WIN32_NT || f.major <= 4) {
        Append(buffer, "Unknown Windows Version");
        return;
    }
    bool workstation = f.productType == VER_NT_WORKSTATION;
    Append(buffer, "Microsoft ");
    if (f.major == 10)
        DescribeVersion10(f, buffer, workstation);
    else if (f.major == 6)
        DescribeVersion6(f, buffer, workstation);
    else if (f.major == 5)
        DescribeVersion5(f, buffer, workstation);
    if (!f.servicePack.empty()) {
        Append(buffer, " ");
        Append(buffer, f.servicePack.c_str());
    }
    char build[32];
    snprintf(build, sizeof(build), " (build %lu)", f.build);
    Append(buffer, build);
    if (f.major >= 6) {
        if (f.processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64)
            Append(buffer, " 64-bit");
        else if (f.processorArchitecture == PROCESSOR_ARCHITECTURE_INTEL)
            Append(buffer, " 32-bit");
    }
}

OsVersionFacts ReadOsVersionFacts()
{
    OsVersionFacts f;
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)))
        return f;
    f.platformId = info.dwPlatformId;
    f.major = info.dwMajorVersion;
    f.minor = info.dwMinorVersion;
    f.build = info.dwBuildNumber;
    f.productType = info.wProductType;
    f.suiteMask = info.wSuiteMask;
    f.servicePack = info.szCSDVersion;
    TakeTrueVersionNumbers(f);

    SYSTEM_INFO system{};
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    using NativeInfoFn = void(WINAPI*)(SYSTEM_INFO*);
    auto nativeInfo = reinterpret_cast<NativeInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetNativeSystemInfo")));
    if (nativeInfo)
        nativeInfo(&system);
    else
        GetSystemInfo(&system);
    f.processorArchitecture = system.wProcessorArchitecture;
    f.serverR2 = GetSystemMetrics(SM_SERVERR2);

    if (f.major >= 6) {
        using ProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);
        auto productInfo = reinterpret_cast<ProductInfoFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "GetProductInfo")));
        DWORD type = 0;
        if (productInfo && productInfo(f.major, f.minor, 0, 0, &type))
            f.productInfo = type;
    }
    return f;
}

void GetOSDisplayString(char* buffer)
{
    DescribeOS(ReadOsVersionFacts(), buffer);
}
