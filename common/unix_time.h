// The system clock as time since 1970-01-01 00:00 UTC.
#pragma once

#include <windows.h>

// A FILETIME (100 ns units since 1601) in microseconds since 1970; 0 for a time before 1970.
unsigned long long FileTimeToMicroseconds1970(const FILETIME& time);

// Now, in microseconds since 1970.
unsigned long long MicrosecondsSince1970();

// Now, in whole seconds since 1970.
inline long long SecondsSince1970()
{
    return static_cast<long long>(MicrosecondsSince1970() / 1000000ULL);
}
