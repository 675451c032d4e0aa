// FormatText: printf-style formatting into a string of exactly the length needed.
#pragma once

#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
