// TraceText: a plug-in's log line formatted like printf, of any length.
#pragma once

#include <string>

#if defined(__GNUC__)
#define TOL_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define TOL_PRINTF_FORMAT(f, a)
#endif

std::string TraceText(const char* format, ...) TOL_PRINTF_FORMAT(1, 2);
