// FormatText: printf-style formatting into a string of exactly the length needed.
#pragma once

#include <cstdarg>
#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same for the arguments of a caller's own variadic function.
std::string FormatTextV(const char* format, va_list args);
